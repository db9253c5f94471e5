#include "tests/render/TestPictures.h"

#include <cstdlib>
#include <ostream>

#include <gtest/gtest.h>

namespace TestPictures {

unsigned char* solid(unsigned width, unsigned height, unsigned char red, unsigned char green, unsigned char blue,
                     unsigned char alpha)
{
    unsigned char* pixels = new unsigned char[width * height * 4];
    for (unsigned i = 0; i < width * height; ++i) {
        pixels[i * 4 + 0] = red;
        pixels[i * 4 + 1] = green;
        pixels[i * 4 + 2] = blue;
        pixels[i * 4 + 3] = alpha;
    }
    return pixels;
}

unsigned char* coordinates(unsigned width, unsigned height)
{
    unsigned char* pixels = new unsigned char[width * height * 4];
    for (unsigned row = 0; row < height; ++row) {
        for (unsigned col = 0; col < width; ++col) {
            unsigned char* p = pixels + (row * width + col) * 4;
            p[0] = static_cast<unsigned char>(col);
            p[1] = static_cast<unsigned char>(row);
            p[2] = 0;
            p[3] = 255;
        }
    }
    return pixels;
}

unsigned char* noise(unsigned width, unsigned height, unsigned seed)
{
    unsigned char* pixels = new unsigned char[width * height * 4];
    unsigned state = seed * 2654435761u + 12345u;
    for (unsigned i = 0; i < width * height * 4; ++i) {
        state = state * 1103515245u + 12345u;
        pixels[i] = static_cast<unsigned char>(state >> 16);
    }
    for (unsigned i = 0; i < width * height; ++i) {
        unsigned char& alpha = pixels[i * 4 + 3];
        alpha = alpha < 64 ? 0 : alpha < 128 ? 128 : 255;
    }
    return pixels;
}

Frame::Frame(Drawer& drawer) : width(0), height(0)
{
    if (!drawer.readFrame(rgb, width, height))
        width = height = 0;
}

Rgb Frame::at(int x, int y) const
{
    const unsigned char* p = &rgb[(y * width + x) * 3];
    return Rgb{p[0], p[1], p[2]};
}

void Frame::boundsOfNot(Rgb background, int& left, int& top, int& right, int& bottom) const
{
    left = top = right = bottom = -1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (at(x, y) == background)
                continue;
            if (left < 0 || x < left)
                left = x;
            if (top < 0)
                top = y;
            if (x + 1 > right)
                right = x + 1;
            bottom = y + 1;
        }
    }
}

int Frame::maxDifference(const Frame& other) const
{
    if (other.width != width || other.height != height)
        return 256;
    int worst = 0;
    for (size_t i = 0; i < rgb.size(); ++i) {
        int d = std::abs(rgb[i] - other.rgb[i]);
        if (d > worst)
            worst = d;
    }
    return worst;
}

int Frame::countDifferent(const Frame& other) const
{
    if (other.width != width || other.height != height)
        return width * height;
    int count = 0;
    for (size_t i = 0; i < rgb.size(); i += 3)
        if (rgb[i] != other.rgb[i] || rgb[i + 1] != other.rgb[i + 1] || rgb[i + 2] != other.rgb[i + 2])
            ++count;
    return count;
}

void expectBounds(const Frame& frame, int left, int top, int right, int bottom)
{
    int l, t, r, b;
    frame.boundsOfNot(Black, l, t, r, b);
    EXPECT_EQ(left, l);
    EXPECT_EQ(top, t);
    EXPECT_EQ(right, r);
    EXPECT_EQ(bottom, b);
}

} // namespace TestPictures

std::ostream& operator<<(std::ostream& out, const TestPictures::Rgb& c)
{
    return out << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}
