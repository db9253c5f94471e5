#include "render/FillPainter.h"

#include <GL/gl.h>

#include "render/OpenGLWindow.h"

FillPainter::FillPainter(const OpenGLWindow& window) : window(window) {}

void FillPainter::fill(short x, short y, short width, short height, const unsigned char top[4],
                       const unsigned char bottom[4]) const
{
    int left = x;
    int upper = y;
    int right = x + width;
    int lower = y + height;
    bool opaque = top[3] == 255 && bottom[3] == 255;
    enterState(opaque);
    glBegin(GL_QUADS);
    glColor4ub(top[0], top[1], top[2], top[3]);
    glVertex2i(left, upper);
    glVertex2i(right, upper);
    glColor4ub(bottom[0], bottom[1], bottom[2], bottom[3]);
    glVertex2i(right, lower);
    glVertex2i(left, lower);
    glEnd();
    leaveState(opaque);
}

// Each part covers the window pixels whose centres lie in it, as a layer's parts do, so
// that parts and layers side by side share no pixel; its corners take the colours the whole
// gradient has there.
void FillPainter::fillParts(short x, short y, short height, const unsigned char top[4], const unsigned char bottom[4],
                            const std::vector<LayerPart>& parts) const
{
    float scaleX = window.getScaleX();
    float scaleY = window.getScaleY();
    auto colourAt = [&](float row) {
        float f = (row - static_cast<float>(y)) / static_cast<float>(height);
        float c[4];
        for (int i = 0; i < 4; ++i)
            c[i] = (static_cast<float>(top[i]) + (static_cast<float>(bottom[i]) - static_cast<float>(top[i])) * f) /
                   255.0f;
        glColor4f(c[0], c[1], c[2], c[3]);
    };
    bool opaque = top[3] == 255 && bottom[3] == 255;
    enterState(opaque);
    glBegin(GL_QUADS);
    for (const LayerPart& part : parts) {
        OpenGLWindow::PixelSpan span = window.pixelsOf(static_cast<short>(x + part.x), static_cast<short>(y + part.y),
                                                       part.width, part.height);
        float partTop = span.top / scaleY;
        float partBottom = span.bottom / scaleY;
        colourAt(partTop);
        glVertex2f(span.left / scaleX, partTop);
        glVertex2f(span.right / scaleX, partTop);
        colourAt(partBottom);
        glVertex2f(span.right / scaleX, partBottom);
        glVertex2f(span.left / scaleX, partBottom);
    }
    glEnd();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    leaveState(opaque);
}

// An opaque fill (the screens' backgrounds) gives the same pixels unblended and
// untextured, which the software rasteriser fills at a fraction of the cost.
void FillPainter::enterState(bool opaque)
{
    if (!opaque)
        return;
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

void FillPainter::leaveState(bool opaque)
{
    if (!opaque)
        return;
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
}
