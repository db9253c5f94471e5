#include "tests/render/CanvasScene.h"

#include "tests/render/TestPictures.h"

void CanvasScene::load(Drawer& d)
{
    for (unsigned i = 0; i < 6; ++i)
        tiles.push_back(d.loadImage(TestPictures::noise(64, 64, 40 + i), 64, 64));
    tiles.push_back(d.loadImage(TestPictures::noise(107, 107, 50), 107, 107));
    for (int g = 0; g < Drawer::GlyphCount; ++g)
        d.loadGlyph(static_cast<Drawer::Glyph>(g), TestPictures::noise(64, 64, 200 + g), 64);
}

void CanvasScene::draw(Drawer& d) const
{
    d.fillGradient(0, 0, 1024, 768, 10, 20, 30, 255, 10, 20, 30, 255);
    for (int row = 0; row < 12; ++row)
        for (int col = 0; col < 17; ++col)
            d.drawImage(tiles[(row * 17 + col) % 6], col * 64 - 16, row * 64 - 16, 1, 1, 1, 1, 1, 1);
    for (int row = 0; row < 100; ++row)
        for (int col = 0; col < 150; col += 2)
            d.drawImage(tiles[(row + col) % 6], 700 + col, 500 + row, 0.03125f, 0.03125f, 1, 1, 1, 1);
    d.drawImage(tiles[6], -20, -20, 1, 1, 1, 1, 1, 1);
    d.drawText("canvas 42", 100, 300, 36, 1, 1, 1, 1);
}
