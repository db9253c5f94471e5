#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/support/NullDrawer.h"

// A Drawer that draws nothing and remembers every call, for tests of what screens draw.
class RecordingDrawer : public NullDrawer {
public:
    struct Call {
        std::string op;          // "drawImage", "drawText", "fillRect", "fillGradient", ...
        unsigned id = 0;         // image id (drawImage)
        int x = 0, y = 0;
        int width = 0, height = 0;   // fillRect / fillGradient / beginCanvas
        float scaleX = 1, scaleY = 1;
        float red = 1, green = 1, blue = 1, alpha = 1;
        std::string text;        // drawText
        float size = 0;          // drawText
        unsigned char top[4] = {0, 0, 0, 0};     // fill colour, or the gradient's top
        unsigned char bottom[4] = {0, 0, 0, 0};  // the gradient's bottom
    };

    struct LoadedImage {
        unsigned width;
        unsigned height;
    };

    unsigned loadImage(unsigned char* pixels, unsigned width, unsigned height) override;
    void releaseImage(unsigned id) override;
    void beginDrawing() override;
    void endDrawing() override;
    void drawImage(unsigned id, short x, short y, float scaleX, float scaleY,
                   float red, float green, float blue, float alpha) override;
    void drawText(const std::string& text, short x, short y, float size,
                  float red, float green, float blue, float alpha) override;
    void fillRect(short x, short y, short width, short height,
                  unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha) override;
    void fillGradient(short x, short y, short width, short height,
                      unsigned char topRed, unsigned char topGreen, unsigned char topBlue, unsigned char topAlpha,
                      unsigned char bottomRed, unsigned char bottomGreen, unsigned char bottomBlue,
                      unsigned char bottomAlpha) override;
    unsigned createCanvas() override;
    void beginCanvas(unsigned id, short x, short y, short width, short height) override;
    void endCanvas() override;

    // Calls since the last clear(); the canvas calls are recorded too.
    std::vector<Call> calls;
    // Every image loaded, by id, with the size it was loaded at.
    std::map<unsigned, LoadedImage> images;

    void clear() { calls.clear(); }
    // The drawImage calls of one image id, in order.
    std::vector<Call> drawsOf(unsigned id) const;
    // How many calls of one kind were recorded.
    int countOp(const std::string& op) const;
};
