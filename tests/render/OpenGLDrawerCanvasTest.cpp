// Canvases of the OpenGL drawer: framebuffer objects that hold a logical screen. What every
// drawer's canvases do is tried over both drawers in DrawerTest.cpp.
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

    std::unique_ptr<X11Video> video;
    std::unique_ptr<OpenGLDrawer> drawer;
    CanvasScene scene;
};

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

} // namespace
