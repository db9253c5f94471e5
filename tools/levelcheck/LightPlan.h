#pragma once

#include <vector>

#include "game/TileType.h"

class ReachSearch;

// How each light box can be lit with reflectors dropped where the robot goes.
//
// A reflector lights when it sees a lamp or a lit reflector along its row or column, and
// a box when it sees a lit reflector; "sees" is the game's own look (LightPuzzle::look).
// So the fewest reflectors a box needs is a breadth-first walk over the cells the robot
// passes through, outwards from the sight lines that end at a lamp. One shortest chain is
// kept for each box; together they are a way to light every box, and they are placed
// through the game's own GamePlay::addReflector to prove it.
class LightPlan {
public:
    enum Verdict {
        Lit,          // a chain of `reflectors` lights it
        Blocked,      // no open cell on its row or column sees it
        Unreachable,  // cells see it, but the robot never gets into one of them
        NoLamp        // the robot gets to cells that see it, but no chain from a lamp reaches them
    };

    struct Box {
        int column;
        int row;
        Verdict verdict;
        int reflectors;
    };

    LightPlan(const TileMap& map, const ReachSearch& reach);

    // In file order, as the game lists them.
    const std::vector<Box>& getBoxes() const { return boxes; }
    // Reflectors in the chains kept, a reflector shared by two chains counted once. The
    // level can be won with this many; a cleverer choice of chains may need fewer.
    int getChosenTotal() const { return static_cast<int>(chosen.size()); }
    // No way to light every box the plan can light needs fewer: the most any one box
    // needs, or the count of boxes no single reflector can serve two of.
    int getLowestTotal() const { return lowestTotal; }
    // The chosen reflectors, placed in the game, lit every box the plan says they light.
    bool isConfirmedByGame() const { return confirmed; }

private:
    // An unbroken line of open cells along a row or a column: all of them see each other.
    struct Run {
        bool isRow;
        int line;   // its row, or its column
        int first;  // the column (or row) of its first cell
        int last;
        bool seesLamp;
    };

    void findRuns();
    void spreadFromLamps();
    void reachRun(int run, int cell, std::vector<int>& queue);
    std::vector<int> cellsOfRun(int run) const;
    std::vector<int> droppableSeeing(int column, int row) const;
    void judgeBoxes();
    void findLowestTotal(const std::vector<std::vector<int>>& seeing);
    void confirmWithGame();
    int cellIndex(int column, int row) const { return row * MapWidth + column; }

    const TileMap& map;
    const ReachSearch& reach;
    std::vector<Run> runs;
    std::vector<int> rowRun;      // per cell, its row run, or -1 for a blocking cell
    std::vector<int> columnRun;
    std::vector<int> distance;    // per droppable cell: reflectors from a lamp to it, or 0
    std::vector<int> parent;
    std::vector<Box> boxes;
    std::vector<int> chosen;      // cells, lamp end first
    int lowestTotal;
    bool confirmed;
};
