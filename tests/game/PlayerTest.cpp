#include <cmath>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "game/Player.h"
#include "tests/game/GameWorld.h"

using gameworld::Map;
using gameworld::SoundCounter;

namespace {

// A player standing at its start (4, 22) on an earth floor in row 23.
class PlayerTest : public ::testing::Test {
protected:
    PlayerTest() { gameworld::fillRow(*map, 23, 0, MapWidth - 1, Earth); }

    void frames(int n)
    {
        for (int i = 0; i < n; ++i)
            player.move(*map);
    }

    Map map;
    Player player;
};

// ---- Walking ------------------------------------------------------------------------

TEST_F(PlayerTest, HoldingLeftAndRightTogetherStandsStillAndKeepsTheFacing)
{
    player.moveLeft(true);
    frames(3);
    float x = player.getX();
    ASSERT_FALSE(player.isFacingRight());

    player.moveRight(true);
    frames(5);
    EXPECT_EQ(x, player.getX());
    EXPECT_FALSE(player.isFacingRight());
}

TEST_F(PlayerTest, WalkingRightIntoACrateCollectsItAndMovesInTheSameFrame)
{
    map.at(5, 22) = Crate;
    SoundCounter sounds;
    player.moveRight(true);
    frames(1);
    EXPECT_EQ(CaveBack, map.at(5, 22));
    EXPECT_EQ(15, player.getNumReflectors());
    EXPECT_EQ(1u, sounds(Sounds::Pickup));
    EXPECT_NEAR(4.1f, player.getX(), 1e-5);
}

TEST_F(PlayerTest, WalkingLeftIntoACrateCollectsItAndMovesInTheSameFrame)
{
    map.at(3, 22) = Crate;
    player.moveLeft(true);
    frames(1);   // x 4.0 looks at column 4: open
    ASSERT_EQ(Crate, map.at(3, 22));
    frames(1);   // x 3.9 looks at column 3: the crate
    EXPECT_EQ(CaveBack, map.at(3, 22));
    EXPECT_EQ(15, player.getNumReflectors());
    EXPECT_NEAR(3.8f, player.getX(), 1e-5);
}

TEST_F(PlayerTest, WalkingOnSpikesIsSafe)
{
    gameworld::fillRow(*map, 23, 0, 100, Spikes);
    player.moveRight(true);
    frames(60);
    EXPECT_EQ(3, player.getNumLives());
    EXPECT_EQ(22.0f, player.getY());
    EXPECT_FALSE(player.isFalling());
    EXPECT_GT(player.getX(), 9.9f);
}

class PlayerSideHazardTest : public PlayerTest, public ::testing::WithParamInterface<TileType> {};

TEST_P(PlayerSideHazardTest, WalkingIntoItCostsALifeAtOnceWithoutEnteringIt)
{
    map.at(8, 22) = GetParam();
    SoundCounter sounds;
    player.moveRight(true);
    float furthest = 0.0f;
    int frame = 0;
    while (player.getNumLives() == 3 && frame < 100) {
        furthest = player.getX();
        player.move(*map);
        ++frame;
    }
    ASSERT_EQ(2, player.getNumLives());
    // The last position before the hit had the hazard right ahead (column of x + 1).
    EXPECT_EQ(8, static_cast<int>(furthest + 1.0f));
    EXPECT_LT(furthest, 7.15f);
    EXPECT_EQ(Player::StartX, player.getX());
    EXPECT_EQ(Player::StartY, player.getY());
    EXPECT_EQ(1u, sounds(Sounds::Die));
    EXPECT_EQ(GetParam(), map.at(8, 22));
}

TEST_P(PlayerSideHazardTest, WalkingLeftIntoItCostsALifeToo)
{
    map.at(1, 22) = GetParam();
    player.moveLeft(true);
    for (int frame = 0; frame < 30 && player.getNumLives() == 3; ++frame)
        player.move(*map);
    EXPECT_EQ(2, player.getNumLives());
    EXPECT_EQ(Player::StartX, player.getX());
    EXPECT_TRUE(player.isFacingRight()) << "a lost life turns the player to the right";
}

INSTANTIATE_TEST_SUITE_P(SpikesAndLava, PlayerSideHazardTest, ::testing::Values(Spikes, Lava));

TEST_F(PlayerTest, SteppingOntoLavaCostsALifeOnTheStepAfterTheCentreIsOverIt)
{
    gameworld::fillRow(*map, 23, 7, 30, Lava);
    player.moveRight(true);
    while (player.getX() < 6.5f) {
        player.move(*map);
        ASSERT_EQ(3, player.getNumLives());
    }
    // The centre is over lava now; the lava under the old centre is what costs the life.
    frames(1);
    EXPECT_EQ(2, player.getNumLives());
    EXPECT_EQ(Player::StartX, player.getX());
}

TEST_F(PlayerTest, LandingOnLavaCostsALife)
{
    gameworld::fillRow(*map, 23, 0, MapWidth - 1, Empty);
    gameworld::fillRow(*map, 30, 0, MapWidth - 1, Lava);
    player.jump(false);   // a release starts a fall
    float lastY = 0.0f;
    int frame = 0;
    while (player.getNumLives() == 3 && frame < 200) {
        lastY = player.getY();
        player.move(*map);
        ++frame;
    }
    EXPECT_EQ(2, player.getNumLives());
    EXPECT_EQ(29, static_cast<int>(lastY)) << "the life goes when the lava is right below";
}

// ---- Jumping ------------------------------------------------------------------------

TEST_F(PlayerTest, TheArcLasts31FramesAndRisesAtMostThreeCells)
{
    SoundCounter sounds;
    player.jump(true);
    EXPECT_EQ(1u, sounds(Sounds::Jump));
    float highest = 22.0f;
    int highestFrame = 0;
    for (int frame = 1; frame <= 31; ++frame) {
        player.move(*map);
        ASSERT_LT(player.getJumpPhase(), Player::Pi) << "frame " << frame;
        ASSERT_LT(player.getY(), 22.0f) << "frame " << frame;
        if (player.getY() < highest) {
            highest = player.getY();
            highestFrame = frame;
        }
    }
    player.move(*map);
    EXPECT_GE(player.getJumpPhase(), Player::Pi);
    EXPECT_GE(highest, 19.0f);
    EXPECT_LT(highest, 19.01f);
    EXPECT_EQ(16, highestFrame);
}

TEST_F(PlayerTest, HittingSpikesWithTheHeadCostsALife)
{
    map.at(4, 20) = Spikes;
    player.jump(true);
    for (int frame = 1; frame <= 3; ++frame) {
        player.move(*map);
        ASSERT_EQ(3, player.getNumLives());
    }
    player.move(*map);   // phase 0.4 takes the head into row 20
    EXPECT_EQ(2, player.getNumLives());
    EXPECT_EQ(Player::StartY, player.getY());
}

class PlayerCeilingTest : public PlayerTest, public ::testing::WithParamInterface<TileType> {};

TEST_P(PlayerCeilingTest, HittingItWithTheHeadOnlyEndsTheRise)
{
    map.at(4, 20) = GetParam();
    player.jump(true);
    frames(4);
    EXPECT_EQ(3, player.getNumLives());
    EXPECT_EQ(Player::Pi, player.getJumpPhase());
    // Put back under the ceiling at row 21, then the first fall step of the same frame.
    EXPECT_NEAR(21.1f, player.getY(), 1e-5);
    EXPECT_EQ(GetParam(), map.at(4, 20)) << "a crate is not collected with the head";

    float highest = player.getY();
    for (int i = 0; i < 40; ++i) {
        player.move(*map);
        highest = std::min(highest, player.getY());
    }
    EXPECT_GE(highest, 21.0f);
    EXPECT_GE(player.getY(), 22.0f);
}

INSTANTIATE_TEST_SUITE_P(HeadBlockers, PlayerCeilingTest, ::testing::Values(Lava, Crate, Earth));

TEST_F(PlayerTest, ReleasingJumpMidArcFallsFromThereWithTheCurrentFallStep)
{
    player.jump(true);
    frames(10);
    float released = player.getY();
    ASSERT_LT(released, 20.0f);
    player.jump(false);
    EXPECT_TRUE(player.isFalling());
    frames(1);
    EXPECT_NEAR(released + 0.1f, player.getY(), 1e-5);
    frames(1);
    EXPECT_NEAR(released + 0.21f, player.getY(), 1e-5);
    frames(40);
    EXPECT_EQ(22.0f, player.getY());
    EXPECT_FALSE(player.isFalling());
    EXPECT_EQ(Player::FirstFallStep, player.getFallSpeed());
}

TEST_F(PlayerTest, HoldingJumpAfterLandingDoesNotJumpAgainUntilPressedAgain)
{
    player.jump(true);
    frames(40);
    ASSERT_TRUE(player.isJumpSpent());
    float landed = player.getY();
    ASSERT_GE(landed, 22.0f);
    for (int i = 0; i < 60; ++i) {
        player.move(*map);
        ASSERT_EQ(landed, player.getY()) << "still holding the key, frame " << i;
    }

    player.jump(false);
    frames(1);
    EXPECT_EQ(22.0f, player.getY()) << "the release snaps the height back onto the ground";

    SoundCounter sounds;
    player.jump(true);
    EXPECT_FALSE(player.isJumpSpent());
    EXPECT_EQ(1u, sounds(Sounds::Jump));
    frames(1);
    EXPECT_LT(player.getY(), 22.0f);
}

TEST_F(PlayerTest, JumpPressedInMidAirStartsOnLandingMeasuredFromTheGround)
{
    player.jump(true);
    frames(16);
    player.jump(false);
    frames(3);
    SoundCounter sounds;
    player.jump(true);
    EXPECT_EQ(1u, sounds(Sounds::Jump));

    // The player keeps falling until the cell below it is solid; then the arc starts,
    // measured from the ground it starts on, not from where the key was pressed.
    float before = player.getY();
    for (int frame = 0; frame < 100; ++frame) {
        before = player.getY();
        player.move(*map);
        if (player.getY() < before)
            break;
    }
    EXPECT_EQ(22, static_cast<int>(before));
    EXPECT_NEAR(before - 3.0f * std::sin(0.1f), player.getY(), 1e-4);
    frames(15);
    EXPECT_NEAR(before - 3.0f, player.getY(), 0.01f) << "the top of the arc, three cells above the ground";
}

// The joystick's button sends a Z press and never a release.
TEST_F(PlayerTest, RepeatedPressesWithoutAReleaseJumpOnlyOnce)
{
    SoundCounter sounds;
    player.jump(true);
    frames(50);
    ASSERT_TRUE(player.isJumpSpent());
    player.jump(true);
    player.jump(true);
    EXPECT_EQ(1u, sounds(Sounds::Jump));
    float y = player.getY();
    frames(30);
    EXPECT_EQ(y, player.getY()) << "no second jump";

    player.jump(false);
    player.jump(true);
    EXPECT_EQ(2u, sounds(Sounds::Jump));
    frames(2);
    EXPECT_LT(player.getY(), 22.0f);
}

// ---- Falling ------------------------------------------------------------------------

TEST_F(PlayerTest, FallingOntoACrateCollectsItAndFallsTwoStepsThatFrame)
{
    map.at(4, 23) = Crate;
    SoundCounter sounds;
    player.jump(false);
    frames(1);
    EXPECT_EQ(CaveBack, map.at(4, 23));
    EXPECT_EQ(15, player.getNumReflectors());
    EXPECT_EQ(1u, sounds(Sounds::Pickup));
    EXPECT_NEAR(22.0f + 0.1f + 0.11f, player.getY(), 1e-5);
    EXPECT_NEAR(0.12f, player.getFallSpeed(), 1e-6);
}

// A robot low in its row falling fast (a step sideways can bring a crate under it there)
// falls through the crate's cell but not on into the rock beneath.
TEST_F(PlayerTest, AFastFallThroughACrateStopsAtTheRockUnderIt)
{
    gameworld::fillRow(*map, 23, 0, MapWidth - 1, Empty);
    player.jump(false);
    frames(45);
    ASSERT_GE(player.getFallSpeed(), 0.5f);
    map.at(4, 61) = Crate;
    map.at(4, 62) = Earth;
    player.setPosition(4.0f, 60.99f);
    frames(1);
    EXPECT_EQ(CaveBack, map.at(4, 61));
    EXPECT_EQ(61, static_cast<int>(player.getY()));
    frames(1);
    EXPECT_EQ(61.0f, player.getY());
    EXPECT_FALSE(player.isFalling());
}

TEST_F(PlayerTest, TheFallStepStopsGrowingAt051After41Frames)
{
    gameworld::fillRow(*map, 23, 0, MapWidth - 1, Empty);
    player.jump(false);
    frames(40);
    EXPECT_LT(player.getFallSpeed(), 0.5f);
    frames(1);
    EXPECT_NEAR(0.51f, player.getFallSpeed(), 1e-5);
    float limit = player.getFallSpeed();
    frames(20);
    EXPECT_EQ(limit, player.getFallSpeed());
}

TEST_F(PlayerTest, WalkingOffALedgeStartsAFall)
{
    gameworld::fillRow(*map, 23, 6, MapWidth - 1, Empty);
    player.moveRight(true);
    while (!player.isFalling())
        player.move(*map);
    EXPECT_EQ(6, static_cast<int>(player.getX() + 0.5f));
}

// ---- Lives --------------------------------------------------------------------------

TEST_F(PlayerTest, ALostLifeRespawnsAtTheStartWithTheMotionReset)
{
    gameworld::fillRow(*map, 23, 0, MapWidth - 1, Empty);
    player.moveLeft(true);
    player.jump(false);
    frames(12);
    ASSERT_GT(player.getFallSpeed(), 0.1f);
    SoundCounter sounds;
    player.decrementNumLives();
    EXPECT_EQ(2, player.getNumLives());
    EXPECT_EQ(Player::StartX, player.getX());
    EXPECT_EQ(Player::StartY, player.getY());
    EXPECT_TRUE(player.isFacingRight());
    EXPECT_FALSE(player.isFalling());
    EXPECT_EQ(Player::FirstFallStep, player.getFallSpeed());
    EXPECT_EQ(10, player.getNumReflectors());
    EXPECT_EQ(1u, sounds(Sounds::Die));
}

TEST_F(PlayerTest, TheLastLifeParksThePlayerOutsideTheMapAndStopsIt)
{
    player.decrementNumLives();
    player.decrementNumLives();
    player.decrementNumLives();
    EXPECT_EQ(0, player.getNumLives());
    EXPECT_EQ(-2.0f, player.getX());
    EXPECT_EQ(22.0f, player.getY());

    player.moveRight(true);
    player.jump(true);
    frames(10);
    EXPECT_EQ(-2.0f, player.getX());
    EXPECT_EQ(22.0f, player.getY());
}

// ---- The map's edges ----------------------------------------------------------------

TEST_F(PlayerTest, TheLeftEdgeOfTheMapIsAWall)
{
    player.moveLeft(true);
    frames(200);
    EXPECT_GT(player.getX(), -1.1f);
    EXPECT_LT(player.getX(), -0.9f);
    EXPECT_EQ(3, player.getNumLives());
}

TEST_F(PlayerTest, TheRightEdgeOfTheMapIsAWall)
{
    player.setPosition(1018.0f, 22.0f);
    player.moveRight(true);
    frames(200);
    // It stops once the column of x + 1 is outside the map.
    EXPECT_GT(player.getX(), 1022.95f);
    EXPECT_LT(player.getX(), 1023.15f);
    EXPECT_EQ(1023, static_cast<int>(player.getX() + 0.5f));
}

TEST_F(PlayerTest, TheTopOfTheMapIsACeiling)
{
    gameworld::fillRow(*map, 2, 0, MapWidth - 1, Earth);
    player.setPosition(4.0f, 1.0f);
    player.jump(true);
    float highest = 1.0f;
    for (int i = 0; i < 60; ++i) {
        player.move(*map);
        highest = std::min(highest, player.getY());
    }
    EXPECT_GT(highest, -1.2f);
    EXPECT_GE(player.getY(), 1.0f);
    EXPECT_LT(player.getY(), 1.5f);
}

// ---- Never inside rock --------------------------------------------------------------

// A closed cave of 48 x 36 cells with walls, a floor and random ledges and blocks of every
// blocking kind; the start (4, 22), where a lost life puts the robot back, stays open.
void carveRandomCave(Map& map, std::mt19937& random)
{
    const int width = 48, height = 36;
    const TileType blockers[] = {Earth, Earth, Grass, Lamp, LightBox, LightPipe, Crate, Spikes, Lava};
    auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int row = 0; row < height; ++row)
        gameworld::fillRow(*map, row, 0, width - 1, Empty);
    for (int blocks = 5 + pick(25); blocks > 0; --blocks) {
        int column = 1 + pick(width - 2), row = pick(height - 1);
        int right = std::min(width - 2, column + pick(8)), bottom = std::min(height - 2, row + pick(3));
        TileType tile = blockers[pick(9)];
        for (int r = row; r <= bottom; ++r)
            gameworld::fillRow(*map, r, column, right, pick(5) == 0 ? blockers[pick(9)] : tile);
    }
    gameworld::fillRow(*map, height - 1, 0, width - 1, Earth);
    gameworld::fillColumn(*map, 0, 0, height - 1, Earth);
    gameworld::fillColumn(*map, width - 1, 0, height - 1, Earth);
    map.at(4, 22) = Empty;
}

TEST(PlayerInRandomCaves, RandomKeysNeverEndAFrameWithTheRobotInsideABlockingCell)
{
    std::mt19937 random(22);
    Map map;
    for (int trial = 0; trial < 3000; ++trial) {
        carveRandomCave(map, random);
        Player player;
        int column = 1 + static_cast<int>(random() % 46), row = static_cast<int>(random() % 35);
        map.at(column, row) = Empty;
        player.setPosition(static_cast<float>(column), static_cast<float>(row));
        std::ostringstream keys;
        for (int frame = 0; frame < 600; ++frame) {
            if (random() % 10 == 0) {
                bool pressed = random() % 2 == 0;
                switch (random() % 3) {
                case 0: player.moveLeft(pressed); keys << frame << (pressed ? " L" : " l") << ", "; break;
                case 1: player.moveRight(pressed); keys << frame << (pressed ? " R" : " r") << ", "; break;
                default: player.jump(pressed); keys << frame << (pressed ? " Z" : " z") << ", "; break;
                }
            }
            float fromX = player.getX(), fromY = player.getY();
            player.move(*map);
            if (player.getNumLives() == 0)
                break;   // parked outside the map
            TileType inside = tileAt(*map, static_cast<int>(player.getX() + 0.5f), static_cast<int>(player.getY()));
            ASSERT_TRUE(isPassable(inside))
                << "trial " << trial << ", frame " << frame << ": from (" << fromX << ", " << fromY << ") to ("
                << player.getX() << ", " << player.getY() << "), inside tile " << inside << "; keys " << keys.str();
        }
    }
}

} // namespace
