#pragma once

#include <cstddef>
#include <vector>

#include "render/LayerPart.h"

// Layers and the backdrop are drawn in 16-pixel squares (tile pictures start and end on
// them), merged into as few rectangles as the squares allow.
class SquareRuns {
public:
    static const int SquarePixels = 16;

    // Appends the rectangles (in pixels, the grid's first square at (left, top)) that the
    // set squares of an across x down grid make: runs of squares along a row, each merged
    // with the same run in the row above. (A template: asked of every square of every
    // chunk on the screen each frame, isSet is best inlined.)
    template <typename IsSet>
    static void merge(int across, int down, IsSet isSet, int left, int top, std::vector<LayerPart>& parts)
    {
        size_t first = parts.size();
        for (int row = 0; row < down; ++row) {
            for (int column = 0; column < across;) {
                if (!isSet(column, row)) {
                    ++column;
                    continue;
                }
                int end = column;
                while (end < across && isSet(end, row))
                    ++end;
                addRun(LayerPart{static_cast<short>(left + column * SquarePixels),
                                 static_cast<short>(top + row * SquarePixels),
                                 static_cast<short>((end - column) * SquarePixels), SquarePixels},
                       first, parts);
                column = end;
            }
        }
    }

private:
    // Lengthens the rectangle from parts[first] on that ends just above the run and spans
    // the same columns, or appends the run.
    static void addRun(const LayerPart& run, size_t first, std::vector<LayerPart>& parts);
};
