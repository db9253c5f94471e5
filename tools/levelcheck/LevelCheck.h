#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "game/TileType.h"
#include "tools/levelcheck/ReachSearch.h"

class LightPlan;

// Looks over a level file the way the game will load it and reports what a level maker
// needs to know before playing it: the size, the tile counts, where the boxes, lamps,
// crates and spike balls are, where the robot can go, whether every light box can be lit
// with the reflectors it can have, and every fault that stops the level being won.
class LevelCheck {
public:
    enum Result { Sound = 0, Faulty = 1, Unreadable = 2 };

    explicit LevelCheck(const std::string& path);
    ~LevelCheck();

    // Writes the report to `out`, the search's progress to `progress`, and returns what
    // the program's exit status should be.
    Result run(std::ostream& out, std::ostream& progress);

private:
    struct Cell {
        int column;
        int row;
    };

    bool load(std::ostream& out);
    void play(std::ostream& progress);
    std::vector<ReachSearch::Patrol> findPatrols() const;
    void reportSize(std::ostream& out);
    void reportTiles(std::ostream& out) const;
    void reportPlaces(std::ostream& out, const char* title, TileType tile) const;
    void reportReach(std::ostream& out) const;
    void reportLight(std::ostream& out) const;
    int reflectorsToHand() const;
    void findProblems();
    void findBadBytes();
    void checkStart();
    void checkStartSafety();
    void checkLight();
    void findWaysHome();
    void checkSeen(TileType tile, const char* what);
    void checkSpikeBalls();
    void addProblem(int column, int row, const std::string& text);
    void addWarning(const std::string& text);
    void reportProblems(std::ostream& out) const;
    std::vector<Cell> cellsHolding(TileType tile) const;

    std::string path;
    long long fileSize;
    std::unique_ptr<TileMap[]> file;    // the bytes as they are in the file
    std::unique_ptr<TileMap[]> loaded;  // the map as the play state holds it after loading
    std::unique_ptr<TileMap[]> opened;  // and once every crate has been taken
    std::vector<ReachSearch::Patrol> patrols;
    std::unique_ptr<ReachSearch> reach;
    std::unique_ptr<LightPlan> light;
    std::vector<std::string> sizeProblems;
    std::vector<std::string> problems;
    std::vector<std::string> warnings;
};
