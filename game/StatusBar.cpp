#include "game/StatusBar.h"

#include <string>

#include "assets/Images.h"
#include "render/Drawer.h"

namespace {

enum Icon { LightBoxIcon, ReflectorIcon, HeartIcon, IconCount };

const PictureSet::Embedded embeddedIcons[] = {
    {&Images::lightboxui_png, &Images::lightboxui_png_size},
    {&Images::reflectorui_png, &Images::reflectorui_png_size},
    {&Images::heartui_png, &Images::heartui_png_size},
};

// The 107-pixel icons hang 20 pixels off the top of the screen; the numbers, 36 pixels a
// digit, sit right of them.
const float DigitSize = 36.0f;
const short NumberY = 18;

void drawNumber(Drawer* drawer, int number, short x)
{
    drawer->drawText(std::to_string(number), x, NumberY, DigitSize, 1.0f, 1.0f, 1.0f, 1.0f);
}

} // namespace

StatusBar::StatusBar() : icons(embeddedIcons, IconCount) {}

void StatusBar::draw(Drawer* drawer, int lives, int boxesLit, int reflectors)
{
    load(drawer);
    drawer->drawImage(icons[HeartIcon], -20, -20, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    drawNumber(drawer, lives, 60);
    drawer->drawImage(icons[LightBoxIcon], 435, -20, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    drawNumber(drawer, boxesLit, 535);
    drawer->drawImage(icons[ReflectorIcon], 820, -20, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    drawNumber(drawer, reflectors, 920);
}
