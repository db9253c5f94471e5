// The batched OpenGL drawer (vertex arrays, atlas pages) must put exactly the pixels on the
// frame that the unbatched one does with one immediate-mode quad per call.
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "render/OpenGLDrawer.h"
#include "tests/render/TestPictures.h"
#include "tests/render/XvfbServer.h"

using TestPictures::Frame;

namespace {

struct Scene {
    std::vector<unsigned> tiles;
    unsigned hud = 0;
    unsigned glow = 0;
    unsigned beam = 0;
    unsigned screen = 0;
    unsigned label = 0;
};

Scene loadScene(Drawer& d)
{
    Scene s;
    for (unsigned i = 0; i < 12; ++i)
        s.tiles.push_back(d.loadImage(TestPictures::noise(64, 64, i + 1), 64, 64));
    s.hud = d.loadImage(TestPictures::noise(107, 107, 20), 107, 107);
    s.glow = d.loadImage(TestPictures::noise(128, 128, 21), 128, 128);
    s.beam = d.loadImage(TestPictures::noise(32, 32, 22), 32, 32);
    s.screen = d.loadImage(TestPictures::noise(1024, 768, 23), 1024, 768);
    s.label = d.loadImage(TestPictures::noise(512, 64, 24), 512, 64);
    for (int g = 0; g < Drawer::GlyphCount; ++g)
        d.loadGlyph(static_cast<Drawer::Glyph>(g), TestPictures::noise(64, 64, 100 + g), 64);
    return s;
}

// A play-field frame and then some: tiles in layers at a scrolled offset, sprites, halos,
// beams, scaled and mirrored pictures, tinted text, and fills between them.
void drawScene(Drawer& d, const Scene& s)
{
    d.beginDrawing();
    d.fillGradient(0, 0, 1024, 768, 0, 0, 0, 255, 47, 65, 101, 255);
    int n = 0;
    for (int row = 0; row < 26; ++row)
        for (int col = 0; col < 34; ++col, ++n)
            if ((row * 7 + col * 3) % 5 != 0)
                d.drawImage(s.tiles[n % 5], col * 32 - 16 - 13, row * 32 - 16 - 7, 1, 1, 1, 1, 1, 1);
    for (int i = 0; i < 40; ++i)
        d.drawImage(s.beam, i * 32 - 13, 300 - 7, 1, 1, 1, 1, 1, 1);
    d.drawImage(s.tiles[7], 496, 368, -1.0f, 1, 1, 1, 1, 1);
    d.drawImage(s.glow, 400, 200, 1, 1, 1, 1, 1, 1);
    for (int row = 0; row < 26; ++row)
        for (int col = 0; col < 34; ++col)
            if ((row + col) % 3 == 0)
                d.drawImage(s.tiles[5 + (row + col) % 7], col * 32 - 29, row * 32 - 23, 1, 1, 1, 1, 1, 1);
    d.fillRect(300, 300, 200, 100, 200, 30, 30, 128);
    for (int row = 0; row < 40; ++row)
        for (int col = 0; col < 60; ++col)
            d.drawImage(s.tiles[(row + col) % 12], 600 + col, 400 + row, 0.03125f, 0.03125f, 1, 1, 1, 1);
    d.drawImage(s.tiles[3], 100, 500, 2.0f, 2.0f, 1, 1, 1, 1);
    d.drawImage(s.tiles[4], 300, 520, 0.5f, 0.5f, 1, 1, 1, 1);
    d.drawImage(s.label, 256, 448, 1, 1, 0.79f, 0.0f, 0.0f, 1.0f);
    d.drawImage(s.label, 256, 512, 1, 1, 1, 1, 1, 0.5f);
    d.drawImage(s.hud, -20, -20, 1, 1, 1, 1, 1, 1);
    d.drawImage(s.hud, 435, -20, 1, 1, 1, 1, 1, 1);
    d.drawText("3", 60, 18, 36, 1, 1, 1, 1);
    d.drawText("12 of 40", 535, 18, 36, 1, 1, 1, 1);
    d.drawText("game over", 225, 350, 64, 1, 1, 1, 1);
    d.drawText("tint!", 225, 650, 36, 0.5f, 1.0f, 0.25f, 0.75f);
    d.drawImage(s.screen, 0, 0, 1, 1, 1, 1, 1, 0.25f);
    d.endDrawing();
}

class OpenGLDrawerBatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        video.reset(new X11Video);
        ASSERT_TRUE(video->isReady());
    }
    void TearDown() override { video.reset(); }

    Frame drawWith(bool batching, unsigned& drawCalls, int width = 1024, int height = 768, int antialias = 0)
    {
        OpenGLDrawer d(batching);
        EXPECT_TRUE(d.initialise(width, height, false, antialias));
        Scene s = loadScene(d);
        // Mesa sizes its buffers for a window whose size changed at the first frame drawn
        // into it, which reads back black: the second frame is the one compared.
        drawScene(d, s);
        drawScene(d, s);
        drawCalls = d.getDrawCalls();
        return Frame(d);
    }

    std::unique_ptr<X11Video> video;
};

TEST_F(OpenGLDrawerBatchTest, BatchedFrameHasExactlyTheUnbatchedPixels)
{
    testing::internal::CaptureStdout();
    unsigned unbatchedCalls = 0, batchedCalls = 0;
    Frame single = drawWith(false, unbatchedCalls);
    Frame batched = drawWith(true, batchedCalls);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(single.isValid());
    ASSERT_TRUE(batched.isValid());
    EXPECT_EQ(0, batched.countDifferent(single)) << "largest difference " << batched.maxDifference(single);
    // The scene is some four thousand calls; batched, the fills and the full-screen picture
    // split it into a few runs only.
    EXPECT_GT(unbatchedCalls, 3000u);
    EXPECT_LT(batchedCalls, 12u);
}

// Scaled windows and multisampling: a pixel the quad covers in part is textured from
// outside the quad, which on an atlas page is the neighbouring picture.
TEST_F(OpenGLDrawerBatchTest, BatchedFrameMatchesUnbatchedAtEveryWindowSizeAndAntialiasing)
{
    struct Setting {
        int width, height, antialias;
    };
    for (Setting setting : {Setting{800, 600, 0}, Setting{1024, 768, 4}, Setting{800, 600, 4}, Setting{1280, 800, 4}}) {
        testing::internal::CaptureStdout();
        unsigned calls = 0;
        Frame single = drawWith(false, calls, setting.width, setting.height, setting.antialias);
        Frame batched = drawWith(true, calls, setting.width, setting.height, setting.antialias);
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(batched.isValid());
        EXPECT_LE(batched.maxDifference(single), 2)
            << setting.width << " x " << setting.height << " antialias " << setting.antialias << ": "
            << batched.countDifferent(single) << " pixels differ";
    }
}

// A play-field frame goes out in one draw; a whole map of cells a pixel or two across (the
// editor's overview) in pieces, which the software rasteriser would otherwise record in
// memory it keeps, with the same pixels.
TEST_F(OpenGLDrawerBatchTest, AFrameOfTilesIsOneDrawAndAMapOfTinyCellsGoesInPieces)
{
    std::vector<Frame> frames;
    for (bool batching : {true, false}) {
        testing::internal::CaptureStdout();
        OpenGLDrawer d(batching);
        ASSERT_TRUE(d.initialise(1024, 768, false, 0));
        testing::internal::GetCapturedStdout();
        std::vector<unsigned> tiles;
        for (unsigned i = 0; i < 12; ++i)
            tiles.push_back(d.loadImage(TestPictures::noise(64, 64, i), 64, 64));
        d.beginDrawing();
        for (int i = 0; i < 2000; ++i)
            d.drawImage(tiles[(i * 5) % 12], (i % 40) * 26 - 16, (i / 40) * 16 - 16, 1, 1, 1, 1, 1, 1);
        d.endDrawing();
        if (batching) {
            EXPECT_EQ(1u, d.getDrawCalls());
        }
        for (int pass = 0; pass < 2; ++pass) {
            d.beginDrawing();
            for (int i = 0; i < 40000; ++i)
                d.drawImage(tiles[(i * 7) % 12], (i % 250) * 4 - 30, (i / 250) * 4 - 30, 0.0625f, 0.0625f, 1, 1, 1, 1);
            d.endDrawing();
        }
        if (batching) {
            EXPECT_EQ(3u, d.getDrawCalls());
        }
        frames.push_back(Frame(d));
    }
    ASSERT_TRUE(frames[0].isValid());
    EXPECT_EQ(0, frames[0].countDifferent(frames[1])) << "largest difference " << frames[0].maxDifference(frames[1]);
}

TEST_F(OpenGLDrawerBatchTest, ReleasedAtlasSpaceIsReusedWithoutDisturbingOtherImages)
{
    testing::internal::CaptureStdout();
    OpenGLDrawer d(true);
    ASSERT_TRUE(d.initialise(1024, 768, false, 0));
    testing::internal::GetCapturedStdout();
    unsigned red = d.loadImage(TestPictures::solid(64, 64, 255, 0, 0), 64, 64);
    unsigned green = d.loadImage(TestPictures::solid(64, 64, 0, 255, 0), 64, 64);
    d.beginDrawing();
    d.drawImage(red, 0, 0, 1, 1, 1, 1, 1, 1);
    d.releaseImage(red);   // with the red quad still waiting to be drawn
    unsigned blue = d.loadImage(TestPictures::solid(64, 64, 0, 0, 255), 64, 64);
    d.drawImage(green, 100, 0, 1, 1, 1, 1, 1, 1);
    d.drawImage(blue, 200, 0, 1, 1, 1, 1, 1, 1);
    d.endDrawing();
    Frame frame(d);
    EXPECT_EQ((TestPictures::Rgb{255, 0, 0}), frame.at(32, 32));
    EXPECT_EQ((TestPictures::Rgb{0, 255, 0}), frame.at(132, 32));
    EXPECT_EQ((TestPictures::Rgb{0, 0, 255}), frame.at(232, 32));
    ASSERT_NE(nullptr, d.findPicture(blue));
    EXPECT_TRUE(d.findPicture(blue)->inAtlas);
}

} // namespace
