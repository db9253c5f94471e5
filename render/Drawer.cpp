#include "render/Drawer.h"

#include <iostream>

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

// Each part as a gradient of its own, its ends coloured as the whole gradient colours them.
void Drawer::fillGradientParts(short x, short y, short width, short height, const unsigned char top[4],
                               const unsigned char bottom[4], const std::vector<LayerPart>& parts)
{
    if (width <= 0 || height <= 0)
        return;
    auto colourAt = [&](int row, int channel) {
        float f = static_cast<float>(row) / static_cast<float>(height);
        return static_cast<unsigned char>(static_cast<float>(top[channel]) +
                                          (static_cast<float>(bottom[channel]) - static_cast<float>(top[channel])) * f +
                                          0.5f);
    };
    for (const LayerPart& part : parts) {
        int upper = part.y;
        int lower = part.y + part.height;
        fillGradient(static_cast<short>(x + part.x), static_cast<short>(y + part.y), part.width, part.height,
                     colourAt(upper, 0), colourAt(upper, 1), colourAt(upper, 2), colourAt(upper, 3),
                     colourAt(lower, 0), colourAt(lower, 1), colourAt(lower, 2), colourAt(lower, 3));
    }
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
