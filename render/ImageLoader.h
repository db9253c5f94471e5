#pragma once

// Decodes PNG bytes (the images compiled into the program) into plain RGBA pixel buffers.
class ImageLoader {
public:
    // width * height pixels, rows top to bottom, 4 bytes each (red, green, blue, alpha),
    // allocated with new[]. All zero when the load failed.
    struct PixelData {
        unsigned char* pixels;
        unsigned width;
        unsigned height;
    };

    ImageLoader() {}
    ~ImageLoader() {}

    PixelData loadImage(const char* data, unsigned length);
};
