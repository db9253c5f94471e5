// The level that ships with the game, resources/level.lev (made by tools/make_level.py):
// its shape, and replays of the recorded routes through it.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "game/LevelFile.h"
#include "game/TileType.h"
#include "tools/route/KeyRecording.h"
#include "tools/route/RoutePlayer.h"

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

std::string fileText(const std::string& path)
{
    std::vector<char> bytes = fileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The first line in which two texts differ, as it reads in the first.
std::string firstDifference(const std::string& a, const std::string& b)
{
    std::istringstream linesA(a), linesB(b);
    std::string lineA, lineB;
    while (std::getline(linesA, lineA)) {
        if (!std::getline(linesB, lineB) || lineA != lineB)
            return lineA;
    }
    return "(end of file)";
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

// The routes of tests/game/routes/: NAME.route is played through the real play state by
// tools/record_routes.sh into NAME.keys, the keys of each frame, which is committed. Here
// each recording is replayed on the shipped level and must win with the lives its route
// is meant to keep; and recording the route again must give the committed file. The
// crates keep a careless player going: the careless run wastes 25 reflectors in the first
// room and still wins, and after every drop of the clean run the robot still holds at
// least 25, so 25 wasted at any time before would not have left it short.
struct RouteCase {
    const char* name;
    int lives;
    int heldAfterEveryDrop;
};

void PrintTo(const RouteCase& route, std::ostream* out)
{
    *out << route.name;
}

class ShippedLevelRoute : public ::testing::TestWithParam<RouteCase> {
protected:
    static std::string routePath(const char* extension)
    {
        return std::string(TARNWICK_SOURCE_DIR) + "/tests/game/routes/" + GetParam().name + extension;
    }
};

TEST_P(ShippedLevelRoute, RecordingReplayedThroughThePlayStateWins)
{
    KeyRecording recording;
    std::string error;
    ASSERT_TRUE(KeyRecording::load(routePath(".keys"), recording, error)) << error;
    KeyRecording::Outcome end;
    ASSERT_TRUE(recording.replay(sourceLevelPath(), end));

    std::ostringstream where;
    where << GetParam().name << ".keys, " << recording.describe() << ", replayed on the level now shipped"
          << " (fingerprint " << std::hex << end.levelFingerprint << std::dec << "): ";
    EXPECT_EQ(recording.levelFingerprint, end.levelFingerprint)
        << where.str() << "the level has changed since the recording; run tools/record_routes.sh";
    EXPECT_EQ(GetParam().lives, recording.lives) << where.str() << "the route ends with the wrong lives";
    EXPECT_EQ(recording.frames, end.frames) << where.str() << "a key was pressed after the game had ended";
    EXPECT_TRUE(end.complete) << where.str() << "the level is not complete after " << end.frames << " frames";
    EXPECT_FALSE(end.gameOver) << where.str() << "the game is over";
    EXPECT_EQ(recording.lives, end.lives) << where.str() << "lives left";
    EXPECT_EQ(end.boxes, end.boxesLit) << where.str() << "boxes lit";
    EXPECT_EQ(end.boxes, end.lit) << where.str() << "the LightBoxesLit counter";
    EXPECT_EQ(recording.boxes, end.boxes) << where.str() << "boxes in the level";
    EXPECT_GE(end.fewestHeldAfterDrop, GetParam().heldAfterEveryDrop)
        << where.str() << "too few reflectors to spare at some drop: place the crates earlier";
    EXPECT_EQ(recording.worldFingerprint, end.worldFingerprint)
        << where.str() << "the robot and the spike balls end elsewhere: the keys reached other frames";
    RecordProperty("frames", end.frames);
}

TEST_P(ShippedLevelRoute, RecordingIsTheRoutePlayedAgain)
{
    KeyRecording fresh;
    std::string error;
    ASSERT_TRUE(RoutePlayer::record(routePath(".route"), sourceLevelPath(), fresh, error)) << error;
    std::string committed = fileText(routePath(".keys"));
    std::string recorded = fresh.toText();
    EXPECT_TRUE(committed == recorded)
        << routePath(".keys") << " is not what " << GetParam().name
        << ".route records on the shipped level (first difference: \"" << firstDifference(committed, recorded)
        << "\"): run tools/record_routes.sh";
}

INSTANTIATE_TEST_SUITE_P(Routes, ShippedLevelRoute,
                         ::testing::Values(RouteCase{"perfect", 3, 25}, RouteCase{"careless", 1, 0}),
                         [](const ::testing::TestParamInfo<RouteCase>& info) { return std::string(info.param.name); });

// A recording edited by hand or cut short must be refused, not replayed as something else.
TEST(KeyRecordingText, RefusesEventsItCannotPlayInOrder)
{
    const std::string header = "# route: r.route\n# level: level.lev, fingerprint 0000abcd\n# frames: 10\n"
                               "# ends: lives 3, lit 1 of 1, world 12345678\n";
    KeyRecording read;
    std::string error;
    ASSERT_TRUE(KeyRecording::fromText(header + "0 press right\n4 release right\n9 press drop\n", read, error))
        << error;
    EXPECT_EQ(3u, read.events.size());
    EXPECT_EQ(0xabcdu, read.levelFingerprint);
    EXPECT_EQ(0x12345678u, read.worldFingerprint);

    const char* const broken[] = {"4 press right\n3 release right\n", "10 press right\n", "2 press up\n",
                                  "2 hold right\n", "2 press right now\n"};
    for (const char* events : broken)
        EXPECT_FALSE(KeyRecording::fromText(header + events, read, error)) << events;
    EXPECT_FALSE(KeyRecording::fromText("0 press right\n", read, error)) << "no header";
}
