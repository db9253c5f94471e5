// Canvases of the OpenGL drawer: framebuffer objects that hold a logical screen.
#include <gtest/gtest.h>
#include <memory>

#include "render/OpenGLDrawer.h"
#include "tests/render/CanvasScene.h"
#include "tests/render/TestPictures.h"
#include "tests/render/XvfbServer.h"

using TestPictures::Frame;
using TestPictures::Rgb;

namespace {

struct Mode {
    bool batching;
    unsigned short width;
    unsigned short height;
};

class OpenGLDrawerCanvasTest : public ::testing::TestWithParam<Mode> {
protected:
    void SetUp() override
    {
        video.reset(new X11Video);
        ASSERT_TRUE(video->isReady());
        drawer.reset(new OpenGLDrawer(GetParam().batching));
        testing::internal::CaptureStdout();
        bool opened = drawer->initialise(GetParam().width, GetParam().height, false, 0);
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(opened);
        scene.load(*drawer);
    }
    void TearDown() override
    {
        drawer.reset();
        video.reset();
    }

    Frame showCanvas(unsigned canvas)
    {
        drawer->beginDrawing();
        drawer->drawImage(canvas, 0, 0, 1, 1, 1, 1, 1, 1);
        drawer->endDrawing();
        return Frame(*drawer);
    }

    std::unique_ptr<X11Video> video;
    std::unique_ptr<OpenGLDrawer> drawer;
    CanvasScene scene;
};

TEST_P(OpenGLDrawerCanvasTest, NewCanvasIsOpaqueBlack)
{
    drawer->beginDrawing();
    drawer->fillRect(0, 0, 1024, 768, 255, 255, 255, 255);
    drawer->endDrawing();
    unsigned canvas = drawer->createCanvas();
    drawer->beginDrawing();
    drawer->fillRect(0, 0, 1024, 768, 255, 255, 255, 255);
    drawer->drawImage(canvas, 0, 0, 1, 1, 1, 1, 1, 1);
    drawer->endDrawing();
    Frame frame(*drawer);
    OpenGLDrawer::Viewport v = drawer->getViewport();
    EXPECT_EQ((Rgb{0, 0, 0}), frame.at(v.x + 10, v.y + 10));
    EXPECT_EQ((Rgb{0, 0, 0}), frame.at(v.x + v.width - 10, v.y + v.height - 10));
}

TEST_P(OpenGLDrawerCanvasTest, DrawingIsClippedToTheCanvasRectangle)
{
    unsigned canvas = drawer->createCanvas();
    drawer->beginCanvas(canvas, 0, 0, 1024, 768);
    drawer->fillRect(0, 0, 1024, 768, 0, 0, 255, 255);
    drawer->endCanvas();
    drawer->beginCanvas(canvas, 100, 200, 300, 50);
    drawer->fillRect(0, 0, 1024, 768, 255, 0, 0, 255);
    drawer->drawImage(scene.tiles[0], 80, 180, 4, 4, 1, 1, 1, 1);
    drawer->endCanvas();

    drawer->beginDrawing();
    drawer->drawImage(canvas, 0, 0, 1, 1, 1, 1, 1, 1);
    drawer->endDrawing();
    Frame shown(*drawer);

    // The same, straight onto the frame, clipped by hand.
    drawer->beginDrawing();
    drawer->fillRect(0, 0, 1024, 768, 0, 0, 255, 255);
    drawer->fillRect(100, 200, 300, 50, 255, 0, 0, 255);
    drawer->endDrawing();
    Frame expected(*drawer);

    OpenGLDrawer::Viewport v = drawer->getViewport();
    if (v.width == 1024) {
        // Outside the rectangle nothing changed; inside, the tile covers the red fill.
        EXPECT_EQ((Rgb{0, 0, 255}), shown.at(99, 220));
        EXPECT_EQ((Rgb{0, 0, 255}), shown.at(200, 199));
        EXPECT_EQ((Rgb{0, 0, 255}), shown.at(400, 220));
        EXPECT_EQ((Rgb{0, 0, 255}), shown.at(200, 250));
        EXPECT_NE((Rgb{255, 0, 0}), shown.at(150, 220));
        EXPECT_EQ((Rgb{255, 0, 0}), shown.at(399, 249));
        EXPECT_EQ(expected.at(600, 600), shown.at(600, 600));
    }
    EXPECT_EQ(expected.at(v.x + 5, v.y + 5), shown.at(v.x + 5, v.y + 5));
}

TEST_P(OpenGLDrawerCanvasTest, AnIdThatIsNoCanvasSwallowsTheDrawing)
{
    drawer->beginDrawing();
    drawer->fillRect(0, 0, 1024, 768, 0, 255, 0, 255);
    drawer->beginCanvas(scene.tiles[0], 0, 0, 1024, 768);
    drawer->fillRect(0, 0, 1024, 768, 255, 0, 0, 255);
    drawer->endCanvas();
    drawer->fillRect(0, 0, 10, 10, 0, 0, 255, 255);
    drawer->endDrawing();
    Frame frame(*drawer);
    OpenGLDrawer::Viewport v = drawer->getViewport();
    EXPECT_EQ((Rgb{0, 255, 0}), frame.at(v.x + v.width / 2, v.y + v.height / 2));
}

// A layer has a framebuffer too, shared with other layers: drawn into as a canvas, it
// would be painted over with the whole screen.
TEST_P(OpenGLDrawerCanvasTest, ALayerIsNoCanvas)
{
    unsigned layer = drawer->createLayer(64, 64);
    ASSERT_NE(0u, layer);
    drawer->beginLayer(layer, 0, 0);
    drawer->fillRect(0, 0, 64, 64, 0, 0, 255, 255);
    drawer->endLayer();
    drawer->beginCanvas(layer, 0, 0, 1024, 768);
    drawer->fillRect(0, 0, 1024, 768, 255, 0, 0, 255);
    drawer->endCanvas();
    drawer->beginDrawing();
    drawer->drawImage(layer, 0, 0, 1, 1, 1, 1, 1, 1);
    drawer->endDrawing();
    Frame frame(*drawer);
    OpenGLDrawer::Viewport v = drawer->getViewport();
    EXPECT_EQ((Rgb{0, 0, 255}), frame.at(v.x + 5, v.y + 5));
}

TEST_P(OpenGLDrawerCanvasTest, DrawingForAReleasedCanvasIsDroppedUntilItsEnd)
{
    unsigned canvas = drawer->createCanvas();
    drawer->beginDrawing();
    drawer->beginCanvas(canvas, 0, 0, 1024, 768);
    drawer->releaseImage(canvas);
    drawer->fillRect(0, 0, 1024, 768, 0, 255, 0, 255);
    drawer->endCanvas();
    drawer->fillRect(0, 0, 512, 768, 255, 0, 0, 255);
    drawer->endDrawing();
    Frame frame(*drawer);
    OpenGLDrawer::Viewport v = drawer->getViewport();
    EXPECT_EQ((Rgb{255, 0, 0}), frame.at(v.x + 1, v.y + 1));
    EXPECT_EQ((Rgb{0, 0, 0}), frame.at(v.x + v.width - 1, v.y + v.height - 1));
    EXPECT_FALSE(drawer->holdsImage(canvas));
}

// In any window: using a canvas leaves the frame's viewport and projection as they were.
TEST_P(OpenGLDrawerCanvasTest, FrameDrawingAfterACanvasIsUnchanged)
{
    drawer->beginDrawing();
    scene.draw(*drawer);
    drawer->endDrawing();
    Frame before(*drawer);

    unsigned canvas = drawer->createCanvas();
    drawer->beginDrawing();
    drawer->beginCanvas(canvas, 10, 10, 500, 500);
    scene.draw(*drawer);
    drawer->endCanvas();
    scene.draw(*drawer);
    drawer->endDrawing();
    Frame after(*drawer);
    EXPECT_EQ(0, after.countDifferent(before));
}

std::string modeName(const ::testing::TestParamInfo<Mode>& info)
{
    return std::string(info.param.batching ? "Batched" : "Immediate") + std::to_string(info.param.width) + "x" +
           std::to_string(info.param.height);
}

INSTANTIATE_TEST_SUITE_P(Modes, OpenGLDrawerCanvasTest,
                         ::testing::Values(Mode{true, 1024, 768}, Mode{false, 1024, 768}, Mode{true, 1280, 800},
                                           Mode{false, 1280, 1024}),
                         modeName);

// A canvas holds the picture at the window's pixel size and place and is shown at one
// texel per pixel, so it is what drawing straight gives in any window.
class OpenGLDrawerCanvasFullSizeTest : public OpenGLDrawerCanvasTest {};

TEST_P(OpenGLDrawerCanvasFullSizeTest, CanvasShownAtOriginLooksLikeDrawingStraightToTheFrame)
{
    drawer->beginDrawing();
    scene.draw(*drawer);
    drawer->endDrawing();
    Frame straight(*drawer);

    unsigned canvas = drawer->createCanvas();
    ASSERT_NE(0u, canvas);
    drawer->beginCanvas(canvas, 0, 0, 1024, 768);
    scene.draw(*drawer);
    drawer->endCanvas();
    Frame shown = showCanvas(canvas);

    ASSERT_TRUE(straight.isValid());
    EXPECT_LE(shown.maxDifference(straight), 2) << shown.countDifferent(straight) << " pixels differ";
    // The scene is not uniform, so an empty or misplaced canvas could not pass. The frame
    // is in window pixels, so the two places are taken in proportion to its size.
    EXPECT_NE(straight.at(straight.width / 10, straight.height / 8),
              straight.at(straight.width * 7 / 8, straight.height * 25 / 32));
}

INSTANTIATE_TEST_SUITE_P(Modes, OpenGLDrawerCanvasFullSizeTest,
                         ::testing::Values(Mode{true, 1024, 768}, Mode{false, 1024, 768},
                                           Mode{true, 800, 600}, Mode{false, 1280, 800}),
                         modeName);

} // namespace
