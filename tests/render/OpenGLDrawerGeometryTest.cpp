// The OpenGL drawer's arithmetic, which needs no window: texture sizes, padding, the
// letterbox and where a scaled image lands.
#include <gtest/gtest.h>
#include <vector>

#include "render/OpenGLDrawer.h"

namespace {

TEST(OpenGLDrawerSizeTest, PowersOfTwo)
{
    EXPECT_FALSE(PictureTextures::isPowerOfTwo(0));
    EXPECT_TRUE(PictureTextures::isPowerOfTwo(1));
    EXPECT_TRUE(PictureTextures::isPowerOfTwo(64));
    EXPECT_FALSE(PictureTextures::isPowerOfTwo(107));
    EXPECT_FALSE(PictureTextures::isPowerOfTwo(768));
    EXPECT_TRUE(PictureTextures::isPowerOfTwo(1024));

    EXPECT_EQ(1u, PictureTextures::powerOfTwo(0));
    EXPECT_EQ(1u, PictureTextures::powerOfTwo(1));
    EXPECT_EQ(2u, PictureTextures::powerOfTwo(2));
    EXPECT_EQ(4u, PictureTextures::powerOfTwo(3));
    EXPECT_EQ(128u, PictureTextures::powerOfTwo(107));
    EXPECT_EQ(1024u, PictureTextures::powerOfTwo(768));
    EXPECT_EQ(64u, PictureTextures::powerOfTwo(64));
}

TEST(OpenGLDrawerPaddingTest, RowsContinueWithTheirLastAlphaInEveryChannel)
{
    // 3 x 2: the first row ends in a half-transparent pixel, the second in an opaque one.
    const unsigned char pixels[3 * 2 * 4] = {
        1, 2, 3, 4,     5, 6, 7, 8,     9, 10, 11, 128,
        12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 255,
    };
    unsigned char* padded = PictureTextures::padImage(pixels, 3, 2, 4, 4);
    // The image itself is copied unchanged.
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(pixels[row * 12 + i], padded[row * 16 + i]) << "row " << row << " byte " << i;
    // Column 3: all four bytes take the row's last alpha.
    for (int i = 12; i < 16; ++i) {
        EXPECT_EQ(128, padded[i]);
        EXPECT_EQ(255, padded[16 + i]);
    }
    // Rows 2 and 3 repeat padded row 1 entirely.
    for (int row = 2; row < 4; ++row)
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(padded[16 + i], padded[row * 16 + i]) << "row " << row << " byte " << i;
    delete[] padded;
}

TEST(OpenGLDrawerPaddingTest, TransparentEdgePadsWithTransparentBlack)
{
    std::vector<unsigned char> pixels(107 * 107 * 4, 200);
    for (int row = 0; row < 107; ++row)
        pixels[(row * 107 + 106) * 4 + 3] = 0;
    unsigned char* padded = PictureTextures::padImage(pixels.data(), 107, 107, 128, 128);
    for (int row = 0; row < 128; ++row)
        for (int col = 107; col < 128; ++col)
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(0, padded[(row * 128 + col) * 4 + c]) << row << "," << col;
    // Below the image the rows repeat the last one: colour, then the transparent padding.
    EXPECT_EQ(200, padded[(127 * 128 + 0) * 4]);
    EXPECT_EQ(0, padded[(127 * 128 + 106) * 4 + 3]);
    delete[] padded;
}

TEST(OpenGLDrawerViewportTest, FourByThreeWindowUsesItAll)
{
    OpenGLWindow::Viewport v = OpenGLWindow::letterbox(1024, 768);
    EXPECT_EQ(0, v.x);
    EXPECT_EQ(0, v.y);
    EXPECT_EQ(1024, v.width);
    EXPECT_EQ(768, v.height);
    v = OpenGLWindow::letterbox(800, 600);
    EXPECT_EQ(800, v.width);
    EXPECT_EQ(600, v.height);
}

TEST(OpenGLDrawerViewportTest, WideWindowsGetBarsLeftAndRight)
{
    OpenGLWindow::Viewport v = OpenGLWindow::letterbox(1280, 800);
    EXPECT_EQ(106, v.x);
    EXPECT_EQ(0, v.y);
    EXPECT_EQ(1066, v.width);
    EXPECT_EQ(800, v.height);

    v = OpenGLWindow::letterbox(1280, 720);
    EXPECT_EQ(160, v.x);
    EXPECT_EQ(0, v.y);
    EXPECT_EQ(960, v.width);
    EXPECT_EQ(720, v.height);
}

TEST(OpenGLDrawerViewportTest, TallWindowsGetBarsAboveAndBelow)
{
    OpenGLWindow::Viewport v = OpenGLWindow::letterbox(1280, 1024);
    EXPECT_EQ(0, v.x);
    EXPECT_EQ(32, v.y);
    EXPECT_EQ(1280, v.width);
    EXPECT_EQ(960, v.height);
}

void expectQuad(float left, float top, float right, float bottom, const OpenGLDrawer::Quad& q)
{
    EXPECT_FLOAT_EQ(left, q.left);
    EXPECT_FLOAT_EQ(top, q.top);
    EXPECT_FLOAT_EQ(right, q.right);
    EXPECT_FLOAT_EQ(bottom, q.bottom);
}

TEST(OpenGLDrawerPlacementTest, ScalesAboutTheCentreOfTheUnscaledImage)
{
    expectQuad(100, 100, 164, 164, OpenGLDrawer::placeImage(100, 100, 64, 64, 1.0f, 1.0f));
    expectQuad(68, 68, 196, 196, OpenGLDrawer::placeImage(100, 100, 64, 64, 2.0f, 2.0f));
    expectQuad(131, 131, 133, 133, OpenGLDrawer::placeImage(100, 100, 64, 64, 0.03125f, 0.03125f));
}

TEST(OpenGLDrawerPlacementTest, NegativeScaleSwapsTheSidesInPlace)
{
    expectQuad(164, 100, 100, 164, OpenGLDrawer::placeImage(100, 100, 64, 64, -1.0f, 1.0f));
}

TEST(OpenGLDrawerPlacementTest, NegativePositionsStayNegative)
{
    expectQuad(-20, -20, 87, 87, OpenGLDrawer::placeImage(-20, -20, 107, 107, 1.0f, 1.0f));
}

} // namespace
