#pragma once

#include <string>
#include <vector>

// Writes small uncompressed PNG files in memory, so the decoder can be fed every colour
// type with known pixels.
class PngWriter {
public:
    enum ColourType { Grey = 0, Rgb = 2, Palette = 3, Rgba = 6 };

    // samples: rows top to bottom, channels per pixel as the colour type says (1 palette
    // index for Palette). palette: RGB triples, for Palette only.
    static std::string encode(unsigned width, unsigned height, ColourType type,
                              const std::vector<unsigned char>& samples,
                              const std::vector<unsigned char>& palette = std::vector<unsigned char>());

    static unsigned channels(ColourType type);
};
