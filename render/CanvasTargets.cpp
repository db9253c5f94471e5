#include "render/CanvasTargets.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <iostream>

#include "render/Framebuffers.h"
#include "render/PictureTextures.h"

CanvasTargets::CanvasTargets(const OpenGLWindow& window, Framebuffers& framebuffers)
    : window(window), framebuffers(framebuffers), refusedOnce(false)
{
}

// A multisampled window smooths the edges of what is drawn on it in a way a canvas does
// not reproduce (Mesa reads such a frame back with edges that neither a plain nor a
// multisampled canvas gives), so it gets no canvases and its screens draw the plain way.
bool CanvasTargets::available() const
{
    return window.getSampleCount() == 0 && framebuffers.available();
}

bool CanvasTargets::create(Canvas& canvas)
{
    // The picture sits in the texture where it sits in the window, bands included, so that
    // every vertex lands on the same fraction of a pixel as on the frame.
    OpenGLWindow::Viewport viewport = window.getViewport();
    unsigned textureWidth = PictureTextures::powerOfTwo(viewport.x + viewport.width);
    unsigned textureHeight = PictureTextures::powerOfTwo(viewport.y + viewport.height);
    canvas.area = viewport;
    canvas.u0 = static_cast<float>(viewport.x) / textureWidth;
    canvas.u1 = static_cast<float>(viewport.x + viewport.width) / textureWidth;
    canvas.v0 = static_cast<float>(viewport.y + viewport.height) / textureHeight;
    canvas.v1 = static_cast<float>(viewport.y) / textureHeight;
    if (!framebuffers.make(textureWidth, textureHeight, canvas.texture, canvas.framebuffer)) {
        if (!refusedOnce)
            std::cout << "OpenGL: the map overview is drawn cell by cell: the driver refused an off-screen picture"
                      << std::endl;
        refusedOnce = true;
        return false;
    }
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    framebuffers.bind(0);
    return true;
}

void CanvasTargets::release(const Canvas& canvas) const
{
    framebuffers.release(canvas.texture, canvas.framebuffer);
}

void CanvasTargets::begin(const Canvas& canvas, short x, short y, short width, short height) const
{
    framebuffers.bind(canvas.framebuffer);
    // Drawn exactly as the frame is (same projection, viewport and pixels per logical
    // pixel), the canvas rasterises pixel for pixel the same; drawImage shows it the right
    // way up. Canvases are not multisampled.
    const OpenGLWindow::Viewport& area = canvas.area;
    OpenGLWindow::projectScreen(area);
    // The clip takes in every pixel the rectangle touches.
    float scaleX = static_cast<float>(area.width) / Drawer::ScreenWidth;
    float scaleY = static_cast<float>(area.height) / Drawer::ScreenHeight;
    int left = std::max(static_cast<int>(std::floor(x * scaleX)), 0);
    int top = std::max(static_cast<int>(std::floor(y * scaleY)), 0);
    int right = std::min(static_cast<int>(std::ceil((x + std::max<int>(width, 0)) * scaleX)), area.width);
    int bottom = std::min(static_cast<int>(std::ceil((y + std::max<int>(height, 0)) * scaleY)), area.height);
    glEnable(GL_SCISSOR_TEST);
    glScissor(area.x + left, area.y + area.height - bottom, std::max(right - left, 0), std::max(bottom - top, 0));
    // The canvas stays opaque whatever is blended into it.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
}
