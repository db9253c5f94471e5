#include "tests/fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <zlib.h>

#include "tests/support/TempFolder.h"

namespace fuzz {

namespace {

uint32_t readBigEndian(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Ogg's CRC: polynomial 0x04c11db7, not reflected, no final inversion.
uint32_t oggCrc(const uint8_t* data, size_t size)
{
    uint32_t crc = 0;
    for (size_t i = 0; i < size; i++) {
        crc ^= uint32_t(data[i]) << 24;
        for (int bit = 0; bit < 8; bit++)
            crc = crc & 0x80000000u ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    return crc;
}

} // namespace

std::string scratchFolder(const char* name)
{
    // Static, so that the folders go when the process exits.
    static std::vector<std::unique_ptr<TempFolder>> folders;
    folders.emplace_back(new TempFolder(std::string("fuzz-") + name));
    return folders.back()->path();
}

volatile unsigned char readSink;

void readAll(const void* data, size_t size)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    unsigned char sum = 0;
    for (size_t i = 0; i < size; i++)
        sum = static_cast<unsigned char>(sum + bytes[i]);
    readSink = sum;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || (size > 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}

std::vector<uint8_t> withOggChecksums(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    const size_t headerSize = 27;
    for (size_t at = 0; at + headerSize <= bytes.size(); at++) {
        if (std::memcmp(&bytes[at], "OggS", 4) != 0)
            continue;
        size_t segments = bytes[at + 26];
        if (at + headerSize + segments > bytes.size())
            break;
        size_t pageSize = headerSize + segments;
        for (size_t s = 0; s < segments; s++)
            pageSize += bytes[at + headerSize + s];
        if (at + pageSize > bytes.size())
            break;
        std::memset(&bytes[at + 22], 0, 4);
        uint32_t crc = oggCrc(&bytes[at], pageSize);
        for (int i = 0; i < 4; i++)
            bytes[at + 22 + i] = uint8_t(crc >> (8 * i));
        at += pageSize - 1;
    }
    return bytes;
}

std::vector<uint8_t> withPngChecksums(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    // Chunks: length, four-letter type, data, then the CRC of type and data.
    for (size_t at = 8; at + 12 <= bytes.size();) {
        size_t length = readBigEndian(&bytes[at]);
        if (length > bytes.size() - at - 12)
            break;
        uLong crc = crc32(0L, &bytes[at + 4], static_cast<uInt>(length + 4));
        for (int i = 0; i < 4; i++)
            bytes[at + 8 + length + i] = uint8_t(crc >> (24 - 8 * i));
        at += length + 12;
    }
    return bytes;
}

} // namespace fuzz
