#include <gtest/gtest.h>

#include "tests/game/GameWorld.h"

using gameworld::SoundCounter;
using gameworld::fillColumn;
using gameworld::fillRow;
using gameworld::litCount;

namespace {

// A world of solid rock in which each test carves the corridors light can travel.
class LightTest : public ::testing::Test {
protected:
    LightTest() : game(gameworld::makeEmptyGame()), map(game->getMap())
    {
        gameworld::fillMap(map, Earth);
    }

    void start() { gameworld::startLevel(*game); }

    bool place(int column, int row) { return game->addReflector(column, row); }

    const Reflector& reflector(size_t i) const { return game->getReflectors().at(i); }
    const Reflector& box(size_t i) const { return game->getLightBoxes().at(i); }

    // A one-cell pocket far from everything: a reflector there sees nothing.
    bool placeIsolated(int n)
    {
        int column = 100 + 3 * n;
        map[300][column] = Empty;
        return place(column, 300);
    }

    std::unique_ptr<GamePlay> game;
    TileMap& map;
};

// ---- Lamps --------------------------------------------------------------------------

struct Direction {
    const char* name;
    int dx;
    int dy;
};

class LampDirectionTest : public LightTest, public ::testing::WithParamInterface<Direction> {};

TEST_P(LampDirectionTest, AReflectorWithALampInSightIsLitAtOnceAndConnectPlays)
{
    Direction d = GetParam();
    // Open cells of both passable kinds from the reflector to the lamp, six cells away.
    for (int i = 1; i <= 5; ++i)
        map[50 + d.dy * i][50 + d.dx * i] = (i % 2) ? Empty : CaveBack;
    map[50][50] = Empty;
    map[50 + d.dy * 6][50 + d.dx * 6] = Lamp;
    start();

    SoundCounter sounds;
    ASSERT_TRUE(place(50, 50));
    EXPECT_TRUE(reflector(0).lit);
    EXPECT_EQ(1u, sounds(Sounds::Connect));
    EXPECT_EQ(0u, sounds(Sounds::Lightbox));
}

INSTANTIATE_TEST_SUITE_P(FourWays, LampDirectionTest,
                         ::testing::Values(Direction{"left", -1, 0}, Direction{"right", 1, 0},
                                           Direction{"up", 0, -1}, Direction{"down", 0, 1}),
                         [](const ::testing::TestParamInfo<Direction>& info) { return info.param.name; });

class LampBehindTest : public LightTest, public ::testing::WithParamInterface<TileType> {};

TEST_P(LampBehindTest, ALampBehindAnyBlockingCellIsNotSeen)
{
    fillRow(map, 10, 10, 16, Empty);
    map[10][14] = GetParam();
    map[10][17] = Lamp;
    start();

    SoundCounter sounds;
    ASSERT_TRUE(place(12, 10));
    EXPECT_FALSE(reflector(0).lit);
    EXPECT_EQ(0u, sounds(Sounds::Connect));
}

INSTANTIATE_TEST_SUITE_P(Blockers, LampBehindTest,
                         ::testing::Values(LightBox, LightPipe, Crate, Spikes, Lava, Earth, Grass,
                                           static_cast<TileType>(200)));

// ---- Reflectors lighting reflectors ---------------------------------------------------

class PairInARowTest : public LightTest, public ::testing::WithParamInterface<bool> {};

TEST_P(PairInARowTest, BothAreLitWhicheverWasPlacedFirst)
{
    // Row 10 is open from column 10 to 30; a lamp hangs above column 12 only.
    fillRow(map, 10, 10, 30, Empty);
    fillColumn(map, 12, 6, 9, CaveBack);
    map[5][12] = Lamp;
    start();

    bool lampSideFirst = GetParam();
    ASSERT_TRUE(place(lampSideFirst ? 12 : 25, 10));
    ASSERT_TRUE(place(lampSideFirst ? 25 : 12, 10));
    EXPECT_TRUE(reflector(0).lit);
    EXPECT_TRUE(reflector(1).lit);
}

INSTANTIATE_TEST_SUITE_P(EitherOrder, PairInARowTest, ::testing::Bool());

// Corridors: A at (15,10) sees a lamp at (20,10); B at (15,5) sees A down its column;
// C at (10,5) sees B along row 5. Nothing else sees anything.
class ChainTest : public LightTest {
protected:
    ChainTest()
    {
        fillRow(map, 10, 15, 19, Empty);
        map[10][20] = Lamp;
        fillColumn(map, 15, 5, 10, Empty);
        fillRow(map, 5, 10, 15, Empty);
        start();
    }
};

TEST_F(ChainTest, AChainPlacedAgainstTheLightIsLitByOnePlacement)
{
    SoundCounter sounds;
    ASSERT_TRUE(place(10, 5));   // C
    ASSERT_TRUE(place(15, 5));   // B
    EXPECT_FALSE(reflector(0).lit);
    EXPECT_FALSE(reflector(1).lit);
    EXPECT_EQ(0u, sounds(Sounds::Connect));

    ASSERT_TRUE(place(15, 10));  // A: three rounds
    EXPECT_TRUE(reflector(0).lit);
    EXPECT_TRUE(reflector(1).lit);
    EXPECT_TRUE(reflector(2).lit);
    // Round 1 lights A and B, round 2 lights C; in round 3 nothing turns lit, but B, lit,
    // still sees the earliest-placed reflector C lit on its left.
    EXPECT_EQ(3u, sounds(Sounds::Connect));
}

TEST_F(ChainTest, TheEarliestReflectorSeenLitOnTheLeftRepeatsConnectOnEveryLaterPlacement)
{
    place(10, 5);
    place(15, 5);
    place(15, 10);
    SoundCounter sounds;
    ASSERT_TRUE(placeIsolated(0));
    EXPECT_FALSE(reflector(3).lit);
    EXPECT_EQ(4u, sounds(Sounds::Connect)) << "once per round, four rounds";
    ASSERT_TRUE(placeIsolated(1));
    EXPECT_EQ(4u + 5u, sounds(Sounds::Connect));
}

TEST_F(LightTest, TheEarliestReflectorSeenLitOnTheRightDoesNotRepeatConnect)
{
    fillRow(map, 10, 10, 20, Empty);
    fillColumn(map, 15, 6, 9, Empty);
    map[5][15] = Lamp;
    start();
    place(15, 10);   // the earliest, lit by the lamp above
    place(10, 10);   // sees it on its right
    ASSERT_TRUE(reflector(1).lit);

    SoundCounter sounds;
    placeIsolated(0);
    EXPECT_EQ(0u, sounds(Sounds::Connect));
}

TEST_F(LightTest, ALaterLitReflectorSeenOnTheLeftDoesNotRepeatConnect)
{
    fillRow(map, 10, 10, 20, Empty);
    fillColumn(map, 10, 6, 9, Empty);
    map[5][10] = Lamp;
    start();
    placeIsolated(0);  // the earliest, never lit
    place(10, 10);     // lit by the lamp above
    place(15, 10);     // lit through the one on its left
    ASSERT_TRUE(reflector(2).lit);

    SoundCounter sounds;
    placeIsolated(1);
    EXPECT_EQ(0u, sounds(Sounds::Connect));
}

TEST_F(LightTest, ALampOnTheLeftRepeatsConnectInEveryRound)
{
    fillRow(map, 10, 10, 20, Empty);
    map[10][9] = Lamp;
    start();
    place(12, 10);
    SoundCounter sounds;
    placeIsolated(0);
    EXPECT_EQ(2u, sounds(Sounds::Connect));
    placeIsolated(1);
    EXPECT_EQ(2u + 3u, sounds(Sounds::Connect));
}

TEST_F(LightTest, ALampOnTheRightOfALitReflectorDoesNotRepeatConnect)
{
    fillRow(map, 10, 10, 20, Empty);
    map[10][21] = Lamp;
    start();
    place(12, 10);
    ASSERT_TRUE(reflector(0).lit);
    SoundCounter sounds;
    placeIsolated(0);
    placeIsolated(1);
    EXPECT_EQ(0u, sounds(Sounds::Connect));
}

// ---- Light boxes --------------------------------------------------------------------

TEST_F(LightTest, ABoxSeeingLitReflectorsIsLitAndCountedOnce)
{
    // A box at (15,5) looks down column 15, where two lamp-lit reflectors will stand.
    map[5][15] = LightBox;
    fillColumn(map, 15, 6, 14, Empty);
    fillRow(map, 8, 16, 17, Empty);
    map[8][18] = Lamp;
    fillRow(map, 12, 16, 17, Empty);
    map[12][18] = Lamp;
    map[40][40] = LightBox;   // a second box that nothing reaches keeps the level going
    start();

    SoundCounter sounds;
    place(15, 12);
    EXPECT_TRUE(box(0).lit);
    EXPECT_EQ(1, litCount());
    EXPECT_EQ(1u, sounds(Sounds::Lightbox));

    place(15, 8);
    EXPECT_EQ(1, litCount());
    EXPECT_EQ(1u, sounds(Sounds::Lightbox));
    EXPECT_FALSE(game->isLevelComplete());
}

TEST_F(LightTest, TwoReflectorsLitTogetherInOneLineCountTheBoxOnce)
{
    map[5][15] = LightBox;
    fillColumn(map, 15, 6, 14, Empty);
    map[14][15] = Crate;
    map[15][15] = Lamp;
    map[40][40] = LightBox;
    start();
    place(15, 8);
    place(15, 12);
    ASSERT_FALSE(reflector(0).lit);

    // With the crate gone, the next placement lights both at once, and the box with them.
    map[14][15] = CaveBack;
    SoundCounter sounds;
    placeIsolated(0);
    EXPECT_TRUE(reflector(0).lit);
    EXPECT_TRUE(reflector(1).lit);
    EXPECT_TRUE(box(0).lit);
    EXPECT_EQ(1, litCount());
    EXPECT_EQ(1u, sounds(Sounds::Lightbox));
}

TEST_F(LightTest, ABoxSeeingOnlyALampStaysUnlit)
{
    map[10][10] = LightBox;
    fillRow(map, 10, 11, 19, Empty);
    map[10][20] = Lamp;
    fillRow(map, 11, 12, 14, Empty);   // a reflector below the row sees neither
    start();

    SoundCounter sounds;
    place(13, 11);
    EXPECT_FALSE(box(0).lit);
    EXPECT_EQ(0, litCount());
    EXPECT_EQ(0u, sounds(Sounds::Lightbox));
}

TEST_F(LightTest, LightingTheLastBoxCompletesTheLevelInThatPlacement)
{
    map[10][10] = LightBox;
    map[10][30] = LightBox;
    fillRow(map, 10, 11, 29, Empty);
    fillColumn(map, 20, 11, 13, Empty);
    map[14][20] = Lamp;
    fillRow(map, 20, 10, 20, Empty);
    map[20][21] = Lamp;
    map[20][9] = LightBox;
    start();

    place(15, 20);   // lit by its lamp; lights the box at (9,20)
    EXPECT_EQ(1, litCount());
    EXPECT_FALSE(game->isLevelComplete());
    place(20, 10);   // lit from below; sees both boxes of row 10
    EXPECT_EQ(3, litCount());
    EXPECT_TRUE(game->isLevelComplete());
}

TEST_F(LightTest, ALevelWithoutBoxesIsNeverComplete)
{
    fillRow(map, 10, 10, 20, Empty);
    map[10][21] = Lamp;
    start();
    place(12, 10);
    place(15, 10);
    EXPECT_TRUE(reflector(1).lit);
    EXPECT_FALSE(game->isLevelComplete());
}

TEST_F(LightTest, ACrateTakenOutOfTheWayLightsNothingUntilTheNextPlacement)
{
    map[10][10] = LightBox;
    fillRow(map, 10, 11, 19, Empty);
    map[10][12] = Crate;
    map[10][20] = Lamp;
    map[40][40] = LightBox;
    start();

    place(15, 10);
    ASSERT_TRUE(reflector(0).lit);
    ASSERT_FALSE(box(0).lit);

    map[10][12] = CaveBack;   // what the player leaves when it takes the crate
    EXPECT_FALSE(box(0).lit);
    placeIsolated(0);
    EXPECT_TRUE(box(0).lit);
    EXPECT_EQ(1, litCount());
}

TEST_F(LightTest, ASecondReflectorOnTheSameCellIsRefusedAndChangesNothing)
{
    fillRow(map, 10, 10, 20, Empty);
    map[10][9] = Lamp;
    start();
    ASSERT_TRUE(place(12, 10));

    SoundCounter sounds;
    EXPECT_FALSE(place(12, 10));
    EXPECT_EQ(1u, game->getReflectors().size());
    EXPECT_EQ(0u, sounds(Sounds::Connect));
}

TEST_F(LightTest, AReflectorAboveTheMapIsPlacedButNeverLit)
{
    fillRow(map, 0, 0, 20, Empty);
    map[0][21] = Lamp;
    start();
    ASSERT_TRUE(place(5, -2));
    EXPECT_FALSE(place(5, -2));
    EXPECT_FALSE(reflector(0).lit);
    ASSERT_TRUE(place(5, 0));
    EXPECT_TRUE(reflector(1).lit);
    EXPECT_FALSE(reflector(0).lit);
}

TEST_F(LightTest, UpdateReflectorsRunsOneRound)
{
    fillRow(map, 10, 15, 19, Empty);
    map[10][20] = Lamp;
    fillColumn(map, 15, 5, 10, Empty);
    fillRow(map, 5, 10, 15, Empty);
    start();
    place(10, 5);
    place(15, 5);
    map[10][20] = Earth;      // no light yet
    place(15, 10);
    map[10][20] = Lamp;

    game->updateReflectors();  // lights A, then B through A; C comes a round later
    EXPECT_TRUE(reflector(2).lit);
    EXPECT_TRUE(reflector(1).lit);
    EXPECT_FALSE(reflector(0).lit);
    game->updateReflectors();
    EXPECT_TRUE(reflector(0).lit);
}

} // namespace
