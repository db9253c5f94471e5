#pragma once

#include <SDL/SDL.h>
#include <map>

#include "render/Drawer.h"

// The software drawer (--sdl): a 1024 x 768 SDL surface, images kept as surfaces in the
// display's format with per-pixel alpha, scaled nearest-neighbour into one preallocated
// scratch surface so drawing allocates nothing. It has no tint, no alpha factor and no
// gradient; a negative horizontal scale draws the picture mirrored.
class SDLDrawer : public Drawer {
public:
    struct Image {
        SDL_Surface* surface;
        unsigned char* pixels;    // the buffer the surface was made from (may be null)
        unsigned short width;
        unsigned short height;
    };

    static const int ScratchSize = 2048;

    SDLDrawer();
    ~SDLDrawer() override;

    SDLDrawer(const SDLDrawer&) = delete;
    SDLDrawer& operator=(const SDLDrawer&) = delete;

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
    bool readFrame(std::vector<unsigned char>& rgb, int& width, int& height) override;

    // The source scaled nearest-neighbour to width x height (mirrored left to right when
    // asked), in the top-left corner of the scratch surface; the source itself when no
    // scaling is needed. Valid until the next call. Null when the size does not fit the
    // scratch surface.
    SDL_Surface* scaleImage(SDL_Surface* source, unsigned short width, unsigned short height,
                            bool mirror = false);

    SDL_Surface* getScreen() const { return screen; }
    SDL_Surface* getScratch() const { return scratch; }
    const Image* findImage(unsigned id) const;
    const Image& getGlyph(Glyph glyph) const { return glyphs[glyph]; }

private:
    void initGlyphs();
    void matchScratchToDisplay();
    SDL_Surface* toDisplayFormat(unsigned char* pixels, unsigned width, unsigned height);
    void blit(SDL_Surface* surface, unsigned short width, unsigned short height, int x, int y);
    unsigned takeNextId();

    std::map<unsigned, Image> images;
    Image glyphs[GlyphCount];
    unsigned nextId;
    SDL_Surface* screen;
    SDL_Surface* scratch;
    SDL_Surface* target;    // the screen, or the canvas being drawn into
    bool discarding;        // between beginCanvas of an id that is no canvas and endCanvas
};
