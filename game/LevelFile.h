#pragma once

#include <string>

#include "game/TileType.h"

// The level file "level.lev": 786,432 bytes, one per cell, row 0 first, no header.
class LevelFile {
public:
    // Reads the file into `map`. Returns false, leaving the map untouched, when the file
    // cannot be opened. A short file repeats its last byte to the end of the map; a file
    // with no bytes at all gives an all-Empty map. Bytes are stored unchecked.
    static bool read(const std::string& path, TileMap& map);

    // Writes the low byte of every cell. The bytes go to a temporary file in the same
    // folder, which replaces `path` only once every byte is written; on failure `path` is
    // left as it was, and the reason is returned in `error`.
    static bool write(const std::string& path, const TileMap& map, std::string& error);
};
