// The level that ships with the game, resources/level.lev (made by tools/make_level.py):
// its shape, and a playthrough of its intended route through the real play state.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <SDL/SDL.h>

#include "game/GameCounter.h"
#include "game/GamePlay.h"
#include "game/LevelFile.h"
#include "game/SpikeBall.h"
#include "game/TileType.h"
#include "tests/support/RecordingDrawer.h"

namespace {

const int StartColumn = 4;
const int StartRow = 22;

std::string sourceLevelPath()
{
    return std::string(TARNWICK_SOURCE_DIR) + "/resources/level.lev";
}

std::string bundledLevelPath()
{
    return std::string(TARNWICK_BUNDLE_DIR) + "/Contents/Resources/level.lev";
}

std::vector<char> fileBytes(const std::string& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct LevelMap {
    LevelMap() : cells(new TileMap[1]) {}
    TileType at(int column, int row) const { return tileAt(cells[0], column, row); }
    int count(TileType tile) const
    {
        int n = 0;
        for (int row = 0; row < MapHeight; ++row)
            for (int column = 0; column < MapWidth; ++column)
                n += cells[0][row][column] == tile;
        return n;
    }
    std::unique_ptr<TileMap[]> cells;
};

class ShippedLevel : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LevelFile::read(sourceLevelPath(), level.cells[0])); }
    LevelMap level;
};

// A route is a text file of tests/game/routes/, one command a line, "#" starting a comment
// (tools/make_level.py --check-route FILE plays the same file through its model of the rules
// while the level is being designed):
//   right until COND / left until COND   hold the arrow until COND holds, then let go
//   press KEY / release KEY              KEY is right, left or jump (Z)
//   jump                                 hold Z until the robot is at rest again, let go
//   drop                                 press and release X
//   until COND / wait N / settle         run frames until COND, N frames, or until at rest
//   expect lit|reflectors|lives N        the boxes lit, reflectors carried, lives left
// COND is "VALUE >= NUMBER" or "VALUE <= NUMBER" with VALUE one of x, y, frame,
// "ball K" (spike ball K's x, in file order) or "gap K" (spike ball K's x minus the robot's).
std::string routePath(const char* name)
{
    return std::string(TARNWICK_SOURCE_DIR) + "/tests/game/routes/" + name;
}

// Plays route commands against a play state, one frame per draw() as the main loop does.
class RoutePlayer {
public:
    explicit RoutePlayer(GamePlay& game) : game(game), frame(0) {}

    // Runs one command; on failure returns why.
    std::string run(const std::string& line)
    {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if ((command == "right" || command == "left") && line.find(" until ") != std::string::npos) {
            std::string until;
            words >> until;
            key(command, true);
            std::string failure = advanceUntil(words);
            key(command, false);
            return failure;
        }
        if (command == "press" || command == "release") {
            std::string name;
            words >> name;
            return key(name, command == "press");
        }
        if (command == "until")
            return advanceUntil(words);
        if (command == "wait") {
            int frames = 0;
            words >> frames;
            for (int i = 0; i < frames; ++i)
                step();
            return "";
        }
        if (command == "settle")
            return settle();
        if (command == "jump") {
            key("jump", true);
            std::string failure = settle();
            key("jump", false);
            return failure;
        }
        if (command == "drop") {
            size_t placed = game.getReflectors().size();
            tap(SDLK_x);
            return game.getReflectors().size() == placed + 1 ? "" : "no reflector was placed";
        }
        if (command == "expect")
            return expect(words);
        return "unknown command";
    }

    int getFrame() const { return frame; }

private:
    static const int FrameLimit = 4000;

    void step()
    {
        drawer.clear();
        game.draw(&drawer);
        ++frame;
    }

    static SDL_keysym keysym(SDLKey sym)
    {
        SDL_keysym key = {};
        key.sym = sym;
        return key;
    }

    void tap(SDLKey sym)
    {
        game.keyDown(keysym(sym));
        game.keyUp(keysym(sym));
    }

    std::string key(const std::string& name, bool pressed)
    {
        SDLKey sym;
        if (name == "right")
            sym = SDLK_RIGHT;
        else if (name == "left")
            sym = SDLK_LEFT;
        else if (name == "jump")
            sym = SDLK_z;
        else
            return "unknown key " + name;
        if (pressed)
            game.keyDown(keysym(sym));
        else
            game.keyUp(keysym(sym));
        return "";
    }

    bool value(const std::string& name, std::istream& words, float& out) const
    {
        const Player& player = game.getPlayer();
        if (name == "x")
            out = player.getX();
        else if (name == "y")
            out = player.getY();
        else if (name == "frame")
            out = static_cast<float>(frame);
        else if (name == "ball" || name == "gap") {
            size_t index = 0;
            words >> index;
            const std::vector<SpikeBall*>& balls = game.getSpikeBalls();
            if (index >= balls.size())
                return false;
            out = balls[index]->getX() - (name == "gap" ? player.getX() : 0.0f);
        } else
            return false;
        return true;
    }

    // Reads "VALUE >= NUMBER" and tells whether it holds now; `valid` is false when the
    // words do not make a condition.
    bool holds(const std::string& condition, bool& valid) const
    {
        std::istringstream words(condition);
        std::string name, comparison;
        float current = 0.0f, target = 0.0f;
        words >> name;
        valid = value(name, words, current) && (words >> comparison >> target) &&
                (comparison == ">=" || comparison == "<=");
        if (!valid)
            return false;
        return comparison == ">=" ? current >= target : current <= target;
    }

    std::string advanceUntil(std::istream& words)
    {
        std::string condition;
        std::getline(words, condition);
        bool valid = true;
        for (int i = 0; i < FrameLimit; ++i) {
            if (holds(condition, valid))
                return "";
            if (!valid)
                return "cannot read the condition";
            step();
        }
        return "condition not reached in time";
    }

    std::string settle()
    {
        float previous = game.getPlayer().getY();
        int still = 0;
        for (int i = 0; i < FrameLimit; ++i) {
            step();
            float y = game.getPlayer().getY();
            still = y == previous ? still + 1 : 0;
            previous = y;
            if (still >= 2)
                return "";
        }
        return "the robot never came to rest";
    }

    std::string expect(std::istream& words)
    {
        std::string what;
        int wanted = 0;
        words >> what >> wanted;
        int have;
        if (what == "lit")
            have = GameCounter::getInstance()->getCount(GamePlay::LitCounter);
        else if (what == "reflectors")
            have = game.getPlayer().getNumReflectors();
        else if (what == "lives")
            have = game.getPlayer().getNumLives();
        else
            return "unknown expectation " + what;
        if (have != wanted)
            return "expected " + what + " " + std::to_string(wanted) + ", have " + std::to_string(have);
        return "";
    }

    GamePlay& game;
    RecordingDrawer drawer;
    int frame;
};

// Points the game at a data folder for one test and puts the old setting back after it,
// so the other game tests in this process keep the folder they chose.
class DataFolder {
public:
    explicit DataFolder(const char* path)
    {
        const char* old = std::getenv("TARNWICK_DATA_DIR");
        hadOld = old != nullptr;
        if (hadOld)
            oldPath = old;
        setenv("TARNWICK_DATA_DIR", path, 1);
    }
    ~DataFolder()
    {
        if (hadOld)
            setenv("TARNWICK_DATA_DIR", oldPath.c_str(), 1);
        else
            unsetenv("TARNWICK_DATA_DIR");
    }

private:
    bool hadOld;
    std::string oldPath;
};

std::vector<std::string> routeLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream text(path.c_str());
    std::string line;
    while (std::getline(text, line)) {
        std::string::size_type hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        if (line.find_first_not_of(" \t") != std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

} // namespace

TEST_F(ShippedLevel, IsAFullMapAndTheBundleCarriesThisCopy)
{
    std::vector<char> source = fileBytes(sourceLevelPath());
    EXPECT_EQ(786432u, source.size());
    EXPECT_TRUE(source == fileBytes(bundledLevelPath()))
        << bundledLevelPath() << " differs from resources/level.lev: rebuild the bundle";
}

TEST_F(ShippedLevel, StartsInTheOpenOnSolidGround)
{
    EXPECT_TRUE(isPassable(level.at(StartColumn, StartRow)));
    EXPECT_TRUE(isPassable(level.at(StartColumn, StartRow - 1)));
    EXPECT_FALSE(isPassable(level.at(StartColumn, StartRow + 1)));
}

// Every tile value and nothing else; at least a dozen boxes, each with its lamps, and cave
// spread over at least 40 of the map's 32 x 24-cell screens.
TEST_F(ShippedLevel, HoldsEveryKindOfThingOverFortyScreens)
{
    for (int value = Empty; value <= static_cast<int>(SpikeBallStart); ++value)
        EXPECT_GE(level.count(static_cast<TileType>(value)), 1) << "tile value " << value;
    std::vector<char> bytes = fileBytes(sourceLevelPath());
    for (size_t i = 0; i < bytes.size(); ++i)
        ASSERT_LE(static_cast<int>(static_cast<unsigned char>(bytes[i])), static_cast<int>(SpikeBallStart)) << "byte " << i;
    EXPECT_GE(level.count(LightBox), 12);
    EXPECT_GE(level.count(Lamp), level.count(LightBox) / 2);

    const int screenColumns = 32, screenRows = 24;
    std::vector<bool> cave((MapWidth / screenColumns) * (MapHeight / screenRows), false);
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column) {
            TileType tile = level.at(column, row);
            if (tile != Empty && tile != Earth && tile != Grass)
                cave[(row / screenRows) * (MapWidth / screenColumns) + column / screenColumns] = true;
        }
    EXPECT_GE(std::count(cave.begin(), cave.end(), true), 40);
}

TEST_F(ShippedLevel, GrassGrowsOnlyUnderOpenSky)
{
    int misplaced = 0;
    for (int row = 1; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            misplaced += level.at(column, row) == Grass && level.at(column, row - 1) != Empty;
    EXPECT_EQ(0, misplaced);
}

TEST_F(ShippedLevel, IsOpenSkyAtTheTopAndRockAtTheBottom)
{
    for (int column = 0; column < MapWidth; ++column) {
        EXPECT_EQ(Empty, level.at(column, 0)) << "column " << column;
        EXPECT_EQ(Earth, level.at(column, MapHeight - 1)) << "column " << column;
    }
}

// Plays a route file from the start through the real play state and checks that it ends
// with every box lit, the level complete and the given number of lives left.
static void playRouteToTheEnd(const char* name, int livesLeft)
{
    DataFolder bundle(TARNWICK_BUNDLE_DIR);
    GameCounter::getInstance()->reset();
    std::unique_ptr<GamePlay> game(new GamePlay(nullptr));
    ASSERT_GE(game->getLightBoxes().size(), 1u) << "the bundled level did not load";

    RoutePlayer player(*game);
    game->keyDown(SDL_keysym{});   // the first key only takes the story picture away
    game->keyUp(SDL_keysym{});
    ASSERT_FALSE(game->isStoryShown());

    std::vector<std::string> lines = routeLines(routePath(name));
    ASSERT_FALSE(lines.empty()) << "no route in " << routePath(name);
    for (size_t i = 0; i < lines.size() && !game->isLevelComplete(); ++i) {
        std::string failure = player.run(lines[i]);
        const Player& robot = game->getPlayer();
        ASSERT_EQ("", failure) << name << " step " << i + 1 << " \"" << lines[i] << "\" at x "
                               << robot.getX() << ", y " << robot.getY() << ", frame "
                               << player.getFrame() << ", lives " << robot.getNumLives();
        ASSERT_FALSE(game->isGameOver()) << "after route step " << i + 1;
    }

    EXPECT_TRUE(game->isLevelComplete());
    EXPECT_FALSE(game->isGameOver());
    EXPECT_EQ(livesLeft, game->getPlayer().getNumLives());
    for (const Reflector& box : game->getLightBoxes())
        EXPECT_TRUE(box.lit) << "box at " << box.x << "," << box.y;
    ::testing::Test::RecordProperty("frames", player.getFrame());
    EXPECT_EQ(static_cast<int>(game->getLightBoxes().size()),
              GameCounter::getInstance()->getCount(GamePlay::LitCounter));
    GameCounter::getInstance()->reset();
}

TEST(ShippedLevelRoute, PerfectRunLightsEveryBoxWithoutLosingALife)
{
    playRouteToTheEnd("perfect.route", 3);
}

// Two lives lost far from the start, in different rooms: after each the robot walks back
// from the respawn point and the game is still won.
TEST(ShippedLevelRoute, CarelessRunLosesTwoLivesAndStillWins)
{
    playRouteToTheEnd("careless.route", 1);
}
