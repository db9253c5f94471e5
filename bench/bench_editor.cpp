// Frame times of the level editor on a full map (every cell holds a tile, values mixed),
// through the software drawer (SDL's dummy video driver) and the OpenGL drawer (the
// DISPLAY given, or an Xvfb server started here).
//
//   bench_editor [sdl|opengl|both] [LEVEL]
//
// Both drawers when no argument is given; LEVEL, a level file to use instead of the full
// map (the shipped level, for instance).
//
// Each drawer runs in a child process with SDL of its own. Figures in milliseconds per
// frame (beginDrawing, the editor's draw, endDrawing).

#include <SDL/SDL.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/support/StartXvfb.h"
#include "render/OpenGLDrawer.h"
#include "render/SDLDrawer.h"
#include "screens/LevelEditor.h"

namespace {

// Rock in bands with grass on top, caves of background with lamps, boxes, pipes, crates,
// spikes, lava and spike-ball starts: no Empty cell anywhere.
void writeFullLevel(const std::string& path)
{
    std::mt19937 random(7);
    std::vector<unsigned char> bytes(MapWidth * MapHeight);
    for (int row = 0; row < MapHeight; ++row) {
        for (int column = 0; column < MapWidth; ++column) {
            int band = (row + column / 16) % 40;
            unsigned char cell = band > 24 ? Earth : band == 24 ? Grass : CaveBack;
            if (random() % 6 == 0)
                cell = static_cast<unsigned char>(1 + random() % 10);
            bytes[row * MapWidth + column] = cell;
        }
    }
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

double timeFrame(Drawer* drawer, LevelEditor* editor)
{
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    drawer->beginDrawing();
    if (editor)
        editor->draw(drawer);
    else
        drawer->fillGradient(0, 0, 1024, 768, 0, 0, 0, 255, 47, 65, 101, 255);
    drawer->endDrawing();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Times `frames` frames, calling `before` ahead of each, and prints mean, median and worst.
void report(const char* drawerName, const char* what, int frames, Drawer* drawer, LevelEditor* editor,
            const std::function<void(int)>& before)
{
    std::vector<double> times;
    for (int i = 0; i < frames; ++i) {
        before(i);
        times.push_back(timeFrame(drawer, editor));
    }
    double sum = 0;
    for (double t : times)
        sum += t;
    std::sort(times.begin(), times.end());
    std::printf("%-8s %-44s %5d frames  mean %8.2f ms  median %8.2f ms  worst %8.2f ms\n", drawerName, what,
                frames, sum / frames, times[times.size() / 2], times.back());
    std::fflush(stdout);
}

void runBench(const char* drawerName, Drawer* drawer)
{
    if (!drawer->initialise(1024, 768, false, 0)) {
        std::printf("%s: no video mode\n", drawerName);
        return;
    }
    // The floor under every screen: a frame that only paints the background.
    report(drawerName, "reference: a frame of the background only", 300, drawer, nullptr, [](int) {});

    std::unique_ptr<LevelEditor> editor(new LevelEditor(nullptr));
    editor->mouseMove(500, 400);

    report(drawerName, "window view, first frame (loads pictures)", 1, drawer, editor.get(), [](int) {});
    report(drawerName, "window view, scrolling", 300, drawer, editor.get(), [&](int i) {
        SDL_keysym key = SDL_keysym();
        key.sym = i % 100 < 50 ? SDLK_RIGHT : SDLK_DOWN;
        editor->keyDown(key);
    });

    SDL_keysym z = SDL_keysym();
    z.sym = SDLK_z;
    editor->keyDown(z);
    report(drawerName, "overview, first frame (builds the picture)", 1, drawer, editor.get(), [](int) {});
    report(drawerName, "overview, unchanged", 300, drawer, editor.get(), [](int) {});
    report(drawerName, "overview, dragging (about 1 cell a frame)", 300, drawer, editor.get(), [&](int i) {
        if (i == 0)
            editor->mouseDown(SDL_BUTTON_LEFT, 100, 100);
        editor->mouseMove(100 + (i * 3) % 900, 100 + (i * 7) % 600);
    });
    editor->mouseUp(SDL_BUTTON_LEFT, 0, 0);
    report(drawerName, "overview, 20 clicks a frame", 100, drawer, editor.get(), [&](int i) {
        for (int k = 0; k < 20; ++k)
            editor->mouseDown(1 + k % 3, (i * 37 + k * 101) % 1024, (i * 53 + k * 71) % 768);
    });

    editor->setOverviewCache(false);
    report(drawerName, "overview drawn cell by cell (no picture)", 3, drawer, editor.get(), [](int) {});
}

void benchInChild(bool openGL)
{
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            std::printf("SDL_Init: %s\n", SDL_GetError());
            _exit(1);
        }
        {
            std::unique_ptr<Drawer> drawer(openGL ? static_cast<Drawer*>(new OpenGLDrawer())
                                                  : static_cast<Drawer*>(new SDLDrawer()));
            runBench(openGL ? "opengl" : "sdl", drawer.get());
        }
        SDL_Quit();
        std::fflush(nullptr);
        _exit(0);
    }
    waitpid(child, nullptr, 0);
}

} // namespace

int main(int argc, char** argv)
{
    std::string which = argc > 1 ? argv[1] : "both";
    std::string level = argc > 2 ? argv[2] : "";

    char pattern[] = "/tmp/bench-editor-XXXXXX";
    std::string root = mkdtemp(pattern);
    std::string resources = root + "/Contents/Resources";
    std::string command = "mkdir -p '" + resources + "'";
    if (std::system(command.c_str()) != 0)
        return 1;
    if (level.empty())
        writeFullLevel(resources + "/level.lev");
    else if (std::system(("cp '" + level + "' '" + resources + "/level.lev'").c_str()) != 0)
        return 1;
    setenv("TARNWICK_DATA_DIR", root.c_str(), 1);

    if (which == "both" || which == "sdl") {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        benchInChild(false);
    }
    if (which == "both" || which == "opengl") {
        pid_t xvfb = -1;
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) {
            std::string started;
            xvfb = startXvfb("1024x768x24", started);
            if (xvfb < 0)
                std::printf("opengl: no DISPLAY and Xvfb did not start\n");
            else
                setenv("DISPLAY", started.c_str(), 1);
        }
        setenv("SDL_VIDEODRIVER", "x11", 1);
        if (std::getenv("DISPLAY"))
            benchInChild(true);
        if (xvfb > 0) {
            kill(xvfb, SIGTERM);
            waitpid(xvfb, nullptr, 0);
        }
    }

    command = "rm -rf '" + root + "'";
    return std::system(command.c_str()) == 0 ? 0 : 1;
}
