#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "assets/Fonts.h"
#include "assets/Images.h"
#include "render/ImageLoader.h"
#include "render/PictureSet.h"
#include "tests/render/PngWriter.h"
#include "tests/support/RecordingDrawer.h"

namespace {

const std::string RgbMessage = "ImageLoader: Image 24bit.  Assuming 24bit RGB format.\n";
const std::string NotRgbaMessage = "ImageLoader: Image not 32bits.\n";

struct Decoded {
    ImageLoader::PixelData data;
    std::string output;
};

Decoded decode(const std::string& png)
{
    ImageLoader loader;
    testing::internal::CaptureStdout();
    Decoded d;
    d.data = loader.loadImage(png.data(), static_cast<unsigned>(png.size()));
    d.output = testing::internal::GetCapturedStdout();
    return d;
}

// Every sample a different value, so any misplaced byte shows.
std::vector<unsigned char> pattern(unsigned count)
{
    std::vector<unsigned char> samples(count);
    for (unsigned i = 0; i < count; ++i)
        samples[i] = static_cast<unsigned char>(i * 7 + 3);
    return samples;
}

void expectEmpty(const ImageLoader::PixelData& data)
{
    EXPECT_EQ(nullptr, data.pixels);
    EXPECT_EQ(0u, data.width);
    EXPECT_EQ(0u, data.height);
}

TEST(ImageLoaderTest, RgbaPixelsComeBackUnchangedAndSilently)
{
    // Five pixels wide: rows of 20 bytes, no padding either way.
    std::vector<unsigned char> samples = pattern(5 * 3 * 4);
    Decoded d = decode(PngWriter::encode(5, 3, PngWriter::Rgba, samples));
    ASSERT_NE(nullptr, d.data.pixels);
    EXPECT_EQ(5u, d.data.width);
    EXPECT_EQ(3u, d.data.height);
    EXPECT_EQ(samples, std::vector<unsigned char>(d.data.pixels, d.data.pixels + samples.size()));
    EXPECT_EQ("", d.output);
    delete[] d.data.pixels;
}

TEST(ImageLoaderTest, RgbGetsOpaqueAlphaAndOneMessage)
{
    // 5 x 3 bytes a row is not a multiple of four, so the decoder pads its rows.
    std::vector<unsigned char> samples = pattern(5 * 3 * 3);
    Decoded d = decode(PngWriter::encode(5, 3, PngWriter::Rgb, samples));
    ASSERT_NE(nullptr, d.data.pixels);
    EXPECT_EQ(5u, d.data.width);
    EXPECT_EQ(3u, d.data.height);
    EXPECT_EQ(RgbMessage, d.output);
    for (unsigned i = 0; i < 15; ++i) {
        EXPECT_EQ(samples[i * 3 + 0], d.data.pixels[i * 4 + 0]) << "pixel " << i;
        EXPECT_EQ(samples[i * 3 + 1], d.data.pixels[i * 4 + 1]) << "pixel " << i;
        EXPECT_EQ(samples[i * 3 + 2], d.data.pixels[i * 4 + 2]) << "pixel " << i;
        EXPECT_EQ(255, d.data.pixels[i * 4 + 3]) << "pixel " << i;
    }
    delete[] d.data.pixels;
}

TEST(ImageLoaderTest, PaletteImageIsRefusedWithMessage)
{
    std::vector<unsigned char> indices = {0, 1, 2, 1, 0, 2};
    std::vector<unsigned char> palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    Decoded d = decode(PngWriter::encode(3, 2, PngWriter::Palette, indices, palette));
    expectEmpty(d.data);
    EXPECT_EQ(NotRgbaMessage, d.output);
}

TEST(ImageLoaderTest, GreyImageIsRefusedWithMessage)
{
    Decoded d = decode(PngWriter::encode(4, 4, PngWriter::Grey, pattern(16)));
    expectEmpty(d.data);
    EXPECT_EQ(NotRgbaMessage, d.output);
}

TEST(ImageLoaderTest, GarbageGivesEmptyResultWithoutMessage)
{
    Decoded d = decode("this is not a picture at all, just some words");
    expectEmpty(d.data);
    EXPECT_EQ("", d.output);
}

TEST(ImageLoaderTest, TruncatedPngGivesEmptyResultWithoutMessage)
{
    std::string png = PngWriter::encode(8, 8, PngWriter::Rgba, pattern(8 * 8 * 4));
    Decoded d = decode(png.substr(0, 40));
    expectEmpty(d.data);
    EXPECT_EQ("", d.output);
}

TEST(ImageLoaderTest, APictureNoTextureCanHoldIsRefusedFromItsHeader)
{
    // 16383 x 40000 x 4 bytes overflows 32 bits; the header alone decides.
    std::string png = PngWriter::encode(2, 2, PngWriter::Rgba, pattern(16));
    const unsigned char size[8] = {0x00, 0x00, 0x3F, 0xFF, 0x00, 0x00, 0x9C, 0x40};
    png.replace(16, 8, reinterpret_cast<const char*>(size), 8);
    Decoded d = decode(png);
    expectEmpty(d.data);
    EXPECT_EQ("ImageLoader: Image 16383 x 40000 is larger than a texture can hold, not loaded.\n", d.output);
}

TEST(ImageLoaderTest, ZeroLengthGivesEmptyResultWithoutMessage)
{
    std::string png = PngWriter::encode(2, 2, PngWriter::Rgba, pattern(16));
    ImageLoader loader;
    testing::internal::CaptureStdout();
    ImageLoader::PixelData data = loader.loadImage(png.data(), 0);
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    expectEmpty(data);
}

struct Embedded {
    const char* name;
    const char* data;
    unsigned size;
    unsigned width;
    unsigned height;
};

void expectDecodes(const Embedded& e)
{
    ImageLoader loader;
    testing::internal::CaptureStdout();
    ImageLoader::PixelData data = loader.loadImage(e.data, e.size);
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(nullptr, data.pixels) << e.name;
    EXPECT_EQ(e.width, data.width) << e.name;
    EXPECT_EQ(e.height, data.height) << e.name;
    // The art is RGBA throughout; a 24-bit or palette file would announce itself here.
    EXPECT_EQ("", output) << e.name;
    delete[] data.pixels;
}

#define PICTURE(name, w, h) Embedded{#name, Images::name##_png, Images::name##_png_size, w, h}
#define GLYPH(name) Embedded{#name, Fonts::name##_png, Fonts::name##_png_size, 64, 64}

TEST(ImageLoaderTest, EveryEmbeddedPictureDecodesToItsSize)
{
    const Embedded pictures[] = {
        PICTURE(titlescreen, 1024, 768), PICTURE(enterbutton, 512, 64), PICTURE(editorbutton, 512, 64),
        PICTURE(quitbutton, 512, 64),    PICTURE(storyscreen, 1024, 768), PICTURE(winscreen, 1024, 768),
        PICTURE(caveback, 64, 64),       PICTURE(earthtile, 64, 64),   PICTURE(grasstile, 64, 64),
        PICTURE(lamp, 64, 64),           PICTURE(lampglow, 128, 128),  PICTURE(reflector, 64, 64),
        PICTURE(lightbeamv, 32, 32),     PICTURE(lightbeamh, 32, 32),  PICTURE(lightbox, 64, 64),
        PICTURE(lightboxlit, 64, 64),    PICTURE(lightpipe, 64, 64),   PICTURE(crate, 64, 64),
        PICTURE(spikes, 64, 64),         PICTURE(lava, 64, 64),        PICTURE(lightboxui, 107, 107),
        PICTURE(reflectorui, 107, 107),  PICTURE(heartui, 107, 107),   PICTURE(robot, 64, 64),
        PICTURE(spikeball, 64, 64),      PICTURE(mouse, 32, 32),
    };
    EXPECT_EQ(26u, sizeof pictures / sizeof pictures[0]);
    for (const Embedded& e : pictures)
        expectDecodes(e);
}

TEST(ImageLoaderTest, EveryEmbeddedGlyphDecodesTo64By64)
{
    const Embedded glyphs[] = {
        GLYPH(fonta), GLYPH(fontb), GLYPH(fontc), GLYPH(fontd), GLYPH(fonte), GLYPH(fontf), GLYPH(fontg),
        GLYPH(fonth), GLYPH(fonti), GLYPH(fontj), GLYPH(fontk), GLYPH(fontl), GLYPH(fontm), GLYPH(fontn),
        GLYPH(fonto), GLYPH(fontp), GLYPH(fontq), GLYPH(fontr), GLYPH(fonts), GLYPH(fontt), GLYPH(fontu),
        GLYPH(fontv), GLYPH(fontw), GLYPH(fontx), GLYPH(fonty), GLYPH(fontz), GLYPH(font0), GLYPH(font1),
        GLYPH(font2), GLYPH(font3), GLYPH(font4), GLYPH(font5), GLYPH(font6), GLYPH(font7), GLYPH(font8),
        GLYPH(font9), GLYPH(fontperiod), GLYPH(fontcomma), GLYPH(fontplus), GLYPH(fontminus),
        GLYPH(fontexclaim), GLYPH(fontquestion),
    };
    EXPECT_EQ(42u, sizeof glyphs / sizeof glyphs[0]);
    for (const Embedded& e : glyphs)
        expectDecodes(e);
}

// A screen's pictures, loaded together through the loader.
const char* const NotAPng = "not a png";
const unsigned NotAPngSize = 9;

TEST(PictureSetTest, TheTableIsShownAndLoadedInOrderOnceOnly)
{
    const PictureSet::Embedded table[] = {{&Images::titlescreen_png, &Images::titlescreen_png_size},
                                          {&Images::enterbutton_png, &Images::enterbutton_png_size}};
    PictureSet set(table, 2);
    RecordingDrawer drawer;
    std::vector<std::string> seen;   // index, width, and how many pictures the drawer had then
    PictureSet::Inspect inspect = [&](int i, const unsigned char*, unsigned w, unsigned) {
        seen.push_back(std::to_string(i) + " " + std::to_string(w) + " " + std::to_string(drawer.images.size()));
    };
    set.load(&drawer, inspect);
    set.load(&drawer, inspect);
    EXPECT_EQ((std::vector<std::string>{"0 1024 0", "1 512 1"}), seen);
    EXPECT_EQ(1024u, drawer.images[set[0]].width);
    EXPECT_EQ(512u, drawer.images[set[1]].width);
}

TEST(PictureSetTest, AFailedFirstPictureLoadsAgainGivingBackTheOthersAndReleaseGivesBackAll)
{
    const PictureSet::Embedded table[] = {{&NotAPng, &NotAPngSize}, {&Images::robot_png, &Images::robot_png_size}};
    PictureSet set(table, 2);
    RecordingDrawer drawer;
    int shown = 0;
    for (int frame = 0; frame < 3; ++frame)
        set.load(&drawer, [&](int, const unsigned char*, unsigned, unsigned) { ++shown; });
    EXPECT_EQ(6, shown) << "each frame tries the whole table again";
    EXPECT_EQ(1u, drawer.images.size()) << "one robot, however often the load was tried";
    EXPECT_NE(0u, set[1]);
    PictureSet(set).release(&drawer);   // a copy holds none of the ids: they are given back once
    EXPECT_EQ(1u, drawer.images.size());
    set.release(&drawer);
    EXPECT_TRUE(drawer.images.empty());
    EXPECT_EQ(0u, set[1]);
}

} // namespace
