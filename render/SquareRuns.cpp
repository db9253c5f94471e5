#include "render/SquareRuns.h"

#include <algorithm>

void SquareRuns::merge(int across, int down, const std::function<bool(int column, int row)>& isSet, int left, int top,
                       std::vector<LayerPart>& parts)
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
            LayerPart run{static_cast<short>(left + column * SquarePixels), static_cast<short>(top + row * SquarePixels),
                          static_cast<short>((end - column) * SquarePixels), SquarePixels};
            std::vector<LayerPart>::iterator above =
                std::find_if(parts.begin() + static_cast<std::ptrdiff_t>(first), parts.end(),
                             [&run](const LayerPart& part) {
                                 return part.x == run.x && part.width == run.width && part.y + part.height == run.y;
                             });
            if (above != parts.end())
                above->height = static_cast<short>(above->height + SquarePixels);
            else
                parts.push_back(run);
            column = end;
        }
    }
}
