#pragma once

#include <string>

#include "render/Drawer.h"

// A Drawer that draws nothing: it takes pictures and glyphs (freeing their pixels), hands
// out image ids that are never 0 nor given twice, and makes no canvases. Test drawers
// override the calls they care about.
class NullDrawer : public Drawer {
public:
    bool initialise(unsigned short, unsigned short, bool, int) override { return true; }
    unsigned loadImage(unsigned char* pixels, unsigned, unsigned) override
    {
        if (!pixels)
            return 0;
        delete[] pixels;
        return newId();
    }
    void releaseImage(unsigned) override {}
    void beginDrawing() override {}
    void endDrawing() override {}
    void drawImage(unsigned, short, short, float, float, float, float, float, float) override {}
    void drawText(const std::string&, short, short, float, float, float, float, float) override {}
    void fillRect(short, short, short, short, unsigned char, unsigned char, unsigned char, unsigned char) override {}
    void fillGradient(short, short, short, short, unsigned char, unsigned char, unsigned char, unsigned char,
                      unsigned char, unsigned char, unsigned char, unsigned char) override {}
    void loadGlyph(Glyph, unsigned char* pixels, unsigned) override { delete[] pixels; }
    unsigned createCanvas() override { return 0; }
    void beginCanvas(unsigned, short, short, short, short) override {}
    void endCanvas() override {}

protected:
    unsigned newId() { return ++lastId; }

private:
    unsigned lastId = 0;
};
