#include "render/SquareRuns.h"

#include <algorithm>

void SquareRuns::addRun(const LayerPart& run, size_t first, std::vector<LayerPart>& parts)
{
    std::vector<LayerPart>::iterator above =
        std::find_if(parts.begin() + static_cast<std::ptrdiff_t>(first), parts.end(), [&run](const LayerPart& part) {
            return part.x == run.x && part.width == run.width && part.y + part.height == run.y;
        });
    if (above != parts.end())
        above->height = static_cast<short>(above->height + SquarePixels);
    else
        parts.push_back(run);
}
