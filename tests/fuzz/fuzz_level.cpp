// The level file: any bytes as "level.lev", played for a few dozen frames with the keys a
// player uses (walk, jump, drop and pick up reflectors) against a drawer that keeps nothing.
#include <SDL/SDL.h>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

#include "game/GamePlay.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/Keys.h"
#include "tests/support/RecordingDrawer.h"

namespace {

std::string levelPath;

struct Step {
    bool down;
    SDLKey key;
    int frames;
};

// The first key only closes the story picture.
const Step script[] = {
    {true, SDLK_SPACE, 1}, {true, SDLK_RIGHT, 12}, {true, SDLK_x, 1}, {true, SDLK_z, 8},
    {false, SDLK_z, 1}, {false, SDLK_RIGHT, 1}, {true, SDLK_LEFT, 10}, {true, SDLK_x, 2},
    {true, SDLK_x, 1}, {false, SDLK_LEFT, 4}, {true, SDLK_ESCAPE, 1},
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string bundle = fuzz::scratchFolder("bundle");
    mkdir((bundle + "/Contents").c_str(), 0755);
    mkdir((bundle + "/Contents/Resources").c_str(), 0755);
    setenv("TARNWICK_DATA_DIR", bundle.c_str(), 1);
    levelPath = bundle + "/Contents/Resources/level.lev";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::writeFile(levelPath, data, size);
    std::unique_ptr<GamePlay> game(new GamePlay(nullptr));
    RecordingDrawer drawer;
    game->draw(&drawer);
    for (const Step& step : script) {
        const SDL_keysym key = keyOf(step.key);
        if (step.down)
            game->keyDown(key);
        else
            game->keyUp(key);
        for (int frame = 0; frame < step.frames; frame++) {
            drawer.clear();
            game->draw(&drawer);
        }
    }
    return 0;
}
