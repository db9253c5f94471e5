#include "tests/fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <zlib.h>

namespace fuzz {

namespace {

std::vector<std::string> folders;

void removeFolders()
{
    for (const std::string& folder : folders) {
        std::string command = "rm -rf '" + folder + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "could not remove %s\n", folder.c_str());
    }
}

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
    std::string pattern = std::string("/tmp/tarnwick-fuzz-") + name + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    if (folders.empty())
        std::atexit(removeFolders);
    folders.push_back(buffer.data());
    return folders.back();
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
