#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "game/TileType.h"

// Looks over a level file the way the game will load it and reports what a level maker
// needs to know before playing it: the size, the tile counts, where the boxes, lamps,
// crates and spike balls are, and every fault that can be found without playing.
class LevelCheck {
public:
    enum Result { Sound = 0, Faulty = 1, Unreadable = 2 };

    explicit LevelCheck(const std::string& path);

    // Writes the report to `out` and returns what the program's exit status should be.
    Result run(std::ostream& out);

private:
    struct Cell {
        int column;
        int row;
    };

    bool load(std::ostream& out);
    void reportSize(std::ostream& out);
    void reportTiles(std::ostream& out) const;
    void reportPlaces(std::ostream& out, const char* title, TileType tile) const;
    void findProblems();
    void findBadBytes();
    void checkStart();
    void checkSeen(TileType tile, const char* what);
    void checkSpikeBalls();
    void addProblem(int column, int row, const std::string& text);
    void reportProblems(std::ostream& out) const;
    std::vector<Cell> cellsHolding(TileType tile) const;

    std::string path;
    long long fileSize;
    std::unique_ptr<TileMap[]> file;    // the bytes as they are in the file
    std::unique_ptr<TileMap[]> loaded;  // the map as the play state holds it after loading
    std::unique_ptr<TileMap[]> opened;  // and once every crate has been taken
    std::vector<std::string> sizeProblems;
    std::vector<std::string> problems;
};
