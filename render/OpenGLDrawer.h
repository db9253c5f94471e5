#pragma once

#include <map>
#include <memory>

#include "render/Drawer.h"
#include "render/LayerSlots.h"
#include "render/OpenGLWindow.h"
#include "render/QuadBatch.h"
#include "render/TextureAtlas.h"

// The default drawer: an OpenGL window with the 1024 x 768 logical screen letterboxed to
// 4:3 inside it. Every image is a texture padded to power-of-two sides.
//
// Quads are batched: each draw call is queued, and consecutive quads that sample the same
// texture go out as one vertex array. Small images and glyphs are also copied into an
// atlas page, so a whole play-field frame samples one texture and needs a handful of draws.
// The batch is drawn before anything that changes OpenGL state (a fill, a canvas switch,
// a texture upload, the end of the frame). Built with batching off, every call is one
// immediate-mode quad from the image's own texture, which is what tests and benchmarks
// compare the batched pixels and times against.
//
// Canvases and layers are framebuffer textures in the window's own pixels (see
// CanvasTarget); a multisampled window has neither.
class OpenGLDrawer : public Drawer {
public:
    struct Image {
        unsigned texture;
        unsigned short width;
        unsigned short height;
        float extentU;
        float extentV;
        bool inAtlas;
        TextureAtlas::Entry atlasEntry;
        unsigned framebuffer;   // canvases only
    };

    typedef OpenGLWindow::Viewport Viewport;

    struct Quad {
        float left, top, right, bottom;
    };

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
    void fillGradientParts(short x, short y, short width, short height, const unsigned char top[4],
                           const unsigned char bottom[4], const std::vector<LayerPart>& parts) override;
    void loadGlyph(Glyph glyph, unsigned char* pixels, unsigned size) override;
    unsigned createCanvas() override;
    void beginCanvas(unsigned id, short x, short y, short width, short height) override;
    void endCanvas() override;
    unsigned createLayer(short width, short height) override;
    void beginLayer(unsigned id, short x, short y) override;
    void endLayer() override;
    bool layerFits(unsigned id, short x, short y) const override;
    void drawLayerParts(unsigned id, short x, short y, const std::vector<LayerPart>& parts, bool opaque) override;
    bool readFrame(std::vector<unsigned char>& rgb, int& width, int& height) override;

    // Sizes: n is a power of two when the smallest power of two not below n is n (so 0 is
    // not); powerOfTwo(0) and powerOfTwo(1) are 1, and past 2^31 it is 0 (none in 32 bits).
    static bool isPowerOfTwo(unsigned n);
    static unsigned powerOfTwo(unsigned n);

    // A paddedWidth x paddedHeight copy of width x height RGBA pixels (new[]). Each row is
    // continued with the alpha of its last pixel in all four channels, and the last row is
    // repeated below.
    static unsigned char* padImage(const unsigned char* pixels, unsigned width, unsigned height,
                                   unsigned paddedWidth, unsigned paddedHeight);

    // The rectangle of a width x height image drawn at (x, y) with the given scales: scaled
    // about the centre of its unscaled rectangle; a negative scale swaps the sides.
    static Quad placeImage(short x, short y, float width, float height, float scaleX, float scaleY);
    static float centredShift(float size, float scale) { return -(size * scale - size) * 0.5f; }

    // Draws whatever is queued and waits until OpenGL has finished it, without presenting
    // the frame (for timing the drawing alone).
    void finish();

    const Image* findImage(unsigned id) const;
    const Image& getGlyph(Glyph glyph) const { return glyphs[glyph]; }
    bool isBatching() const { return batching; }
    // OpenGL draw calls issued since beginDrawing (a batched frame of tiles is one).
    unsigned getDrawCalls() const { return drawCalls; }
    Viewport getViewport() const { return window.getViewport(); }
    float scaledCornerShift(float size, float scale) const override { return centredShift(size, scale); }
    WindowRect getPicturePlace() const override { return window.getPicturePlace(); }

private:
    typedef void (*GenFramebuffers)(int, unsigned*);
    typedef void (*DeleteFramebuffers)(int, const unsigned*);
    typedef void (*BindFramebuffer)(unsigned, unsigned);
    typedef void (*FramebufferTexture2D)(unsigned, unsigned, unsigned, unsigned, int);
    typedef unsigned (*CheckFramebufferStatus)(unsigned);

    // A canvas holds the picture at the window's own pixel size and place, so that shown
    // at the origin it puts one texel on each pixel: area is the window's picture, u0..v1
    // the texture coordinates of its top-left and bottom-right corners.
    struct CanvasTarget {
        Viewport area;
        float u0, v0, u1, v1;
        // Layers: the size in window pixels of the part last drawn and where its logical
        // corner fell in them; the texture's size.
        bool layer;
        bool drawn;
        int pixelWidth, pixelHeight;
        float phaseX, phaseY;
        unsigned textureWidth, textureHeight;
        // Layers share page textures: which page, and where in it the layer's slot starts.
        int page = -1;
        unsigned slotX = 0, slotY = 0;
    };
    // A texture of layer slots of one size (see LayerSlots), with the framebuffer that draws
    // into it. One texture for many layers lets a pass of layers be drawn without switching
    // textures or blending state between them, which the software rasteriser pays for per
    // switch.
    struct LayerPage {
        unsigned texture, framebuffer;
    };
    typedef void (*BlendFuncSeparate)(unsigned, unsigned, unsigned, unsigned);

    void drawOnScreen();
    void loadFramebufferFunctions();
    void* framebufferFunction(const char* name, const char* suffix);
    bool makeFramebufferTexture(unsigned width, unsigned height, Image& image);
    void layerPixels(short x, short y, short width, short height, int& left, int& top, int& right,
                     int& bottom) const;
    void drawLayer(const Image& image, const CanvasTarget& target, short x, short y,
                   const std::vector<LayerPart>& parts, bool opaque);
    bool takeLayerSlot(unsigned slotWidth, unsigned slotHeight, CanvasTarget& target, Image& layer);
    void freeLayerSlot(const CanvasTarget& target);
    void enterLayerState(unsigned texture, bool opaque);
    void leaveLayerState();
    void initFonts();
    unsigned uploadTexture(const unsigned char* texels, unsigned width, unsigned height, bool clampToEdge);
    void attachToAtlas(Image& image, const unsigned char* texels, unsigned texWidth, unsigned texHeight, bool wrap);
    void detachFromAtlas(Image& image);
    void drawQuad(const Image& image, const Quad& quad, float u0, float v0, float u1, float v1,
                  float red, float green, float blue, float alpha);
    bool atlasHolds(const Image& image, const Quad& quad) const;
    void flush();
    void fill(short x, short y, short width, short height, const unsigned char top[4], const unsigned char bottom[4]);
    void enterFillState(bool opaque);
    void leaveFillState(bool opaque);
    unsigned takeNextId();
    bool canDraw() const { return window.isOpen() && !discarding; }

    OpenGLWindow window;
    std::map<unsigned, Image> images;
    Image glyphs[GlyphCount];
    unsigned nextId;
    bool batching;
    bool discarding;   // between beginCanvas of an id that is no canvas and endCanvas
    bool inCanvas;
    unsigned canvasId;  // the canvas being drawn into
    std::map<unsigned, CanvasTarget> canvasTargets;
    int samples;          // multisampling of what is drawn into now (0: none)
    float pixelScale;     // its pixels per logical pixel
    unsigned drawCalls;
    QuadBatch batch;
    std::unique_ptr<TextureAtlas> atlas;
    std::vector<LayerPage> layerPages;   // by page number
    LayerSlots layerSlots;
    bool inLayerState;      // drawing layers, layerTexture bound
    bool layerOpaque;       // copied, not blended
    unsigned layerTexture;

    GenFramebuffers genFramebuffers;
    DeleteFramebuffers deleteFramebuffers;
    BindFramebuffer bindFramebuffer;
    FramebufferTexture2D framebufferTexture2D;
    CheckFramebufferStatus checkFramebufferStatus;
    BlendFuncSeparate blendFuncSeparate;
};
