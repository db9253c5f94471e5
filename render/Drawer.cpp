#include "render/Drawer.h"

#include <iostream>

#include "render/TileScene.h"

bool Drawer::acceptsSize(const char* who, unsigned width, unsigned height)
{
    if (width == 0 || height == 0)
        return false;
    if (width <= MaxImageSide && height <= MaxImageSide)
        return true;
    std::cout << who << "Image " << width << " x " << height << " is larger than a texture can hold, not loaded."
              << std::endl;
    return false;
}

void Drawer::drawTiles(const TileScene& scene, int group)
{
    if (group == 0 && scene.backdrop)
        scene.fillBackdrop(this);
    scene.drawCells(this, group);
}

Drawer::Glyph Drawer::glyphFor(char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<Glyph>(LetterA + (c - 'a'));
    if (c >= '0' && c <= '9')
        return static_cast<Glyph>(Digit0 + (c - '0'));
    switch (c) {
    case '.': return Period;
    case ',': return Comma;
    case '+': return Plus;
    case '-': return Minus;
    case '!': return Exclaim;
    case '?': return Question;
    default: return GlyphCount;
    }
}
