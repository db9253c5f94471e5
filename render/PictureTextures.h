#pragma once

#include <memory>

#include "render/Drawer.h"
#include "render/TextureAtlas.h"

// The pictures and glyphs as OpenGL textures: padded to power-of-two sides, uploaded, and
// (when batching) copied into an atlas page too, so that quads of many small pictures can
// sample one texture.
class PictureTextures {
public:
    struct Picture {
        unsigned texture;
        unsigned short width;
        unsigned short height;
        float extentU;   // the part of the texture the picture covers
        float extentV;
        bool inAtlas;
        TextureAtlas::Entry atlasEntry;
    };

    PictureTextures();
    ~PictureTextures();

    PictureTextures(const PictureTextures&) = delete;
    PictureTextures& operator=(const PictureTextures&) = delete;

    // In a new OpenGL context: white placeholder glyphs, and an atlas when batching, with
    // pages no larger than the driver's largest texture.
    void open(bool batching, int maxTextureSize);

    // Whether the driver holds a texture for a picture of that size (padded); says so when not.
    bool holds(unsigned width, unsigned height) const;

    // The picture of width x height RGBA pixels (the buffer is taken over); uploaded only
    // when there is a context to upload to.
    Picture load(unsigned char* pixels, unsigned width, unsigned height, bool upload);
    void release(Picture& picture);

    // Replaces a glyph's picture with size x size pixels (taken over).
    void loadGlyph(Drawer::Glyph glyph, unsigned char* pixels, unsigned size);
    const Picture& getGlyph(Drawer::Glyph glyph) const { return glyphs[glyph]; }

    // Sizes: n is a power of two when the smallest power of two not below n is n (so 0 is
    // not); powerOfTwo(0) and powerOfTwo(1) are 1, and past 2^31 it is 0 (none in 32 bits).
    static bool isPowerOfTwo(unsigned n);
    static unsigned powerOfTwo(unsigned n);

    // A paddedWidth x paddedHeight copy of width x height RGBA pixels (new[]). Each row is
    // continued with the alpha of its last pixel in all four channels, and the last row is
    // repeated below.
    static unsigned char* padImage(const unsigned char* pixels, unsigned width, unsigned height,
                                   unsigned paddedWidth, unsigned paddedHeight);

    // A new RGBA texture with linear filters (texels may be null: contents undefined).
    static unsigned uploadTexture(const unsigned char* texels, unsigned width, unsigned height, bool clampToEdge);

private:
    void attachToAtlas(Picture& picture, const unsigned char* texels, unsigned texWidth, unsigned texHeight,
                       bool wrap);
    void detachFromAtlas(Picture& picture);

    Picture glyphs[Drawer::GlyphCount];
    std::unique_ptr<TextureAtlas> atlas;
    unsigned maxTextureSide;
};
