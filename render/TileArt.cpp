#include "render/TileArt.h"

#include <algorithm>

#include "assets/Images.h"
#include "render/Drawer.h"

namespace {

// Tiles are 64 x 64 pictures centred on their 32 x 32 cell; the lamp glow is 128 x 128.
const int TileInset = 16;
const int GlowInset = 48;
// The overview shows each 64 x 64 picture as a 2 x 2 patch.
const float OverviewScale = 0.03125f;
const int TileValues = SpikeBallStart + 1;

// In the order of TileArt::Picture.
const PictureSet::Embedded embedded[TileArt::PictureCount] = {
    {&Images::caveback_png, &Images::caveback_png_size},   {&Images::earthtile_png, &Images::earthtile_png_size},
    {&Images::grasstile_png, &Images::grasstile_png_size}, {&Images::lamp_png, &Images::lamp_png_size},
    {&Images::lampglow_png, &Images::lampglow_png_size},   {&Images::lightbox_png, &Images::lightbox_png_size},
    {&Images::lightpipe_png, &Images::lightpipe_png_size}, {&Images::crate_png, &Images::crate_png_size},
    {&Images::spikes_png, &Images::spikes_png_size},       {&Images::lava_png, &Images::lava_png_size},
    {&Images::spikeball_png, &Images::spikeball_png_size},
};

typedef TileArt::Look Look;

const Look Nothing = {0, {}};
Look one(TileArt::Picture picture, int inset = TileInset)
{
    return Look{1, {{picture, inset}, {picture, inset}}};
}
Look two(TileArt::Picture under, TileArt::Picture over)
{
    return Look{2, {{under, TileInset}, {over, TileInset}}};
}

// Each pass's looks by value: Empty, Earth, Grass, CaveBack, Lamp, LightBox, LightPipe,
// Crate, Spikes, Lava, SpikeBallStart. Play leaves light boxes to the light puzzle, which
// draws them lit or unlit; the overview shows only rock, cave, lamps and boxes.
const Look looks[TileArt::PassCount][TileValues] = {
    // PlayBack: the cave's back wall (also behind spikes), lamps and lava.
    {Nothing, Nothing, Nothing, one(TileArt::CaveBackPicture), one(TileArt::LampPicture), Nothing, Nothing, Nothing,
     one(TileArt::CaveBackPicture), one(TileArt::LavaPicture), Nothing},
    // PlayFront: rock, grass, pipes, crates on the back wall, spikes.
    {Nothing, one(TileArt::EarthPicture), one(TileArt::GrassPicture), Nothing, Nothing, Nothing,
     one(TileArt::LightPipePicture), two(TileArt::CaveBackPicture, TileArt::CratePicture),
     one(TileArt::SpikesPicture), Nothing, Nothing},
    // PlayGlow
    {Nothing, Nothing, Nothing, Nothing, one(TileArt::LampGlowPicture, GlowInset), Nothing, Nothing, Nothing, Nothing,
     Nothing, Nothing},
    // EditorBack
    {Nothing, Nothing, Nothing, one(TileArt::CaveBackPicture), one(TileArt::LampPicture),
     two(TileArt::CaveBackPicture, TileArt::LightBoxPicture), Nothing, Nothing, one(TileArt::CaveBackPicture),
     one(TileArt::LavaPicture), two(TileArt::CaveBackPicture, TileArt::SpikeBallPicture)},
    // EditorGlow
    {Nothing, Nothing, Nothing, Nothing, one(TileArt::LampGlowPicture, GlowInset), Nothing, Nothing, Nothing, Nothing,
     Nothing, Nothing},
    // EditorFront
    {Nothing, one(TileArt::EarthPicture), one(TileArt::GrassPicture), Nothing, Nothing, Nothing,
     one(TileArt::LightPipePicture), two(TileArt::CaveBackPicture, TileArt::CratePicture),
     one(TileArt::SpikesPicture), Nothing, Nothing},
    // OverviewBack
    {Nothing, Nothing, Nothing, one(TileArt::CaveBackPicture, 0), one(TileArt::LampPicture, 0),
     Look{2, {{TileArt::CaveBackPicture, 0}, {TileArt::LightBoxPicture, 0}}}, Nothing, Nothing, Nothing, Nothing,
     Nothing},
    // OverviewFront
    {Nothing, one(TileArt::EarthPicture, 0), one(TileArt::GrassPicture, 0), Nothing, Nothing, Nothing, Nothing,
     Nothing, Nothing, Nothing, Nothing},
};

// Whether the picture, its corner `inset` pixels up and left of the cell's, is opaque over
// the whole 32 x 32 cell.
bool opaqueOverCell(const unsigned char* rgba, unsigned width, unsigned height, int inset)
{
    unsigned first = static_cast<unsigned>(inset);
    if (!rgba || width < first + CellPixels || height < first + CellPixels)
        return false;
    for (unsigned y = first; y < first + CellPixels; ++y)
        for (unsigned x = first; x < first + CellPixels; ++x)
            if (rgba[(y * width + x) * 4 + 3] != 255)
                return false;
    return true;
}

void put(Drawer* drawer, unsigned id, int x, int y, float scale)
{
    drawer->drawImage(id, static_cast<short>(x), static_cast<short>(y), scale, scale, 1.0f, 1.0f, 1.0f, 1.0f);
}

} // namespace

TileArt::TileArt() : pictures(embedded, PictureCount)
{
    std::fill(&opaque[0][0], &opaque[0][0] + PassCount * TileValues, false);
}

void TileArt::load(Drawer* drawer)
{
    pictures.load(drawer, [this](int picture, const unsigned char* rgba, unsigned width, unsigned height) {
        inspect(picture, rgba, width, height);
    });
}

void TileArt::release(Drawer* drawer)
{
    pictures.release(drawer);
}

// A value is covered when any of its pictures in the pass is opaque over its cell.
void TileArt::inspect(int picture, const unsigned char* rgba, unsigned width, unsigned height)
{
    for (int pass = 0; pass < PassCount; ++pass)
        for (int value = 0; value < TileValues; ++value) {
            const Look& l = looks[pass][value];
            for (int i = 0; i < l.count; ++i)
                if (l.placed[i].picture == picture && opaqueOverCell(rgba, width, height, l.placed[i].inset))
                    opaque[pass][value] = true;
        }
}

const TileArt::Look& TileArt::look(Pass pass, TileType tile)
{
    return tile < static_cast<unsigned>(TileValues) ? looks[pass][tile] : Nothing;
}

int TileArt::overhang(Pass pass, TileType tile)
{
    const Look& l = look(pass, tile);
    int reach = NotDrawn;
    for (int i = 0; i < l.count; ++i)
        reach = std::max(reach, l.placed[i].inset);
    return reach;
}

bool TileArt::coversCell(Pass pass, TileType tile) const
{
    return tile < static_cast<unsigned>(TileValues) && opaque[pass][tile];
}

void TileArt::drawCell(Drawer* drawer, Pass pass, TileType tile, int x, int y) const
{
    const Look& l = look(pass, tile);
    for (int i = 0; i < l.count; ++i)
        put(drawer, pictures[l.placed[i].picture], x - l.placed[i].inset, y - l.placed[i].inset, 1.0f);
}

void TileArt::drawSmall(Drawer* drawer, Pass pass, TileType tile, int x, int y) const
{
    const Look& l = look(pass, tile);
    for (int i = 0; i < l.count; ++i)
        put(drawer, pictures[l.placed[i].picture], x, y, OverviewScale);
}

void TileArt::drawCells(Drawer* drawer, const TileMap& map, const Pass* passes, int passCount, int left, int top,
                        int right, int bottom, int originX, int originY) const
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, MapWidth);
    bottom = std::min(bottom, MapHeight);
    for (int p = 0; p < passCount; ++p)
        for (int row = top; row < bottom; ++row)
            for (int column = left; column < right; ++column)
                drawCell(drawer, passes[p], map[row][column], originX + column * CellPixels,
                         originY + row * CellPixels);
}
