#pragma once

#include <vector>

#include "render/Drawer.h"
#include "render/LayerPart.h"

class OpenGLWindow;

// Untextured fills: rectangles and vertical gradients, whole or in parts.
class FillPainter {
public:
    explicit FillPainter(const OpenGLWindow& window);

    // Top and bottom colours are RGBA; each call is one OpenGL draw call.
    void fill(short x, short y, short width, short height, const unsigned char top[4],
              const unsigned char bottom[4]) const;
    // Parts (from x, y) of the gradient that runs from y down to y + height.
    void fillParts(short x, short y, short height, const unsigned char top[4], const unsigned char bottom[4],
                   const std::vector<LayerPart>& parts) const;

private:
    static void enterState(bool opaque);
    static void leaveState(bool opaque);

    const OpenGLWindow& window;
};
