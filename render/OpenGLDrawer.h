#pragma once

#include <map>
#include <variant>

#include "render/CanvasTargets.h"
#include "render/Drawer.h"
#include "render/FillPainter.h"
#include "render/Framebuffers.h"
#include "render/LayerPages.h"
#include "render/OpenGLWindow.h"
#include "render/PictureTextures.h"
#include "render/QuadPainter.h"
#include "render/TileCaches.h"

// The default drawer: an OpenGL window with the 1024 x 768 logical screen letterboxed to
// 4:3 inside it (OpenGLWindow). Every picture is a texture padded to power-of-two sides
// (PictureTextures); quads are batched, sampling atlas pages where they can (QuadPainter);
// fills are untextured quads (FillPainter); canvases and layers are framebuffer textures in
// the window's own pixels (CanvasTargets, LayerPages), which a multisampled window has none
// of. This class keeps the image table, one id space for pictures, canvases and layers, and
// sends each call to the part that does it. Whatever is queued is drawn before anything
// that changes OpenGL state (a fill, a canvas switch, a texture upload, the end of the frame).
class OpenGLDrawer : public Drawer {
public:
    typedef OpenGLWindow::Viewport Viewport;
    typedef QuadPainter::Quad Quad;

    explicit OpenGLDrawer(bool batching = true);
    ~OpenGLDrawer() override;

    OpenGLDrawer(const OpenGLDrawer&) = delete;
    OpenGLDrawer& operator=(const OpenGLDrawer&) = delete;

    bool initialise(unsigned short width, unsigned short height, bool fullscreen, int antialias) override;
    unsigned loadImage(unsigned char* pixels, unsigned width, unsigned height) override;
    void releaseImage(unsigned id) override;
    void beginDrawing() override;
    void endDrawing() override;
    void drawImage(unsigned id, short x, short y, float scaleX, float scaleY,
                   float red, float green, float blue, float alpha) override;
    void drawText(const std::string& text, short x, short y, float size,
                  float red, float green, float blue, float alpha) override;
    void fillRect(short x, short y, short width, short height,
                  unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha) override;
    void fillGradient(short x, short y, short width, short height,
                      unsigned char topRed, unsigned char topGreen, unsigned char topBlue, unsigned char topAlpha,
                      unsigned char bottomRed, unsigned char bottomGreen, unsigned char bottomBlue,
                      unsigned char bottomAlpha) override;
    void loadGlyph(Glyph glyph, unsigned char* pixels, unsigned size) override;
    unsigned createCanvas() override;
    void beginCanvas(unsigned id, short x, short y, short width, short height) override;
    void endCanvas() override;
    void drawTiles(const TileScene& scene, int group) override;
    bool readFrame(std::vector<unsigned char>& rgb, int& width, int& height) override;

    // The rectangle of a width x height image drawn at (x, y) with the given scales: scaled
    // about the centre of its unscaled rectangle; a negative scale swaps the sides.
    static Quad placeImage(short x, short y, float width, float height, float scaleX, float scaleY);
    static float centredShift(float size, float scale) { return -(size * scale - size) * 0.5f; }

    // Layers: transparent pictures of one width x height part of the screen, for the tile
    // caches. beginLayer(id, x, y) clears the layer; until endLayer every drawing call lands
    // in it, clipped to it, as it would land on the frame's part at (x, y). Its parts then
    // blend over the frame as those calls would have been blended, provided layerFits(id,
    // x, y): the window's pixels fall on the layer's part at (x, y) as they did where it was
    // drawn. Parts known to be opaque may be copied instead, the same pixels for less.
    // releaseImage frees a layer; none is made (0) where the driver cannot draw into one.
    unsigned createLayer(short width, short height);
    void beginLayer(unsigned id, short x, short y);
    // Clears and draws into only a part of a layer that fits at (x, y), leaving the rest.
    void beginLayer(unsigned id, short x, short y, const LayerPart& part);
    void endLayer();
    bool layerFits(unsigned id, short x, short y) const;
    void drawLayerParts(unsigned id, short x, short y, const std::vector<LayerPart>& parts, bool opaque);
    // Fills the given parts of the rectangle as fillGradient would colour them. Top and
    // bottom colours are RGBA.
    void fillGradientParts(short x, short y, short width, short height, const unsigned char top[4],
                           const unsigned char bottom[4], const std::vector<LayerPart>& parts);
    // Refuses layers past this many at once, as a driver short of memory would.
    void limitLayers(unsigned count) { layers.limit(count); }

    // Draws whatever is queued and waits until OpenGL has finished it, without presenting
    // the frame (for timing the drawing alone).
    void finish();

    // The picture an id names (none for canvases, layers and ids that name nothing).
    const PictureTextures::Picture* findPicture(unsigned id) const;
    bool holdsImage(unsigned id) const { return images.count(id) != 0; }
    bool isBatching() const { return quads.isBatching(); }
    // OpenGL draw calls issued since beginDrawing (a batched frame of tiles is one).
    unsigned getDrawCalls() const { return drawCalls; }
    Viewport getViewport() const { return window.getViewport(); }
    float scaledCornerShift(float size, float scale) const override { return centredShift(size, scale); }
    WindowRect getPicturePlace() const override { return window.getPicturePlace(); }

private:
    typedef std::variant<PictureTextures::Picture, CanvasTargets::Canvas, LayerPages::Layer> Image;

    unsigned addImage(const Image& image);
    void drawQuad(const PictureTextures::Picture& picture, const Quad& quad, float u0, float v0, float u1, float v1,
                  const QuadPainter::Colour& colour);
    void drawLayer(const LayerPages::Layer& layer, short x, short y, const std::vector<LayerPart>& parts,
                   bool opaque);
    void drawOnScreen();
    void flush();
    bool canDraw() const { return window.isOpen() && !discarding; }

    OpenGLWindow window;
    Framebuffers framebuffers;
    PictureTextures textures;
    QuadPainter quads;
    FillPainter fills;
    CanvasTargets canvases;
    LayerPages layers;
    std::map<unsigned, Image> images;
    unsigned nextId;
    bool discarding;   // between beginCanvas of an id that is no canvas and endCanvas
    bool inCanvas;     // drawing into a canvas or a layer
    unsigned canvasId; // which
    unsigned drawCalls;
    TileCaches tiles;   // last: its layers are given back while the rest still stands
};
