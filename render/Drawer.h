#pragma once

#include <string>
#include <vector>

struct TileScene;

// Everything the game draws goes through a Drawer, on a logical screen of 1024 x 768
// pixels (origin top-left, y downwards). The OpenGL drawer letterboxes that screen into a
// window of any size; the software drawer always opens 1024 x 768.
//
// Pixel buffers handed to loadImage/loadGlyph are width * height RGBA bytes allocated with
// new[]; the drawer owns them from then on. Image ids are never 0 (0 means "no image").
class Drawer {
public:
    // The 42 glyphs of the hand-drawn text face, in the order of the Fonts table.
    enum Glyph {
        LetterA, LetterB, LetterC, LetterD, LetterE, LetterF, LetterG, LetterH, LetterI,
        LetterJ, LetterK, LetterL, LetterM, LetterN, LetterO, LetterP, LetterQ, LetterR,
        LetterS, LetterT, LetterU, LetterV, LetterW, LetterX, LetterY, LetterZ,
        Digit0, Digit1, Digit2, Digit3, Digit4, Digit5, Digit6, Digit7, Digit8, Digit9,
        Period, Comma, Plus, Minus, Exclaim, Question,
        GlyphCount
    };

    static const int ScreenWidth = 1024;
    static const int ScreenHeight = 768;

    // A rectangle in window pixels, from the window's top-left corner.
    struct WindowRect {
        int x, y, width, height;
    };
    // No picture may be wider or taller than this: the largest texture OpenGL drivers
    // commonly hold, and twice the largest side a padded embedded picture has.
    static const unsigned MaxImageSide = 16384;

    virtual ~Drawer() {}

    virtual bool initialise(unsigned short width, unsigned short height, bool fullscreen, int antialias) = 0;
    virtual unsigned loadImage(unsigned char* pixels, unsigned width, unsigned height) = 0;
    virtual void releaseImage(unsigned id) = 0;
    virtual void beginDrawing() = 0;
    virtual void endDrawing() = 0;
    virtual void drawImage(unsigned id, short x, short y, float scaleX, float scaleY,
                           float red, float green, float blue, float alpha) = 0;
    virtual void drawText(const std::string& text, short x, short y, float size,
                          float red, float green, float blue, float alpha) = 0;
    virtual void fillRect(short x, short y, short width, short height,
                          unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha) = 0;
    virtual void fillGradient(short x, short y, short width, short height,
                              unsigned char topRed, unsigned char topGreen, unsigned char topBlue, unsigned char topAlpha,
                              unsigned char bottomRed, unsigned char bottomGreen, unsigned char bottomBlue,
                              unsigned char bottomAlpha) = 0;
    virtual void loadGlyph(Glyph glyph, unsigned char* pixels, unsigned size) = 0;

    // Canvases: off-screen pictures of the whole logical screen, for scenes too large to
    // draw every frame (the editor's whole-map overview). createCanvas makes an opaque
    // black 1024 x 768 picture and returns its image id, which drawImage draws like any
    // other image. Between beginCanvas and endCanvas every drawing call lands in that
    // canvas instead of the frame, clipped to the given rectangle (logical pixels), with the
    // same pixels the calls would have given on the frame. releaseImage frees a canvas.
    // A drawer that cannot give those pixels makes none (id 0), as this one.
    virtual unsigned createCanvas() { return 0; }
    virtual void beginCanvas(unsigned /*id*/, short /*x*/, short /*y*/, short /*width*/, short /*height*/) {}
    virtual void endCanvas() {}

    // One group of a scene's tile passes (and, before group 0, its backdrop). A drawer may
    // keep what it drew for later frames, but the frame must be the one drawing tile by
    // tile gives, which is what this one does.
    virtual void drawTiles(const TileScene& scene, int group);

    // The frame last presented by endDrawing, as RGB bytes, rows top to bottom, at the
    // window's size (for screenshots and tests). False when the drawer cannot read it back.
    virtual bool readFrame(std::vector<unsigned char>& /*rgb*/, int& /*width*/, int& /*height*/) { return false; }

    // How far right (and down) of the position it is given drawImage puts the corner of a
    // picture `size` pixels across drawn at `scale`. The software drawer keeps the corner
    // where it is told; the OpenGL drawer scales about the picture's centre.
    virtual float scaledCornerShift(float /*size*/, float /*scale*/) const { return 0.0f; }

    // Where the logical screen is shown in the window: mouse positions are scaled by it,
    // and the bands around a letterboxed picture lie outside it. The whole logical screen
    // at its own size unless the drawer says otherwise.
    virtual WindowRect getPicturePlace() const { return WindowRect{0, 0, ScreenWidth, ScreenHeight}; }

    // The glyph that stands for one byte of text, or GlyphCount when it has none:
    // a-z, 0-9 and . , + - ! ? only. Capitals, space and everything else leave an empty cell.
    static Glyph glyphFor(char c);

protected:
    // Whether a loadImage or loadGlyph of this size may go ahead. An empty picture is
    // refused silently; one past MaxImageSide with one line, `who` being the drawer's
    // message prefix.
    static bool acceptsSize(const char* who, unsigned width, unsigned height);
};
