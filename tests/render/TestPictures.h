#pragma once

#include <string>
#include <vector>

#include "render/Drawer.h"

// Pixel buffers and frame read-backs for the drawer tests.
namespace TestPictures {

// width x height RGBA pixels of one colour, allocated with new[] as drawers expect.
unsigned char* solid(unsigned width, unsigned height, unsigned char red, unsigned char green,
                     unsigned char blue, unsigned char alpha = 255);

// Opaque pixels whose red is the column and green the row (both below 256), blue 0.
unsigned char* coordinates(unsigned width, unsigned height);

// Opaque, varied pixels with some half-transparent ones, different for each seed.
unsigned char* noise(unsigned width, unsigned height, unsigned seed);

struct Rgb {
    int red, green, blue;
    bool operator==(const Rgb& o) const { return red == o.red && green == o.green && blue == o.blue; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

const Rgb Black{0, 0, 0};
const Rgb White{255, 255, 255};

// The frame a drawer presented last.
class Frame {
public:
    explicit Frame(Drawer& drawer);
    bool isValid() const { return width > 0; }
    Rgb at(int x, int y) const;
    // The smallest rectangle holding every pixel that differs from the background colour,
    // as left, top, right, bottom (right and bottom exclusive); all -1 when there is none.
    void boundsOfNot(Rgb background, int& left, int& top, int& right, int& bottom) const;
    // Largest difference of one channel between two frames of the same size.
    int maxDifference(const Frame& other) const;
    int countDifferent(const Frame& other) const;

    int width;
    int height;
    std::vector<unsigned char> rgb;
};

// Fails the test unless the pixels that are not black fill exactly that rectangle (right
// and bottom exclusive; all -1 for a black frame).
void expectBounds(const Frame& frame, int left, int top, int right, int bottom);

} // namespace TestPictures

std::ostream& operator<<(std::ostream& out, const TestPictures::Rgb& c);
