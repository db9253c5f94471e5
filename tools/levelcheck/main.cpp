// tarnwick-levelcheck FILE: checks a level file before anyone plays it.
// Exit status 0 when the level is sound, 1 when it has problems, 2 when it cannot be read.

#include <cstring>
#include <iostream>

#include "tools/levelcheck/LevelCheck.h"

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::cout << "tarnwick-levelcheck " TARNWICK_VERSION "\n"
                     "Usage: tarnwick-levelcheck FILE\n"
                     "Checks a Tarnwick level file (level.lev) and lists its problems.\n"
                     "Exit status: 0 sound, 1 problems found, 2 the file cannot be read.\n";
        return argc == 2 ? 0 : LevelCheck::Unreadable;
    }
    LevelCheck check(argv[1]);
    return check.run(std::cout, std::cerr);
}
