#include "tests/render/PngWriter.h"

static unsigned crc32(const std::string& bytes)
{
    unsigned crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

static void putBigEndian(std::string& out, unsigned value)
{
    out += static_cast<char>(value >> 24);
    out += static_cast<char>(value >> 16);
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value);
}

static void putChunk(std::string& out, const char* type, const std::string& data)
{
    putBigEndian(out, static_cast<unsigned>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    putBigEndian(out, crc32(body));
}

// A zlib stream of stored (uncompressed) deflate blocks.
static std::string storedZlib(const std::string& raw)
{
    std::string out = "\x78\x01";
    size_t pos = 0;
    do {
        size_t length = raw.size() - pos;
        if (length > 65535)
            length = 65535;
        bool last = pos + length == raw.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(length & 0xFF);
        out += static_cast<char>(length >> 8);
        out += static_cast<char>(~length & 0xFF);
        out += static_cast<char>((~length >> 8) & 0xFF);
        out.append(raw, pos, length);
        pos += length;
    } while (pos < raw.size());

    unsigned a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    putBigEndian(out, (b << 16) | a);
    return out;
}

unsigned PngWriter::channels(ColourType type)
{
    switch (type) {
    case Rgb: return 3;
    case Rgba: return 4;
    default: return 1;
    }
}

std::string PngWriter::encode(unsigned width, unsigned height, ColourType type,
                              const std::vector<unsigned char>& samples, const std::vector<unsigned char>& palette)
{
    std::string png("\x89PNG\r\n\x1a\n", 8);

    std::string header;
    putBigEndian(header, width);
    putBigEndian(header, height);
    header += static_cast<char>(8);      // bit depth
    header += static_cast<char>(type);
    header += std::string(3, '\0');      // deflate, adaptive filters, not interlaced
    putChunk(png, "IHDR", header);

    if (type == Palette)
        putChunk(png, "PLTE", std::string(palette.begin(), palette.end()));

    std::string raw;
    unsigned rowBytes = width * channels(type);
    for (unsigned row = 0; row < height; ++row) {
        raw += '\0';   // filter: none
        raw.append(reinterpret_cast<const char*>(&samples[row * rowBytes]), rowBytes);
    }
    putChunk(png, "IDAT", storedZlib(raw));
    putChunk(png, "IEND", std::string());
    return png;
}
