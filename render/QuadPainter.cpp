#include "render/QuadPainter.h"

#include <GL/gl.h>
#include <cmath>

QuadPainter::QuadPainter(bool batching) : batching(batching), samples(0), pixelScale(1.0f) {}

void QuadPainter::setTarget(int targetSamples, float targetPixelScale)
{
    samples = targetSamples;
    pixelScale = targetPixelScale;
}

// Multisampling colours a pixel that the quad covers only in part with the texture fetched
// at the pixel's centre, which lies outside the quad: up to half a pixel beyond the image's
// edge, where its own texture clamps. The atlas copy has one texel of border there, enough
// while a pixel spans at most one texel; a picture drawn smaller than that is sampled from
// its own texture, or it would take in its neighbour on the page.
bool QuadPainter::atlasHolds(const PictureTextures::Picture& picture, const Quad& quad) const
{
    if (!picture.inAtlas)
        return false;
    if (samples == 0)
        return true;
    float width = std::fabs(quad.right - quad.left) * pixelScale;
    float height = std::fabs(quad.bottom - quad.top) * pixelScale;
    return picture.width <= width && picture.height <= height;
}

bool QuadPainter::draw(const PictureTextures::Picture& picture, const Quad& quad, float u0, float v0, float u1,
                       float v1, const Colour& colour)
{
    if (batching && atlasHolds(picture, quad)) {
        const TextureAtlas::Entry& entry = picture.atlasEntry;
        return draw(entry.texture, quad, entry.u0, entry.v0, entry.u1, entry.v1, colour);
    }
    return draw(picture.texture, quad, u0, v0, u1, v1, colour);
}

bool QuadPainter::draw(unsigned texture, const Quad& quad, float u0, float v0, float u1, float v1,
                       const Colour& colour)
{
    if (batching) {
        return batch.add(texture, quad.left, quad.top, quad.right, quad.bottom, u0, v0, u1, v1, colour.red,
                         colour.green, colour.blue, colour.alpha);
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4f(colour.red, colour.green, colour.blue, colour.alpha);
    glBegin(GL_QUADS);
    glTexCoord2f(u0, v0);
    glVertex2f(quad.left, quad.top);
    glTexCoord2f(u1, v0);
    glVertex2f(quad.right, quad.top);
    glTexCoord2f(u1, v1);
    glVertex2f(quad.right, quad.bottom);
    glTexCoord2f(u0, v1);
    glVertex2f(quad.left, quad.bottom);
    glEnd();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, 0);
    return true;
}
