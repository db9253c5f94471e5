// The OpenGL drawer drawing for real, on Mesa's software rasteriser in an Xvfb server that
// these tests start themselves. Pixels are read back from the presented frame.
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "render/OpenGLDrawer.h"
#include "tests/render/TestPictures.h"
#include "tests/render/XvfbServer.h"

using TestPictures::Black;
using TestPictures::Frame;
using TestPictures::Rgb;
using TestPictures::White;
using TestPictures::expectBounds;

namespace {

class OpenGLDrawerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        video.reset(new X11Video);
        ASSERT_TRUE(video->isReady()) << "no Xvfb server for the OpenGL tests";
    }

    void TearDown() override
    {
        drawer.reset();
        video.reset();
    }

    OpenGLDrawer& open(bool batching = true, unsigned short width = 1024, unsigned short height = 768)
    {
        drawer.reset(new OpenGLDrawer(batching));
        testing::internal::CaptureStdout();
        opened = drawer->initialise(width, height, false, 0);
        messages = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(opened);
        return *drawer;
    }

    std::unique_ptr<X11Video> video;
    std::unique_ptr<OpenGLDrawer> drawer;
    bool opened = false;
    std::string messages;
};

TEST_F(OpenGLDrawerTest, OpensA32BitWindowAndSaysSo)
{
    open();
    EXPECT_EQ("OpenGLDrawer: Display is 32bit.\n", messages);
    SDL_Surface* screen = SDL_GetVideoSurface();
    ASSERT_NE(nullptr, screen);
    EXPECT_EQ(1024, screen->w);
    EXPECT_EQ(768, screen->h);
}

TEST_F(OpenGLDrawerTest, NoAntialiasingAsksForNoMultisampling)
{
    open();
    int buffers = -1;
    SDL_GL_GetAttribute(SDL_GL_MULTISAMPLEBUFFERS, &buffers);
    EXPECT_EQ(0, buffers);
}

TEST_F(OpenGLDrawerTest, AntialiasingFourGetsFourSamples)
{
    drawer.reset(new OpenGLDrawer);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(drawer->initialise(1024, 768, false, 4));
    EXPECT_EQ("OpenGLDrawer: Display is 32bit.\n", testing::internal::GetCapturedStdout());
    int buffers = -1, samples = -1, alpha = -1;
    SDL_GL_GetAttribute(SDL_GL_MULTISAMPLEBUFFERS, &buffers);
    SDL_GL_GetAttribute(SDL_GL_MULTISAMPLESAMPLES, &samples);
    SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &alpha);
    EXPECT_EQ(1, buffers);
    EXPECT_EQ(4, samples);
    EXPECT_EQ(8, alpha);
}

// A server of 16-bit depth: five bits a colour and no alpha are asked for.
TEST(OpenGLDrawerSixteenBitTest, SaysSoAndAsksForNoAlpha)
{
    std::unique_ptr<X11Video> video(new X11Video(16));
    ASSERT_TRUE(video->isReady());
    OpenGLDrawer drawer;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(drawer.initialise(1024, 768, false, 0));
    EXPECT_EQ("OpenGLDrawer: Display is 16bit.\n", testing::internal::GetCapturedStdout());
    int red = -1, alpha = -1;
    SDL_GL_GetAttribute(SDL_GL_RED_SIZE, &red);
    SDL_GL_GetAttribute(SDL_GL_ALPHA_SIZE, &alpha);
    EXPECT_EQ(5, red);
    EXPECT_EQ(0, alpha);
}

TEST_F(OpenGLDrawerTest, SizesNoTextureCanHoldAreRefusedAndEmptyOnesIgnored)
{
    OpenGLDrawer& d = open();
    testing::internal::CaptureStdout();
    // The buffers are never read: each size is refused first.
    EXPECT_EQ(0u, d.loadImage(new unsigned char[4], 8193, 60000));
    EXPECT_EQ(0u, d.loadImage(new unsigned char[4], 0, 4));
    EXPECT_EQ(0u, d.loadImage(new unsigned char[4], 4, 0));
    d.loadGlyph(Drawer::LetterA, new unsigned char[4], 0);
    // Mesa's limit is the drawer's own 16384; a driver whose largest texture is 2048 on a
    // side cannot hold 2049 columns, padded to 4096.
    PictureTextures smaller;
    smaller.open(false, 2048);
    EXPECT_TRUE(smaller.holds(2048, 2048));
    EXPECT_FALSE(smaller.holds(2049, 16));
    EXPECT_EQ("OpenGLDrawer: Image 8193 x 60000 is larger than a texture can hold, not loaded.\n"
              "OpenGLDrawer: Image 2049 x 16 is larger than a texture can hold, not loaded.\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(0u, PictureTextures::powerOfTwo(0x80000001u));
    unsigned char pixel[4] = {1, 2, 3, 4};
    delete[] PictureTextures::padImage(pixel, 0, 1, 2, 2);
    d.drawText("a", 0, 0, 36.0f, 1.0f, 1.0f, 1.0f, 1.0f);   // the 16 x 16 stand-in glyph
    d.endDrawing();
}

// Textures past the driver's largest (16384 on a side under Mesa) are refused: an atlas
// page then takes no picture (said once), and a framebuffer makes no layer.
TEST_F(OpenGLDrawerTest, AtlasPagesAndFramebuffersTheDriverRefusesAreSaidOnce)
{
    OpenGLDrawer& d = open();
    testing::internal::CaptureStdout();
    TextureAtlas atlas(32768, 1, 512);
    std::vector<unsigned char> texels(64 * 64 * 4, 255);
    TextureAtlas::Entry entry;
    EXPECT_FALSE(atlas.add(texels.data(), 64, 64, 64, 64, false, entry));
    EXPECT_FALSE(atlas.add(texels.data(), 64, 64, 64, 64, false, entry));
    EXPECT_EQ(0u, d.createLayer(20000, 64));
    EXPECT_EQ(0u, d.createLayer(20000, 64));
    EXPECT_NE(0u, d.createLayer(64, 64));
    // A refused layer is said by the tile caches that asked for it, as the faster path off.
    EXPECT_EQ("OpenGLDrawer: Could not make a 32768 x 32768 atlas page, drawing pictures from their own textures.\n",
              testing::internal::GetCapturedStdout());
}

TEST_F(OpenGLDrawerTest, OddSizedImagesArePaddedToPowersOfTwo)
{
    OpenGLDrawer& d = open();
    const PictureTextures::Picture* hud = d.findPicture(d.loadImage(TestPictures::solid(107, 107, 9, 9, 9), 107, 107));
    ASSERT_NE(nullptr, hud);
    EXPECT_FLOAT_EQ(0.8359375f, hud->extentU);
    EXPECT_FLOAT_EQ(0.8359375f, hud->extentV);
    EXPECT_EQ(107, hud->width);

    const PictureTextures::Picture* screen = d.findPicture(d.loadImage(TestPictures::solid(1024, 768, 9, 9, 9), 1024, 768));
    ASSERT_NE(nullptr, screen);
    EXPECT_FLOAT_EQ(1.0f, screen->extentU);
    EXPECT_FLOAT_EQ(0.75f, screen->extentV);

    const PictureTextures::Picture* tile = d.findPicture(d.loadImage(TestPictures::solid(64, 64, 9, 9, 9), 64, 64));
    ASSERT_NE(nullptr, tile);
    EXPECT_FLOAT_EQ(1.0f, tile->extentU);
    EXPECT_FLOAT_EQ(1.0f, tile->extentV);
}

class OpenGLDrawerBothModesTest : public OpenGLDrawerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(OpenGLDrawerBothModesTest, TintMultipliesTheImage)
{
    OpenGLDrawer& d = open(GetParam());
    unsigned id = d.loadImage(TestPictures::solid(512, 64, 255, 255, 255), 512, 64);
    d.beginDrawing();
    d.drawImage(id, 256, 448, 1.0f, 1.0f, 0.79f, 0.0f, 0.0f, 1.0f);
    d.endDrawing();
    Frame frame(d);
    Rgb tinted = frame.at(300, 480);
    EXPECT_NEAR(201, tinted.red, 1);
    EXPECT_EQ(0, tinted.green);
    EXPECT_EQ(0, tinted.blue);
    expectBounds(frame, 256, 448, 768, 512);
}

TEST_P(OpenGLDrawerBothModesTest, TextBeforeTheGlyphsShowsWhiteSquares)
{
    OpenGLDrawer& d = open(GetParam());
    d.beginDrawing();
    d.drawText("ab", 10, 20, 36, 1, 1, 1, 1);
    d.endDrawing();
    Frame frame(d);
    expectBounds(frame, 10, 20, 82, 56);
    EXPECT_EQ(White, frame.at(10, 20));
    EXPECT_EQ(White, frame.at(81, 55));
}

TEST_P(OpenGLDrawerBothModesTest, FillBlendsAndGradientRunsTopToBottom)
{
    OpenGLDrawer& d = open(GetParam());
    d.beginDrawing();
    d.fillRect(0, 0, 100, 100, 255, 255, 255, 255);
    d.fillRect(0, 0, 50, 50, 0, 0, 0, 128);
    d.fillGradient(200, 0, 100, 256, 0, 0, 0, 255, 0, 0, 255, 255);
    d.endDrawing();
    Frame frame(d);
    EXPECT_EQ(White, frame.at(75, 75));
    EXPECT_NEAR(127, frame.at(25, 25).red, 1);
    EXPECT_LT(frame.at(250, 2).blue, 4);
    EXPECT_NEAR(128, frame.at(250, 128).blue, 2);
    EXPECT_GT(frame.at(250, 254).blue, 250);
    EXPECT_EQ(Black, frame.at(199, 100));
}

INSTANTIATE_TEST_SUITE_P(BatchedAndNot, OpenGLDrawerBothModesTest, ::testing::Values(true, false));

// Without OpenGL (SDL's dummy driver has none) the video mode cannot be set: initialise
// says so and every later call, the destructor included, does nothing.
TEST(OpenGLDrawerWithoutOpenGLTest, InitialiseFailsAndNothingAfterwardsCrashes)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO));
    OpenGLDrawer* d = new OpenGLDrawer;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(d->initialise(1024, 768, false, 4));
    testing::internal::GetCapturedStdout();
    unsigned id = d->loadImage(TestPictures::solid(107, 107, 1, 2, 3), 107, 107);
    EXPECT_EQ(1u, id);
    d->loadGlyph(Drawer::LetterA, TestPictures::solid(64, 64, 1, 2, 3), 64);
    d->beginDrawing();
    d->drawImage(id, 0, 0, 1, 1, 1, 1, 1, 1);
    d->drawText("abc", 0, 0, 36, 1, 1, 1, 1);
    d->fillRect(0, 0, 10, 10, 1, 2, 3, 4);
    d->fillGradient(0, 0, 10, 10, 1, 2, 3, 4, 5, 6, 7, 8);
    unsigned canvas = d->createCanvas();
    d->beginCanvas(canvas, 0, 0, 10, 10);
    d->drawImage(id, 0, 0, 1, 1, 1, 1, 1, 1);
    d->endCanvas();
    d->endDrawing();
    std::vector<unsigned char> rgb;
    int w = 0, h = 0;
    EXPECT_FALSE(d->readFrame(rgb, w, h));
    d->releaseImage(id);
    delete d;
    SDL_Quit();
}

TEST_F(OpenGLDrawerTest, WideWindowIsLetterboxed)
{
    OpenGLDrawer& d = open(true, 1280, 800);
    OpenGLDrawer::Viewport v = d.getViewport();
    EXPECT_EQ(106, v.x);
    EXPECT_EQ(1066, v.width);
    d.beginDrawing();
    d.fillRect(0, 0, 1024, 768, 255, 255, 255, 255);
    d.endDrawing();
    Frame frame(d);
    ASSERT_EQ(1280, frame.width);
    ASSERT_EQ(800, frame.height);
    expectBounds(frame, 106, 0, 1172, 800);
}

TEST_F(OpenGLDrawerTest, TallWindowIsLetterboxed)
{
    OpenGLDrawer& d = open(true, 1280, 1024);
    d.beginDrawing();
    d.fillRect(0, 0, 1024, 768, 255, 255, 255, 255);
    d.endDrawing();
    Frame frame(d);
    expectBounds(frame, 0, 32, 1280, 992);
}

} // namespace
