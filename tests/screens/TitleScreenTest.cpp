// The title screen on its own (no Application): what it loads and draws, and how the
// arrow keys move the highlight. Choosing an item is followed through the real program
// in tests/e2e/test_title*.py.
#include <gtest/gtest.h>

#include "screens/TitleScreen.h"
#include "tests/support/Keys.h"
#include "tests/support/RecordingDrawer.h"

namespace {

const int LabelY[3] = {448, 512, 576};

void expectWhite(const RecordingDrawer::Call& c)
{
    EXPECT_FLOAT_EQ(1.0f, c.red);
    EXPECT_FLOAT_EQ(1.0f, c.green);
    EXPECT_FLOAT_EQ(1.0f, c.blue);
    EXPECT_FLOAT_EQ(1.0f, c.alpha);
}

void expectDarkRed(const RecordingDrawer::Call& c)
{
    EXPECT_FLOAT_EQ(0.79f, c.red);
    EXPECT_FLOAT_EQ(0.0f, c.green);
    EXPECT_FLOAT_EQ(0.0f, c.blue);
    EXPECT_FLOAT_EQ(1.0f, c.alpha);
}

// One frame: the background, then the three labels down the menu, exactly one of them
// (the selected one) in dark red.
void expectFrame(const RecordingDrawer& drawer, int selected)
{
    ASSERT_EQ(4u, drawer.calls.size());
    const RecordingDrawer::Call& background = drawer.calls[0];
    EXPECT_EQ("drawImage", background.op);
    EXPECT_EQ(1u, background.id);
    EXPECT_EQ(0, background.x);
    EXPECT_EQ(0, background.y);
    EXPECT_FLOAT_EQ(1.0f, background.scaleX);
    EXPECT_FLOAT_EQ(1.0f, background.scaleY);
    expectWhite(background);
    for (int item = 0; item < 3; ++item) {
        const RecordingDrawer::Call& label = drawer.calls[1 + item];
        EXPECT_EQ("drawImage", label.op);
        EXPECT_EQ(static_cast<unsigned>(2 + item), label.id) << "item " << item;
        EXPECT_EQ(256, label.x);
        EXPECT_EQ(LabelY[item], label.y);
        EXPECT_FLOAT_EQ(1.0f, label.scaleX);
        EXPECT_FLOAT_EQ(1.0f, label.scaleY);
        if (item == selected)
            expectDarkRed(label);
        else
            expectWhite(label);
    }
}

TEST(TitleScreenTest, IsCalledTitleScreen)
{
    TitleScreen title(nullptr);
    EXPECT_EQ("TitleScreen", title.getName());
}

TEST(TitleScreenTest, FirstFrameLoadsTheFourPicturesBeforeDrawing)
{
    TitleScreen title(nullptr);
    RecordingDrawer drawer;
    title.draw(&drawer);
    ASSERT_EQ(4u, drawer.images.size());
    // Loaded in order: background, then the labels of items 0, 1 and 2.
    EXPECT_EQ(1024u, drawer.images[1].width);
    EXPECT_EQ(768u, drawer.images[1].height);
    for (unsigned id = 2; id <= 4; ++id) {
        EXPECT_EQ(512u, drawer.images[id].width) << "id " << id;
        EXPECT_EQ(64u, drawer.images[id].height) << "id " << id;
    }
    expectFrame(drawer, 0);
}

TEST(TitleScreenTest, LaterFramesLoadNothingAndDrawTheSame)
{
    TitleScreen title(nullptr);
    RecordingDrawer drawer;
    title.draw(&drawer);
    drawer.clear();
    title.draw(&drawer);
    title.draw(&drawer);
    EXPECT_EQ(4u, drawer.images.size());
    EXPECT_EQ(8, drawer.countOp("drawImage"));
}

TEST(TitleScreenTest, EveryNewTitleScreenLoadsItsOwnPictures)
{
    RecordingDrawer drawer;
    {
        TitleScreen first(nullptr);
        first.draw(&drawer);
    }
    drawer.clear();
    TitleScreen second(nullptr);
    second.draw(&drawer);
    EXPECT_EQ(8u, drawer.images.size());
    ASSERT_EQ(4u, drawer.calls.size());
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(5 + i, drawer.calls[i].id);
}

TEST(TitleScreenTest, StartsOnTheFirstItem)
{
    TitleScreen title(nullptr);
    EXPECT_EQ(0, title.getSelection());
}

TEST(TitleScreenTest, DownWalksTheMenuAndWrapsToTheTop)
{
    TitleScreen title(nullptr);
    title.keyDown(keyOf(SDLK_DOWN));
    EXPECT_EQ(1, title.getSelection());
    title.keyDown(keyOf(SDLK_DOWN));
    EXPECT_EQ(2, title.getSelection());
    title.keyDown(keyOf(SDLK_DOWN));
    EXPECT_EQ(0, title.getSelection());
}

TEST(TitleScreenTest, UpWrapsFromTheTopToQuit)
{
    TitleScreen title(nullptr);
    title.keyDown(keyOf(SDLK_UP));
    EXPECT_EQ(2, title.getSelection());
    title.keyDown(keyOf(SDLK_UP));
    EXPECT_EQ(1, title.getSelection());
    title.keyDown(keyOf(SDLK_UP));
    EXPECT_EQ(0, title.getSelection());
}

TEST(TitleScreenTest, ModifiersAreNotLookedAt)
{
    TitleScreen title(nullptr);
    title.keyDown(keyOf(SDLK_DOWN, KMOD_LSHIFT));
    title.keyDown(keyOf(SDLK_DOWN, static_cast<SDLMod>(KMOD_LCTRL | KMOD_NUM)));
    EXPECT_EQ(2, title.getSelection());
}

TEST(TitleScreenTest, TheHighlightFollowsTheSelection)
{
    TitleScreen title(nullptr);
    RecordingDrawer drawer;
    title.draw(&drawer);
    for (int expected : {1, 2, 0}) {
        title.keyDown(keyOf(SDLK_DOWN));
        drawer.clear();
        title.draw(&drawer);
        expectFrame(drawer, expected);
    }
    title.keyDown(keyOf(SDLK_UP));
    drawer.clear();
    title.draw(&drawer);
    expectFrame(drawer, 2);
}

TEST(TitleScreenTest, OtherKeysReleasesAndTheMouseChangeNothing)
{
    TitleScreen title(nullptr);
    title.keyDown(keyOf(SDLK_DOWN));
    for (SDLKey sym : {SDLK_LEFT, SDLK_RIGHT, SDLK_SPACE, SDLK_a, SDLK_s, SDLK_c, SDLK_TAB, SDLK_KP_ENTER})
        title.keyDown(keyOf(sym));
    title.keyUp(keyOf(SDLK_DOWN));
    title.keyUp(keyOf(SDLK_UP));
    title.mouseDown(1, 300, 460);
    title.mouseUp(1, 300, 460);
    title.mouseMove(300, 590);
    EXPECT_EQ(1, title.getSelection());
}

TEST(TitleScreenTest, ChoosingWithoutAnApplicationLeavesTheScreenAsItWas)
{
    // A screen built on its own has nobody to hand over to; choosing must not touch it.
    TitleScreen title(nullptr);
    title.keyDown(keyOf(SDLK_DOWN));
    for (SDLKey sym : {SDLK_RETURN, SDLK_z, SDLK_x, SDLK_ESCAPE})
        title.keyDown(keyOf(sym));
    EXPECT_EQ(1, title.getSelection());
}

} // namespace
