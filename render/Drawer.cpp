#include "render/Drawer.h"

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
