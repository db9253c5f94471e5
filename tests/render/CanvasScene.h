#pragma once

#include <vector>

#include "render/Drawer.h"

// What the editor's overview puts into a canvas: a background fill, then pictures at play
// scale and at 1/32, and some text. Drawn the same way into a canvas and onto the frame.
struct CanvasScene {
    std::vector<unsigned> tiles;

    void load(Drawer& d);
    void draw(Drawer& d) const;
};
