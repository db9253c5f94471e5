#include <csignal>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "tests/screens/LevelEditorTestSupport.h"

namespace {

const int MapBytes = MapWidth * MapHeight;

// ---------------------------------------------------------------------------------------
// The mouse: clicks step a cell through the tile values, drags paint.

class LevelEditorMouse : public ::testing::Test {
protected:
    EditorFolder folder;   // no installed level: the map starts all Empty
    std::unique_ptr<LevelEditor> editor = makeEditor();
};

TEST_F(LevelEditorMouse, LeftClickStepsForwardThroughEveryValueAndWrapsToEmpty)
{
    const TileType cycle[] = {Earth, Grass, CaveBack, Lamp, LightBox, LightPipe, Crate, Spikes, Lava,
                              SpikeBallStart, Empty};
    for (TileType expected : cycle) {
        editor->mouseDown(SDL_BUTTON_LEFT, 100, 200);
        editor->mouseUp(SDL_BUTTON_LEFT, 100, 200);
        EXPECT_EQ(expected, editor->getTile(3, 6));
    }
}

TEST_F(LevelEditorMouse, RightClickOnEmptyGivesSpikeBallStartThenStepsBackward)
{
    editor->mouseDown(SDL_BUTTON_RIGHT, 0, 0);
    EXPECT_EQ(SpikeBallStart, editor->getTile(0, 0));
    editor->mouseUp(SDL_BUTTON_RIGHT, 0, 0);
    editor->mouseDown(SDL_BUTTON_RIGHT, 0, 0);
    EXPECT_EQ(Lava, editor->getTile(0, 0));
}

TEST_F(LevelEditorMouse, LeftClickOnSpikeBallStartGivesEmpty)
{
    editor->setTile(5, 5, SpikeBallStart);
    editor->mouseDown(SDL_BUTTON_LEFT, 5 * 32 + 31, 5 * 32 + 31);
    EXPECT_EQ(Empty, editor->getTile(5, 5));
}

TEST_F(LevelEditorMouse, MiddleButtonAndBothWheelDirectionsStepBackward)
{
    editor->setTile(1, 0, Lamp);
    editor->setTile(2, 0, Lamp);
    editor->setTile(3, 0, Lamp);
    editor->mouseDown(SDL_BUTTON_MIDDLE, 32, 0);
    editor->mouseDown(SDL_BUTTON_WHEELUP, 64, 0);
    editor->mouseDown(SDL_BUTTON_WHEELDOWN, 96, 0);
    EXPECT_EQ(CaveBack, editor->getTile(1, 0));
    EXPECT_EQ(CaveBack, editor->getTile(2, 0));
    EXPECT_EQ(CaveBack, editor->getTile(3, 0));
}

TEST_F(LevelEditorMouse, ValuesWithoutPictureStepByOne)
{
    editor->setTile(0, 0, static_cast<TileType>(200));
    editor->mouseDown(SDL_BUTTON_LEFT, 0, 0);
    EXPECT_EQ(201u, static_cast<unsigned>(editor->getTile(0, 0)));
    editor->mouseDown(SDL_BUTTON_RIGHT, 0, 0);
    editor->mouseDown(SDL_BUTTON_RIGHT, 0, 0);
    EXPECT_EQ(199u, static_cast<unsigned>(editor->getTile(0, 0)));
}

TEST_F(LevelEditorMouse, DraggingPaintsTheClickedCellsNewValueUntilRelease)
{
    editor->setTile(2, 2, Lamp);
    editor->setTile(4, 2, Earth);
    editor->mouseDown(SDL_BUTTON_LEFT, 2 * 32 + 5, 2 * 32 + 5);
    EXPECT_TRUE(editor->isPainting());
    EXPECT_EQ(LightBox, editor->getPaintTile());

    editor->mouseMove(3 * 32 + 5, 2 * 32 + 5);
    editor->mouseMove(4 * 32 + 5, 2 * 32 + 5);
    editor->mouseMove(4 * 32 + 5, 3 * 32 + 5);
    EXPECT_EQ(LightBox, editor->getTile(2, 2));
    EXPECT_EQ(LightBox, editor->getTile(3, 2));
    EXPECT_EQ(LightBox, editor->getTile(4, 2));   // was Earth: painted over, not stepped
    EXPECT_EQ(LightBox, editor->getTile(4, 3));

    editor->mouseUp(SDL_BUTTON_RIGHT, 4 * 32 + 5, 3 * 32 + 5);   // any button ends the drag
    EXPECT_FALSE(editor->isPainting());
    editor->mouseMove(5 * 32 + 5, 3 * 32 + 5);
    EXPECT_EQ(Empty, editor->getTile(5, 3));
}

TEST_F(LevelEditorMouse, MovingWithoutAButtonOnlyMovesThePointer)
{
    editor->mouseMove(300, 400);
    EXPECT_EQ(300, editor->getMouseX());
    EXPECT_EQ(400, editor->getMouseY());
    EXPECT_EQ(Empty, editor->getTile(300 / 32, 400 / 32));
    EXPECT_FALSE(editor->isPainting());
}

TEST_F(LevelEditorMouse, ClicksAndDragsFollowTheScrolledView)
{
    for (int i = 0; i < 10; ++i)
        editor->keyDown(keyOf(SDLK_RIGHT));
    for (int i = 0; i < 7; ++i)
        editor->keyDown(keyOf(SDLK_DOWN));
    editor->mouseDown(SDL_BUTTON_LEFT, 33, 65);
    EXPECT_EQ(Earth, editor->getTile(11, 9));
    EXPECT_EQ(Empty, editor->getTile(1, 2));
}

TEST_F(LevelEditorMouse, TheOverviewEditsTheCellsOfTheWindowView)
{
    editor->keyDown(keyOf(SDLK_DOWN));
    editor->keyDown(keyOf(SDLK_z));
    editor->mouseDown(SDL_BUTTON_LEFT, 40, 40);
    EXPECT_EQ(Earth, editor->getTile(1, 2));
}

// A pointer in the bands around a letterboxed picture gives positions off the logical
// screen; cells beyond the view lie under them, but they are not the cells shown.
TEST_F(LevelEditorMouse, ClicksOffTheLogicalScreenChangeNothing)
{
    editor->mouseDown(SDL_BUTTON_LEFT, 1024, 100);   // column 32 would be the view's 33rd
    EXPECT_FALSE(editor->isPainting());
    editor->mouseDown(SDL_BUTTON_RIGHT, 100, 768);
    EXPECT_FALSE(editor->isPainting());
    editor->mouseDown(SDL_BUTTON_LEFT, -1, 5);
    EXPECT_FALSE(editor->isPainting());

    // The view's last column and row are still reachable.
    editor->mouseDown(SDL_BUTTON_LEFT, 1023, 767);
    EXPECT_EQ(Earth, editor->getTile(31, 23));
    editor->mouseUp(SDL_BUTTON_LEFT, 1023, 767);

    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            if (column != 31 || row != 23) {
                ASSERT_EQ(Empty, editor->getTile(column, row)) << column << "," << row;
            }
}

TEST_F(LevelEditorMouse, DraggingPastTheMapChangesNothingAndGoesOnInside)
{
    for (int i = 0; i < 1000; ++i)
        editor->keyDown(keyOf(SDLK_RIGHT));
    editor->mouseDown(SDL_BUTTON_LEFT, 1000, 10);   // column 1023, row 0
    editor->mouseMove(1030, 10);
    editor->mouseMove(1600, 900);
    editor->mouseMove(-5, 10);
    EXPECT_TRUE(editor->isPainting());
    editor->mouseMove(1000, 40);
    EXPECT_EQ(Earth, editor->getTile(1023, 0));
    EXPECT_EQ(Earth, editor->getTile(1023, 1));
    EXPECT_EQ(Empty, editor->getTile(992, 0));
    EXPECT_EQ(Empty, editor->getTile(0, 1));   // a wrap into the next row would land here
}

// ---------------------------------------------------------------------------------------
// Keys

class LevelEditorKeys : public LevelEditorMouse {};

TEST_F(LevelEditorKeys, ScrollingStopsAtTheMapsEdges)
{
    editor->keyDown(keyOf(SDLK_UP));
    editor->keyDown(keyOf(SDLK_LEFT));
    EXPECT_EQ(0, editor->getViewRow());
    EXPECT_EQ(0, editor->getViewColumn());

    for (int i = 0; i < 800; ++i)
        editor->keyDown(keyOf(SDLK_DOWN));
    for (int i = 0; i < 1100; ++i)
        editor->keyDown(keyOf(SDLK_RIGHT));
    EXPECT_EQ(744, editor->getViewRow());
    EXPECT_EQ(992, editor->getViewColumn());

    editor->keyDown(keyOf(SDLK_UP));
    editor->keyDown(keyOf(SDLK_LEFT));
    EXPECT_EQ(743, editor->getViewRow());
    EXPECT_EQ(991, editor->getViewColumn());
}

TEST_F(LevelEditorKeys, ZTogglesTheOverviewAndKeepsTheScrollPosition)
{
    editor->keyDown(keyOf(SDLK_RIGHT));
    editor->keyDown(keyOf(SDLK_RIGHT));
    editor->keyDown(keyOf(SDLK_DOWN));
    editor->keyDown(keyOf(SDLK_z));
    EXPECT_TRUE(editor->isOverview());
    editor->keyDown(keyOf(SDLK_DOWN));   // scrolls the invisible window
    editor->keyDown(keyOf(SDLK_z));
    EXPECT_FALSE(editor->isOverview());
    EXPECT_EQ(2, editor->getViewColumn());
    EXPECT_EQ(2, editor->getViewRow());
}

TEST_F(LevelEditorKeys, LeftControlSSaves)
{
    editor->setTile(7, 8, Crate);
    editor->keyDown(keyOf(SDLK_s, KMOD_LCTRL));
    std::vector<unsigned char> saved = EditorFolder::readFile(folder.savedLevel());
    ASSERT_EQ(static_cast<size_t>(MapBytes), saved.size());
    EXPECT_EQ(Crate, saved[8 * MapWidth + 7]);
}

TEST_F(LevelEditorKeys, SWithoutExactlyLeftControlDoesNotSave)
{
    const int mods[] = {KMOD_NONE, KMOD_RCTRL, KMOD_LCTRL | KMOD_CAPS, KMOD_LCTRL | KMOD_NUM,
                        KMOD_LCTRL | KMOD_RCTRL, KMOD_LCTRL | KMOD_LSHIFT, KMOD_CAPS};
    for (int mod : mods) {
        editor->keyDown(keyOf(SDLK_s, mod));
        struct stat info;
        EXPECT_NE(0, stat(folder.savedLevel().c_str(), &info)) << "saved with modifiers " << mod;
    }
}

TEST_F(LevelEditorKeys, OtherKeysChangeNothing)
{
    const int keys[] = {SDLK_x, SDLK_c, SDLK_RETURN, SDLK_SPACE, SDLK_a};
    for (int sym : keys)
        editor->keyDown(keyOf(sym, KMOD_LCTRL));
    EXPECT_EQ(0, editor->getViewColumn());
    EXPECT_EQ(0, editor->getViewRow());
    EXPECT_FALSE(editor->isOverview());
    struct stat info;
    EXPECT_NE(0, stat(folder.savedLevel().c_str(), &info));
}

TEST_F(LevelEditorKeys, KeyUpDoesNothing)
{
    editor->keyUp(keyOf(SDLK_z));
    editor->keyUp(keyOf(SDLK_DOWN));
    EXPECT_FALSE(editor->isOverview());
    EXPECT_EQ(0, editor->getViewRow());
}

TEST_F(LevelEditorKeys, NameIsLevelEditor)
{
    EXPECT_EQ("LevelEditor", editor->getName());
}

// ---------------------------------------------------------------------------------------
// Loading and saving

class LevelEditorFile : public ::testing::Test {
protected:
    EditorFolder folder;
};

std::vector<unsigned char> everyByteValue()
{
    std::vector<unsigned char> bytes(MapBytes);
    for (int i = 0; i < MapBytes; ++i)
        bytes[i] = static_cast<unsigned char>((i * 7 + i / MapWidth) & 0xFF);
    return bytes;
}

TEST_F(LevelEditorFile, SaveThenLoadKeepsEveryByteValue)
{
    std::vector<unsigned char> bytes = everyByteValue();
    EditorFolder::writeFile(folder.installedLevel(), bytes);
    std::unique_ptr<LevelEditor> editor = makeEditor();
    EXPECT_EQ(bytes[MapWidth + 1], static_cast<unsigned>(editor->getTile(1, 1)));
    editor->save();
    EXPECT_EQ(bytes, EditorFolder::readFile(folder.savedLevel()));

    // A new editor opens the saved file.
    std::unique_ptr<LevelEditor> reloaded = makeEditor();
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            ASSERT_EQ(bytes[row * MapWidth + column], static_cast<unsigned>(reloaded->getTile(column, row)));
}

TEST_F(LevelEditorFile, SavedCellsKeepTheirLowByte)
{
    std::unique_ptr<LevelEditor> editor = makeEditor();
    editor->setTile(0, 0, static_cast<TileType>(255));
    editor->mouseDown(SDL_BUTTON_LEFT, 0, 0);   // 256 in memory
    editor->setTile(1, 0, static_cast<TileType>(0x1234));
    editor->save();
    std::vector<unsigned char> saved = EditorFolder::readFile(folder.savedLevel());
    ASSERT_EQ(static_cast<size_t>(MapBytes), saved.size());
    EXPECT_EQ(0x00, saved[0]);
    EXPECT_EQ(0x34, saved[1]);
}

TEST_F(LevelEditorFile, AnEmptyFileLoadsAsAllEmpty)
{
    EditorFolder::writeFile(folder.installedLevel(), {});
    std::unique_ptr<LevelEditor> editor = makeEditor();
    for (int row = 0; row < MapHeight; row += 7)
        for (int column = 0; column < MapWidth; column += 3)
            ASSERT_EQ(Empty, editor->getTile(column, row));
    EXPECT_EQ(Empty, editor->getTile(1023, 767));
}

TEST_F(LevelEditorFile, AMissingFileLoadsAsAllEmpty)
{
    std::unique_ptr<LevelEditor> editor = makeEditor();
    EXPECT_EQ(Empty, editor->getTile(0, 0));
    EXPECT_EQ(Empty, editor->getTile(512, 384));
}

TEST_F(LevelEditorFile, ExtraBytesAreIgnored)
{
    std::vector<unsigned char> bytes(MapBytes + 10, Grass);
    bytes[MapBytes - 1] = Crate;
    EditorFolder::writeFile(folder.installedLevel(), bytes);
    std::unique_ptr<LevelEditor> editor = makeEditor();
    EXPECT_EQ(Crate, editor->getTile(1023, 767));
}

TEST_F(LevelEditorFile, LoadPrefersTheSavedLevelToTheInstalledOne)
{
    EditorFolder::writeFile(folder.installedLevel(), std::vector<unsigned char>(MapBytes, Earth));
    std::unique_ptr<LevelEditor> editor = makeEditor();
    editor->setTile(0, 0, Lava);
    editor->save();
    editor->load();
    EXPECT_EQ(Lava, editor->getTile(0, 0));
    EXPECT_EQ(Earth, editor->getTile(1, 0));

    EditorFolder::run("rm '" + folder.savedLevel() + "'");
    editor->load();
    EXPECT_EQ(Earth, editor->getTile(0, 0));
}

TEST_F(LevelEditorFile, ASuccessfulSaveIsSilentAndLeavesNoTemporaryFile)
{
    std::unique_ptr<LevelEditor> editor = makeEditor();
    ::testing::internal::CaptureStdout();
    editor->save();
    editor->save();
    EXPECT_EQ("", ::testing::internal::GetCapturedStdout());

    DIR* dir = opendir(folder.work.c_str());
    ASSERT_NE(nullptr, dir);
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir))
        if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
            names.push_back(entry->d_name);
    closedir(dir);
    EXPECT_EQ(std::vector<std::string>{"level.lev"}, names);
}

// A disk that fills up halfway through the write: the file size limit stops the write
// after a few bytes, as ENOSPC would. The old level must survive whole.
TEST_F(LevelEditorFile, ASaveThatRunsOutOfSpaceKeepsTheOldFileAndSaysWhy)
{
    std::vector<unsigned char> old(MapBytes, Grass);
    EditorFolder::writeFile(folder.savedLevel(), old);
    std::unique_ptr<LevelEditor> editor = makeEditor();

    rlimit saved;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    rlimit small = saved;
    small.rlim_cur = 4096;
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    ::testing::internal::CaptureStdout();
    editor->save();
    std::string output = ::testing::internal::GetCapturedStdout();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ("Could not save level.lev: File too large\n", output);
    EXPECT_EQ(old, EditorFolder::readFile(folder.savedLevel()));
}

TEST_F(LevelEditorFile, ASaveOverAFolderNamedLevelLevFailsAndSaysWhy)
{
    EditorFolder::run("mkdir '" + folder.savedLevel() + "' && touch '" + folder.savedLevel() + "/keep'");
    std::unique_ptr<LevelEditor> editor = makeEditor();
    ::testing::internal::CaptureStdout();
    editor->save();
    std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ("Could not save level.lev: Is a directory\n", output);
    struct stat info;
    ASSERT_EQ(0, stat((folder.savedLevel() + "/keep").c_str(), &info));

    DIR* dir = opendir(folder.work.c_str());
    ASSERT_NE(nullptr, dir);
    int entries = 0;
    while (readdir(dir))
        ++entries;
    closedir(dir);
    EXPECT_EQ(3, entries);   // ".", ".." and the folder: no temporary file left behind
}

TEST_F(LevelEditorFile, ASaveIntoAFolderThatIsGoneFailsAndSaysWhy)
{
    std::unique_ptr<LevelEditor> editor = makeEditor();
    EditorFolder::run("rmdir '" + folder.work + "'");   // the working directory vanishes
    ::testing::internal::CaptureStdout();
    editor->save();
    std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ("Could not save level.lev: No such file or directory\n", output);
}

} // namespace
