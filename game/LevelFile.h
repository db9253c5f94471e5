#pragma once

#include <string>

#include "game/TileType.h"

// The level file "level.lev": 786,432 bytes, one per cell, row 0 first, no header.
class LevelFile {
public:
    enum ReadResult {
        Read,         // the map holds the file's cells
        Missing,      // no file, or not a regular file (a folder, a FIFO): map untouched
        Unreadable    // a file is there but could not be read: map untouched
    };

    // Reads the file into `map`. Only regular files are opened, so a FIFO never blocks
    // the game. The cells past the end of a short file are Empty, with one line saying
    // the file is short (a file with no bytes at all gives an all-Empty map silently).
    // A file that cannot be read prints one line. Bytes are stored unchecked.
    static ReadResult read(const std::string& path, TileMap& map);

    // Writes the low byte of every cell. The bytes go to a temporary file in the same
    // folder, which replaces `path` only once every byte is written; on failure `path` is
    // left as it was, and the reason is returned in `error`. A `path` that is a symbolic
    // link is written through (its final target is replaced and the link stays) unless
    // the link could have been planted by another user (see LevelSaver). An old file's
    // read and write bits are kept; a new file's mode comes from the umask.
    static bool write(const std::string& path, const TileMap& map, std::string& error);
};
