#pragma once

#include <vector>

#include "render/Drawer.h"
#include "render/LayerPart.h"
#include "render/LayerSlots.h"
#include "render/OpenGLWindow.h"

class Framebuffers;

// Layers: transparent pictures of a part of the screen, kept in the window's own pixels in
// slots of shared page textures. One texture for many layers lets a pass of layers be drawn
// without switching textures or blending state between them, which the software
// rasteriser pays for per switch. Layers hold their pictures premultiplied by alpha, so
// that blending a layer over the frame gives what blending each picture in turn would have.
class LayerPages {
public:
    struct Layer {
        unsigned short width, height;   // logical pixels
        LayerSlots::Slot slot;
        // The size in window pixels of the part last drawn and where its logical corner
        // fell in them.
        bool drawn;
        int pixelWidth, pixelHeight;
        float phaseX, phaseY;
    };

    LayerPages(const OpenGLWindow& window, Framebuffers& framebuffers);

    // In a new context: no pages yet, and pages of at least pageSide texels.
    void open(unsigned pageSide);
    bool available() const;

    // A slot for a layer of that logical size; false when the driver cannot draw into a page.
    bool create(short width, short height, Layer& layer);
    void release(const Layer& layer);
    // Refuses layers past this many at once, as a driver short of memory would.
    void limit(unsigned count) { maximum = count; }

    // Clears the layer's part and points drawing at it, as at the frame's part at (x, y).
    void begin(Layer& layer, short x, short y);
    // The same for one part of a layer that fits at (x, y): the rest stays as it was.
    void beginPart(const Layer& layer, short x, short y, const LayerPart& part);
    // Whether the window's pixels fall on the frame's part at (x, y) as they did where the
    // layer was drawn.
    bool fits(const Layer& layer, short x, short y) const;
    // Shows the given parts of a drawn layer (copied when opaque, else blended).
    void draw(const Layer& layer, short x, short y, const std::vector<LayerPart>& parts, bool opaque);
    // Back to the blending every other drawing call expects.
    void leaveState();

private:
    struct PageTarget {
        unsigned texture, framebuffer;
    };

    void enterState(unsigned texture, bool opaque);
    void target(const Layer& layer, const OpenGLWindow::PixelSpan& span);
    void clear(int x, int y, int width, int height);

    const OpenGLWindow& window;
    Framebuffers& framebuffers;
    LayerSlots slots;
    std::vector<PageTarget> pageTargets;   // by page number
    bool inLayerState;      // drawing layers, layerTexture bound
    bool layerOpaque;       // copied, not blended
    unsigned layerTexture;
    unsigned live;       // layers made and not released
    unsigned maximum;
};
