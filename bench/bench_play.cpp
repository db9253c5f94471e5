// Frame times of real play frames from the shipped level through the OpenGL drawer (the
// DISPLAY given, or an Xvfb server started here, so Mesa's llvmpipe), with the tile passes
// drawn from cached layers and tile by tile, side by side in one run, at 1024 x 768.
//
//   bench_play [FRAMES]
//
// Three places, found in the level itself so that any level works: the start (the
// meadow), the screen with the most cave cells (a full cave), and the screen with the most
// lamps, light boxes and spike balls, with a lit reflector placed there (busy); and the
// editor's window view over the full cave. In each place the robot walks a few cells, so
// the cached frames include the chunks that scroll in. Cached and plain frames alternate,
// so both see the same load on the machine. Figures: median milliseconds per frame
// (beginDrawing, the screen's draw, waiting for OpenGL to finish), and plain / cached.

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "game/GamePlay.h"
#include "render/OpenGLDrawer.h"
#include "screens/LevelEditor.h"
#include "tests/support/StartXvfb.h"

namespace {

const int ViewColumns = 32;
const int ViewRows = 24;

struct Place {
    const char* name;
    int column, row;   // the view's top-left cell
};

// The top-left cell of the screen-sized view (on an 8-cell grid) where count(tile) sums
// highest.
template <typename Count>
Place busiest(const TileMap& map, const char* name, Count count)
{
    Place best{name, 0, 0};
    int bestSum = -1;
    for (int row = 0; row + ViewRows <= MapHeight; row += 8) {
        for (int column = 0; column + ViewColumns <= MapWidth; column += 8) {
            int sum = 0;
            for (int r = row; r < row + ViewRows; ++r)
                for (int c = column; c < column + ViewColumns; ++c)
                    sum += count(map[r][c]);
            if (sum > bestSum) {
                bestSum = sum;
                best.column = column;
                best.row = row;
            }
        }
    }
    return best;
}

// Lights the place up: a reflector beside the first lamp in view that has a free cell.
void placeReflector(GamePlay& game, const Place& place)
{
    const TileMap& map = game.getMap();
    for (int r = place.row; r < place.row + ViewRows; ++r)
        for (int c = place.column + 1; c < place.column + ViewColumns - 1; ++c)
            if (map[r][c] == Lamp && isPassable(map[r][c + 1])) {
                game.addReflector(c + 1, r);
                return;
            }
}

double timeFrame(OpenGLDrawer& drawer, GameState& screen)
{
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    drawer.beginDrawing();
    screen.draw(&drawer);
    drawer.finish();
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    drawer.endDrawing();
    return ms;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void report(const char* what, const std::vector<double>& cached, const std::vector<double>& plain)
{
    double c = median(cached);
    double p = median(plain);
    std::printf("%-28s cached %7.2f ms  tile by tile %7.2f ms  ratio %5.2fx\n", what, c, p, p / c);
}

// The robot at the middle of the place, walking right by a fifth of a cell a frame.
void benchPlay(OpenGLDrawer& drawer, const Place& place, int frames, bool light)
{
    std::unique_ptr<GamePlay> cached(new GamePlay(nullptr));
    std::unique_ptr<GamePlay> plain(new GamePlay(nullptr));
    plain->setTileCache(false);
    std::vector<double> cachedTimes, plainTimes;
    for (GamePlay* game : {cached.get(), plain.get()}) {
        SDL_keysym enter{};
        enter.sym = SDLK_RETURN;
        game->keyDown(enter);   // past the story
        if (light)
            placeReflector(*game, place);
    }
    for (int i = 0; i < frames + 2; ++i) {
        float x = place.column + 16.0f + 0.2f * i;
        float y = place.row + 12.0f;
        for (GamePlay* game : {cached.get(), plain.get()}) {
            game->getPlayer().setPosition(x, y);
            double ms = timeFrame(drawer, *game);
            if (i >= 2)   // the first frames load the pictures
                (game == cached.get() ? cachedTimes : plainTimes).push_back(ms);
        }
    }
    char what[64];
    std::snprintf(what, sizeof what, "play: %s (%d, %d)", place.name, place.column, place.row);
    report(what, cachedTimes, plainTimes);
}

void benchEditor(OpenGLDrawer& drawer, const Place& place, int frames)
{
    std::unique_ptr<LevelEditor> cached(new LevelEditor(nullptr));
    std::unique_ptr<LevelEditor> plain(new LevelEditor(nullptr));
    plain->setTileCache(false);
    for (LevelEditor* editor : {cached.get(), plain.get()}) {
        SDL_keysym key{};
        key.sym = SDLK_RIGHT;
        for (int i = 0; i < place.column; ++i)
            editor->keyDown(key);
        key.sym = SDLK_DOWN;
        for (int i = 0; i < place.row; ++i)
            editor->keyDown(key);
    }
    std::vector<double> cachedTimes, plainTimes;
    for (int i = 0; i < frames + 2; ++i) {
        for (LevelEditor* editor : {cached.get(), plain.get()}) {
            double ms = timeFrame(drawer, *editor);
            if (i >= 2)
                (editor == cached.get() ? cachedTimes : plainTimes).push_back(ms);
        }
    }
    char what[64];
    std::snprintf(what, sizeof what, "editor: %s (%d, %d)", place.name, place.column, place.row);
    report(what, cachedTimes, plainTimes);
}

long residentKilobytes()
{
    long pages = 0, resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The robot carried across the whole map, three cells a frame, with the cache on: the
// layers of the chunks left behind are freed, so the memory stays where it was.
void crossMap(OpenGLDrawer& drawer)
{
    std::unique_ptr<GamePlay> game(new GamePlay(nullptr));
    SDL_keysym enter{};
    enter.sym = SDLK_RETURN;
    game->keyDown(enter);
    long early = 0;
    int frames = 0;
    for (float x = 20.0f; x < MapWidth - 20; x += 3.0f, ++frames) {
        game->getPlayer().setPosition(x, 20.0f + (MapHeight - 40) * x / MapWidth);
        timeFrame(drawer, *game);
        if (frames == 20)
            early = residentKilobytes();
    }
    std::printf("crossing the map (%d frames): resident memory %ld kB after 20 frames, %ld kB at the end\n",
                frames, early, residentKilobytes());
}

} // namespace

int main(int argc, char** argv)
{
    int frames = argc > 1 ? std::atoi(argv[1]) : 60;
    pid_t xvfb = -1;
    if (!std::getenv("DISPLAY")) {
        std::string display;
        xvfb = startXvfb("1024x768x24", display);
        if (xvfb <= 0) {
            std::printf("no DISPLAY and Xvfb did not start\n");
            return 1;
        }
        setenv("DISPLAY", display.c_str(), 1);
    }
    setenv("SDL_VIDEODRIVER", "x11", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::printf("SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    {
        OpenGLDrawer drawer;
        drawer.initialise(1024, 768, false, 0);
        std::unique_ptr<GamePlay> level(new GamePlay(nullptr));
        const TileMap& map = level->getMap();
        int startColumn = std::max(0, static_cast<int>(level->getPlayer().getX()) - 16);
        int startRow = std::max(0, static_cast<int>(level->getPlayer().getY()) - 12);
        Place meadow{"meadow", std::min(startColumn, MapWidth - 40), std::min(startRow, MapHeight - ViewRows)};
        Place cave = busiest(map, "full cave", [](TileType t) { return t == CaveBack ? 1 : 0; });
        Place busy = busiest(map, "busy", [](TileType t) {
            return t == Lamp || t == LightBox || t == SpikeBallStart ? 1 : 0;
        });
        for (Place* p : {&cave, &busy})
            p->column = std::min(p->column, MapWidth - 40);   // room to walk right
        std::printf("OpenGL at 1024 x 768, %d frames each (%s)\n", frames,
                    reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
        benchPlay(drawer, meadow, frames, false);
        benchPlay(drawer, cave, frames, false);
        benchPlay(drawer, busy, frames, true);
        benchEditor(drawer, cave, frames);
        crossMap(drawer);
    }
    SDL_Quit();
    if (xvfb > 0) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
    }
    return 0;
}
