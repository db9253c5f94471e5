#pragma once

// Helpers shared by the libFuzzer targets: a scratch folder that goes away at exit, files
// written from the fuzzer's bytes, and checksums mended so that mutated Ogg and PNG data
// reaches the decoders instead of being dropped at the first damaged page or chunk.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// A fresh folder under /tmp, removed with everything in it when the process exits.
std::string scratchFolder(const char* name);

// Reads every byte, so that the sanitizers see a buffer shorter than its claimed size.
void readAll(const void* data, size_t size);

void writeFile(const std::string& path, const uint8_t* data, size_t size);

// Recomputes the CRC of every complete Ogg page ("OggS" ...) in the bytes.
std::vector<uint8_t> withOggChecksums(const uint8_t* data, size_t size);

// Recomputes the CRC of every complete chunk after the PNG signature.
std::vector<uint8_t> withPngChecksums(const uint8_t* data, size_t size);

} // namespace fuzz
