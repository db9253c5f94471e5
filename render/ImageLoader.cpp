#include "render/ImageLoader.h"

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <cstdio>
#include <cstring>

// SDL_image gives back PNG pixels in file order (red, green, blue[, alpha]) in rows that
// may be padded to the surface's pitch; the drawers want packed RGBA rows.
static void copyRows(const SDL_Surface* surface, unsigned char* out)
{
    const unsigned char* in = static_cast<const unsigned char*>(surface->pixels);
    unsigned rowBytes = surface->w * 4;
    for (int row = 0; row < surface->h; ++row)
        memcpy(out + row * rowBytes, in + row * surface->pitch, rowBytes);
}

static void expandRows(const SDL_Surface* surface, unsigned char* out)
{
    const unsigned char* in = static_cast<const unsigned char*>(surface->pixels);
    for (int row = 0; row < surface->h; ++row) {
        const unsigned char* src = in + row * surface->pitch;
        for (int col = 0; col < surface->w; ++col) {
            *out++ = src[0];
            *out++ = src[1];
            *out++ = src[2];
            *out++ = 255;
            src += 3;
        }
    }
}

ImageLoader::PixelData ImageLoader::loadImage(const char* data, unsigned length)
{
    PixelData result = {nullptr, 0, 0};
    if (!data || length == 0)
        return result;

    SDL_Surface* surface = IMG_Load_RW(SDL_RWFromConstMem(data, length), 1);
    if (!surface)
        return result;

    SDL_LockSurface(surface);
    int bytesPerPixel = surface->format->BytesPerPixel;
    if (bytesPerPixel == 4 || bytesPerPixel == 3) {
        result.pixels = new unsigned char[surface->w * surface->h * 4];
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
