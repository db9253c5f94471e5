#include "render/QuadBatch.h"

#include <GL/gl.h>
#include <cstddef>

// The software rasteriser records a draw's commands for each 64 x 64 tile before it
// rasterises them, in blocks of a few tens of megabytes that it keeps for reuse until the
// context ends, one set for every frame it holds queued. A batch of hundreds of thousands
// of small quads (the overview of the whole map is one) filled several of them, and when
// its threads fell behind on a busy machine it queued more: resident memory rose by tens of
// megabytes at a time over an evening of screen changes and never came down. Drawn in
// pieces, each waited for, the commands recorded at once stay a few megabytes. A
// play-field frame never reaches this many quads of one texture.
static const size_t MaxQuadsInFlight = 16384;

QuadBatch::QuadBatch() : texture(0)
{
    // A play-field frame is about two thousand quads.
    vertices.reserve(4 * 4096);
}

bool QuadBatch::add(unsigned quadTexture, float left, float top, float right, float bottom,
                    float u0, float v0, float u1, float v1,
                    float red, float green, float blue, float alpha)
{
    bool drew = false;
    if (quadTexture != texture) {
        drew = flush();
    } else if (vertices.size() >= 4 * MaxQuadsInFlight) {
        drew = flush();
        glFinish();
    }
    texture = quadTexture;
    vertices.push_back(Vertex{left, top, u0, v0, red, green, blue, alpha});
    vertices.push_back(Vertex{right, top, u1, v0, red, green, blue, alpha});
    vertices.push_back(Vertex{right, bottom, u1, v1, red, green, blue, alpha});
    vertices.push_back(Vertex{left, bottom, u0, v1, red, green, blue, alpha});
    return drew;
}

bool QuadBatch::flush()
{
    if (vertices.empty())
        return false;
    const GLsizei stride = sizeof(Vertex);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, stride, &vertices[0].x);
    glTexCoordPointer(2, GL_FLOAT, stride, &vertices[0].u);
    glColorPointer(4, GL_FLOAT, stride, &vertices[0].red);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(vertices.size()));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindTexture(GL_TEXTURE_2D, 0);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    vertices.clear();
    return true;
}
