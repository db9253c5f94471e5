#pragma once

#include <unordered_map>
#include <vector>

#include "game/Reflector.h"
#include "game/TileType.h"

// The light puzzle's state: the placed reflectors in placement order, the light boxes in
// file order, and which of them light has reached.
//
// Light runs along rows and columns through passable cells. Reflectors are not map cells:
// they never block light, so what a reflector or box can see is fixed by the map alone.
// trace() measures those sight lines once for the current map; update() then runs one
// round of lighting (lamps light reflectors, lit reflectors light reflectors in list
// order, lit reflectors light boxes) and finds the reflectors on a sight line through a
// per-row and per-column index instead of walking the line cell by cell.
class LightPuzzle {
public:
    // What one round did; the play state turns it into sounds and the counter.
    struct Outcome {
        bool connect;    // request the Connect sound
        int boxesLit;    // boxes that turned lit in this round
        bool changed;    // some reflector or box turned lit
    };

    LightPuzzle();

    void clear();
    void addLightBox(int column, int row);
    bool hasReflectorAt(int column, int row) const;
    void appendReflector(int column, int row);

    // Measures every sight line against the map. Must run after the map or the list of
    // reflectors changed and before update().
    void trace(const TileMap& map);
    Outcome update();

    // The first blocking cell in each direction (a column for left/right, a row for
    // up/down; one step past the map edge when the line is open to it), and which of
    // those cells are lamps.
    struct Sight {
        int left;
        int right;
        int up;
        int down;
        bool lampLeft;
        bool lampElsewhere;
    };

    // The sight lines from one cell along its row and column. The level checker asks the
    // same question of lamps and boxes that the light asks of reflectors.
    static Sight look(const TileMap& map, int column, int row);

    const std::vector<Reflector>& getReflectors() const { return reflectors; }
    const std::vector<Reflector>& getLightBoxes() const { return lightBoxes; }

private:
    // A reflector in the row or column index: its position along the line and its place
    // in the reflector list.
    struct IndexEntry {
        int position;
        int index;
    };

    bool seesLitReflector(const Reflector& from, const Sight& sight) const;
    bool anyLit(const std::vector<IndexEntry>& line, int after, int before) const;
    bool seesFirstReflectorLeft(const Reflector& from, const Sight& sight) const;
    static void insertSorted(std::vector<IndexEntry>& line, IndexEntry entry);
    static long long cellKey(int column, int row);

    std::vector<Reflector> reflectors;
    std::vector<Reflector> lightBoxes;
    std::vector<Sight> reflectorSights;
    std::vector<Sight> lightBoxSights;
    std::unordered_map<long long, int> reflectorAt;
    std::vector<std::vector<IndexEntry>> rowIndex;     // per row, sorted by column
    std::vector<std::vector<IndexEntry>> columnIndex;  // per column, sorted by row
};
