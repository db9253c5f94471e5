#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "render/Drawer.h"
#include "render/TileScene.h"

namespace {

TEST(DrawerGlyphTest, LowerCaseLettersMapInOrder)
{
    EXPECT_EQ(Drawer::LetterA, Drawer::glyphFor('a'));
    EXPECT_EQ(Drawer::LetterM, Drawer::glyphFor('m'));
    EXPECT_EQ(Drawer::LetterZ, Drawer::glyphFor('z'));
}

TEST(DrawerGlyphTest, DigitsMapInOrder)
{
    EXPECT_EQ(Drawer::Digit0, Drawer::glyphFor('0'));
    EXPECT_EQ(Drawer::Digit1, Drawer::glyphFor('1'));
    EXPECT_EQ(Drawer::Digit9, Drawer::glyphFor('9'));
}

TEST(DrawerGlyphTest, PunctuationHasItsOwnGlyphs)
{
    EXPECT_EQ(Drawer::Period, Drawer::glyphFor('.'));
    EXPECT_EQ(Drawer::Comma, Drawer::glyphFor(','));
    EXPECT_EQ(Drawer::Plus, Drawer::glyphFor('+'));
    EXPECT_EQ(Drawer::Minus, Drawer::glyphFor('-'));
    EXPECT_EQ(Drawer::Exclaim, Drawer::glyphFor('!'));
    EXPECT_EQ(Drawer::Question, Drawer::glyphFor('?'));
}

TEST(DrawerGlyphTest, CapitalsSpaceAndOtherBytesHaveNone)
{
    const char none[] = {'A', 'H', 'Z', ' ', '\'', '"', ':', '/', '@', '[', '`', '{', '\0', '\n',
                         static_cast<char>(0xE9)};
    for (char c : none)
        EXPECT_EQ(Drawer::GlyphCount, Drawer::glyphFor(c)) << "byte " << static_cast<int>(c);
}

TEST(DrawerGlyphTest, ExactlyFortyTwoBytesHaveGlyphs)
{
    int count = 0;
    for (int c = -128; c < 128; ++c)
        if (Drawer::glyphFor(static_cast<char>(c)) != Drawer::GlyphCount)
            ++count;
    EXPECT_EQ(42, count);
    EXPECT_EQ(42, Drawer::GlyphCount);
}


// A drawer written to the eleven operations alone still draws tile scenes, tile by tile
// through the base class: the backdrop first, then each cell of the scene's own range.
class ElevenOperations : public Drawer {
public:
    bool initialise(unsigned short, unsigned short, bool, int) override { return true; }
    unsigned loadImage(unsigned char* pixels, unsigned, unsigned) override
    {
        delete[] pixels;
        return ++loaded;
    }
    void releaseImage(unsigned) override {}
    void beginDrawing() override {}
    void endDrawing() override {}
    void drawImage(unsigned id, short x, short y, float, float, float, float, float, float) override
    {
        drawn.push_back({static_cast<int>(id), x, y});
    }
    void drawText(const std::string&, short, short, float, float, float, float, float) override {}
    void fillRect(short, short, short, short, unsigned char, unsigned char, unsigned char, unsigned char) override {}
    void fillGradient(short, short, short, short, unsigned char, unsigned char, unsigned char, unsigned char,
                      unsigned char, unsigned char, unsigned char, unsigned char) override
    {
        drawn.push_back({0, 0, 0});
    }
    void loadGlyph(Glyph, unsigned char* pixels, unsigned) override { delete[] pixels; }

    unsigned loaded = 0;
    std::vector<std::array<int, 3>> drawn;   // id (0: the backdrop), x, y
};

TEST(DrawerTilesTest, ADrawerOfTheElevenOperationsDrawsATileSceneTileByTile)
{
    static TileMap map;
    std::fill(&map[0][0], &map[0][0] + MapWidth * MapHeight, Empty);
    map[5][10] = Crate;
    map[5][9] = Earth;    // just left of the scene's cells
    map[6][12] = Earth;   // just below them
    ElevenOperations drawer;
    TileArt art;
    art.load(&drawer);
    TileScene scene;
    scene.map = &map;
    scene.art = &art;
    scene.originX = -320;
    scene.originY = -160;
    scene.left = 10;
    scene.top = 5;
    scene.right = 13;
    scene.bottom = 6;
    scene.backdrop = true;
    scene.groupCount = 1;
    scene.groups[0] = TileScene::Group{1, {TileArt::PlayFront}};
    scene.cacheable = true;
    drawer.drawTiles(scene, 0);
    unsigned caveBack = art.id(TileArt::CaveBackPicture), crate = art.id(TileArt::CratePicture);
    EXPECT_EQ((std::vector<std::array<int, 3>>{{0, 0, 0}, {int(caveBack), -16, -16}, {int(crate), -16, -16}}),
              drawer.drawn);
}

} // namespace
