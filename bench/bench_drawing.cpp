// What batching buys the OpenGL drawer on Mesa's software rasteriser (llvmpipe), and what
// the title screen costs in each drawer.
//
//   bench_drawing [frames]
//
// Runs on the DISPLAY given, or on an Xvfb server started here (1024 x 768 x 24). Figures
// in milliseconds per frame, the median and the best of the frames timed:
//   - 2,000 blended 64 x 64 tiles over a dozen images through the OpenGLDrawer, batched
//     (vertex arrays from the atlas) and unbatched (one immediate-mode quad and texture
//     bind per call), timed from beginDrawing until the drawing is finished (no swap);
//   - in the same window, frame for frame in turn with the drawer's, the same quads as
//     one prebuilt vertex array with one texture: the floor batching is measured against;
//   - one frame of the title screen (beginDrawing, draw, endDrawing) through the batched
//     and unbatched OpenGL drawers and through the software drawer on the same display.

#include <SDL/SDL.h>
#include <GL/gl.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/support/StartXvfb.h"
#include "render/OpenGLDrawer.h"
#include "render/QuadBatch.h"
#include "render/SDLDrawer.h"
#include "screens/TitleScreen.h"

namespace {

const int Tiles = 2000;
const int Images = 12;
int framesToTime = 40;

typedef std::chrono::steady_clock Clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Timing {
    std::vector<double> times;

    double median() const
    {
        std::vector<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? -1 : sorted[sorted.size() / 2];
    }
    double best() const { return times.empty() ? -1 : *std::min_element(times.begin(), times.end()); }
};

double timeOnce(const std::function<void()>& frame)
{
    Clock::time_point start = Clock::now();
    frame();
    return millisecondsSince(start);
}

// Frames of the two kinds alternate, so a busy machine slows both alike. A few untimed
// frames come first: llvmpipe compiles its shaders on first use.
void timeAlternately(const std::function<void()>& a, const std::function<void()>& b, Timing& timingA,
                     Timing& timingB)
{
    for (int i = 0; i < 5; ++i) {
        a();
        b();
    }
    for (int i = 0; i < framesToTime; ++i) {
        timingA.times.push_back(timeOnce(a));
        timingB.times.push_back(timeOnce(b));
    }
}

Timing timeFrames(const std::function<void()>& frame)
{
    for (int i = 0; i < 5; ++i)
        frame();
    Timing timing;
    for (int i = 0; i < framesToTime; ++i)
        timing.times.push_back(timeOnce(frame));
    return timing;
}

int xvfb = 0;
std::string renderer = "unknown";

bool useDisplay()
{
    if (getenv("DISPLAY"))
        return true;
    std::string display;
    xvfb = startXvfb("1024x768x24", display);
    if (xvfb < 0)
        return false;
    setenv("DISPLAY", display.c_str(), 1);
    return true;
}

bool startVideo()
{
    setenv("SDL_VIDEODRIVER", "x11", 1);
    // A busy X server may turn the first connection away.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (SDL_Init(SDL_INIT_VIDEO) == 0)
            return true;
        usleep(100 * 1000);
    }
    printf("bench_drawing: SDL: %s\n", SDL_GetError());
    return false;
}

unsigned char* tilePixels(unsigned seed)
{
    // Opaque ground with a see-through band, as the tiles have at their edges.
    unsigned char* pixels = new unsigned char[64 * 64 * 4];
    unsigned state = seed * 2654435761u;
    for (int i = 0; i < 64 * 64; ++i) {
        state = state * 1103515245u + 12345u;
        pixels[i * 4 + 0] = static_cast<unsigned char>(state >> 8);
        pixels[i * 4 + 1] = static_cast<unsigned char>(state >> 16);
        pixels[i * 4 + 2] = static_cast<unsigned char>(state >> 24);
        pixels[i * 4 + 3] = (i / 64) < 12 ? 96 : 255;
    }
    return pixels;
}

int tileX(int i) { return (i % 50) * 21 - 16; }
int tileY(int i) { return (i / 50) * 20 - 16; }

// The same quads as the drawer's, built once, drawn with one call from one texture.
class PrebuiltArray {
public:
    PrebuiltArray()
    {
        unsigned char* pixels = tilePixels(1);
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glBindTexture(GL_TEXTURE_2D, 0);
        delete[] pixels;
        for (int i = 0; i < Tiles; ++i) {
            float l = tileX(i), t = tileY(i), r = l + 64, b = t + 64;
            vertices.push_back(QuadBatch::Vertex{l, t, 0, 0, 1, 1, 1, 1});
            vertices.push_back(QuadBatch::Vertex{r, t, 1, 0, 1, 1, 1, 1});
            vertices.push_back(QuadBatch::Vertex{r, b, 1, 1, 1, 1, 1, 1});
            vertices.push_back(QuadBatch::Vertex{l, b, 0, 1, 1, 1, 1, 1});
        }
    }

    void draw(OpenGLDrawer& drawer)
    {
        const GLsizei stride = sizeof(QuadBatch::Vertex);
        drawer.beginDrawing();
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
        glColor4f(1, 1, 1, 1);
        glFinish();
    }

private:
    GLuint texture = 0;
    std::vector<QuadBatch::Vertex> vertices;
};

struct TileFigures {
    Timing drawer;
    Timing prebuilt;
    unsigned drawCalls = 0;
};

// The drawer's frame of tiles, from beginDrawing to the drawing finished (no swap),
// alternating with the prebuilt array in the same window.
TileFigures tiles(bool batching)
{
    TileFigures figures;
    OpenGLDrawer drawer(batching);
    if (!drawer.initialise(1024, 768, false, 0))
        return figures;
    renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::vector<unsigned> ids;
    for (int i = 0; i < Images; ++i)
        ids.push_back(drawer.loadImage(tilePixels(i + 1), 64, 64));
    PrebuiltArray prebuilt;
    timeAlternately(
        [&]() {
            drawer.beginDrawing();
            for (int i = 0; i < Tiles; ++i)
                drawer.drawImage(ids[(i * 7) % Images], tileX(i), tileY(i), 1, 1, 1, 1, 1, 1);
            drawer.finish();
            figures.drawCalls = drawer.getDrawCalls();
        },
        [&]() { prebuilt.draw(drawer); }, figures.drawer, figures.prebuilt);
    return figures;
}

Timing titleFrames(Drawer& drawer)
{
    TitleScreen title(nullptr);
    return timeFrames([&]() {
        drawer.beginDrawing();
        title.draw(&drawer);
        drawer.endDrawing();
    });
}

Timing openGLTitle(bool batching)
{
    OpenGLDrawer drawer(batching);
    if (!drawer.initialise(1024, 768, false, 0))
        return Timing();
    return titleFrames(drawer);
}

Timing softwareTitle()
{
    SDLDrawer drawer;
    if (!drawer.initialise(1024, 768, false, 0))
        return Timing();
    return titleFrames(drawer);
}

// Each measurement gets SDL and a window of its own.
template <typename Result> Result measure(const std::function<Result()>& run)
{
    if (!startVideo())
        return Result();
    Result result = run();
    SDL_Quit();
    return result;
}

void printRow(const char* what, const Timing& t)
{
    printf("  %-34s %8.2f %8.2f\n", what, t.median(), t.best());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        framesToTime = std::max(1, atoi(argv[1]));
    if (!useDisplay()) {
        printf("bench_drawing: no display and no Xvfb\n");
        return 1;
    }
    TileFigures batched = measure<TileFigures>([]() { return tiles(true); });
    TileFigures unbatched = measure<TileFigures>([]() { return tiles(false); });
    Timing titleBatched = measure<Timing>([]() { return openGLTitle(true); });
    Timing titleUnbatched = measure<Timing>([]() { return openGLTitle(false); });
    Timing titleSoftware = measure<Timing>(softwareTitle);

    printf("\nOpenGL renderer: %s; %d frames timed\n", renderer.c_str(), framesToTime);
    printf("  milliseconds per frame               median     best\n");
    printf("%d tiles of 64 x 64 over %d images, drawing only (no swap)\n", Tiles, Images);
    printRow("batched drawer", batched.drawer);
    printRow("  one prebuilt array, same window", batched.prebuilt);
    printRow("unbatched drawer", unbatched.drawer);
    printRow("  one prebuilt array, same window", unbatched.prebuilt);
    printf("  batched / prebuilt: %.3f (median), %.3f (best); %u draw call(s) a frame\n",
           batched.drawer.median() / batched.prebuilt.median(), batched.drawer.best() / batched.prebuilt.best(),
           batched.drawCalls);
    printf("  unbatched / prebuilt: %.3f (median), %.3f (best); %u draw calls a frame\n",
           unbatched.drawer.median() / unbatched.prebuilt.median(),
           unbatched.drawer.best() / unbatched.prebuilt.best(), unbatched.drawCalls);
    printf("Title screen frame (beginDrawing, draw, endDrawing)\n");
    printRow("OpenGL, batched", titleBatched);
    printRow("OpenGL, unbatched", titleUnbatched);
    printRow("software drawer", titleSoftware);

    if (xvfb) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
    }
    return 0;
}
