#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/SDLDrawer.h"
#include "tests/game/GameWorld.h"
#include "tests/support/RecordingDrawer.h"
#include "tests/support/SoftwareDrawerTest.h"

using gameworld::fillColumn;
using gameworld::fillRow;

namespace {

// A fresh drawer hands out ids 1, 2, 3... in load order, so the play field's 21 pictures
// (the tiles' first, the status bar's last) get these ids on its first frame.
enum PictureId : unsigned {
    CaveBackId = 1, EarthId, GrassId, LampId, LampGlowId, LightBoxId, LightPipeId, CrateId, SpikesId, LavaId,
    SpikeBallId, ReflectorId, BeamVId, BeamHId, LightBoxLitId, StoryId, WinId, RobotId,
    LightBoxIconId, ReflectorIconId, HeartIconId
};

typedef RecordingDrawer::Call Call;

// An open world with an earth floor in row 23, the story already dismissed.
class PlayFieldTest : public ::testing::Test {
protected:
    PlayFieldTest() : game(gameworld::makeEmptyGame()), map(game->getMap())
    {
        fillRow(map, 23, 0, MapWidth - 1, Earth);
    }

    void start()
    {
        gameworld::startLevel(*game);
        game->keyDown(keyOf(SDLK_RETURN));
    }

    void frame()
    {
        drawer.clear();
        game->draw(&drawer);
    }

    std::vector<Call> draws(unsigned id) const { return drawer.drawsOf(id); }

    bool drawnAt(unsigned id, int x, int y) const
    {
        for (const Call& c : drawer.drawsOf(id))
            if (c.x == x && c.y == y)
                return true;
        return false;
    }

    // Position in the frame's call list of the first drawImage of an id, or -1.
    int firstDraw(unsigned id) const
    {
        for (size_t i = 0; i < drawer.calls.size(); ++i)
            if (drawer.calls[i].op == "drawImage" && drawer.calls[i].id == id)
                return static_cast<int>(i);
        return -1;
    }

    const Call* text(const std::string& s) const
    {
        for (const Call& c : drawer.calls)
            if (c.op == "drawText" && c.text == s)
                return &c;
        return nullptr;
    }

    const Call& gradient() const
    {
        for (const Call& c : drawer.calls)
            if (c.op == "fillGradient")
                return c;
        throw std::runtime_error("no gradient drawn");
    }

    std::unique_ptr<GamePlay> game;
    TileMap& map;
    RecordingDrawer drawer;
};

// Cell (c, r) on screen while the view stands at (0, 10): the player anywhere in
// columns 0..16 of row 22.
int cellX(int column) { return column * 32; }
int cellY(int row) { return (row - 10) * 32; }

// ---- Pictures and the story -------------------------------------------------------------

TEST_F(PlayFieldTest, TheFirstFrameLoadsThePicturesInOrderAndShowsOnlyTheStory)
{
    gameworld::startLevel(*game);
    frame();
    ASSERT_EQ(21u, drawer.images.size());   // the status bar's three icons last
    EXPECT_EQ(64u, drawer.images[CaveBackId].width);
    EXPECT_EQ(128u, drawer.images[LampGlowId].width);
    EXPECT_EQ(32u, drawer.images[BeamVId].width);
    EXPECT_EQ(32u, drawer.images[BeamHId].height);
    EXPECT_EQ(107u, drawer.images[LightBoxIconId].width);
    EXPECT_EQ(107u, drawer.images[HeartIconId].width);
    EXPECT_EQ(1024u, drawer.images[StoryId].width);
    EXPECT_EQ(768u, drawer.images[WinId].height);
    EXPECT_EQ(64u, drawer.images[RobotId].width);

    ASSERT_EQ(1u, drawer.calls.size());
    EXPECT_EQ("drawImage", drawer.calls[0].op);
    EXPECT_EQ(StoryId, drawer.calls[0].id);
    EXPECT_EQ(0, drawer.calls[0].x);
    EXPECT_EQ(0, drawer.calls[0].y);

    frame();
    EXPECT_EQ(21u, drawer.images.size()) << "pictures are loaded once";
}

TEST_F(PlayFieldTest, AllBallsShareOnePictureAndTheRobotHasItsOwn)
{
    map[20][12] = SpikeBallStart;
    map[20][14] = SpikeBallStart;
    start();
    frame();
    frame();
    EXPECT_EQ(21u, drawer.images.size());
    EXPECT_EQ(64u, drawer.images[SpikeBallId].width);
    EXPECT_EQ(2u, draws(SpikeBallId).size());
}

// ---- The view ---------------------------------------------------------------------------

TEST_F(PlayFieldTest, NearTheLeftEdgeTheViewStopsAndThePlayerMovesOnScreen)
{
    start();
    game->getPlayer().setPosition(10.0f, 22.0f);
    frame();
    EXPECT_EQ(0.0f, game->getViewX());
    EXPECT_EQ(10.0f, game->getViewY());
    const unsigned robot = RobotId;
    ASSERT_EQ(1u, draws(robot).size());
    EXPECT_EQ(304, draws(robot)[0].x);
    EXPECT_EQ(368, draws(robot)[0].y);
    EXPECT_EQ(1.0f, draws(robot)[0].scaleX);
}

TEST_F(PlayFieldTest, InTheMiddleThePlayerStaysCentredAndTheTilesShiftByTheFraction)
{
    map[20][490] = CaveBack;
    map[20][483] = CaveBack;   // left of the view's first column
    map[9][490] = Grass;       // above its first row
    start();
    game->getPlayer().setPosition(500.5f, 22.0f);
    frame();
    EXPECT_EQ(484.5f, game->getViewX());
    EXPECT_TRUE(drawnAt(RobotId, 496, 368));
    // (490 - 484) * 32 - 16, centred 16 further up and left.
    EXPECT_TRUE(drawnAt(CaveBackId, 176 - 16, 320 - 16));
    EXPECT_EQ(1u, draws(CaveBackId).size()) << "the passes start at the view's own first column";
    EXPECT_EQ(0u, draws(GrassId).size()) << "and at its own first row";
}

TEST_F(PlayFieldTest, NearTheRightEdgeTheViewStops)
{
    start();
    game->getPlayer().setPosition(1010.0f, 22.0f);
    frame();
    EXPECT_EQ(991.0f, game->getViewX());
    EXPECT_TRUE(drawnAt(RobotId, 592, 368));
}

TEST_F(PlayFieldTest, TheViewStopsAtTheTopAndBottomRows)
{
    fillRow(map, 761, 0, 100, Earth);
    fillRow(map, 6, 0, 100, Earth);
    start();
    game->getPlayer().setPosition(20.0f, 5.0f);
    frame();
    EXPECT_EQ(0.0f, game->getViewY());
    EXPECT_TRUE(drawnAt(RobotId, 496, 5 * 32 - 16));
    game->getPlayer().setPosition(20.0f, 760.0f);
    frame();
    EXPECT_EQ(743.0f, game->getViewY());
    EXPECT_TRUE(drawnAt(RobotId, 496, (760 - 743) * 32 - 16));
}

TEST_F(PlayFieldTest, APlayerFacingLeftIsDrawnMirrored)
{
    start();
    game->keyDown(keyOf(SDLK_LEFT));
    frame();
    ASSERT_EQ(1u, draws(RobotId).size());
    EXPECT_EQ(-1.0f, draws(RobotId)[0].scaleX);
}

// ---- Sky --------------------------------------------------------------------------------

TEST_F(PlayFieldTest, TheSkyBrightensWithTheShareOfBoxesLit)
{
    map[50][10] = LightBox;
    map[50][20] = LightBox;
    map[50][30] = LightBox;
    map[50][40] = LightBox;
    start();

    frame();
    const Call& night = gradient();
    EXPECT_EQ(0, night.x);
    EXPECT_EQ(0, night.y);
    EXPECT_EQ(1024, night.width);
    EXPECT_EQ(768, night.height);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 255}), std::vector<int>(night.top, night.top + 4));
    EXPECT_EQ((std::vector<int>{47, 65, 101, 255}), std::vector<int>(night.bottom, night.bottom + 4));

    GameCounter::getInstance()->incrementCount("LightBoxesLit", 1);
    GameCounter::getInstance()->incrementCount("LightBoxesLit", 1);
    frame();
    const Call& half = gradient();
    EXPECT_EQ((std::vector<int>{64, 64, 127, 255}), std::vector<int>(half.top, half.top + 4));
    EXPECT_EQ((std::vector<int>{151, 160, 178, 255}), std::vector<int>(half.bottom, half.bottom + 4));

    GameCounter::getInstance()->incrementCount("LightBoxesLit", 1);
    GameCounter::getInstance()->incrementCount("LightBoxesLit", 1);
    frame();
    const Call& day = gradient();
    EXPECT_EQ((std::vector<int>{128, 128, 255, 255}), std::vector<int>(day.top, day.top + 4));
    EXPECT_EQ((std::vector<int>{255, 255, 255, 255}), std::vector<int>(day.bottom, day.bottom + 4));
}

TEST_F(PlayFieldTest, WithoutBoxesTheSkyKeepsItsNightColours)
{
    start();
    GameCounter::getInstance()->incrementCount("LightBoxesLit", 1);
    frame();
    const Call& sky = gradient();
    EXPECT_EQ((std::vector<int>{0, 0, 0, 255}), std::vector<int>(sky.top, sky.top + 4));
    EXPECT_EQ((std::vector<int>{47, 65, 101, 255}), std::vector<int>(sky.bottom, sky.bottom + 4));
}

// ---- Tiles ------------------------------------------------------------------------------

TEST_F(PlayFieldTest, EachCellValueGetsItsPictureCentredOnTheCell)
{
    map[15][2] = CaveBack;
    map[15][3] = Lamp;
    map[15][4] = Lava;
    map[15][5] = Spikes;
    map[15][6] = Grass;
    map[15][7] = LightPipe;
    map[15][8] = Crate;
    map[15][9] = static_cast<TileType>(200);
    start();
    frame();
    int y = cellY(15) - 16;
    EXPECT_TRUE(drawnAt(CaveBackId, cellX(2) - 16, y));
    EXPECT_TRUE(drawnAt(LampId, cellX(3) - 16, y));
    EXPECT_TRUE(drawnAt(LavaId, cellX(4) - 16, y));
    EXPECT_TRUE(drawnAt(CaveBackId, cellX(5) - 16, y)) << "spikes hang in front of cave background";
    EXPECT_TRUE(drawnAt(SpikesId, cellX(5) - 16, y));
    EXPECT_TRUE(drawnAt(GrassId, cellX(6) - 16, y));
    EXPECT_TRUE(drawnAt(LightPipeId, cellX(7) - 16, y));
    EXPECT_TRUE(drawnAt(CaveBackId, cellX(8) - 16, y));
    EXPECT_TRUE(drawnAt(CrateId, cellX(8) - 16, y));
    // The earth floor of row 23: 34 columns of the view.
    EXPECT_EQ(34u, draws(EarthId).size());
    for (unsigned id = CaveBackId; id <= WinId; ++id)
        EXPECT_FALSE(drawnAt(id, cellX(9) - 16, y)) << "a byte without a picture draws nothing, id " << id;
}

TEST_F(PlayFieldTest, TheTilePassesCoverTwoCellsMoreThanTheScreenAndTheHalosDoNot)
{
    map[20][33] = Lamp;   // view column 33: tiles yes, halo no
    map[20][31] = Lamp;   // view column 31: both
    map[20][34] = Lamp;   // beyond
    map[35][5] = Lamp;    // view row 25: tile yes, halo no
    start();
    frame();
    EXPECT_TRUE(drawnAt(LampId, cellX(33) - 16, cellY(20) - 16));
    EXPECT_TRUE(drawnAt(LampId, cellX(5) - 16, cellY(35) - 16));
    EXPECT_FALSE(drawnAt(LampId, cellX(34) - 16, cellY(20) - 16));
    ASSERT_EQ(1u, draws(LampGlowId).size());
    EXPECT_EQ(cellX(31) - 48, draws(LampGlowId)[0].x);
    EXPECT_EQ(cellY(20) - 48, draws(LampGlowId)[0].y);
}

// ---- Beams, reflectors, boxes -----------------------------------------------------------

TEST_F(PlayFieldTest, BeamsOfALitReflectorRunThroughLampsToTheFirstRock)
{
    // Row 30: rock at 18, reflector at 20, lamp at 22, rock at 25; rock above and below.
    map[30][18] = Earth;
    map[30][22] = Lamp;
    map[30][25] = Earth;
    map[29][20] = Earth;
    map[31][20] = Earth;
    start();
    ASSERT_TRUE(game->addReflector(20, 30));
    ASSERT_TRUE(game->getReflectors()[0].lit);
    frame();

    std::vector<int> horizontal;
    for (const Call& c : draws(BeamHId)) {
        EXPECT_EQ(cellY(30), c.y);
        horizontal.push_back(c.x);
    }
    std::sort(horizontal.begin(), horizontal.end());
    EXPECT_EQ((std::vector<int>{cellX(19), cellX(20), cellX(21), cellX(22), cellX(23), cellX(24)}), horizontal);
    ASSERT_EQ(1u, draws(BeamVId).size()) << "only the cross on the reflector's own cell";
    EXPECT_TRUE(drawnAt(BeamVId, cellX(20), cellY(30)));
    EXPECT_LT(firstDraw(BeamVId), firstDraw(BeamHId));
    EXPECT_TRUE(drawnAt(ReflectorId, cellX(20) - 16, cellY(30) - 16));
}

TEST_F(PlayFieldTest, BeamsRunOnBeyondTheScreen)
{
    fillRow(map, 30, 0, MapWidth - 1, Earth);
    fillRow(map, 30, 100, 300, Empty);
    fillColumn(map, 200, 24, 40, Earth);
    map[30][200] = Empty;
    map[30][301] = Lamp;
    start();
    ASSERT_TRUE(game->addReflector(200, 30));
    frame();
    // Left to column 100, right through to the lamp at 301 and on to the rock behind it.
    EXPECT_EQ(100u + 101u, draws(BeamHId).size());
    EXPECT_TRUE(draws(ReflectorId).empty()) << "the reflector itself is off screen";
}

TEST_F(PlayFieldTest, UnlitReflectorsAreDrawnWithoutBeams)
{
    start();
    ASSERT_TRUE(game->addReflector(8, 15));
    frame();
    EXPECT_TRUE(drawnAt(ReflectorId, cellX(8) - 16, cellY(15) - 16));
    EXPECT_TRUE(draws(BeamHId).empty());
    EXPECT_TRUE(draws(BeamVId).empty());
}

TEST_F(PlayFieldTest, ALitBoxSendsABeamUpThroughItsLightPipes)
{
    // Box at (10,20) under pipes in rows 17..19 and rock at row 16; a reflector at
    // (12,20), lit by the lamp at (14,20), lights it.
    map[20][10] = LightBox;
    fillColumn(map, 10, 17, 19, LightPipe);
    map[16][10] = Earth;
    map[20][14] = Lamp;
    fillColumn(map, 12, 19, 21, Earth);
    map[20][12] = Empty;
    start();
    ASSERT_TRUE(game->addReflector(12, 20));
    ASSERT_TRUE(game->getLightBoxes()[0].lit);
    frame();

    std::vector<int> rows;
    for (const Call& c : draws(BeamVId))
        if (c.x == cellX(10))
            rows.push_back(c.y);
    EXPECT_EQ((std::vector<int>{cellY(19), cellY(18), cellY(17)}), rows);
    EXPECT_TRUE(drawnAt(LightBoxLitId, cellX(10) - 16, cellY(20) - 16));
    EXPECT_TRUE(drawnAt(CaveBackId, cellX(10) - 16, cellY(20) - 16));
    EXPECT_TRUE(draws(LightBoxId).empty());
}

TEST_F(PlayFieldTest, AnUnlitBoxIsDrawnOverCaveBackground)
{
    map[20][10] = LightBox;
    start();
    frame();
    EXPECT_TRUE(drawnAt(CaveBackId, cellX(10) - 16, cellY(20) - 16));
    EXPECT_TRUE(drawnAt(LightBoxId, cellX(10) - 16, cellY(20) - 16));
    EXPECT_LT(firstDraw(CaveBackId), firstDraw(LightBoxId));
}

// ---- Sprites ----------------------------------------------------------------------------

TEST_F(PlayFieldTest, ASpikeBallIsDrawnWhereItStandsAfterItsMove)
{
    map[20][12] = SpikeBallStart;
    map[20][40] = SpikeBallStart;   // off screen: not drawn
    start();
    frame();
    const unsigned ball = SpikeBallId;
    ASSERT_EQ(1u, draws(ball).size());
    // 11.9 cells from the view's left edge, 10 rows down.
    EXPECT_EQ(static_cast<int>(11.9f * 32.0f) - 16, draws(ball)[0].x);
    EXPECT_EQ(10 * 32 - 16, draws(ball)[0].y);
}

// Half a row down the view shows 25 rows, the last one in part: a ball there is drawn.
TEST_F(PlayFieldTest, ASpikeBallInThePartlyShownBottomRowIsDrawn)
{
    map[34][12] = SpikeBallStart;
    map[35][20] = SpikeBallStart;   // below the screen: not drawn
    start();
    game->getPlayer().setPosition(4.0f, 22.5f);
    frame();
    ASSERT_EQ(10.5f, game->getViewY());
    ASSERT_EQ(1u, draws(SpikeBallId).size());
    EXPECT_EQ(static_cast<int>(23.5f * 32.0f - 16.0f), draws(SpikeBallId)[0].y);
}

// ---- Win picture, counters, game over ----------------------------------------------------

TEST_F(PlayFieldTest, TheCountersShowLivesLitBoxesAndReflectors)
{
    map[50][10] = LightBox;
    start();
    GameCounter::getInstance()->incrementCount("LightBoxesLit", 1);
    game->getPlayer().decrementNumLives();
    frame();
    EXPECT_TRUE(drawnAt(HeartIconId, -20, -20));
    EXPECT_TRUE(drawnAt(LightBoxIconId, 435, -20));
    EXPECT_TRUE(drawnAt(ReflectorIconId, 820, -20));

    const Call* lives = text("2");
    ASSERT_NE(nullptr, lives);
    EXPECT_EQ(60, lives->x);
    EXPECT_EQ(18, lives->y);
    EXPECT_EQ(36.0f, lives->size);
    const Call* lit = text("1");
    ASSERT_NE(nullptr, lit);
    EXPECT_EQ(535, lit->x);
    EXPECT_EQ(18, lit->y);
    const Call* reflectors = text("10");
    ASSERT_NE(nullptr, reflectors);
    EXPECT_EQ(920, reflectors->x);
    EXPECT_EQ(36.0f, reflectors->size);
    EXPECT_EQ(1.0f, reflectors->red);
    EXPECT_EQ(1.0f, reflectors->alpha);
    EXPECT_EQ(nullptr, text("game over"));
}

TEST_F(PlayFieldTest, AfterTheLastLifeGameOverShowsAndThePlayerIsOutOfSight)
{
    start();
    game->getPlayer().decrementNumLives();
    game->getPlayer().decrementNumLives();
    game->getPlayer().decrementNumLives();
    frame();
    const Call* over = text("game over");
    ASSERT_NE(nullptr, over);
    EXPECT_EQ(225, over->x);
    EXPECT_EQ(350, over->y);
    EXPECT_EQ(64.0f, over->size);
    ASSERT_EQ(1u, draws(RobotId).size());
    EXPECT_LE(draws(RobotId)[0].x + 64, 0);
    ASSERT_NE(nullptr, text("0"));
}

TEST_F(PlayFieldTest, ThePaintingOrderPutsEachLayerOverTheOneBefore)
{
    map[20][3] = LightBox;   // lit by the reflector at (5,20) below
    map[20][8] = Lamp;
    map[15][5] = Earth;
    map[20][12] = SpikeBallStart;
    start();
    game->getPlayer().setPosition(9.0f, 22.0f);
    ASSERT_TRUE(game->addReflector(5, 20));
    ASSERT_TRUE(game->isLevelComplete());
    game->getPlayer().decrementNumLives();
    game->getPlayer().decrementNumLives();
    game->getPlayer().decrementNumLives();
    frame();   // complete: no move, so gameOver stays false; draw the win picture
    frame();

    std::vector<int> order = {
        0, // the sky
        firstDraw(LampId), firstDraw(BeamVId), firstDraw(ReflectorId), firstDraw(LightBoxLitId),
        firstDraw(SpikeBallId), firstDraw(RobotId), firstDraw(LampGlowId),
        firstDraw(EarthId), firstDraw(WinId), firstDraw(HeartIconId)};
    EXPECT_EQ("fillGradient", drawer.calls[0].op);
    for (size_t i = 1; i < order.size(); ++i) {
        ASSERT_GE(order[i], 0) << "layer " << i << " missing";
        EXPECT_LT(order[i - 1], order[i]) << "layer " << i;
    }
}

// ---- How the ground reads, in real pixels -------------------------------------------------

// The shipped pictures through the software drawer (SDL's dummy video driver), over the
// black sky of a level without boxes: a ground surface in row 23, and a notch one cell
// wide cut into it at column 8 (on screen from x = 256, y = 416).
class GroundPixelsTest : public SoftwareDrawerTest {
protected:
    std::vector<unsigned char> frameOf(TileType surface, TileType notch)
    {
        std::unique_ptr<GamePlay> game = gameworld::makeEmptyGame();
        for (int row = 23; row < 30; ++row)
            fillRow(game->getMap(), row, 0, 40, row == 23 ? surface : Earth);
        game->getMap()[23][8] = notch;
        gameworld::startLevel(*game);
        game->keyDown(keyOf(SDLK_RETURN));
        std::vector<unsigned char> rgb;
        int width = 0, height = 0;
        drawer->beginDrawing();
        game->draw(drawer.get());
        drawer->endDrawing();
        EXPECT_TRUE(drawer->readFrame(rgb, width, height));
        return rgb;
    }

    // How many of the notch's 32 pixel columns stay open: over its height, the ground
    // around paints less than half over the sky there (measured against unbroken ground).
    int openColumns(TileType surface)
    {
        std::vector<unsigned char> notched = frameOf(surface, Empty), whole = frameOf(surface, surface);
        int open = 0;
        for (int x = 256; x < 288; ++x) {
            float cover = 0.0f;
            for (int y = 418; y < 446; ++y) {
                size_t i = (static_cast<size_t>(y) * 1024 + x) * 3;
                float ground = 1.0f + whole[i] + whole[i + 1] + whole[i + 2];
                cover = std::max(cover, (notched[i] + notched[i + 1] + notched[i + 2]) / ground);
            }
            open += cover < 0.5f;
        }
        return open;
    }
};

TEST_F(GroundPixelsTest, AOneCellNotchInEarthOrGrassStaysOpenNearlyAcross)
{
    // The robot, 22 pixels wide, must be seen standing in the gap with room beside it.
    EXPECT_GE(openColumns(Earth), 28);
    EXPECT_GE(openColumns(Grass), 28);
}

} // namespace
