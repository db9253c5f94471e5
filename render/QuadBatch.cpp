#include "render/QuadBatch.h"

#include <GL/gl.h>

QuadBatch::QuadBatch() : texture(0)
{
    // A play-field frame is about two thousand quads.
    vertices.reserve(4 * 4096);
}

void QuadBatch::add(unsigned quadTexture, float left, float top, float right, float bottom,
                    float u0, float v0, float u1, float v1,
                    float red, float green, float blue, float alpha)
{
    if (quadTexture != texture)
        flush();
    texture = quadTexture;
    vertices.push_back(Vertex{left, top, u0, v0, red, green, blue, alpha});
    vertices.push_back(Vertex{right, top, u1, v0, red, green, blue, alpha});
    vertices.push_back(Vertex{right, bottom, u1, v1, red, green, blue, alpha});
    vertices.push_back(Vertex{left, bottom, u0, v1, red, green, blue, alpha});
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
