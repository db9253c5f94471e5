#include <algorithm>
#include <cmath>
#include <map>
#include <random>

#include "tests/screens/LevelEditorTestSupport.h"
#include "tests/support/RecordingDrawer.h"

namespace {

// The editor loads its twelve pictures in a fixed order, so their ids in a fresh drawer are
// known.
enum Picture : unsigned {
    PointerId = 1, CaveBackId, EarthId, GrassId, LampId, LampGlowId, LightBoxId, LightPipeId,
    CrateId, SpikesId, LavaId, SpikeBallId
};

struct Draw {
    unsigned id;
    int x;
    int y;
};

bool operator==(const Draw& a, const Draw& b)
{
    return a.id == b.id && a.x == b.x && a.y == b.y;
}

std::ostream& operator<<(std::ostream& out, const Draw& d)
{
    return out << "{" << d.id << ", " << d.x << ", " << d.y << "}";
}

// The drawImage calls between two indices of the recording, as (image, x, y), checking
// the scale and colour each must have.
std::vector<Draw> drawsIn(const RecordingDrawer& drawer, size_t first, size_t last, float scale)
{
    std::vector<Draw> draws;
    for (size_t i = first; i < last; ++i) {
        const RecordingDrawer::Call& c = drawer.calls[i];
        if (c.op != "drawImage")
            continue;
        EXPECT_FLOAT_EQ(scale, c.scaleX) << "draw " << i;
        EXPECT_FLOAT_EQ(scale, c.scaleY) << "draw " << i;
        EXPECT_FLOAT_EQ(1.0f, c.red);
        EXPECT_FLOAT_EQ(1.0f, c.green);
        EXPECT_FLOAT_EQ(1.0f, c.blue);
        EXPECT_FLOAT_EQ(1.0f, c.alpha);
        draws.push_back(Draw{c.id, c.x, c.y});
    }
    return draws;
}

void expectBackground(const RecordingDrawer::Call& c)
{
    ASSERT_EQ("fillGradient", c.op);
    EXPECT_EQ(0, c.x);
    EXPECT_EQ(0, c.y);
    EXPECT_EQ(1024, c.width);
    EXPECT_EQ(768, c.height);
    const unsigned char top[4] = {0, 0, 0, 255};
    const unsigned char bottom[4] = {47, 65, 101, 255};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(top[i], c.top[i]);
        EXPECT_EQ(bottom[i], c.bottom[i]);
    }
}

class LevelEditorDrawing : public ::testing::Test {
protected:
    EditorFolder folder;
    std::unique_ptr<LevelEditor> editor = makeEditor();
    RecordingDrawer drawer;
};

TEST_F(LevelEditorDrawing, LoadsTwelvePicturesOnceInOrder)
{
    editor->draw(&drawer);
    editor->draw(&drawer);
    ASSERT_EQ(12u, drawer.images.size());
    const unsigned sizes[12] = {32, 64, 64, 64, 64, 128, 64, 64, 64, 64, 64, 64};
    for (unsigned id = 1; id <= 12; ++id) {
        EXPECT_EQ(sizes[id - 1], drawer.images[id].width) << "image " << id;
        EXPECT_EQ(sizes[id - 1], drawer.images[id].height) << "image " << id;
    }
}

TEST_F(LevelEditorDrawing, AnEmptyWindowShowsTheGradientAndThePointer)
{
    editor->mouseMove(500, 300);
    editor->draw(&drawer);
    ASSERT_EQ(2u, drawer.calls.size());
    expectBackground(drawer.calls[0]);
    EXPECT_EQ((std::vector<Draw>{{PointerId, 500, 300}}), drawsIn(drawer, 0, drawer.calls.size(), 1.0f));
}

// The window view at column 100, row 50: each picture centred on its cell, the glow under
// the rock, pipes, crates and spikes, nothing outside the view, nothing for values without a
// picture.
TEST_F(LevelEditorDrawing, TheWindowViewDrawsThreePassesCentredOnTheCells)
{
    for (int i = 0; i < 100; ++i)
        editor->keyDown(keyOf(SDLK_RIGHT));
    for (int i = 0; i < 50; ++i)
        editor->keyDown(keyOf(SDLK_DOWN));
    editor->setTile(100 + 0, 50 + 0, LightBox);
    editor->setTile(100 + 2, 50 + 0, Earth);
    editor->setTile(100 + 1, 50 + 1, Lamp);
    editor->setTile(100 + 3, 50 + 1, Spikes);
    editor->setTile(100 + 5, 50 + 5, SpikeBallStart);
    editor->setTile(100 + 6, 50 + 5, Lava);
    editor->setTile(100 + 7, 50 + 5, LightPipe);
    editor->setTile(100 + 8, 50 + 5, Grass);
    editor->setTile(100 + 9, 50 + 5, CaveBack);
    editor->setTile(100 + 10, 50 + 5, static_cast<TileType>(77));
    editor->setTile(100 + 31, 50 + 23, Crate);
    editor->setTile(99, 50, Earth);          // left of the view, overhanging it
    editor->setTile(100, 50 + 24, Lamp);     // below it, its glow reaching in
    editor->mouseMove(10, 20);

    editor->draw(&drawer);
    expectBackground(drawer.calls[0]);
    std::vector<Draw> expected = {
        // pass 1
        {CaveBackId, -16, -16}, {LightBoxId, -16, -16},
        {LampId, 16, 16},
        {CaveBackId, 80, 16},
        {CaveBackId, 144, 144}, {SpikeBallId, 144, 144},
        {LavaId, 176, 144},
        {CaveBackId, 272, 144},
        {LampId, -16, 752},
        // pass 2
        {LampGlowId, -16, -16},
        {LampGlowId, -48, 720},
        // pass 3
        {EarthId, -48, -16},
        {EarthId, 48, -16},
        {SpikesId, 80, 16},
        {LightPipeId, 208, 144},
        {GrassId, 240, 144},
        {CaveBackId, 976, 720}, {CrateId, 976, 720},
        // the pointer
        {PointerId, 10, 20},
    };
    EXPECT_EQ(expected, drawsIn(drawer, 1, drawer.calls.size(), 1.0f));
}

TEST_F(LevelEditorDrawing, TheWindowViewReachesTheMapsLastCell)
{
    for (int i = 0; i < 1000; ++i) {
        editor->keyDown(keyOf(SDLK_RIGHT));
        editor->keyDown(keyOf(SDLK_DOWN));
    }
    editor->setTile(1023, 767, Earth);
    editor->setTile(992, 744, Grass);
    editor->draw(&drawer);
    std::vector<Draw> expected = {{GrassId, -16, -16}, {EarthId, 31 * 32 - 16, 23 * 32 - 16}, {PointerId, 0, 0}};
    EXPECT_EQ(expected, drawsIn(drawer, 0, drawer.calls.size(), 1.0f));
}

// The overview drawn the plain way: one draw per picture per cell at (column, row), scale
// 1/32, cave backgrounds, lamps and light boxes first, then the rock.
TEST_F(LevelEditorDrawing, ThePlainOverviewDrawsEveryCellAtOnePixel)
{
    editor->setOverviewCache(false);
    editor->setTile(900, 700, Earth);
    editor->setTile(5, 3, Grass);
    editor->setTile(6, 3, CaveBack);
    editor->setTile(7, 3, LightBox);
    editor->setTile(1023, 767, Lamp);
    const TileType hidden[] = {LightPipe, Crate, Spikes, Lava, SpikeBallStart, static_cast<TileType>(42)};
    for (int i = 0; i < 6; ++i)
        editor->setTile(20 + i, 20, hidden[i]);
    editor->keyDown(keyOf(SDLK_z));
    editor->mouseMove(1, 2);

    editor->draw(&drawer);
    expectBackground(drawer.calls[0]);
    std::vector<Draw> expected = {
        {CaveBackId, 6, 3}, {CaveBackId, 7, 3}, {LightBoxId, 7, 3}, {LampId, 1023, 767},
        {GrassId, 5, 3}, {EarthId, 900, 700},
    };
    size_t pointer = drawer.calls.size() - 1;
    EXPECT_EQ(expected, drawsIn(drawer, 1, pointer, 0.03125f));
    EXPECT_EQ((std::vector<Draw>{{PointerId, 1, 2}}), drawsIn(drawer, pointer, drawer.calls.size(), 1.0f));
}

// Cached, the overview is drawn once into a canvas, with the same calls, and each frame
// shows the canvas.
TEST_F(LevelEditorDrawing, TheCachedOverviewDrawsTheSameCallsIntoACanvasOnce)
{
    editor->setTile(5, 3, Grass);
    editor->setTile(7, 3, LightBox);
    editor->keyDown(keyOf(SDLK_z));

    std::unique_ptr<LevelEditor> plain = makeEditor();
    plain->setOverviewCache(false);
    plain->setTile(5, 3, Grass);
    plain->setTile(7, 3, LightBox);
    plain->keyDown(keyOf(SDLK_z));
    RecordingDrawer plainDrawer;
    plain->draw(&plainDrawer);

    editor->draw(&drawer);
    ASSERT_EQ(13u, drawer.images.size());   // the pictures and the canvas
    const unsigned canvas = 13;
    ASSERT_EQ("beginCanvas", drawer.calls[0].op);
    EXPECT_EQ(canvas, drawer.calls[0].id);
    EXPECT_EQ(0, drawer.calls[0].x);
    EXPECT_EQ(0, drawer.calls[0].y);
    EXPECT_EQ(1024, drawer.calls[0].width);
    EXPECT_EQ(768, drawer.calls[0].height);
    size_t end = plainDrawer.calls.size();   // the plain frame less its pointer, plus beginCanvas
    ASSERT_EQ("endCanvas", drawer.calls[end].op);
    expectBackground(drawer.calls[1]);
    EXPECT_EQ(drawsIn(plainDrawer, 0, plainDrawer.calls.size() - 1, 0.03125f),
              drawsIn(drawer, 1, end, 0.03125f));
    EXPECT_EQ((std::vector<Draw>{{canvas, 0, 0}, {PointerId, 0, 0}}),
              drawsIn(drawer, end + 1, drawer.calls.size(), 1.0f));

    drawer.clear();
    editor->draw(&drawer);
    EXPECT_EQ(0, drawer.countOp("beginCanvas"));
    EXPECT_EQ(0, drawer.countOp("fillGradient"));
    EXPECT_EQ((std::vector<Draw>{{canvas, 0, 0}, {PointerId, 0, 0}}), drawsIn(drawer, 0, drawer.calls.size(), 1.0f));
}

// A changed cell is painted again in two small rectangles, where each drawer puts its
// patch; nothing else of the canvas is touched.
// The recording drawer keeps a scaled picture's corner where it is told (no shift), so the
// edited cell's patch is one 2 x 2 rectangle at its column and row.
TEST_F(LevelEditorDrawing, AnEditRepaintsOnlyTheRectangleOfTheCellsPatch)
{
    editor->keyDown(keyOf(SDLK_z));
    editor->draw(&drawer);
    drawer.clear();

    editor->mouseDown(SDL_BUTTON_LEFT, 10 * 32, 20 * 32);   // column 10, row 20 becomes Earth
    editor->draw(&drawer);
    std::vector<RecordingDrawer::Call> canvases;
    for (const RecordingDrawer::Call& c : drawer.calls)
        if (c.op == "beginCanvas")
            canvases.push_back(c);
    ASSERT_EQ(1u, canvases.size());
    EXPECT_EQ(10, canvases[0].x);
    EXPECT_EQ(20, canvases[0].y);
    EXPECT_EQ(2, canvases[0].width);
    EXPECT_EQ(2, canvases[0].height);
    EXPECT_EQ(1, drawer.countOp("endCanvas"));
    EXPECT_EQ(1u, drawer.drawsOf(EarthId).size());
}

TEST_F(LevelEditorDrawing, EditsInTheWindowViewReachTheOverviewLater)
{
    editor->keyDown(keyOf(SDLK_z));
    editor->draw(&drawer);
    editor->keyDown(keyOf(SDLK_z));
    editor->mouseDown(SDL_BUTTON_LEFT, 0, 0);   // Earth
    editor->draw(&drawer);
    editor->keyDown(keyOf(SDLK_z));
    drawer.clear();
    editor->draw(&drawer);
    std::vector<RecordingDrawer::Call> earth = drawer.drawsOf(EarthId);
    ASSERT_FALSE(earth.empty());
    for (const RecordingDrawer::Call& c : earth) {
        EXPECT_EQ(0, c.x);
        EXPECT_EQ(0, c.y);
        EXPECT_FLOAT_EQ(0.03125f, c.scaleX);
    }
    for (const RecordingDrawer::Call& c : drawer.calls)
        if (c.op == "beginCanvas") {
            EXPECT_EQ(2, c.width) << "the whole picture was drawn again";
        }
}

// ---------------------------------------------------------------------------------------
// Whether the patched overview shows what the plain one shows, pixel for pixel, is tried
// here on a model drawer: every picture paints its image id over the pixels it covers (a
// later draw hides an earlier one), the gradient paints its row number, canvases clip.
// It places scaled pictures by either drawer's rule.

class ModelDrawer : public NullDrawer {
public:
    explicit ModelDrawer(bool aboutCentre) : aboutCentre(aboutCentre), frame(Size, 0) {}

    unsigned loadImage(unsigned char* pixels, unsigned width, unsigned height) override
    {
        if (!pixels)
            return 0;
        delete[] pixels;
        return add(Image{static_cast<int>(width), static_cast<int>(height), {}});
    }
    void releaseImage(unsigned id) override { images.erase(id); }
    float scaledCornerShift(float size, float scale) const override
    {
        return aboutCentre ? -(size * scale - size) * 0.5f : 0.0f;
    }
    void drawImage(unsigned id, short x, short y, float scaleX, float scaleY, float, float, float, float) override
    {
        auto it = images.find(id);
        if (it == images.end())
            return;
        const Image& image = it->second;
        if (!image.pixels.empty()) {
            for (int row = 0; row < ScreenHeight; ++row)
                for (int column = 0; column < ScreenWidth; ++column)
                    plot(x + column, y + row, image.pixels[row * ScreenWidth + column]);
            return;
        }
        float width = image.width * scaleX;
        float height = image.height * scaleY;
        float left = aboutCentre ? x - (width - image.width) * 0.5f : x;
        float top = aboutCentre ? y - (height - image.height) * 0.5f : y;
        for (int row = 0; row < static_cast<int>(height); ++row)
            for (int column = 0; column < static_cast<int>(width); ++column)
                plot(static_cast<int>(std::floor(left)) + column, static_cast<int>(std::floor(top)) + row,
                     static_cast<int>(id));
    }
    void fillRect(short x, short y, short width, short height, unsigned char, unsigned char, unsigned char,
                  unsigned char) override
    {
        for (int row = y; row < y + height; ++row)
            for (int column = x; column < x + width; ++column)
                plot(column, row, -100000);
    }
    void fillGradient(short x, short y, short width, short height, unsigned char, unsigned char, unsigned char,
                      unsigned char, unsigned char, unsigned char, unsigned char, unsigned char) override
    {
        for (int row = y; row < y + height; ++row)
            for (int column = x; column < x + width; ++column)
                plot(column, row, -1 - (row - y));
    }
    unsigned createCanvas() override { return add(Image{ScreenWidth, ScreenHeight, std::vector<int>(Size, 0)}); }
    void beginCanvas(unsigned id, short x, short y, short width, short height) override
    {
        target = &images.at(id).pixels;
        clipLeft = std::max<int>(x, 0);
        clipTop = std::max<int>(y, 0);
        clipRight = std::min(x + width, static_cast<int>(ScreenWidth));
        clipBottom = std::min(y + height, static_cast<int>(ScreenHeight));
        ++canvasBegins;
    }
    void endCanvas() override
    {
        target = &frame;
        clipLeft = clipTop = 0;
        clipRight = ScreenWidth;
        clipBottom = ScreenHeight;
    }

    static const int Size = ScreenWidth * ScreenHeight;
    bool aboutCentre;
    std::vector<int> frame;
    int canvasBegins = 0;

private:
    struct Image {
        int width;
        int height;
        std::vector<int> pixels;   // canvases only
    };

    unsigned add(const Image& image)
    {
        unsigned id = newId();
        images[id] = image;
        return id;
    }

    void plot(int x, int y, int value)
    {
        if (x >= clipLeft && x < clipRight && y >= clipTop && y < clipBottom)
            (*target)[y * ScreenWidth + x] = value;
    }

    std::map<unsigned, Image> images;
    std::vector<int>* target = &frame;
    int clipLeft = 0, clipTop = 0, clipRight = ScreenWidth, clipBottom = ScreenHeight;
};

// A cached and a plain editor side by side, fed the same input.
class OverviewPair {
public:
    explicit OverviewPair(bool aboutCentre) : cachedDrawer(aboutCentre), plainDrawer(aboutCentre)
    {
        plain->setOverviewCache(false);
    }

    void key(int sym)
    {
        cached->keyDown(keyOf(sym));
        plain->keyDown(keyOf(sym));
    }
    void down(int button, int x, int y)
    {
        cached->mouseDown(button, x, y);
        plain->mouseDown(button, x, y);
    }
    void move(int x, int y)
    {
        cached->mouseMove(x, y);
        plain->mouseMove(x, y);
    }
    void up(int button, int x, int y)
    {
        cached->mouseUp(button, x, y);
        plain->mouseUp(button, x, y);
    }

    // Draws a frame of each; true when they are the same, else says where they differ.
    ::testing::AssertionResult sameFrame()
    {
        cached->draw(&cachedDrawer);
        plain->draw(&plainDrawer);
        for (int i = 0; i < ModelDrawer::Size; ++i)
            if (cachedDrawer.frame[i] != plainDrawer.frame[i])
                return ::testing::AssertionFailure()
                       << "pixel (" << i % 1024 << ", " << i / 1024 << "): cached " << cachedDrawer.frame[i]
                       << ", plain " << plainDrawer.frame[i];
        return ::testing::AssertionSuccess();
    }

    std::unique_ptr<LevelEditor> cached = makeEditor();
    std::unique_ptr<LevelEditor> plain = makeEditor();
    ModelDrawer cachedDrawer;
    ModelDrawer plainDrawer;
};

// A level of every value, in runs and scattered, so that patches overlap their neighbours.
void writeMixedLevel(const EditorFolder& folder)
{
    std::mt19937 random(1234);
    std::vector<unsigned char> bytes(MapWidth * MapHeight);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(random() % 12);
    EditorFolder::writeFile(folder.installedLevel(), bytes);
}

// Random clicks and drags, in the overview and in the window view, all over the map: its
// corners and edges included.
void editAtRandom(OverviewPair& pair, std::mt19937& random, int clicks)
{
    for (int i = 0; i < clicks; ++i) {
        if (random() % 5 == 0)
            pair.key(random() % 2 ? SDLK_RIGHT : SDLK_DOWN);
        int x = static_cast<int>(random() % 1024);
        int y = static_cast<int>(random() % 768);
        int button = static_cast<int>(random() % 5) + 1;
        pair.down(button, x, y);
        int steps = static_cast<int>(random() % 4);
        for (int s = 0; s < steps; ++s) {
            x = std::max(0, std::min(1023, x + static_cast<int>(random() % 97) - 48));
            y = std::max(0, std::min(767, y + static_cast<int>(random() % 97) - 48));
            pair.move(x, y);
        }
        pair.up(button, x, y);
    }
}

void checkPatchedOverview(bool aboutCentre)
{
    EditorFolder folder;
    writeMixedLevel(folder);
    OverviewPair pair(aboutCentre);
    pair.key(SDLK_z);
    ASSERT_TRUE(pair.sameFrame());

    std::mt19937 random(99);
    for (int round = 0; round < 6; ++round) {
        editAtRandom(pair, random, 40);
        ASSERT_TRUE(pair.sameFrame()) << "after round " << round;
    }

    // The corners of the map, where the rectangles run off the screen.
    for (int i = 0; i < 1000; ++i)
        pair.key(SDLK_RIGHT);
    pair.down(SDL_BUTTON_LEFT, 1023, 0);
    pair.down(SDL_BUTTON_LEFT, 1023, 767);
    pair.up(SDL_BUTTON_LEFT, 1023, 767);
    for (int i = 0; i < 1000; ++i)
        pair.key(SDLK_DOWN);
    pair.down(SDL_BUTTON_RIGHT, 1023, 767);
    pair.move(0, 767);
    pair.up(SDL_BUTTON_RIGHT, 0, 767);
    ASSERT_TRUE(pair.sameFrame()) << "at the corners";

    // Edits made while the window view is up show once the overview is back.
    pair.key(SDLK_z);
    editAtRandom(pair, random, 30);
    pair.key(SDLK_z);
    ASSERT_TRUE(pair.sameFrame()) << "after edits in the window view";

    // So many edits that the picture is drawn again whole.
    int begins = pair.cachedDrawer.canvasBegins;
    for (int i = 0; i < 5000; ++i)
        pair.cached->setTile(i % 1024, (i * 7) % 768, static_cast<TileType>(i % 11));
    for (int i = 0; i < 5000; ++i)
        pair.plain->setTile(i % 1024, (i * 7) % 768, static_cast<TileType>(i % 11));
    ASSERT_TRUE(pair.sameFrame()) << "after many edits";
    EXPECT_EQ(begins + 1, pair.cachedDrawer.canvasBegins);
}

TEST(LevelEditorOverviewCache, MatchesThePlainOverviewUnderTheSoftwarePlacement)
{
    checkPatchedOverview(false);
}

TEST(LevelEditorOverviewCache, MatchesThePlainOverviewUnderTheOpenGLPlacement)
{
    checkPatchedOverview(true);
}

} // namespace
