// The atlas's bookkeeping and border texels, without OpenGL.
#include <gtest/gtest.h>
#include <vector>

#include "render/TextureAtlas.h"

namespace {

// One byte per texel is enough to tell texels apart: a texel's four bytes all hold its
// index in the source texture.
std::vector<unsigned char> numbered(unsigned width, unsigned height)
{
    std::vector<unsigned char> texels(width * height * 4);
    for (unsigned i = 0; i < width * height; ++i)
        for (int c = 0; c < 4; ++c)
            texels[i * 4 + c] = static_cast<unsigned char>(i);
    return texels;
}

int texelAt(const std::vector<unsigned char>& block, unsigned blockWidth, unsigned col, unsigned row)
{
    return block[(row * blockWidth + col) * 4];
}

TEST(TextureAtlasBorderTest, ClampedTextureRepeatsItsEdgeTexels)
{
    // A 4 x 2 texture, all of it image.
    std::vector<unsigned char> texels = numbered(4, 2);
    std::vector<unsigned char> block = TextureAtlas::borderedBlock(texels.data(), 4, 2, 4, 2, false);
    ASSERT_EQ(6u * 4u * 4u, block.size());
    const int expected[4][6] = {
        {0, 0, 1, 2, 3, 3},
        {0, 0, 1, 2, 3, 3},
        {4, 4, 5, 6, 7, 7},
        {4, 4, 5, 6, 7, 7},
    };
    for (unsigned row = 0; row < 4; ++row)
        for (unsigned col = 0; col < 6; ++col)
            EXPECT_EQ(expected[row][col], texelAt(block, 6, col, row)) << col << "," << row;
}

TEST(TextureAtlasBorderTest, RepeatingTextureWrapsToTheOppositeEdge)
{
    std::vector<unsigned char> texels = numbered(4, 2);
    std::vector<unsigned char> block = TextureAtlas::borderedBlock(texels.data(), 4, 2, 4, 2, true);
    const int expected[4][6] = {
        {7, 4, 5, 6, 7, 4},
        {3, 0, 1, 2, 3, 0},
        {7, 4, 5, 6, 7, 4},
        {3, 0, 1, 2, 3, 0},
    };
    for (unsigned row = 0; row < 4; ++row)
        for (unsigned col = 0; col < 6; ++col)
            EXPECT_EQ(expected[row][col], texelAt(block, 6, col, row)) << col << "," << row;
}

TEST(TextureAtlasBorderTest, PaddedImageKeepsItsPaddingAsTheRightAndLowerBorder)
{
    // A 3 x 3 image padded into a 4 x 4 texture: what filtering sees past the image's right
    // and lower edges is the padding, not the image's edge.
    std::vector<unsigned char> texels = numbered(4, 4);
    std::vector<unsigned char> block = TextureAtlas::borderedBlock(texels.data(), 4, 4, 3, 3, false);
    ASSERT_EQ(5u * 5u * 4u, block.size());
    EXPECT_EQ(3, texelAt(block, 5, 4, 1));     // row 0, the padding column
    EXPECT_EQ(0, texelAt(block, 5, 0, 1));     // row 0, clamped on the left
    EXPECT_EQ(12, texelAt(block, 5, 1, 4));    // the padding row below
    EXPECT_EQ(15, texelAt(block, 5, 4, 4));    // its corner
    EXPECT_EQ(0, texelAt(block, 5, 0, 0));     // clamped corner
}

bool overlap(const TextureAtlas::Entry& a, const TextureAtlas::Entry& b)
{
    return a.page == b.page && a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

TEST(TextureAtlasPackingTest, BlocksNeverOverlapAndStayOnTheirPage)
{
    TextureAtlas atlas(256, 2, 128);
    std::vector<TextureAtlas::Entry> entries;
    const unsigned sizes[][2] = {{66, 66}, {34, 34}, {109, 109}, {66, 66}, {18, 18}, {130, 66}};
    for (int round = 0; round < 6; ++round) {
        for (const auto& s : sizes) {
            TextureAtlas::Entry e;
            if (atlas.allocate(s[0], s[1], e))
                entries.push_back(e);
        }
    }
    EXPECT_GT(entries.size(), 12u);
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_LE(entries[i].x + entries[i].width, 256u);
        EXPECT_LE(entries[i].y + entries[i].height, 256u);
        EXPECT_LT(entries[i].page, 2u);
        for (size_t j = i + 1; j < entries.size(); ++j)
            EXPECT_FALSE(overlap(entries[i], entries[j])) << i << " and " << j;
    }
}

TEST(TextureAtlasPackingTest, NewPagesUpToTheLimitThenRefuses)
{
    TextureAtlas atlas(128, 2, 64);
    TextureAtlas::Entry e;
    int placed = 0;
    while (atlas.allocate(66, 66, e))
        ++placed;
    // One 66 x 66 block per 128 x 128 page.
    EXPECT_EQ(2, placed);
    EXPECT_EQ(2u, atlas.getPageCount());
}

TEST(TextureAtlasPackingTest, OversizedEntriesAreRefused)
{
    TextureAtlas atlas(2048, 4, 512);
    TextureAtlas::Entry e;
    EXPECT_TRUE(atlas.allocate(514, 66, e));
    EXPECT_FALSE(atlas.allocate(1026, 770, e));
    EXPECT_FALSE(atlas.allocate(515, 10, e));
}

TEST(TextureAtlasPackingTest, RemovedBlockIsReusedBeforeNewSpace)
{
    TextureAtlas atlas(256, 1, 128);
    TextureAtlas::Entry first, second, again;
    ASSERT_TRUE(atlas.allocate(66, 66, first));
    ASSERT_TRUE(atlas.allocate(66, 66, second));
    atlas.remove(first);
    ASSERT_TRUE(atlas.allocate(34, 34, again));
    EXPECT_EQ(first.x, again.x);
    EXPECT_EQ(first.y, again.y);
    // The whole block stays reserved, so removing it again gives the full size back.
    EXPECT_EQ(66u, again.width);
}

} // namespace
