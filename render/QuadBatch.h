#pragma once

#include <vector>

// Textured, coloured quads waiting to be drawn, all from one texture. Consecutive quads of
// the same texture go to OpenGL as one vertex array; a quad of another texture first draws
// what is waiting. The quads reach the frame in the order they were added, so blending
// gives the same pixels as drawing each on its own.
class QuadBatch {
public:
    struct Vertex {
        float x, y;
        float u, v;
        float red, green, blue, alpha;
    };

    QuadBatch();

    // Corners in drawing order: top-left, top-right, bottom-right, bottom-left. Returns true
    // when it first drew what was waiting (another texture, or a batch grown to its limit).
    bool add(unsigned texture, float left, float top, float right, float bottom,
             float u0, float v0, float u1, float v1,
             float red, float green, float blue, float alpha);

    // Draws what is waiting; returns true when there was something to draw. Leaves texture
    // 0 bound and the colour white, as a single quad would.
    bool flush();

    bool isEmpty() const { return vertices.empty(); }
    unsigned getTexture() const { return texture; }

private:
    unsigned texture;
    std::vector<Vertex> vertices;
};
