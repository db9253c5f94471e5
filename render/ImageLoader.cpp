#include "render/ImageLoader.h"

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <cstdio>
#include <cstring>

#include "render/Drawer.h"

// SDL_image gives back PNG pixels in file order (red, green, blue[, alpha]) in rows that
// may be padded to the surface's pitch; the drawers want packed RGBA rows.
static void copyRows(const SDL_Surface* surface, unsigned char* out)
{
    const unsigned char* in = static_cast<const unsigned char*>(surface->pixels);
    size_t rowBytes = static_cast<size_t>(surface->w) * 4;
    for (size_t row = 0; row < static_cast<size_t>(surface->h); ++row)
        memcpy(out + row * rowBytes, in + row * surface->pitch, rowBytes);
}

static void expandRows(const SDL_Surface* surface, unsigned char* out)
{
    const unsigned char* in = static_cast<const unsigned char*>(surface->pixels);
    for (int row = 0; row < surface->h; ++row) {
        const unsigned char* src = in + static_cast<size_t>(row) * surface->pitch;
        for (int col = 0; col < surface->w; ++col) {
            *out++ = src[0];
            *out++ = src[1];
            *out++ = src[2];
            *out++ = 255;
            src += 3;
        }
    }
}

// The size a PNG's header gives, read before anything is decoded: a picture too large
// for any texture is refused before SDL_image asks for gigabytes. False when the bytes
// do not start like a PNG (SDL_image then says what it makes of them).
static bool headerSize(const char* data, unsigned length, unsigned& width, unsigned& height)
{
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (length < 24 || memcmp(data, signature, sizeof signature) != 0 || memcmp(data + 12, "IHDR", 4) != 0)
        return false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    width = (unsigned(bytes[16]) << 24) | (unsigned(bytes[17]) << 16) | (unsigned(bytes[18]) << 8) | bytes[19];
    height = (unsigned(bytes[20]) << 24) | (unsigned(bytes[21]) << 16) | (unsigned(bytes[22]) << 8) | bytes[23];
    return true;
}

static bool tooLarge(unsigned width, unsigned height)
{
    if (width <= Drawer::MaxImageSide && height <= Drawer::MaxImageSide)
        return false;
    printf("ImageLoader: Image %u x %u is larger than a texture can hold, not loaded.\n", width, height);
    fflush(stdout);
    return true;
}

ImageLoader::PixelData ImageLoader::loadImage(const char* data, unsigned length)
{
    PixelData result = {nullptr, 0, 0};
    if (!data || length == 0)
        return result;
    unsigned width;
    unsigned height;
    if (headerSize(data, length, width, height) && tooLarge(width, height))
        return result;

    SDL_Surface* surface = IMG_Load_RW(SDL_RWFromConstMem(data, length), 1);
    if (!surface)
        return result;

    SDL_LockSurface(surface);
    int bytesPerPixel = surface->format->BytesPerPixel;
    if (surface->w <= 0 || surface->h <= 0 || tooLarge(surface->w, surface->h)) {
        // Nothing to hand on: an empty picture, or (a header that lied) a giant one.
    } else if (bytesPerPixel == 4 || bytesPerPixel == 3) {
        result.pixels = new unsigned char[static_cast<size_t>(surface->w) * surface->h * 4];
        if (bytesPerPixel == 4) {
            copyRows(surface, result.pixels);
        } else {
            printf("ImageLoader: Image 24bit.  Assuming 24bit RGB format.\n");
            fflush(stdout);
            expandRows(surface, result.pixels);
        }
        result.width = surface->w;
        result.height = surface->h;
    } else {
        printf("ImageLoader: Image not 32bits.\n");
        fflush(stdout);
    }
    SDL_UnlockSurface(surface);
    SDL_FreeSurface(surface);
    return result;
}
