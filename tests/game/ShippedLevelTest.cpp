// The level that ships with the game, resources/level.lev (made by tools/make_level.py):
// its shape, and a playthrough of its intended route through the real play state.

#include <gtest/gtest.h>

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
    void SetUp() override { ASSERT_EQ(LevelFile::Read, LevelFile::read(sourceLevelPath(), level.cells[0])); }
    LevelMap level;
};

// The intended way through, one command a line (tools/make_level.py --check-route plays the
// same text through its model of the rules while the level is being designed):
//   right until COND / left until COND   hold the arrow until COND holds, then let go
//   press KEY / release KEY              KEY is right, left or jump (Z)
//   jump                                 hold Z until the robot is at rest again, let go
//   drop                                 press and release X
//   until COND / wait N / settle         run frames until COND, N frames, or until at rest
//   expect lit|reflectors|lives N        the boxes lit, reflectors carried, lives left
// COND is "VALUE >= NUMBER" or "VALUE <= NUMBER" with VALUE one of x, y, frame,
// "ball K" (spike ball K's x, in file order) or "gap K" (spike ball K's x minus the robot's).
const char* const route = R"route(
# the meadow: walk, then hop up the steps of the hill
press right
until x >= 10.5
press jump
wait 12
release jump
until x >= 13.5
press jump
wait 20
release jump
until x >= 16.5
press jump
wait 25
release jump
until x >= 40.5
release right
settle
# cave A: down the stairs, stand under the box in the ceiling, drop
left until x <= 20
settle
drop
expect lit 1
# back up the stairs
right until x >= 35
press right
jump
jump
jump
jump
jump
# over the lava pool
until x >= 47.6
jump
until x >= 57
release right
settle
# cave B: pick up the crate, then light the box from the lamp high in the west wall
right until x >= 71
expect reflectors 14
press jump
until y <= 30.9
drop
settle
release jump
settle
drop
expect lit 2
# over the box and on east to the great hall
press right
jump
until x >= 82
jump
until x >= 94
release right
# the great hall: wait in the tunnel mouth until the spike ball has turned and rolls east
until ball 0 <= 97
until ball 0 >= 99
right until x >= 105.6
drop
expect lit 3
# into the notch for the crate, and let the ball roll over it
right until x >= 118
expect reflectors 16
until ball 0 >= 130
until ball 0 <= 112
press right
jump
until x >= 130
release right
settle
# the lava cave: follow the spike ball east over the stepping stones
until ball 1 <= 128
until ball 1 >= 132
press right
until x >= 133.3
jump
until x >= 137.3
jump
until x >= 141.3
jump
release right
# stand on the stone until the ball has come back over it and gone on west
until ball 1 >= 155
until ball 1 <= 138
press right
until x >= 145.3
jump
until x >= 149.3
jump
until x >= 153.3
jump
until x >= 156
jump
release right
settle
# the ledge: one reflector under the box in the ceiling, then the crate
right until x >= 161.6
drop
expect lit 4
right until x >= 166
expect reflectors 20
# the finale: wait above the shaft until the spike ball below rolls away east
right until x >= 168
until ball 2 <= 171
until ball 2 >= 174
right until x >= 170
settle
right until x >= 171.6
drop
press jump
until y <= 49.9
drop
settle
release jump
settle
# jump the spike ball on its way back
press right
until gap 2 <= 2.6
jump
until x >= 183
jump
release right
settle
drop
press jump
until y <= 46.9
drop
settle
release jump
right until x >= 186
press right
jump
release right
settle
drop
press jump
until y <= 43.9
drop
settle
release jump
right until x >= 189
press right
jump
until x >= 191.6
release right
settle
drop
expect lit 5
)route";

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

std::vector<std::string> routeLines()
{
    std::vector<std::string> lines;
    std::istringstream text(route);
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

TEST_F(ShippedLevel, HoldsEveryKindOfThing)
{
    EXPECT_GE(level.count(LightBox), 1);
    EXPECT_GE(level.count(Lamp), 1);
    EXPECT_GE(level.count(LightPipe), 1);
    EXPECT_GE(level.count(Crate), 1);
    EXPECT_GE(level.count(SpikeBallStart), 1);
    EXPECT_GE(level.count(Spikes), 1);
    EXPECT_GE(level.count(Lava), 1);
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

TEST(ShippedLevelRoute, LightsEveryBoxWithoutLosingALife)
{
    DataFolder bundle(TARNWICK_BUNDLE_DIR);
    GameCounter::getInstance()->reset();
    std::unique_ptr<GamePlay> game(new GamePlay(nullptr));
    ASSERT_GE(game->getLightBoxes().size(), 1u) << "the bundled level did not load";

    RoutePlayer player(*game);
    game->keyDown(SDL_keysym{});   // the first key only takes the story picture away
    game->keyUp(SDL_keysym{});
    ASSERT_FALSE(game->isStoryShown());

    std::vector<std::string> lines = routeLines();
    for (size_t i = 0; i < lines.size() && !game->isLevelComplete(); ++i) {
        std::string failure = player.run(lines[i]);
        const Player& robot = game->getPlayer();
        ASSERT_EQ("", failure) << "route step " << i + 1 << " \"" << lines[i] << "\" at x "
                               << robot.getX() << ", y " << robot.getY() << ", frame "
                               << player.getFrame() << ", lives " << robot.getNumLives();
        ASSERT_FALSE(game->isGameOver()) << "after route step " << i + 1;
    }

    EXPECT_TRUE(game->isLevelComplete());
    EXPECT_FALSE(game->isGameOver());
    EXPECT_EQ(3, game->getPlayer().getNumLives());
    for (const Reflector& box : game->getLightBoxes())
        EXPECT_TRUE(box.lit) << "box at " << box.x << "," << box.y;
    RecordProperty("frames", player.getFrame());
    EXPECT_EQ(static_cast<int>(game->getLightBoxes().size()),
              GameCounter::getInstance()->getCount(GamePlay::LitCounter));
    GameCounter::getInstance()->reset();
}
