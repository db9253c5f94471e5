// The level file in the editor: any bytes as "level.lev", loaded, drawn in both views,
// edited with one click and saved; the saved file must read back as the map on screen.
#include <SDL/SDL.h>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "game/LevelFile.h"
#include "screens/LevelEditor.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/Keys.h"
#include "tests/support/RecordingDrawer.h"

namespace {

std::string installedLevel;
std::string savedLevel;

void press(LevelEditor& editor, SDLKey sym, SDLMod mod = KMOD_NONE)
{
    editor.keyDown(keyOf(sym, mod));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The installed level lives in the bundle; saves go to the working folder.
    std::string root = fuzz::scratchFolder("editor");
    std::string resources = root + "/Contents/Resources";
    mkdir((root + "/Contents").c_str(), 0755);
    mkdir(resources.c_str(), 0755);
    std::string work = root + "/work";
    mkdir(work.c_str(), 0755);
    setenv("TARNWICK_DATA_DIR", root.c_str(), 1);
    if (chdir(work.c_str()) != 0)
        std::abort();
    installedLevel = resources + "/level.lev";
    savedLevel = work + "/level.lev";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The same bytes in both places, so that the editor meets them whichever it opens.
    fuzz::writeFile(installedLevel, data, size);
    fuzz::writeFile(savedLevel, data, size);
    std::unique_ptr<LevelEditor> editor(new LevelEditor(nullptr));
    RecordingDrawer drawer;
    editor->draw(&drawer);
    editor->mouseDown(SDL_BUTTON_LEFT, 40, 40);
    editor->mouseMove(200, 120);
    editor->mouseUp(SDL_BUTTON_LEFT, 200, 120);
    press(*editor, SDLK_RIGHT);
    press(*editor, SDLK_DOWN);
    press(*editor, SDLK_z);
    drawer.clear();
    editor->draw(&drawer);
    press(*editor, SDLK_s, KMOD_LCTRL);

    static TileMap saved;
    if (LevelFile::read(savedLevel, saved) != LevelFile::Read)
        std::abort();
    for (int row = 0; row < MapHeight; row++)
        for (int column = 0; column < MapWidth; column++)
            if ((saved[row][column] & 0xFF) != (editor->getTile(column, row) & 0xFF))
                std::abort();
    return 0;
}
