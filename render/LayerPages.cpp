#include "render/LayerPages.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>

#include "render/Framebuffers.h"

LayerPages::LayerPages(const OpenGLWindow& window, Framebuffers& framebuffers)
    : window(window), framebuffers(framebuffers), slots(2048), inLayerState(false), layerOpaque(false), layerTexture(0), live(0),
      maximum(~0u)
{
}

void LayerPages::open(unsigned pageSide)
{
    slots = LayerSlots(pageSide);
    pageTargets.clear();
    live = 0;
    inLayerState = false;
}

// Multisampled windows get none (see CanvasTargets).
bool LayerPages::available() const
{
    return window.getSampleCount() == 0 && framebuffers.available() && framebuffers.canBlendSeparately();
}

bool LayerPages::create(short width, short height, Layer& layer)
{
    // A pixel more than the layer spans, for a corner that falls between pixels.
    unsigned slotWidth = static_cast<unsigned>(std::ceil(width * window.getScaleX())) + 1;
    unsigned slotHeight = static_cast<unsigned>(std::ceil(height * window.getScaleY())) + 1;
    layer = Layer{static_cast<unsigned short>(width), static_cast<unsigned short>(height), LayerSlots::Slot{0, 0, 0},
                  false, 0, 0, 0.0f, 0.0f};
    if (live >= maximum)
        return false;
    if (slots.take(slotWidth, slotHeight, layer.slot)) {
        ++live;
        return true;
    }
    unsigned side = slots.pageSideFor(slotWidth, slotHeight);
    PageTarget target{0, 0};
    if (!framebuffers.make(side, side, target.texture, target.framebuffer))
        return false;
    framebuffers.bind(0);
    // Shown one texel on each pixel centre, the nearest texel is the exact one, and the
    // software rasteriser fetches it for a quarter of the cost of filtering four.
    glBindTexture(GL_TEXTURE_2D, target.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    unsigned page = slots.addPage(slotWidth, slotHeight);
    if (page >= pageTargets.size())
        pageTargets.resize(page + 1);
    pageTargets[page] = target;
    if (!slots.take(slotWidth, slotHeight, layer.slot))
        return false;
    ++live;
    return true;
}

// A page whose last layer goes is freed with it.
void LayerPages::release(const Layer& layer)
{
    --live;
    if (!slots.give(layer.slot))
        return;
    PageTarget& target = pageTargets[layer.slot.page];
    framebuffers.release(target.texture, target.framebuffer);
    target = PageTarget{0, 0};
}

void LayerPages::begin(Layer& layer, short x, short y)
{
    OpenGLWindow::PixelSpan span = window.pixelsOf(x, y, layer.width, layer.height);
    layer.drawn = true;
    layer.pixelWidth = span.right - span.left;
    layer.pixelHeight = span.bottom - span.top;
    layer.phaseX = x * window.getScaleX() - span.left;
    layer.phaseY = y * window.getScaleY() - span.top;
    target(layer, span);
    clear(static_cast<int>(layer.slot.x), static_cast<int>(layer.slot.y), layer.pixelWidth, layer.pixelHeight);
}

// The part covers the window pixels whose centres lie in it, as it does when drawn.
void LayerPages::beginPart(const Layer& layer, short x, short y, const LayerPart& part)
{
    OpenGLWindow::PixelSpan whole = window.pixelsOf(x, y, layer.width, layer.height);
    OpenGLWindow::PixelSpan span =
        window.pixelsOf(static_cast<short>(x + part.x), static_cast<short>(y + part.y), part.width, part.height);
    target(layer, whole);
    clear(static_cast<int>(layer.slot.x) + span.left - whole.left,
          static_cast<int>(layer.slot.y) + layer.pixelHeight - (span.bottom - whole.top), span.right - span.left,
          span.bottom - span.top);
}

// Points drawing at the layer's page with the frame's projection, moved so that the
// layer's pixels (`span` of the window's) come first in its slot: every vertex falls on the
// same fraction of a pixel as on the frame. It spans a screen more on every side, so that
// a layer reaching past the screen's edge is drawn whole, ready to scroll in. The layer's
// top row is the slot's row pixelHeight - 1.
void LayerPages::target(const Layer& layer, const OpenGLWindow::PixelSpan& span)
{
    OpenGLWindow::Viewport viewport = window.getViewport();
    framebuffers.bind(pageTargets[layer.slot.page].framebuffer);
    int slotX = static_cast<int>(layer.slot.x);
    int slotY = static_cast<int>(layer.slot.y);
    glViewport(slotX - span.left - viewport.width, slotY + layer.pixelHeight + span.top - 2 * viewport.height,
               3 * viewport.width, 3 * viewport.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(-Drawer::ScreenWidth, 2.0 * Drawer::ScreenWidth, 2.0 * Drawer::ScreenHeight, -Drawer::ScreenHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Clears the texels (from the page's corner) to nothing, and keeps drawing to them.
void LayerPages::clear(int x, int y, int width, int height)
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    framebuffers.blendPremultiplied();
}

bool LayerPages::fits(const Layer& layer, short x, short y) const
{
    if (!layer.drawn)
        return false;
    OpenGLWindow::PixelSpan span = window.pixelsOf(x, y, layer.width, layer.height);
    return x * window.getScaleX() - span.left == layer.phaseX && y * window.getScaleY() - span.top == layer.phaseY &&
           span.right - span.left == layer.pixelWidth && span.bottom - span.top == layer.pixelHeight;
}

// One texel on each window pixel, premultiplied. Each part covers the window pixels whose
// centres lie in it, as the whole layer does, so parts side by side share no pixel.
void LayerPages::draw(const Layer& layer, short x, short y, const std::vector<LayerPart>& parts, bool opaque)
{
    float scaleX = window.getScaleX();
    float scaleY = window.getScaleY();
    OpenGLWindow::PixelSpan whole = window.pixelsOf(x, y, layer.width, layer.height);
    float side = static_cast<float>(slots.getPageSide(layer.slot.page));
    enterState(pageTargets[layer.slot.page].texture, opaque);
    glBegin(GL_QUADS);
    for (const LayerPart& part : parts) {
        OpenGLWindow::PixelSpan span = window.pixelsOf(static_cast<short>(x + part.x), static_cast<short>(y + part.y),
                                                       part.width, part.height);
        // Texture rows run bottom-up: the layer's top pixel row is texture row pixelHeight - 1.
        float u0 = static_cast<float>(layer.slot.x + span.left - whole.left) / side;
        float u1 = static_cast<float>(layer.slot.x + span.right - whole.left) / side;
        float v0 = static_cast<float>(layer.slot.y + layer.pixelHeight - (span.top - whole.top)) / side;
        float v1 = static_cast<float>(layer.slot.y + layer.pixelHeight - (span.bottom - whole.top)) / side;
        glTexCoord2f(u0, v0);
        glVertex2f(span.left / scaleX, span.top / scaleY);
        glTexCoord2f(u1, v0);
        glVertex2f(span.right / scaleX, span.top / scaleY);
        glTexCoord2f(u1, v1);
        glVertex2f(span.right / scaleX, span.bottom / scaleY);
        glTexCoord2f(u0, v1);
        glVertex2f(span.left / scaleX, span.bottom / scaleY);
    }
    glEnd();
}

// Layers are blended premultiplied, and where a layer holds nothing the frame stays as it
// is: those pixels are skipped. Their texels are taken as they are, not multiplied by a
// colour of all ones, which the software rasteriser does at a good deal less cost; opaque
// parts are copied, without reading the frame. The state stays set from one layer to the
// next until anything else is drawn.
void LayerPages::enterState(unsigned texture, bool opaque)
{
    if (!inLayerState) {
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        glAlphaFunc(GL_GREATER, 0.0f);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        inLayerState = true;
        layerOpaque = !opaque;
        layerTexture = 0;
    }
    if (opaque != layerOpaque) {
        if (opaque) {
            glDisable(GL_BLEND);
            glDisable(GL_ALPHA_TEST);
        } else {
            glEnable(GL_BLEND);
            glEnable(GL_ALPHA_TEST);
        }
        layerOpaque = opaque;
    }
    if (texture != layerTexture) {
        glBindTexture(GL_TEXTURE_2D, texture);
        layerTexture = texture;
    }
}

void LayerPages::leaveState()
{
    if (!inLayerState)
        return;
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_BLEND);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    inLayerState = false;
}
