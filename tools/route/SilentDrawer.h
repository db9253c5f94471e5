#pragma once

#include "render/Drawer.h"

// A Drawer that draws nothing: for running the play state frame by frame without a window
// (recording and replaying routes). Images get ids and their pixels are freed at once.
class SilentDrawer : public Drawer {
public:
    bool initialise(unsigned short, unsigned short, bool, int) override { return true; }
    unsigned loadImage(unsigned char* pixels, unsigned width, unsigned height) override;
    void releaseImage(unsigned) override {}
    void beginDrawing() override {}
    void endDrawing() override {}
    void drawImage(unsigned, short, short, float, float, float, float, float, float) override {}
    void drawText(const std::string&, short, short, float, float, float, float, float) override {}
    void fillRect(short, short, short, short, unsigned char, unsigned char, unsigned char, unsigned char) override {}
    void fillGradient(short, short, short, short, unsigned char, unsigned char, unsigned char, unsigned char,
                      unsigned char, unsigned char, unsigned char, unsigned char) override {}
    void loadGlyph(Glyph, unsigned char* pixels, unsigned) override { delete[] pixels; }
    unsigned createCanvas() override { return nextId++; }
    void beginCanvas(unsigned, short, short, short, short) override {}
    void endCanvas() override {}

private:
    unsigned nextId = 1;
};
