#pragma once

#include <SDL/SDL.h>
#include <vector>

#include "render/Drawer.h"

// The OpenGL window: its attributes and video mode, the 4:3 picture letterboxed inside it
// with the logical screen's projection, and the frame read back from it.
class OpenGLWindow {
public:
    struct Viewport {
        int x, y, width, height;
    };
    // Window pixels, counted from the picture's top-left corner.
    struct PixelSpan {
        int left, top, right, bottom;
    };

    OpenGLWindow();

    // Asks for the display's colour depth, a depth buffer, double buffering, vertical sync
    // and the multisampling, opens the video mode and sets the drawing state; false when no
    // video mode was had (then there is no context and nothing may be drawn).
    bool open(unsigned short width, unsigned short height, bool fullscreen, int antialias);
    bool isOpen() const { return live; }

    // Points drawing at the window's picture with the logical screen's projection.
    void drawOnScreen() const;
    // Shows the logical screen in the given viewport of whatever is drawn into.
    static void projectScreen(const Viewport& area);

    // The frame last presented, as RGB rows top to bottom, at the window's size.
    bool readFrame(std::vector<unsigned char>& rgb, int& width, int& height) const;

    // Where the 4:3 picture goes in a window of the given size.
    static Viewport letterbox(int windowWidth, int windowHeight);

    // The window pixels whose centres lie in the logical rectangle: neighbouring rectangles
    // share none, so pictures side by side cover each pixel once.
    PixelSpan pixelsOf(short x, short y, short width, short height) const;

    Viewport getViewport() const { return viewport; }
    int getSampleCount() const { return sampleCount; }
    float getScaleX() const { return static_cast<float>(viewport.width) / Drawer::ScreenWidth; }
    float getScaleY() const { return static_cast<float>(viewport.height) / Drawer::ScreenHeight; }
    // The viewport counted from the window's top edge instead of OpenGL's bottom edge.
    Drawer::WindowRect getPicturePlace() const;

private:
    void requestAttributes(int antialias);
    void setUpState(int windowWidth, int windowHeight);

    bool live;          // a window and an OpenGL context exist
    Viewport viewport;
    int openedHeight;   // of the window that was opened
    int sampleCount;    // the window's multisampling (0: none)
};
