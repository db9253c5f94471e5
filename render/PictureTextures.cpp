#include "render/PictureTextures.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <cstring>
#include <iostream>

// Atlas pages: one holds the small pictures of a play field several times over (every
// new screen loads its own copies), and a narrow page keeps a tile's rows close together
// for the rasteriser's texture fetches. Once four pages are full, further pictures are
// drawn from their own textures. Pictures over 512 pixels on a side (the 1024 x 768
// screens, drawn alone anyway) never go into a page.
static const unsigned AtlasPageSize = 1024;
static const unsigned AtlasMaxPages = 4;
static const unsigned AtlasMaxEntry = 512;

PictureTextures::PictureTextures() : maxTextureSide(0)
{
    for (Picture& glyph : glyphs)
        glyph = Picture{0, 0, 0, 1.0f, 1.0f, false, TextureAtlas::Entry()};
}

// Textures and atlas pages end with the OpenGL context when the window closes; nothing is
// deleted one by one.
PictureTextures::~PictureTextures() {}

bool PictureTextures::isPowerOfTwo(unsigned n)
{
    return powerOfTwo(n) == n;
}

unsigned PictureTextures::powerOfTwo(unsigned n)
{
    // Past 2^31 there is no larger power of two in 32 bits: the answer would wrap to 0.
    if (n > 0x80000000u)
        return 0;
    unsigned p = 1;
    while (p < n)
        p *= 2;
    return p;
}

unsigned char* PictureTextures::padImage(const unsigned char* pixels, unsigned width, unsigned height,
                                         unsigned paddedWidth, unsigned paddedHeight)
{
    // 16384 x 16384 x 4 bytes is past 32 bits: sizes in size_t.
    size_t rowBytes = static_cast<size_t>(width) * 4;
    size_t paddedRowBytes = static_cast<size_t>(paddedWidth) * 4;
    unsigned char* padded = new unsigned char[paddedRowBytes * paddedHeight]();
    // An empty picture has no edge to repeat: the padding stays transparent black.
    if (width == 0 || height == 0)
        return padded;
    for (size_t row = 0; row < height; ++row) {
        unsigned char* out = padded + row * paddedRowBytes;
        memcpy(out, pixels + row * rowBytes, rowBytes);
        // The last byte of the row is its last pixel's alpha: a transparent edge pads
        // with transparent black, an opaque one with opaque white.
        memset(out + rowBytes, out[rowBytes - 1], paddedRowBytes - rowBytes);
    }
    for (size_t row = height; row < paddedHeight; ++row)
        memcpy(padded + row * paddedRowBytes, padded + (height - 1) * paddedRowBytes, paddedRowBytes);
    return padded;
}

unsigned PictureTextures::uploadTexture(const unsigned char* texels, unsigned width, unsigned height,
                                        bool clampToEdge)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (clampToEdge) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

void PictureTextures::open(bool batching, int maxTextureSize)
{
    maxTextureSide = maxTextureSize > 0 ? static_cast<unsigned>(maxTextureSize) : 0;
    unsigned char white[16 * 16 * 4];
    memset(white, 255, sizeof white);
    for (Picture& glyph : glyphs)
        glyph = Picture{uploadTexture(white, 16, 16, false), 16, 16, 1.0f, 1.0f, false, TextureAtlas::Entry()};

    unsigned pageSize = AtlasPageSize;
    while (pageSize > static_cast<unsigned>(maxTextureSize) && pageSize > 256)
        pageSize /= 2;
    if (batching)
        atlas.reset(new TextureAtlas(pageSize, AtlasMaxPages, AtlasMaxEntry < pageSize / 2 ? AtlasMaxEntry : pageSize / 2));
}

bool PictureTextures::holds(unsigned width, unsigned height) const
{
    if (powerOfTwo(width) <= maxTextureSide && powerOfTwo(height) <= maxTextureSide)
        return true;
    std::cout << "OpenGLDrawer: Image " << width << " x " << height << " is larger than a texture can hold, not loaded."
              << std::endl;
    return false;
}

PictureTextures::Picture PictureTextures::load(unsigned char* pixels, unsigned width, unsigned height, bool upload)
{
    Picture picture{0, static_cast<unsigned short>(width), static_cast<unsigned short>(height), 1.0f, 1.0f, false,
                    TextureAtlas::Entry()};
    unsigned textureWidth = width;
    unsigned textureHeight = height;
    if (!isPowerOfTwo(width) || !isPowerOfTwo(height)) {
        textureWidth = powerOfTwo(width);
        textureHeight = powerOfTwo(height);
        unsigned char* padded = padImage(pixels, width, height, textureWidth, textureHeight);
        delete[] pixels;
        pixels = padded;
        picture.extentU = static_cast<float>(width) / textureWidth;
        picture.extentV = static_cast<float>(height) / textureHeight;
    }
    if (upload) {
        picture.texture = uploadTexture(pixels, textureWidth, textureHeight, true);
        attachToAtlas(picture, pixels, textureWidth, textureHeight, false);
    }
    delete[] pixels;
    return picture;
}

void PictureTextures::release(Picture& picture)
{
    detachFromAtlas(picture);
    glDeleteTextures(1, &picture.texture);
}

void PictureTextures::loadGlyph(Drawer::Glyph glyph, unsigned char* pixels, unsigned size)
{
    Picture& picture = glyphs[glyph];
    detachFromAtlas(picture);
    glDeleteTextures(1, &picture.texture);
    picture.texture = uploadTexture(pixels, size, size, false);
    picture.width = static_cast<unsigned short>(size);
    picture.height = static_cast<unsigned short>(size);
    picture.extentU = 1.0f;
    picture.extentV = 1.0f;
    // Glyph textures repeat, so their atlas border wraps round to the opposite edge.
    attachToAtlas(picture, pixels, size, size, true);
    delete[] pixels;
}

void PictureTextures::attachToAtlas(Picture& picture, const unsigned char* texels, unsigned texWidth,
                                    unsigned texHeight, bool wrap)
{
    picture.inAtlas = false;
    if (!atlas)
        return;
    picture.inAtlas = atlas->add(texels, texWidth, texHeight, picture.width, picture.height, wrap, picture.atlasEntry);
}

void PictureTextures::detachFromAtlas(Picture& picture)
{
    if (picture.inAtlas && atlas)
        atlas->remove(picture.atlasEntry);
    picture.inAtlas = false;
}
