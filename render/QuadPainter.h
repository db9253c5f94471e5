#pragma once

#include "render/PictureTextures.h"
#include "render/QuadBatch.h"

// Textured quads on their way to OpenGL. Batching, each quad is queued, from the picture's
// atlas copy where that gives the same pixels, and consecutive quads of one texture go out
// together; without, each is one immediate-mode quad from its own texture, which tests and
// benchmarks compare the batched pixels and times against.
class QuadPainter {
public:
    struct Quad {
        float left, top, right, bottom;
    };
    struct Colour {
        float red, green, blue, alpha;
    };

    explicit QuadPainter(bool batching);

    bool isBatching() const { return batching; }
    // What is drawn into now: its multisampling (0: none) and pixels per logical pixel.
    void setTarget(int samples, float pixelScale);

    // Each returns true when it sent OpenGL a draw call.
    bool draw(const PictureTextures::Picture& picture, const Quad& quad, float u0, float v0, float u1, float v1,
              const Colour& colour);
    bool draw(unsigned texture, const Quad& quad, float u0, float v0, float u1, float v1, const Colour& colour);
    // Draws what is queued.
    bool flush() { return batch.flush(); }

private:
    bool atlasHolds(const PictureTextures::Picture& picture, const Quad& quad) const;

    bool batching;
    int samples;
    float pixelScale;
    QuadBatch batch;
};
