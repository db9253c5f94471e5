#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "render/OpenGLDrawer.h"
#include "render/SDLDrawer.h"
#include "tests/render/CanvasScene.h"
#include "tests/render/TestPictures.h"
#include "tests/render/XvfbServer.h"

using TestPictures::Black;
using TestPictures::Frame;
using TestPictures::Rgb;
using TestPictures::White;
using TestPictures::expectBounds;

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

// ---- What every drawer does alike, on real pixels: the software drawer on SDL's dummy
// driver (always 1024 x 768), the OpenGL drawer batched and not on Mesa in an Xvfb server
// of the tests' own, in a window of the logical screen's size unless another is named.

struct SoftwareSide {
    static const bool ScalesAboutCentre = false;
    static std::string name() { return "Software"; }

    bool open()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        if (SDL_Init(SDL_INIT_VIDEO) != 0)
            return false;
        drawer.reset(new SDLDrawer);
        return drawer->initialise(1024, 768, false, 0);
    }
    ~SoftwareSide()
    {
        drawer.reset();
        SDL_Quit();
    }
    bool holds(unsigned id) const { return drawer->findImage(id) != nullptr; }

    std::unique_ptr<SDLDrawer> drawer;
};

template <bool Batching, unsigned short Width = 1024, unsigned short Height = 768>
struct OpenGLSide {
    static const bool ScalesAboutCentre = true;
    static std::string name()
    {
        std::string size = Width == 1024 && Height == 768 ? "" : std::to_string(Width) + "x" + std::to_string(Height);
        return (Batching ? "OpenGLBatched" : "OpenGLImmediate") + size;
    }

    bool open()
    {
        video.reset(new X11Video);
        if (!video->isReady())
            return false;
        drawer.reset(new OpenGLDrawer(Batching));
        testing::internal::CaptureStdout();
        bool opened = drawer->initialise(Width, Height, false, 0);
        testing::internal::GetCapturedStdout();
        return opened;
    }
    ~OpenGLSide()
    {
        drawer.reset();
        video.reset();
    }
    bool holds(unsigned id) const { return drawer->holdsImage(id); }

    std::unique_ptr<X11Video> video;
    std::unique_ptr<OpenGLDrawer> drawer;
};

template <typename Side>
class BothDrawersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(side.open()) << "no window for the drawer";
        drawer = side.drawer.get();
        startFrame();
    }

    // A new frame, black all over.
    void startFrame()
    {
        drawer->beginDrawing();
        drawer->fillRect(0, 0, 1024, 768, 0, 0, 0, 255);
    }

    Frame frame()
    {
        drawer->endDrawing();
        return Frame(*drawer);
    }

    Side side;
    Drawer* drawer = nullptr;
};

struct SideNames {
    template <typename Side>
    static std::string GetName(int) { return Side::name(); }
};

typedef ::testing::Types<SoftwareSide, OpenGLSide<true>, OpenGLSide<false>> Sides;
TYPED_TEST_SUITE(BothDrawersTest, Sides, SideNames);

TYPED_TEST(BothDrawersTest, IdsCountUpAndReuseOnlyTheNewestReleased)
{
    Drawer& d = *this->drawer;
    EXPECT_EQ(1u, d.loadImage(TestPictures::solid(4, 4, 1, 2, 3), 4, 4));
    EXPECT_EQ(2u, d.loadImage(TestPictures::solid(4, 4, 1, 2, 3), 4, 4));
    EXPECT_EQ(3u, d.loadImage(TestPictures::solid(4, 4, 1, 2, 3), 4, 4));
    d.releaseImage(3);
    EXPECT_EQ(3u, d.loadImage(TestPictures::solid(4, 4, 1, 2, 3), 4, 4));
    d.releaseImage(2);
    EXPECT_EQ(4u, d.loadImage(TestPictures::solid(4, 4, 1, 2, 3), 4, 4));
    EXPECT_EQ(0u, d.loadImage(nullptr, 4, 4));
    EXPECT_EQ(5u, d.loadImage(TestPictures::solid(4, 4, 1, 2, 3), 4, 4));
    d.releaseImage(77);
    EXPECT_FALSE(this->side.holds(2));
    EXPECT_TRUE(this->side.holds(5));
}

// The software drawer keeps the corner where it is told, the OpenGL drawer scales about the
// picture's centre; either way the picture lands where scaledCornerShift says.
TYPED_TEST(BothDrawersTest, ScaledPicturesLandWhereTheCornerShiftSays)
{
    Drawer& d = *this->drawer;
    const bool aboutCentre = TypeParam::ScalesAboutCentre;
    unsigned id = d.loadImage(TestPictures::solid(64, 64, 255, 255, 255), 64, 64);

    EXPECT_FLOAT_EQ(aboutCentre ? 31.0f : 0.0f, d.scaledCornerShift(64, 0.03125f));
    d.drawImage(id, 100, 100, 0.03125f, 0.03125f, 1, 1, 1, 1);
    int shift = aboutCentre ? 31 : 0;
    expectBounds(this->frame(), 100 + shift, 100 + shift, 102 + shift, 102 + shift);

    this->startFrame();
    EXPECT_FLOAT_EQ(aboutCentre ? -32.0f : 0.0f, d.scaledCornerShift(64, 2.0f));
    d.drawImage(id, 100, 100, 2.0f, 2.0f, 1, 1, 1, 1);
    shift = aboutCentre ? -32 : 0;
    Frame doubled = this->frame();
    expectBounds(doubled, 100 + shift, 100 + shift, 228 + shift, 228 + shift);
    EXPECT_EQ(White, doubled.at(100 + shift, 100 + shift));
    EXPECT_EQ(White, doubled.at(227 + shift, 227 + shift));
}

TYPED_TEST(BothDrawersTest, NegativeScaleMirrorsInPlace)
{
    unsigned id = this->drawer->loadImage(TestPictures::coordinates(64, 64), 64, 64);
    this->drawer->drawImage(id, 100, 100, -1.0f, 1.0f, 1, 1, 1, 1);
    Frame f = this->frame();
    // Column 0 of the picture shows at the right-hand edge.
    EXPECT_EQ((Rgb{63, 0, 0}), f.at(100, 100));
    EXPECT_EQ((Rgb{0, 0, 0}), f.at(163, 100));
    EXPECT_EQ((Rgb{60, 17, 0}), f.at(103, 117));
    expectBounds(f, 100, 100, 164, 164);
}

TYPED_TEST(BothDrawersTest, TextLeavesEmptyCellsForBytesWithoutGlyphs)
{
    Drawer& d = *this->drawer;
    for (Drawer::Glyph g : {Drawer::LetterE, Drawer::LetterL, Drawer::LetterO})
        d.loadGlyph(g, TestPictures::solid(64, 64, 255, 255, 255), 64);
    d.drawText("Hello", 0, 0, 64, 1, 1, 1, 1);
    d.drawText("l'l", 0, 100, 64, 1, 1, 1, 1);
    Frame f = this->frame();
    EXPECT_EQ(Black, f.at(32, 32));    // H: nothing
    for (int cell = 1; cell < 5; ++cell)
        EXPECT_EQ(White, f.at(cell * 64 + 32, 32)) << "cell " << cell;
    expectBounds(f, 0, 0, 320, 164);
    EXPECT_EQ(White, f.at(32, 132));
    EXPECT_EQ(Black, f.at(96, 132));   // the apostrophe still takes a cell
    EXPECT_EQ(White, f.at(160, 132));
}

TYPED_TEST(BothDrawersTest, DigitsAdvanceByTheCellSize)
{
    Drawer& d = *this->drawer;
    d.loadGlyph(Drawer::Digit1, TestPictures::solid(64, 64, 255, 0, 0), 64);
    d.loadGlyph(Drawer::Digit0, TestPictures::solid(64, 64, 0, 255, 0), 64);
    d.drawText("10", 60, 18, 36, 1, 1, 1, 1);
    Frame f = this->frame();
    EXPECT_EQ((Rgb{255, 0, 0}), f.at(61, 19));
    EXPECT_EQ((Rgb{255, 0, 0}), f.at(95, 53));
    EXPECT_EQ((Rgb{0, 255, 0}), f.at(96, 19));
    EXPECT_EQ((Rgb{0, 255, 0}), f.at(131, 53));
    expectBounds(f, 60, 18, 132, 54);
}

// Canvases, in windows of several sizes: what lands in a canvas is what drawing straight to
// the frame would give, clipped to the canvas's rectangle.
template <typename Side>
class CanvasTest : public BothDrawersTest<Side> {
protected:
    void SetUp() override
    {
        BothDrawersTest<Side>::SetUp();
        if (!this->HasFatalFailure())
            scene.load(*this->drawer);
    }

    // The frame's pixel at a place of the logical screen, wherever the window shows it.
    Rgb atLogical(const Frame& frame, int x, int y) const
    {
        Drawer::WindowRect place = this->drawer->getPicturePlace();
        return frame.at(place.x + x * place.width / Drawer::ScreenWidth,
                        place.y + y * place.height / Drawer::ScreenHeight);
    }

    CanvasScene scene;
};

typedef ::testing::Types<SoftwareSide, OpenGLSide<true>, OpenGLSide<false>, OpenGLSide<true, 1280, 800>,
                         OpenGLSide<false, 1280, 800>, OpenGLSide<false, 1280, 1024>, OpenGLSide<true, 800, 600>>
    CanvasSides;
TYPED_TEST_SUITE(CanvasTest, CanvasSides, SideNames);

TYPED_TEST(CanvasTest, NewCanvasIsOpaqueBlack)
{
    Drawer& d = *this->drawer;
    this->frame();
    unsigned canvas = d.createCanvas();
    ASSERT_NE(0u, canvas);
    this->startFrame();
    d.fillRect(0, 0, 1024, 768, 255, 255, 255, 255);
    d.drawImage(canvas, 0, 0, 1, 1, 1, 1, 1, 1);
    d.drawImage(canvas, 0, 0, 0.5f, 0.5f, 1, 1, 1, 1);
    // Black everywhere, at full size and at half size alike.
    expectBounds(this->frame(), -1, -1, -1, -1);
}

TYPED_TEST(CanvasTest, DrawingIsClippedToTheCanvasRectangle)
{
    Drawer& d = *this->drawer;
    unsigned tile = d.loadImage(TestPictures::solid(64, 64, 0, 255, 0), 64, 64);
    unsigned canvas = d.createCanvas();
    d.beginCanvas(canvas, 0, 0, 1024, 768);
    d.fillRect(0, 0, 1024, 768, 0, 0, 255, 255);
    d.endCanvas();
    d.beginCanvas(canvas, 100, 200, 300, 50);
    d.fillRect(0, 0, 1024, 768, 255, 0, 0, 255);
    d.drawImage(tile, 80, 180, 4, 4, 1, 1, 1, 1);
    d.drawText("a", 0, 0, 64, 1, 1, 1, 1);
    d.endCanvas();
    d.drawImage(canvas, 0, 0, 1, 1, 1, 1, 1, 1);
    Frame shown = this->frame();

    // The same, straight onto the frame, clipped by hand.
    this->startFrame();
    d.fillRect(0, 0, 1024, 768, 0, 0, 255, 255);
    d.fillRect(100, 200, 300, 50, 255, 0, 0, 255);
    Frame expected = this->frame();

    if (shown.width == 1024) {
        // Outside the rectangle nothing changed; inside, the tile covers the red fill.
        EXPECT_EQ((Rgb{0, 0, 255}), shown.at(99, 220));
        EXPECT_EQ((Rgb{0, 0, 255}), shown.at(200, 199));
        EXPECT_EQ((Rgb{0, 0, 255}), shown.at(400, 220));
        EXPECT_EQ((Rgb{0, 0, 255}), shown.at(200, 250));
        EXPECT_EQ((Rgb{0, 255, 0}), shown.at(150, 220));
        EXPECT_EQ((Rgb{255, 0, 0}), shown.at(399, 249));
        EXPECT_EQ(expected.at(600, 600), shown.at(600, 600));
    }
    EXPECT_EQ(this->atLogical(expected, 5, 5), this->atLogical(shown, 5, 5));
}

TYPED_TEST(CanvasTest, AnIdThatIsNoCanvasSwallowsTheDrawing)
{
    Drawer& d = *this->drawer;
    unsigned tile = d.loadImage(TestPictures::solid(64, 64, 0, 255, 0), 64, 64);
    d.fillRect(0, 0, 1024, 768, 0, 0, 255, 255);
    d.beginCanvas(tile, 0, 0, 1024, 768);
    d.fillRect(0, 0, 1024, 768, 255, 0, 0, 255);
    d.drawImage(tile, 0, 0, 1, 1, 1, 1, 1, 1);
    d.endCanvas();
    // The picture itself is untouched.
    d.drawImage(tile, 10, 10, 1, 1, 1, 1, 1, 1);
    Frame f = this->frame();
    EXPECT_EQ((Rgb{0, 0, 255}), this->atLogical(f, 512, 384));
    EXPECT_EQ((Rgb{0, 0, 255}), this->atLogical(f, 5, 5));
    EXPECT_EQ((Rgb{0, 255, 0}), this->atLogical(f, 42, 42));
}

TYPED_TEST(CanvasTest, DrawingForAReleasedCanvasIsDroppedUntilItsEnd)
{
    Drawer& d = *this->drawer;
    unsigned canvas = d.createCanvas();
    d.beginCanvas(canvas, 0, 0, 1024, 768);
    d.releaseImage(canvas);
    d.fillRect(0, 0, 1024, 768, 0, 255, 0, 255);
    d.endCanvas();
    d.fillRect(0, 0, 512, 768, 255, 0, 0, 255);
    Frame f = this->frame();
    EXPECT_EQ((Rgb{255, 0, 0}), this->atLogical(f, 1, 1));
    EXPECT_EQ(Black, this->atLogical(f, 1023, 767));
    EXPECT_FALSE(this->side.holds(canvas));
}

// A canvas holds the picture at the window's pixel size and place and is shown at one
// texel per pixel, so it is what drawing straight gives in any window.
TYPED_TEST(CanvasTest, CanvasShownAtOriginLooksLikeDrawingStraightToTheFrame)
{
    Drawer& d = *this->drawer;
    this->scene.draw(d);
    Frame straight = this->frame();

    unsigned canvas = d.createCanvas();
    ASSERT_NE(0u, canvas);
    this->startFrame();
    d.beginCanvas(canvas, 0, 0, 1024, 768);
    this->scene.draw(d);
    d.endCanvas();
    // The frame was not touched while the canvas was drawn.
    expectBounds(this->frame(), -1, -1, -1, -1);
    this->startFrame();
    d.drawImage(canvas, 0, 0, 1, 1, 1, 1, 1, 1);
    Frame shown = this->frame();

    ASSERT_TRUE(straight.isValid());
    EXPECT_LE(shown.maxDifference(straight), 2) << shown.countDifferent(straight) << " pixels differ";
    // The scene is not uniform, so an empty or misplaced canvas could not pass. The frame
    // is in window pixels, so the two places are taken in proportion to its size.
    EXPECT_NE(straight.at(straight.width / 10, straight.height / 8),
              straight.at(straight.width * 7 / 8, straight.height * 25 / 32));
}

} // namespace
