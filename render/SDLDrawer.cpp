#include "render/SDLDrawer.h"

#include <cmath>
#include <cstring>

// Pixel buffers are red, green, blue, alpha bytes; on a little-endian machine that is red
// in the lowest byte of each 32-bit pixel.
static const Uint32 RedMask = 0x000000FF;
static const Uint32 GreenMask = 0x0000FF00;
static const Uint32 BlueMask = 0x00FF0000;
static const Uint32 AlphaMask = 0xFF000000;

SDLDrawer::SDLDrawer() : nextId(1), screen(nullptr), scratch(nullptr), target(nullptr), discarding(false)
{
    initGlyphs();
    scratch = SDL_CreateRGBSurface(SDL_SWSURFACE, ScratchSize, ScratchSize, 32, RedMask, GreenMask, BlueMask,
                                   AlphaMask);
}

SDLDrawer::~SDLDrawer()
{
    for (std::map<unsigned, Image>::iterator it = images.begin(); it != images.end(); ++it) {
        SDL_FreeSurface(it->second.surface);
        delete[] it->second.pixels;
    }
    for (Image& glyph : glyphs) {
        SDL_FreeSurface(glyph.surface);
        delete[] glyph.pixels;
    }
    SDL_FreeSurface(scratch);
}

void SDLDrawer::initGlyphs()
{
    for (Image& glyph : glyphs) {
        glyph.surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 32, 32, 32, RedMask, GreenMask, BlueMask, AlphaMask);
        if (glyph.surface)
            SDL_FillRect(glyph.surface, nullptr, 0);
        glyph.pixels = nullptr;
        glyph.width = 32;
        glyph.height = 32;
    }
}

bool SDLDrawer::initialise(unsigned short, unsigned short, bool fullscreen, int)
{
    // The software drawer has no letterbox: it always opens the logical screen's size, in
    // the display's own depth, except that a palette display (SDL's dummy driver reports
    // 8 bits) could not show the pictures' colours: it gets 32 bits instead.
    // The mode that was set is asked for rather than SDL_GetVideoInfo's format, which
    // still points at freed memory after a failed OpenGL mode (the fallback path).
    Uint32 flags = fullscreen ? SDL_FULLSCREEN : SDL_SWSURFACE;
    SDL_Surface* opened = SDL_SetVideoMode(ScreenWidth, ScreenHeight, 0, flags);
    if (opened && opened->format->BitsPerPixel <= 8)
        opened = SDL_SetVideoMode(ScreenWidth, ScreenHeight, 32, flags);
    if (!opened)
        return false;
    screen = SDL_GetVideoSurface();
    target = screen;
    matchScratchToDisplay();
    return screen != nullptr;
}

// The scaler copies raw pixels from image surfaces, which are in the display's format with
// alpha, so the scratch surface must read them in that same format. X displays and the
// dummy driver put red in the third byte, not the first.
void SDLDrawer::matchScratchToDisplay()
{
    SDL_Surface* probe = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 32, RedMask, GreenMask, BlueMask, AlphaMask);
    if (!probe)
        return;
    SDL_Surface* converted = SDL_DisplayFormatAlpha(probe);
    SDL_FreeSurface(probe);
    if (!converted)
        return;
    const SDL_PixelFormat* format = converted->format;
    if (format->BitsPerPixel == 32 && scratch &&
        (format->Rmask != scratch->format->Rmask || format->Gmask != scratch->format->Gmask ||
         format->Bmask != scratch->format->Bmask || format->Amask != scratch->format->Amask)) {
        SDL_Surface* matched = SDL_CreateRGBSurface(SDL_SWSURFACE, ScratchSize, ScratchSize, 32, format->Rmask,
                                                    format->Gmask, format->Bmask, format->Amask);
        if (matched) {
            SDL_FreeSurface(scratch);
            scratch = matched;
        }
    }
    SDL_FreeSurface(converted);
}

SDL_Surface* SDLDrawer::toDisplayFormat(unsigned char* pixels, unsigned width, unsigned height)
{
    SDL_Surface* wrapped = SDL_CreateRGBSurfaceFrom(pixels, width, height, 32, width * 4, RedMask, GreenMask,
                                                    BlueMask, AlphaMask);
    if (!wrapped)
        return nullptr;
    SDL_Surface* converted = SDL_DisplayFormatAlpha(wrapped);
    SDL_FreeSurface(wrapped);
    return converted;
}

unsigned SDLDrawer::takeNextId()
{
    while (images.count(nextId))
        ++nextId;
    return nextId;
}

unsigned SDLDrawer::loadImage(unsigned char* pixels, unsigned width, unsigned height)
{
    if (!pixels)
        return 0;
    if (!acceptsSize("SDLDrawer: ", width, height)) {
        delete[] pixels;
        return 0;
    }
    Image image;
    image.surface = toDisplayFormat(pixels, width, height);
    image.pixels = pixels;
    image.width = static_cast<unsigned short>(width);
    image.height = static_cast<unsigned short>(height);
    unsigned id = takeNextId();
    images[id] = image;
    return id;
}

void SDLDrawer::loadGlyph(Glyph glyph, unsigned char* pixels, unsigned size)
{
    if (!pixels)
        return;
    if (glyph < 0 || glyph >= GlyphCount || !acceptsSize("SDLDrawer: ", size, size)) {
        delete[] pixels;
        return;
    }
    Image& image = glyphs[glyph];
    SDL_FreeSurface(image.surface);
    delete[] image.pixels;
    image.surface = toDisplayFormat(pixels, size, size);
    image.pixels = pixels;
    image.width = static_cast<unsigned short>(size);
    image.height = static_cast<unsigned short>(size);
}

void SDLDrawer::releaseImage(unsigned id)
{
    std::map<unsigned, Image>::iterator it = images.find(id);
    if (it == images.end())
        return;
    if (it->second.surface == target)
        target = nullptr;
    SDL_FreeSurface(it->second.surface);
    delete[] it->second.pixels;
    images.erase(it);
}

const SDLDrawer::Image* SDLDrawer::findImage(unsigned id) const
{
    std::map<unsigned, Image>::const_iterator it = images.find(id);
    return it == images.end() ? nullptr : &it->second;
}

// Each frame paints over the last one whole, so there is nothing to clear.
void SDLDrawer::beginDrawing() {}

void SDLDrawer::endDrawing()
{
    if (screen)
        SDL_Flip(screen);
}

SDL_Surface* SDLDrawer::scaleImage(SDL_Surface* source, unsigned short width, unsigned short height, bool mirror)
{
    if (!source || !scratch)
        return nullptr;
    if (!mirror && source->w == width && source->h == height)
        return source;
    if (width > ScratchSize || height > ScratchSize)
        return nullptr;

    double stepX = static_cast<double>(source->w) / width;
    double stepY = static_cast<double>(source->h) / height;
    SDL_LockSurface(scratch);
    SDL_LockSurface(source);
    const Uint32* in = static_cast<const Uint32*>(source->pixels);
    Uint32* out = static_cast<Uint32*>(scratch->pixels);
    int inStride = source->pitch / 4;
    int outStride = scratch->pitch / 4;
    // The sums, not products, decide the source pixels, so a 64-pixel glyph drawn at 36
    // takes columns 0, 1, 3, 5, 7, 8, ...; the output is bounded by the requested size so
    // that rounding in the sums never writes a row or column too many.
    double sy = 0.0;
    for (int r = 0; sy < source->h && r < height; ++r, sy += stepY) {
        const Uint32* sourceRow = in + static_cast<int>(sy) * inStride;
        Uint32* outRow = out + r * outStride;
        double sx = 0.0;
        for (int c = 0; sx < source->w && c < width; ++c, sx += stepX) {
            int column = mirror ? width - 1 - c : c;
            outRow[column] = sourceRow[static_cast<int>(sx)];
        }
    }
    SDL_UnlockSurface(source);
    SDL_UnlockSurface(scratch);
    return scratch;
}

void SDLDrawer::blit(SDL_Surface* surface, unsigned short width, unsigned short height, int x, int y)
{
    SDL_Rect from = {0, 0, width, height};
    SDL_Rect to = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(surface, &from, target, &to);
}

void SDLDrawer::drawImage(unsigned id, short x, short y, float scaleX, float scaleY, float, float, float, float)
{
    if (!target || discarding)
        return;
    std::map<unsigned, Image>::const_iterator it = images.find(id);
    if (it == images.end() || !it->second.surface)
        return;
    const Image& image = it->second;
    // Whole pixels, truncated; the picture keeps its top-left corner at (x, y), mirrored
    // in place for a negative horizontal scale. A vertical flip is not drawn.
    bool mirror = scaleX < 0.0f;
    double width = image.width * std::fabs(static_cast<double>(scaleX));
    double height = image.height * static_cast<double>(scaleY);
    if (!(width >= 1.0 && height >= 1.0 && width < 65536.0 && height < 65536.0))
        return;
    unsigned short scaledWidth = static_cast<unsigned short>(width);
    unsigned short scaledHeight = static_cast<unsigned short>(height);
    SDL_Surface* scaled = scaleImage(image.surface, scaledWidth, scaledHeight, mirror);
    if (scaled)
        blit(scaled, scaledWidth, scaledHeight, x, y);
}

void SDLDrawer::drawText(const std::string& text, short x, short y, float size, float, float, float, float)
{
    if (!target || discarding)
        return;
    int cell = static_cast<int>(size);
    if (cell <= 0 || cell > ScratchSize)
        return;
    float pen = x;
    for (char c : text) {
        Glyph glyph = glyphFor(c);
        if (glyph != GlyphCount) {
            SDL_Surface* scaled = scaleImage(glyphs[glyph].surface, cell, cell);
            if (scaled)
                blit(scaled, cell, cell, static_cast<int>(pen), y);
        }
        pen += size;
    }
}

void SDLDrawer::fillRect(short x, short y, short width, short height,
                         unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha)
{
    if (!target || discarding || width <= 0 || height <= 0)
        return;
    // No blending: the colour is written as it is, through the target's own format. A
    // canvas keeps an alpha channel and stays opaque.
    if (target != screen)
        alpha = 255;
    SDL_Rect rect = {x, y, static_cast<Uint16>(width), static_cast<Uint16>(height)};
    SDL_FillRect(target, &rect, SDL_MapRGBA(target->format, red, green, blue, alpha));
}

void SDLDrawer::fillGradient(short x, short y, short width, short height,
                             unsigned char topRed, unsigned char topGreen, unsigned char topBlue,
                             unsigned char topAlpha, unsigned char, unsigned char, unsigned char, unsigned char)
{
    fillRect(x, y, width, height, topRed, topGreen, topBlue, topAlpha);
}

unsigned SDLDrawer::createCanvas()
{
    if (!screen)
        return 0;
    // In the images' own format, so the scaler can copy a canvas's pixels as it copies a
    // picture's; the alpha channel is 255 everywhere and blits into it leave it so.
    SDL_Surface* black = SDL_CreateRGBSurface(SDL_SWSURFACE, ScreenWidth, ScreenHeight, 32, RedMask, GreenMask,
                                              BlueMask, AlphaMask);
    if (!black)
        return 0;
    SDL_FillRect(black, nullptr, AlphaMask);
    SDL_Surface* surface = SDL_DisplayFormatAlpha(black);
    SDL_FreeSurface(black);
    if (!surface)
        return 0;
    Image canvas = {surface, nullptr, static_cast<unsigned short>(ScreenWidth),
                    static_cast<unsigned short>(ScreenHeight)};
    unsigned id = takeNextId();
    images[id] = canvas;
    return id;
}

void SDLDrawer::beginCanvas(unsigned id, short x, short y, short width, short height)
{
    // Canvases are the only images without a pixel buffer of their own.
    std::map<unsigned, Image>::const_iterator it = images.find(id);
    if (it == images.end() || it->second.pixels) {
        discarding = true;
        return;
    }
    target = it->second.surface;
    SDL_Rect clip = {x, y, static_cast<Uint16>(width > 0 ? width : 0), static_cast<Uint16>(height > 0 ? height : 0)};
    SDL_SetClipRect(target, &clip);
}

void SDLDrawer::endCanvas()
{
    discarding = false;
    if (target && target != screen)
        SDL_SetClipRect(target, nullptr);
    target = screen;
}

bool SDLDrawer::readFrame(std::vector<unsigned char>& rgb, int& width, int& height)
{
    if (!screen)
        return false;
    width = screen->w;
    height = screen->h;
    rgb.resize(width * height * 3);
    SDL_LockSurface(screen);
    const SDL_PixelFormat* format = screen->format;
    const Uint8* rows = static_cast<const Uint8*>(screen->pixels);
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            const Uint8* p = rows + row * screen->pitch + col * format->BytesPerPixel;
            Uint32 value = 0;
            memcpy(&value, p, format->BytesPerPixel);
            Uint8* out = &rgb[(row * width + col) * 3];
            SDL_GetRGB(value, const_cast<SDL_PixelFormat*>(format), &out[0], &out[1], &out[2]);
        }
    }
    SDL_UnlockSurface(screen);
    return true;
}
