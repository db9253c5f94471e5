#pragma once

#include <functional>
#include <vector>

#include "render/LayerPart.h"

// Layers and the backdrop are drawn in 16-pixel squares (tile pictures start and end on
// them), merged into as few rectangles as the squares allow.
class SquareRuns {
public:
    static const int SquarePixels = 16;

    // Appends the rectangles (in pixels, the grid's first square at (left, top)) that the
    // set squares of an across x down grid make: runs of squares along a row, each merged
    // with the same run in the row above.
    static void merge(int across, int down, const std::function<bool(int column, int row)>& isSet, int left, int top,
                      std::vector<LayerPart>& parts);
};
