// Cached pictures against drawing every cell, through the real drawers: the editor's
// overview and window view and the play field's tile passes, under the software drawer
// (SDL's dummy video driver) and the OpenGL drawer in windows on an Xvfb server that the
// test starts itself. Each comparison runs in a child process of its own,
// so that SDL is set up and torn down there and not in the other tests.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <random>
#include <functional>
#include <sys/wait.h>

#include "game/GamePlay.h"

#include "tests/support/StartXvfb.h"
#include "render/OpenGLDrawer.h"
#include "render/SDLDrawer.h"
#include "tests/screens/LevelEditorTestSupport.h"

namespace {

// A level with the look of a cave: bands of rock with grass on top, cave pockets with
// lamps and light boxes, and noise of every value (those the overview does not show too).
std::vector<unsigned char> caveLevel()
{
    std::mt19937 random(2024);
    std::vector<unsigned char> bytes(MapWidth * MapHeight, Empty);
    for (int row = 0; row < MapHeight; ++row) {
        for (int column = 0; column < MapWidth; ++column) {
            unsigned char& cell = bytes[row * MapWidth + column];
            int band = (row + column / 16) % 48;
            if (band > 30)
                cell = Earth;
            else if (band == 30)
                cell = Grass;
            else if (band > 18)
                cell = CaveBack;
            if (random() % 9 == 0)
                cell = static_cast<unsigned char>(random() % 12);
        }
    }
    return bytes;
}

struct Frame {
    std::vector<unsigned char> rgb;
    int width = 0;
    int height = 0;
};

Frame drawFrame(Drawer* drawer, GameState* screen)
{
    Frame frame;
    drawer->beginDrawing();
    screen->draw(drawer);
    drawer->endDrawing();
    if (!drawer->readFrame(frame.rgb, frame.width, frame.height))
        frame.rgb.clear();
    return frame;
}

// Empty when the two frames are equal within the tolerance (levels a channel), else where
// and how they differ.
std::string difference(const Frame& cached, const Frame& plain, int tolerance = 2)
{
    if (cached.rgb.empty() || plain.rgb.empty())
        return "the drawer could not read its frame back";
    if (cached.width != plain.width || cached.height != plain.height)
        return "frames differ in size";
    int differing = 0;
    int first = -1;
    for (size_t i = 0; i < cached.rgb.size(); i += 3) {
        for (int c = 0; c < 3; ++c) {
            if (std::abs(cached.rgb[i + c] - plain.rgb[i + c]) > tolerance) {
                if (first < 0)
                    first = static_cast<int>(i / 3);
                ++differing;
                break;
            }
        }
    }
    if (differing == 0)
        return "";
    char text[200];
    const unsigned char* a = &cached.rgb[first * 3];
    const unsigned char* b = &plain.rgb[first * 3];
    std::snprintf(text, sizeof(text), "%d pixels differ; first at (%d, %d): cached %d,%d,%d plain %d,%d,%d",
                  differing, first % cached.width, first / cached.width, a[0], a[1], a[2], b[0], b[1], b[2]);
    return text;
}

// Whether the overview is more than the background: a sign that the pictures were drawn.
bool showsTiles(const Frame& frame)
{
    int bright = 0;
    for (size_t i = 0; i < frame.rgb.size(); i += 3)
        if (frame.rgb[i] > 50 || frame.rgb[i + 1] > 70 || frame.rgb[i + 2] > 105)
            ++bright;
    return bright > 10000;
}

// The same edits on both editors: clicks and drags in the overview, then in the window view.
void edit(LevelEditor* editor, int round)
{
    std::mt19937 random(static_cast<unsigned>(round));
    for (int i = 0; i < 25; ++i) {
        int x = static_cast<int>(random() % 1024);
        int y = static_cast<int>(random() % 768);
        int button = static_cast<int>(random() % 3) + 1;
        editor->mouseDown(button, x, y);
        editor->mouseMove(std::min(1023, x + 40), y);
        editor->mouseMove(std::min(1023, x + 40), std::min(767, y + 40));
        editor->mouseUp(button, x, y);
        if (i % 5 == 0)
            editor->keyDown(keyOf(SDLK_RIGHT));
    }
    editor->mouseMove(500, 400);
}

// The cave level installed in the folder, and the drawer's window opened.
bool openOverCaveLevel(EditorFolder& folder, Drawer* drawer, int width, int height, int antialias)
{
    EditorFolder::writeFile(folder.installedLevel(), caveLevel());
    return drawer->initialise(width, height, false, antialias);
}

// Draws the two overviews after each of several rounds of edits; empty when every pair of
// frames is equal, else what differed.
std::string compareOverviews(Drawer* drawer, int width, int height, int antialias)
{
    EditorFolder folder;
    if (!openOverCaveLevel(folder, drawer, width, height, antialias))
        return "no video mode";

    std::unique_ptr<LevelEditor> cached = makeEditor();
    std::unique_ptr<LevelEditor> plain = makeEditor();
    plain->setOverviewCache(false);
    cached->keyDown(keyOf(SDLK_z));
    plain->keyDown(keyOf(SDLK_z));

    Frame first = drawFrame(drawer, cached.get());
    if (!showsTiles(first))
        return "the overview shows no tiles";
    std::string diff = difference(first, drawFrame(drawer, plain.get()));
    if (!diff.empty())
        return "first frame: " + diff;

    for (int round = 1; round <= 3; ++round) {
        edit(cached.get(), round);
        edit(plain.get(), round);
        diff = difference(drawFrame(drawer, cached.get()), drawFrame(drawer, plain.get()));
        if (!diff.empty())
            return "after edits in the overview, round " + std::to_string(round) + ": " + diff;
    }

    // Edits made in the window view, shown when the overview comes back.
    for (LevelEditor* editor : {cached.get(), plain.get()}) {
        editor->keyDown(keyOf(SDLK_z));
        drawFrame(drawer, editor);
        edit(editor, 7);
        drawFrame(drawer, editor);
        editor->keyDown(keyOf(SDLK_z));
    }
    diff = difference(drawFrame(drawer, cached.get()), drawFrame(drawer, plain.get()));
    if (!diff.empty())
        return "after edits in the window view: " + diff;
    return "";
}

// Drawn one by one, pictures are rounded onto the frame at each step; a layer rounds once
// more, when it is blended. Play frames stay within 2 levels. In the editor's window view,
// where a lamp's glow lies over a light box over the cave, the one-by-one frame parts by 3
// in a few pixels (a layer kept at 16 bits a channel parts the same), and by 4 in three
// pixels of a full-HD window, where more pixels meet the worst of the roundings.
const int LayerTolerance = 2;
const int EditorLayerTolerance = 4;

// The editor's window view, scrolled about and edited, and the play field with the robot
// walking across chunk borders and then taking a crate: cached against cell by cell.
std::string compareTilePasses(Drawer* drawer, int width, int height, int antialias)
{
    EditorFolder folder;
    if (!openOverCaveLevel(folder, drawer, width, height, antialias))
        return "no video mode";

    std::unique_ptr<LevelEditor> cachedEditor = makeEditor();
    std::unique_ptr<LevelEditor> plainEditor = makeEditor();
    plainEditor->setTileCache(false);
    for (int round = 0; round < 4; ++round) {
        for (LevelEditor* editor : {cachedEditor.get(), plainEditor.get()}) {
            for (int i = 0; i < 5; ++i)
                editor->keyDown(keyOf(round % 2 ? SDLK_DOWN : SDLK_RIGHT));
            edit(editor, round);
        }
        Frame cached = drawFrame(drawer, cachedEditor.get());
        if (!showsTiles(cached))
            return "the window view shows no tiles";
        std::string diff = difference(cached, drawFrame(drawer, plainEditor.get()), EditorLayerTolerance);
        if (!diff.empty())
            return "editor window view, round " + std::to_string(round) + ": " + diff;
    }

    // A pocket of cave with a crate on an earth floor.
    const int row = 140, crateColumn = 150;
    std::unique_ptr<GamePlay> cached(new GamePlay(nullptr));
    std::unique_ptr<GamePlay> plain(new GamePlay(nullptr));
    plain->setTileCache(false);
    for (GamePlay* game : {cached.get(), plain.get()}) {
        TileMap& map = game->getMap();
        for (int column = crateColumn - 6; column <= crateColumn + 2; ++column) {
            for (int r = row - 3; r <= row; ++r)
                map[r][column] = CaveBack;
            map[row + 1][column] = Earth;
        }
        map[row][crateColumn] = Crate;
        game->loadLevelFromMap();
        game->keyDown(keyOf(SDLK_RETURN));   // past the story
        game->getPlayer().setPosition(crateColumn - 4.0f, static_cast<float>(row));
    }
    // A frame with the crate in the layers, then the robot walks into it and takes it.
    std::string diff = difference(drawFrame(drawer, cached.get()), drawFrame(drawer, plain.get()), LayerTolerance);
    if (!diff.empty())
        return "play, first frame: " + diff;
    for (GamePlay* game : {cached.get(), plain.get()})
        game->keyDown(keyOf(SDLK_RIGHT));
    for (int frame = 0; frame < 60 && cached->getMap()[row][crateColumn] == Crate; ++frame) {
        drawFrame(drawer, cached.get());
        drawFrame(drawer, plain.get());
    }
    if (cached->getMap()[row][crateColumn] == Crate || plain->getMap()[row][crateColumn] == Crate)
        return "the robot did not take the crate";
    // Once the view stops, the layers are painted again where they now fall on the window
    // (while it scrolls between window pixels the passes are drawn cell by cell).
    for (GamePlay* game : {cached.get(), plain.get()}) {
        game->keyUp(keyOf(SDLK_RIGHT));
        for (int frame = 0; frame < 30; ++frame) {
            float x = game->getPlayer().getX();
            drawFrame(drawer, game);
            if (x == game->getPlayer().getX())
                break;
        }
    }
    diff = difference(drawFrame(drawer, cached.get()), drawFrame(drawer, plain.get()), LayerTolerance);
    if (!diff.empty())
        return "play, crate taken: " + diff;
    // Diagonally across eight-cell chunk borders, a fraction of a cell a frame, and back: the
    // strips at the view's edges are painted again as the columns and rows go and come.
    for (int frame = 0; frame < 48; ++frame) {
        int step = frame < 24 ? frame : 46 - frame;
        for (GamePlay* game : {cached.get(), plain.get()})
            game->getPlayer().setPosition(120.0f + step * 0.7f, 110.0f + step * 0.45f);
        Frame one = drawFrame(drawer, cached.get());
        diff = difference(one, drawFrame(drawer, plain.get()), LayerTolerance);
        if (!diff.empty())
            return "play, walking, frame " + std::to_string(frame) + ": " + diff;
    }
    return "";
}

// The same, with a driver that refuses layers past a few (some chunks of a group get one,
// the next does not): the groups it refuses are drawn tile by tile, the frames stay the
// same, and the game says once that the faster path is off.
std::string compareWithLayersRefused(Drawer* drawer, int width, int height, int antialias)
{
    std::string said;
    for (unsigned limit : {6u, 24u}) {
        static_cast<OpenGLDrawer*>(drawer)->limitLayers(limit);
        testing::internal::CaptureStdout();
        std::string diff = compareTilePasses(drawer, width, height, antialias);
        said += testing::internal::GetCapturedStdout();
        if (!diff.empty())
            return "with " + std::to_string(limit) + " layers: " + diff;
    }
    const std::string line = "OpenGL: tiles are drawn one by one: the driver refused an off-screen picture\n";
    size_t at = said.find(line);
    if (at == std::string::npos || said.find(line, at + 1) != std::string::npos)
        return "not said exactly once: " + said;
    return "";
}

// What a comparison in a child process ended with.
enum ChildResult { Same = 0, Different = 1, NoDisplay = 2 };

// Forks a child that sets SDL up with one drawer of its own and compares the overviews
// there; its messages go to standard error.
typedef std::function<std::string(Drawer*, int, int, int)> Comparison;

int compareInChild(bool openGL, int width = 1024, int height = 768, int antialias = 0,
                   Comparison compare = compareOverviews)
{
    std::fflush(nullptr);
    pid_t child = fork();
    if (child < 0)
        return Different;
    if (child == 0) {
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            std::cerr << "SDL_Init: " << SDL_GetError() << std::endl;
            _exit(NoDisplay);
        }
        std::string result;
        {
            std::unique_ptr<Drawer> drawer(openGL ? static_cast<Drawer*>(new OpenGLDrawer())
                                                  : static_cast<Drawer*>(new SDLDrawer()));
            result = compare(drawer.get(), width, height, antialias);
        }
        SDL_Quit();
        if (!result.empty())
            std::cerr << "cached and plain frames differ at " << width << " x " << height << ", antialias "
                      << antialias << ": " << result << std::endl;
        std::fflush(nullptr);
        _exit(result.empty() ? Same : Different);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return Different;
    return WEXITSTATUS(status);
}

// An Xvfb server on a free display, for as long as the object lives.
class XServer {
public:
    XServer() { pid = startXvfb("1920x1200x24", display); }

    ~XServer()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }

    pid_t pid = -1;
    std::string display;   // empty when the server did not start
};

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name(name)
    {
        const char* old = std::getenv(name);
        had = old != nullptr;
        previous = old ? old : "";
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (had)
            setenv(name, previous.c_str(), 1);
        else
            unsetenv(name);
    }

private:
    const char* name;
    std::string previous;
    bool had;
};

TEST(LevelEditorScreenshot, CachedOverviewMatchesPlainUnderTheSoftwareDrawer)
{
    ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
    EXPECT_EQ(Same, compareInChild(false));
}

// At the logical size, in smaller windows, letterboxed wider ones up to full HD, and
// multisampled.
void compareUnderOpenGLAtEveryWindowSize(Comparison compare)
{
    struct Setting {
        int width, height, antialias;
    };
    for (Setting setting : {Setting{1024, 768, 0}, Setting{800, 600, 0}, Setting{640, 480, 0}, Setting{1280, 800, 0},
                            Setting{1366, 768, 0}, Setting{1920, 1080, 0}, Setting{800, 600, 4}}) {
        // Other programs on the machine start X servers too; a display lost to one of them
        // gets a second server.
        int result = NoDisplay;
        for (int attempt = 0; attempt < 2 && result == NoDisplay; ++attempt) {
            XServer server;
            ASSERT_FALSE(server.display.empty()) << "Xvfb did not start";
            ScopedEnv display("DISPLAY", server.display);
            ScopedEnv driver("SDL_VIDEODRIVER", "x11");
            result = compareInChild(true, setting.width, setting.height, setting.antialias, compare);
        }
        EXPECT_EQ(Same, result) << setting.width << " x " << setting.height << ", antialias " << setting.antialias;
    }
}

TEST(LevelEditorScreenshot, CachedOverviewMatchesPlainUnderOpenGLAtEveryWindowSize)
{
    compareUnderOpenGLAtEveryWindowSize(compareOverviews);
}

TEST(LevelEditorScreenshot, CachedTilePassesMatchCellByCellUnderOpenGLAtEveryWindowSize)
{
    compareUnderOpenGLAtEveryWindowSize(compareTilePasses);
}

TEST(LevelEditorScreenshot, LayersTheDriverRefusesLeaveTheFramesAsTheyWere)
{
    XServer server;
    ASSERT_FALSE(server.display.empty()) << "Xvfb did not start";
    ScopedEnv display("DISPLAY", server.display);
    ScopedEnv driver("SDL_VIDEODRIVER", "x11");
    EXPECT_EQ(Same, compareInChild(true, 1024, 768, 0, compareWithLayersRefused));
}

TEST(LevelEditorScreenshot, TilePassesUnderTheSoftwareDrawerAreDrawnCellByCell)
{
    ScopedEnv driver("SDL_VIDEODRIVER", "dummy");
    EXPECT_EQ(Same, compareInChild(false, 1024, 768, 0, compareTilePasses));
}

} // namespace
