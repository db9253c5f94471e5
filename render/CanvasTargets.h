#pragma once

#include "render/OpenGLWindow.h"

class Framebuffers;

// Canvases: opaque off-screen pictures of the whole logical screen, held at the window's
// own pixel size and place, so that shown at the origin each puts one texel on each pixel.
class CanvasTargets {
public:
    struct Canvas {
        unsigned texture, framebuffer;
        OpenGLWindow::Viewport area;   // the window's picture in the texture
        float u0, v0, u1, v1;          // texture coordinates of its top-left and bottom-right
    };

    CanvasTargets(const OpenGLWindow& window, Framebuffers& framebuffers);

    bool available() const;
    // An opaque black canvas; false when the driver cannot draw into one (said once).
    bool create(Canvas& canvas);
    void release(const Canvas& canvas) const;
    // Points drawing at the canvas, clipped to the logical rectangle.
    void begin(const Canvas& canvas, short x, short y, short width, short height) const;

private:
    const OpenGLWindow& window;
    Framebuffers& framebuffers;
    bool refusedOnce;
};
