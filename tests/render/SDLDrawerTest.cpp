// The software drawer on SDL's dummy video driver: pixels are read from the screen surface.
#include <gtest/gtest.h>
#include <cstdlib>
#include <memory>

#include "render/SDLDrawer.h"
#include "tests/render/TestPictures.h"
#include "tests/support/SoftwareDrawerTest.h"

using TestPictures::Black;
using TestPictures::Frame;
using TestPictures::Rgb;
using TestPictures::White;
using TestPictures::expectBounds;

namespace {

class SDLDrawerTest : public SoftwareDrawerTest {
protected:
    void SetUp() override
    {
        SoftwareDrawerTest::SetUp();
        if (!HasFatalFailure())
            clear(Black);
    }

    void clear(Rgb c)
    {
        drawer->fillRect(0, 0, 1024, 768, c.red, c.green, c.blue, 255);
    }

    Frame frame()
    {
        drawer->endDrawing();
        return Frame(*drawer);
    }

    Uint32 scratchPixel(int x, int y)
    {
        SDL_Surface* s = drawer->getScratch();
        return static_cast<Uint32*>(s->pixels)[y * (s->pitch / 4) + x];
    }

    Uint32 surfacePixel(SDL_Surface* s, int x, int y)
    {
        return static_cast<Uint32*>(s->pixels)[y * (s->pitch / 4) + x];
    }
};

TEST_F(SDLDrawerTest, AlwaysOpensTheLogicalScreenSize)
{
    drawer.reset(new SDLDrawer);
    ASSERT_TRUE(drawer->initialise(1280, 800, false, 4));
    ASSERT_NE(nullptr, drawer->getScreen());
    EXPECT_EQ(1024, drawer->getScreen()->w);
    EXPECT_EQ(768, drawer->getScreen()->h);
}

TEST_F(SDLDrawerTest, ColoursSurviveTheDisplayFormat)
{
    unsigned red = drawer->loadImage(TestPictures::solid(8, 8, 255, 0, 0), 8, 8);
    unsigned mixed = drawer->loadImage(TestPictures::solid(8, 8, 10, 120, 230), 8, 8);
    drawer->drawImage(red, 0, 0, 1, 1, 1, 1, 1, 1);
    drawer->drawImage(mixed, 10, 0, 1, 1, 1, 1, 1, 1);
    // Through the scaler too, which copies raw pixels.
    drawer->drawImage(mixed, 20, 0, 0.5f, 0.5f, 1, 1, 1, 1);
    drawer->fillRect(40, 0, 8, 8, 10, 20, 30, 255);
    Frame f = frame();
    EXPECT_EQ((Rgb{255, 0, 0}), f.at(4, 4));
    EXPECT_EQ((Rgb{10, 120, 230}), f.at(14, 4));
    EXPECT_EQ((Rgb{10, 120, 230}), f.at(21, 1));
    EXPECT_EQ((Rgb{10, 20, 30}), f.at(44, 4));
}

TEST_F(SDLDrawerTest, ScaleOneIsBlittedWithItsAlpha)
{
    clear(White);
    unsigned id = drawer->loadImage(TestPictures::solid(16, 16, 0, 0, 0, 128), 16, 16);
    drawer->drawImage(id, 100, 100, 1, 1, 0.1f, 0.1f, 0.1f, 0.1f);
    Frame f = frame();
    EXPECT_NEAR(127, f.at(108, 108).red, 2);
    EXPECT_EQ(White, f.at(99, 108));
}

TEST_F(SDLDrawerTest, HalfScaleTakesEverySecondPixelOfEverySecondRow)
{
    unsigned id = drawer->loadImage(TestPictures::coordinates(64, 64), 64, 64);
    drawer->drawImage(id, 200, 100, 0.5f, 0.5f, 1, 1, 1, 1);
    Frame f = frame();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ((Rgb{x * 2, y * 2, 0}), f.at(200 + x, 100 + y)) << x << "," << y;
    EXPECT_EQ(Black, f.at(232, 110));
    EXPECT_EQ(Black, f.at(210, 132));
}

TEST_F(SDLDrawerTest, ScalingToThirtySixTakesColumnsByTheRunningSum)
{
    unsigned char* pixels = TestPictures::coordinates(64, 64);
    SDL_Surface* source = SDL_CreateRGBSurfaceFrom(pixels, 64, 64, 32, 256, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
    SDL_Surface* scaled = drawer->scaleImage(source, 36, 36);
    ASSERT_EQ(drawer->getScratch(), scaled);
    const int columns[] = {0, 1, 3, 5, 7, 8, 10, 12};
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(static_cast<Uint32>(columns[c]) | 0xFF000000u, scratchPixel(c, 0)) << "column " << c;
    // Rows take the same steps: output row 2 is source row 3.
    EXPECT_EQ(0xFF000300u | 5u, scratchPixel(3, 2));
    // The last output column and row come from inside the source.
    EXPECT_EQ(static_cast<Uint32>(62 | (62 << 8)) | 0xFF000000u, scratchPixel(35, 35));
    SDL_FreeSurface(source);
    delete[] pixels;
}

TEST_F(SDLDrawerTest, SameSizeNeedsNoScaling)
{
    SDL_Surface* source = SDL_CreateRGBSurface(SDL_SWSURFACE, 64, 64, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
    EXPECT_EQ(source, drawer->scaleImage(source, 64, 64));
    EXPECT_EQ(drawer->getScratch(), drawer->scaleImage(source, 64, 64, true));
    EXPECT_EQ(nullptr, drawer->scaleImage(source, 2049, 64));
    EXPECT_EQ(nullptr, drawer->scaleImage(source, 64, 2049));
    SDL_FreeSurface(source);
}

TEST_F(SDLDrawerTest, NegativeScaleAtHalfSizeIsMirroredToo)
{
    unsigned id = drawer->loadImage(TestPictures::coordinates(64, 64), 64, 64);
    drawer->drawImage(id, 0, 0, -0.5f, 0.5f, 1, 1, 1, 1);
    Frame f = frame();
    EXPECT_EQ((Rgb{62, 2, 0}), f.at(0, 1));
    EXPECT_EQ((Rgb{0, 2, 0}), f.at(31, 1));
}

TEST_F(SDLDrawerTest, SizesBeyondTheScratchSurfaceDrawNothing)
{
    unsigned id = drawer->loadImage(TestPictures::solid(64, 64, 255, 255, 255), 64, 64);
    drawer->drawImage(id, 0, 0, 40.0f, 1.0f, 1, 1, 1, 1);     // 2560 wide
    drawer->drawImage(id, 0, 0, 1.0f, 33.0f, 1, 1, 1, 1);     // 2112 high
    drawer->drawImage(id, 0, 0, -33.0f, 1.0f, 1, 1, 1, 1);
    expectBounds(frame(), -1, -1, -1, -1);
    // 32 times is exactly the scratch surface: drawn, clipped to the screen.
    drawer->drawImage(id, 0, 0, 32.0f, 1.0f, 1, 1, 1, 1);
    expectBounds(frame(), 0, 0, 1024, 64);
}

TEST_F(SDLDrawerTest, ZeroScaledSizeDrawsNothing)
{
    unsigned id = drawer->loadImage(TestPictures::solid(64, 64, 255, 255, 255), 64, 64);
    drawer->drawImage(id, 10, 10, 0.01f, 1.0f, 1, 1, 1, 1);
    drawer->drawImage(id, 10, 10, 1.0f, 0.0f, 1, 1, 1, 1);
    drawer->drawImage(0, 10, 10, 1.0f, 1.0f, 1, 1, 1, 1);
    expectBounds(frame(), -1, -1, -1, -1);
}

TEST_F(SDLDrawerTest, TextIsInvisibleBeforeTheGlyphsArrive)
{
    drawer->drawText("abc", 10, 10, 36, 1, 1, 1, 1);
    drawer->drawText("abc", 10, 100, 64, 1, 1, 1, 1);
    expectBounds(frame(), -1, -1, -1, -1);
}

TEST_F(SDLDrawerTest, FractionalPenIsTruncatedPerCell)
{
    drawer->loadGlyph(Drawer::Digit1, TestPictures::solid(64, 64, 255, 255, 255), 64);
    drawer->drawText("11", 10, 0, 10.5f, 1, 1, 1, 1);
    Frame f = frame();
    // Cells are 10 wide, at pens 10 and 20.5, truncated to 20.
    expectBounds(f, 10, 0, 30, 10);
}

TEST_F(SDLDrawerTest, GlyphsAtTheirOwnSizeAreBlittedUnscaled)
{
    drawer->loadGlyph(Drawer::LetterA, TestPictures::coordinates(64, 64), 64);
    drawer->drawText("a", 300, 200, 64, 1, 1, 1, 1);
    Frame f = frame();
    EXPECT_EQ((Rgb{0, 0, 0}), f.at(300, 200));
    EXPECT_EQ((Rgb{63, 63, 0}), f.at(363, 263));
    EXPECT_EQ((Rgb{17, 41, 0}), f.at(317, 241));
}

TEST_F(SDLDrawerTest, FillsWriteWithoutBlendingAndGradientsUseTheTopColour)
{
    clear(White);
    drawer->fillRect(0, 0, 10, 10, 0, 0, 0, 0);
    drawer->fillGradient(100, 100, 50, 50, 0, 0, 0, 255, 0, 0, 255, 255);
    Frame f = frame();
    EXPECT_EQ(Black, f.at(5, 5));      // alpha 0, written all the same
    EXPECT_EQ(White, f.at(10, 10));
    EXPECT_EQ(Black, f.at(100, 100));
    EXPECT_EQ(Black, f.at(149, 149));  // no blue at the bottom
    EXPECT_EQ(White, f.at(150, 149));
    EXPECT_EQ(White, f.at(149, 150));
}

TEST_F(SDLDrawerTest, WhatIsNotPaintedOverStays)
{
    unsigned id = drawer->loadImage(TestPictures::solid(8, 8, 255, 255, 255), 8, 8);
    drawer->beginDrawing();
    drawer->drawImage(id, 50, 50, 1, 1, 1, 1, 1, 1);
    drawer->endDrawing();
    drawer->beginDrawing();
    drawer->drawImage(id, 500, 50, 1, 1, 1, 1, 1, 1);
    Frame f = frame();
    EXPECT_EQ(White, f.at(54, 54));
    EXPECT_EQ(White, f.at(504, 54));
}

TEST_F(SDLDrawerTest, NothingIsDrawnWithoutAScreen)
{
    drawer.reset(new SDLDrawer);
    // No initialise: no screen.
    drawer->drawText("abc", 0, 0, 36, 1, 1, 1, 1);
    drawer->fillRect(0, 0, 10, 10, 1, 2, 3, 4);
    drawer->endDrawing();
    EXPECT_EQ(0u, drawer->createCanvas());
    std::vector<unsigned char> rgb;
    int w, h;
    EXPECT_FALSE(drawer->readFrame(rgb, w, h));
}

} // namespace
