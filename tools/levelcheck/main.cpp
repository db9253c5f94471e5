// tarnwick-levelcheck FILE: tells whether a level can be won before anyone plays it.
// Exit status 0 when it can be won and its start is safe, 1 when it has problems, 2 when
// the file cannot be read.

#include <cstring>
#include <iostream>

#include "tools/levelcheck/LevelCheck.h"

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::cout << "tarnwick-levelcheck " TARNWICK_VERSION "\n"
                     "Usage: tarnwick-levelcheck FILE\n"
                     "Plays the robot through a Tarnwick level file (level.lev) with the game's own\n"
                     "rules, and says whether every light box can be lit with the reflectors to hand\n"
                     "and whether the start is safe; each problem is named with its cell.\n"
                     "Exit status: 0 can be won (warnings aside), 1 problems found, 2 the file cannot\n"
                     "be read. See tarnwick-levelcheck(6).\n";
        return argc == 2 ? 0 : LevelCheck::Unreadable;
    }
    LevelCheck check(argv[1]);
    return check.run(std::cout, std::cerr);
}
