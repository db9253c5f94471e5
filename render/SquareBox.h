#pragma once

#include <algorithm>
#include <limits>

#include "render/LayerPart.h"
#include "render/SquareRuns.h"

// The smallest rectangle of a chunk's squares holding those added.
class SquareBox {
public:
    static const int Side = SquareRuns::SquarePixels;

    static SquareBox around(const LayerPart& part)
    {
        SquareBox box;
        if (part.width > 0 && part.height > 0) {
            box.add(part.x / Side, part.y / Side);
            box.add((part.x + part.width - 1) / Side, (part.y + part.height - 1) / Side);
        }
        return box;
    }

    void add(int column, int row)
    {
        firstColumn = std::min(firstColumn, column);
        lastColumn = std::max(lastColumn, column);
        firstRow = std::min(firstRow, row);
        lastRow = std::max(lastRow, row);
    }

    template <typename Visit> void forEach(Visit visit) const
    {
        for (int row = firstRow; row <= lastRow; ++row)
            for (int column = firstColumn; column <= lastColumn; ++column)
                visit(column, row);
    }

    LayerPart part() const
    {
        if (lastColumn < 0)
            return LayerPart{0, 0, 0, 0};
        return LayerPart{static_cast<short>(firstColumn * Side), static_cast<short>(firstRow * Side),
                         static_cast<short>((lastColumn + 1 - firstColumn) * Side),
                         static_cast<short>((lastRow + 1 - firstRow) * Side)};
    }

private:
    int firstColumn = std::numeric_limits<int>::max(), lastColumn = -1;
    int firstRow = std::numeric_limits<int>::max(), lastRow = -1;
};
