#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "tests/game/GameWorld.h"
#include "tests/support/RecordingDrawer.h"
#include "tests/support/TempFolder.h"

using gameworld::SoundCounter;
using gameworld::fillColumn;
using gameworld::fillRow;
using gameworld::litCount;

namespace {

// ---- Loading the level file -------------------------------------------------------------

// A bundle folder of its own with Contents/Resources/level.lev, for one test.
class LevelFileFolder {
public:
    LevelFileFolder()
    {
        mkdir((folder + "/Contents").c_str(), 0755);
        mkdir((folder + "/Contents/Resources").c_str(), 0755);
        temp.exportAs("TARNWICK_DATA_DIR");
    }

    void write(const std::vector<unsigned char>& bytes)
    {
        std::ofstream out(folder + "/Contents/Resources/level.lev", std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::unique_ptr<GamePlay> load() { return std::unique_ptr<GamePlay>(new GamePlay(nullptr)); }

    TempFolder temp{"gameplay"};
    const std::string folder = temp.path();
};

std::vector<unsigned char> levelBytes()
{
    return std::vector<unsigned char>(static_cast<size_t>(MapWidth) * MapHeight, 0);
}

void setByte(std::vector<unsigned char>& bytes, int column, int row, unsigned char value)
{
    bytes[static_cast<size_t>(row) * MapWidth + static_cast<size_t>(column)] = value;
}

int cellsNotEqual(const TileMap& map, TileType tile)
{
    int n = 0;
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            n += map[row][column] != tile ? 1 : 0;
    return n;
}

TEST(GamePlayLevelTest, AFileOfZerosIsOpenSpaceWithoutBoxesOrBalls)
{
    LevelFileFolder folder;
    folder.write(levelBytes());
    auto game = folder.load();
    EXPECT_EQ(0, cellsNotEqual(game->getMap(), Empty));
    EXPECT_TRUE(game->getLightBoxes().empty());
    EXPECT_TRUE(game->getSpikeBalls().empty());
}

TEST(GamePlayLevelTest, BoxesAndBallsAreListedInFileOrder)
{
    LevelFileFolder folder;
    std::vector<unsigned char> bytes = levelBytes();
    setByte(bytes, 7, 3, LightBox);
    setByte(bytes, 2, 9, LightBox);
    setByte(bytes, 900, 3, LightBox);
    setByte(bytes, 5, 700, SpikeBallStart);
    setByte(bytes, 1000, 2, SpikeBallStart);
    setByte(bytes, 0, 0, 200);
    folder.write(bytes);
    auto game = folder.load();

    const std::vector<Reflector>& boxes = game->getLightBoxes();
    ASSERT_EQ(3u, boxes.size());
    EXPECT_EQ(7, boxes[0].x);
    EXPECT_EQ(3, boxes[0].y);
    EXPECT_EQ(900, boxes[1].x);
    EXPECT_EQ(2, boxes[2].x);
    EXPECT_EQ(9, boxes[2].y);
    for (const Reflector& box : boxes)
        EXPECT_FALSE(box.lit);
    EXPECT_EQ(LightBox, game->getMap()[3][7]);

    const std::vector<SpikeBall*>& balls = game->getSpikeBalls();
    ASSERT_EQ(2u, balls.size());
    EXPECT_EQ(1000.0f, balls[0]->getX());
    EXPECT_EQ(2, balls[0]->getY());
    EXPECT_EQ(5.0f, balls[1]->getX());
    EXPECT_EQ(700, balls[1]->getY());
    EXPECT_FALSE(balls[0]->isMovingRight());
    EXPECT_EQ(CaveBack, game->getMap()[2][1000]);
    EXPECT_EQ(CaveBack, game->getMap()[700][5]);
    EXPECT_EQ(200u, static_cast<unsigned>(game->getMap()[0][0]));
}

TEST(GamePlayLevelTest, AMissingFileGivesAnEmptyWorld)
{
    LevelFileFolder folder;
    auto game = folder.load();
    EXPECT_EQ(0, cellsNotEqual(game->getMap(), Empty));
    EXPECT_TRUE(game->getLightBoxes().empty());
    EXPECT_TRUE(game->getSpikeBalls().empty());
}

TEST(GamePlayLevelTest, AnEmptyFileGivesAnEmptyMap)
{
    LevelFileFolder folder;
    folder.write(std::vector<unsigned char>());
    auto game = folder.load();
    EXPECT_EQ(0, cellsNotEqual(game->getMap(), Empty));
}

TEST(GamePlayLevelTest, AShortFileEndsInOpenSpaceAndSaysSo)
{
    LevelFileFolder folder;
    folder.write(std::vector<unsigned char>{5, 10});
    ::testing::internal::CaptureStdout();
    auto game = folder.load();
    EXPECT_NE(std::string::npos, ::testing::internal::GetCapturedStdout().find(" is short: 2 of 786432 bytes"));
    EXPECT_EQ(LightBox, game->getMap()[0][0]);
    EXPECT_EQ(2, cellsNotEqual(game->getMap(), Empty)) << "the box and the ball's cave";
    EXPECT_EQ(1u, game->getLightBoxes().size());
    EXPECT_EQ(1u, game->getSpikeBalls().size());
}

// ---- Phases and keys ----------------------------------------------------------------------

// An open world with an earth floor under the start in row 23.
class GamePlayTest : public ::testing::Test {
protected:
    GamePlayTest() : game(gameworld::makeEmptyGame()), map(game->getMap())
    {
        fillRow(map, 23, 0, MapWidth - 1, Earth);
    }

    void start() { gameworld::startLevel(*game); }

    void frames(int n)
    {
        for (int i = 0; i < n; ++i) {
            drawer.clear();
            game->draw(&drawer);
        }
    }

    void press(SDLKey sym) { game->keyDown(keyOf(sym)); }
    void release(SDLKey sym) { game->keyUp(keyOf(sym)); }

    void dismissStory()
    {
        press(SDLK_RETURN);
        release(SDLK_RETURN);
    }

    std::unique_ptr<GamePlay> game;
    TileMap& map;
    RecordingDrawer drawer;
};

TEST_F(GamePlayTest, StartsWithTheStoryAndTheWorldStill)
{
    map[22][10] = SpikeBallStart;
    start();
    EXPECT_TRUE(game->isStoryShown());
    EXPECT_EQ("GamePlay", game->getName());
    press(SDLK_RIGHT);   // this only dismisses the story...
    game->keyDown(keyOf(SDLK_RIGHT));
    frames(1);
    EXPECT_FALSE(game->isStoryShown());
}

TEST_F(GamePlayTest, NothingMovesWhileTheStoryIsShown)
{
    map[22][10] = SpikeBallStart;
    start();
    frames(20);
    EXPECT_EQ(10.0f, game->getSpikeBalls()[0]->getX());
    EXPECT_EQ(Player::StartX, game->getPlayer().getX());
}

TEST_F(GamePlayTest, TheFirstKeyOnlyDismissesTheStory)
{
    SoundCounter sounds;
    press(SDLK_z);
    EXPECT_FALSE(game->isStoryShown());
    EXPECT_EQ(0u, sounds(Sounds::Jump));
    EXPECT_FALSE(game->getPlayer().isJumpHeld());
    release(SDLK_z);   // the release still reaches the player
    EXPECT_TRUE(game->getPlayer().isFalling());
}

TEST_F(GamePlayTest, ArrowsWalkUntilReleased)
{
    dismissStory();
    press(SDLK_RIGHT);
    frames(5);
    EXPECT_NEAR(4.5f, game->getPlayer().getX(), 1e-4);
    release(SDLK_RIGHT);
    frames(5);
    EXPECT_NEAR(4.5f, game->getPlayer().getX(), 1e-4);
    press(SDLK_LEFT);
    frames(2);
    EXPECT_NEAR(4.3f, game->getPlayer().getX(), 1e-4);
    EXPECT_FALSE(game->getPlayer().isFacingRight());
    release(SDLK_LEFT);
    frames(1);
    EXPECT_NEAR(4.3f, game->getPlayer().getX(), 1e-4);
}

TEST_F(GamePlayTest, ZJumpsAndItsReleaseEndsTheRise)
{
    dismissStory();
    SoundCounter sounds;
    press(SDLK_z);
    EXPECT_EQ(1u, sounds(Sounds::Jump));
    frames(5);
    EXPECT_LT(game->getPlayer().getY(), 21.0f);
    release(SDLK_z);
    EXPECT_TRUE(game->getPlayer().isFalling());
}

TEST_F(GamePlayTest, XDropsAReflectorOnThePlayersCell)
{
    dismissStory();
    SoundCounter sounds;
    press(SDLK_x);
    ASSERT_EQ(1u, game->getReflectors().size());
    EXPECT_EQ(4, game->getReflectors()[0].x);
    EXPECT_EQ(22, game->getReflectors()[0].y);
    EXPECT_EQ(9, game->getPlayer().getNumReflectors());
    EXPECT_EQ(1u, sounds(Sounds::Drop));

    press(SDLK_x);   // the same cell again: nothing used up
    EXPECT_EQ(1u, game->getReflectors().size());
    EXPECT_EQ(9, game->getPlayer().getNumReflectors());
    EXPECT_EQ(1u, sounds(Sounds::Drop));
}

TEST_F(GamePlayTest, XWithNoReflectorsLeftDoesNothing)
{
    dismissStory();
    for (int i = 0; i < 10; ++i) {
        game->getPlayer().setPosition(10.0f + static_cast<float>(i), 22.0f);
        press(SDLK_x);
    }
    ASSERT_EQ(0, game->getPlayer().getNumReflectors());
    SoundCounter sounds;
    game->getPlayer().setPosition(30.0f, 22.0f);
    press(SDLK_x);
    EXPECT_EQ(10u, game->getReflectors().size());
    EXPECT_EQ(0u, sounds(Sounds::Drop));
}

TEST_F(GamePlayTest, TheReflectorGoesUnderThePlayersCentre)
{
    dismissStory();
    game->getPlayer().setPosition(7.6f, 22.9f);
    press(SDLK_x);
    ASSERT_EQ(1u, game->getReflectors().size());
    EXPECT_EQ(8, game->getReflectors()[0].x);
    EXPECT_EQ(22, game->getReflectors()[0].y);
}

TEST_F(GamePlayTest, OtherKeysDoNothing)
{
    dismissStory();
    SoundCounter sounds;
    press(SDLK_SPACE);
    press(SDLK_UP);
    press(SDLK_s);
    frames(3);
    EXPECT_EQ(Player::StartX, game->getPlayer().getX());
    EXPECT_EQ(Player::StartY, game->getPlayer().getY());
    EXPECT_TRUE(game->getReflectors().empty());
    EXPECT_EQ(0u, sounds(Sounds::Jump) + sounds(Sounds::Drop));
}

TEST_F(GamePlayTest, EscapeDuringPlayResetsTheLitCount)
{
    dismissStory();
    GameCounter::getInstance()->incrementCount("LightBoxesLit", 1);
    GameCounter::getInstance()->incrementCount("LightBoxesLit", 1);
    press(SDLK_ESCAPE);
    EXPECT_EQ(0, litCount());
}

TEST_F(GamePlayTest, EscapeDuringTheStoryOnlyDismissesIt)
{
    GameCounter::getInstance()->incrementCount("LightBoxesLit", 1);
    press(SDLK_ESCAPE);
    EXPECT_FALSE(game->isStoryShown());
    EXPECT_EQ(1, litCount());
}

TEST_F(GamePlayTest, AfterTheLastLifeTheBallsMoveOnAndAnyKeyLeaves)
{
    fillRow(map, 40, 0, 100, Empty);
    map[40][50] = SpikeBallStart;
    start();
    dismissStory();
    Player& player = game->getPlayer();
    player.decrementNumLives();
    player.decrementNumLives();
    player.decrementNumLives();
    frames(1);
    ASSERT_TRUE(game->isGameOver());

    float ballX = game->getSpikeBalls()[0]->getX();
    press(SDLK_RIGHT);   // not a walk: any key leaves
    frames(10);
    EXPECT_LT(game->getSpikeBalls()[0]->getX(), ballX - 0.9f);
    EXPECT_EQ(-2.0f, player.getX());

    GameCounter::getInstance()->incrementCount("LightBoxesLit", 1);
    press(SDLK_a);
    EXPECT_EQ(0, litCount());
}

// One light box that a reflector dropped at the start cell lights at once (a lamp to
// the right of the start, the box to the left), and a spike ball patrolling row 40.
class CompletionTest : public GamePlayTest {
protected:
    CompletionTest()
    {
        map[22][1] = LightBox;
        map[22][12] = Lamp;
        fillRow(map, 40, 0, 100, Empty);
        map[40][50] = SpikeBallStart;
        start();
        dismissStory();
    }
};

TEST_F(CompletionTest, LightingTheLastBoxFreezesTheWorld)
{
    press(SDLK_RIGHT);
    press(SDLK_x);
    ASSERT_TRUE(game->isLevelComplete());
    EXPECT_EQ(1, litCount());

    float playerX = game->getPlayer().getX();
    float ballX = game->getSpikeBalls()[0]->getX();
    frames(10);
    EXPECT_EQ(playerX, game->getPlayer().getX());
    EXPECT_EQ(ballX, game->getSpikeBalls()[0]->getX());
}

TEST_F(CompletionTest, TheBallsStillHitAfterCompletion)
{
    press(SDLK_x);
    ASSERT_TRUE(game->isLevelComplete());
    game->getPlayer().setPosition(50.5f, 40.0f);
    frames(1);
    EXPECT_EQ(2, game->getPlayer().getNumLives());
}

TEST_F(CompletionTest, CompletionGovernsWhenLivesRunOutToo)
{
    press(SDLK_x);
    ASSERT_TRUE(game->isLevelComplete());
    game->getPlayer().decrementNumLives();
    game->getPlayer().decrementNumLives();
    game->getPlayer().decrementNumLives();
    frames(1);
    EXPECT_FALSE(game->isGameOver());
}

TEST_F(CompletionTest, AnyKeyAfterCompletionResetsTheCount)
{
    press(SDLK_x);
    ASSERT_TRUE(game->isLevelComplete());
    press(SDLK_z);
    EXPECT_EQ(0, litCount());
    EXPECT_FALSE(game->getPlayer().isJumpHeld());
}

// ---- Spike balls ------------------------------------------------------------------------

TEST(SpikeBallTest, PatrolsBetweenWallsAndTurnsWithoutMovingOnTheTurningFrame)
{
    gameworld::Map map;
    map.at(10, 5) = Earth;
    map.at(15, 5) = Earth;
    SpikeBall ball(12, 5);
    float lowest = 12.0f;
    float highest = 12.0f;
    int turns = 0;
    for (int frame = 0; frame < 300; ++frame) {
        float before = ball.getX();
        bool wasRight = ball.isMovingRight();
        ball.move(*map);
        if (ball.isMovingRight() != wasRight) {
            ++turns;
            EXPECT_EQ(before, ball.getX()) << "frame " << frame;
        } else {
            EXPECT_NEAR(wasRight ? 0.1f : -0.1f, ball.getX() - before, 1e-4) << "frame " << frame;
        }
        lowest = std::min(lowest, ball.getX());
        highest = std::max(highest, ball.getX());
    }
    EXPECT_GE(turns, 6);
    // It turns where one more step would take its centre into a wall's column.
    EXPECT_EQ(11, static_cast<int>(lowest + 0.5f));
    EXPECT_EQ(10, static_cast<int>(lowest - 0.1f + 0.5f));
    EXPECT_EQ(14, static_cast<int>(highest + 0.5f));
    EXPECT_EQ(15, static_cast<int>(highest + 0.1f + 0.5f));
}

TEST(SpikeBallTest, EveryBlockingCellTurnsIt)
{
    for (TileType wall : {Crate, Lamp, LightBox, Spikes, Lava, LightPipe, Grass, static_cast<TileType>(99)}) {
        gameworld::Map map;
        map.at(10, 5) = wall;
        SpikeBall ball(12, 5);
        for (int frame = 0; frame < 40; ++frame)
            ball.move(*map);
        EXPECT_TRUE(ball.isMovingRight()) << "wall " << wall;
        EXPECT_GT(ball.getX(), 10.4f);
    }
}

TEST(SpikeBallTest, TheMapEdgeTurnsIt)
{
    gameworld::Map map;
    SpikeBall ball(1, 5);
    for (int frame = 0; frame < 60; ++frame)
        ball.move(*map);
    EXPECT_TRUE(ball.isMovingRight());
    EXPECT_GT(ball.getX(), -1.5f);
}

TEST_F(GamePlayTest, TwoBallsPassThroughEachOther)
{
    fillRow(map, 40, 0, 100, Empty);
    map[40][4] = Earth;
    map[40][10] = SpikeBallStart;
    map[40][12] = SpikeBallStart;
    start();
    dismissStory();
    const SpikeBall& first = *game->getSpikeBalls()[0];
    const SpikeBall& second = *game->getSpikeBalls()[1];
    bool overlapped = false;
    for (int i = 0; i < 200 && first.getX() <= second.getX(); ++i) {
        frames(1);
        overlapped = overlapped || std::abs(first.getX() - second.getX()) < 1.0f;
    }
    EXPECT_TRUE(overlapped);
    EXPECT_GT(first.getX(), second.getX());
}

TEST_F(GamePlayTest, ABallOverlappingThePlayerCostsALifeAndRespawnsThePlayerAtOnce)
{
    map[22][21] = SpikeBallStart;
    start();
    dismissStory();
    game->getPlayer().setPosition(20.0f, 22.0f);
    SoundCounter sounds;
    frames(1);
    EXPECT_EQ(2, game->getPlayer().getNumLives());
    EXPECT_EQ(Player::StartX, game->getPlayer().getX());
    EXPECT_EQ(Player::StartY, game->getPlayer().getY());
    EXPECT_EQ(1u, sounds(Sounds::Die));
}

TEST_F(GamePlayTest, TouchingEdgesDoNotCount)
{
    map[22][22] = SpikeBallStart;
    start();
    dismissStory();
    game->getPlayer().setPosition(20.9f, 22.0f);   // the ball moves to 21.9: edges touch
    frames(1);
    EXPECT_EQ(3, game->getPlayer().getNumLives());
}

// The player hangs in the air at (19.5, 21.5), where it does not move. Ball A (row 21)
// hits it; ball B (row 22) would have hit it there too, but comes later in the list.
TEST_F(GamePlayTest, ALaterBallIsTestedWhereAnEarlierHitPutThePlayer)
{
    map[21][20] = SpikeBallStart;
    map[22][20] = SpikeBallStart;
    start();
    dismissStory();
    game->getPlayer().setPosition(19.5f, 21.5f);
    frames(1);
    EXPECT_EQ(2, game->getPlayer().getNumLives());
}

TEST_F(GamePlayTest, ALaterBallNearTheRespawnPointHitsAgainInTheSameFrame)
{
    map[21][20] = SpikeBallStart;
    map[22][5] = SpikeBallStart;
    start();
    dismissStory();
    game->getPlayer().setPosition(19.5f, 21.5f);
    frames(1);
    EXPECT_EQ(1, game->getPlayer().getNumLives());
}

TEST_F(GamePlayTest, ALifeLostToABallThatLeavesNoneEndsTheGameOnTheNextFrame)
{
    map[22][21] = SpikeBallStart;
    start();
    dismissStory();
    game->getPlayer().decrementNumLives();
    game->getPlayer().decrementNumLives();
    game->getPlayer().setPosition(20.0f, 22.0f);
    frames(1);
    EXPECT_EQ(0, game->getPlayer().getNumLives());
    EXPECT_FALSE(game->isGameOver());
    frames(1);
    EXPECT_TRUE(game->isGameOver());
}

} // namespace
