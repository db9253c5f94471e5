#include <gtest/gtest.h>

#include "render/Drawer.h"

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

} // namespace
