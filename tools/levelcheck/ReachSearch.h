#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <ostream>
#include <unordered_map>
#include <vector>

#include "game/Player.h"
#include "game/TileType.h"

// Where the robot can go from the start, found by playing the game's own Player::move
// frame by frame under every input the search allows:
//
//  - on the ground: stand, walk left, walk right, and press jump while doing any of these;
//  - in the air: left, right or neither in every frame, so a jump can be steered, turned
//    or let drift at any moment; the jump key held or released in every frame of the arc
//    (a short hop lets go early, a full jump holds it to the end).
//
// A jump pressed again in mid-air is left out: the arc it starts on landing is measured
// from the height of the press, which is no move a level should rely on. So is holding
// the key on once the arc is over: that only delays the landing's snap by a frame. A
// state that loses a life is a dead end: the way through spikes or lava is no way at all.
//
// States are told apart by the Player's position, its arc phase and base while an arc is
// under way, its fall step and its jump and fall flags. Positions are taken to the tenth
// of a cell a step moves (the floats of two paths to one spot differ in their last bits),
// a falling robot's height to an eighth of a cell, and two states merge only in the same
// cell, so a robot at exactly half a cell stays apart from one a hair past it. A robot
// standing with no key held is a resting spot.
//
// Crates are taken once reached: the first time any path takes one it is gone for every
// path, and the states already searched that could see its cell are searched again. A
// crate that is only a floor or a wall before it is taken therefore counts as both.
//
// Spike balls are not moved: the robot is let past them (a ball can be jumped or waited
// out in a notch), but a resting spot on a ball's patrol is not a place to stay and is
// not counted as one.
class ReachSearch {
public:
    struct Cell {
        int column;
        int row;
    };

    // Where a spike ball's body can be: left edges from `fromX` to `toX`, on `row`.
    struct Patrol {
        int column;    // the ball's start
        int row;
        float fromX;
        float toX;
        // The player's square overlaps the ball somewhere on its patrol.
        bool covers(float x, float y) const;
    };

    struct RestingSpot {
        float x;
        float y;
        bool home;    // the start can be reached again from here without losing a life
    };

    ReachSearch(const TileMap& map, const std::vector<Patrol>& patrols);

    // Searches; progress goes to `progress` once the search has run for a second.
    void run(std::ostream& progress);

    // A cell the robot is in at the end of some frame: a reflector can be dropped there.
    bool passesThrough(int column, int row) const;
    int cellsPassedThrough() const { return passedCount; }
    // The resting spots of the last round (the map with every reached crate taken), with
    // those on a ball's patrol left out.
    const std::vector<RestingSpot>& getRestingSpots() const { return restingSpots; }
    const std::vector<Cell>& getCratesTaken() const { return cratesTaken; }
    // The map with every crate the robot reached taken.
    const TileMap& getMap() const { return map[0]; }
    // Some cell other than the start's is reached.
    bool leavesStart() const { return leftStart; }
    // False when the search stopped at MostStates: a level too open to search whole.
    bool isComplete() const { return complete; }
    long long getStatesSearched() const { return static_cast<long long>(states.size()); }
    double getSeconds() const { return seconds; }

private:
    struct Key {
        std::uint32_t x, y, phase, base, fall;
        std::uint32_t flags;
        bool operator==(const Key& other) const;
    };

    struct Slot {
        Key key;
        std::uint32_t index;  // state index + 1, 0 for a free slot
    };

    void expand(std::uint32_t index, std::vector<std::uint32_t>& successors);
    std::uint32_t intern(const Player& player);
    void noteCratesTaken(const Player& before);
    void redoAround(const Cell& taken, std::uint32_t searched, std::vector<std::uint32_t>& successors);
    const std::vector<std::uint32_t>* edgesFrom(std::uint32_t index, std::vector<std::uint32_t>& buffer) const;
    void markPassed(const Player& player);
    void findHome();
    void collectRestingSpots();
    struct Region {
        std::vector<Slot> slots;  // open addressing over the keys of the states in a patch
        std::size_t count = 0;
    };
    static const int RegionCells = 8;
    // About 120 bytes each (1.5 GB in all): the search stops short of eating the machine's memory.
    static const std::size_t MostStates = 12000000;
    static const std::uint32_t Unknown = 0xFFFFFFFFu;  // a state past MostStates

    Region& regionOf(const Player& player);
    static void grow(Region& region);
    static Key keyOf(const Player& player);
    static std::size_t hashOf(const Key& key);
    static bool isStanding(const Player& player);
    static bool isInArc(const Player& player);
    void reportProgress(std::ostream& progress, bool last);

    std::unique_ptr<TileMap[]> map;    // Player::move takes crates out of it for good
    std::vector<Patrol> patrols;
    std::vector<bool> crate;           // per cell: a crate not yet taken
    std::vector<Player> states;
    std::vector<Region> regions;
    std::vector<std::uint32_t> edgeStart;
    std::vector<std::uint32_t> edges;  // the states each state leads to, in state order
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> redone;  // ... searched again once a crate went
    std::vector<Cell> cratesToRedo;
    std::vector<bool> home;
    std::vector<std::uint8_t> passed;
    int passedCount;
    std::vector<Cell> cratesTaken;
    std::vector<RestingSpot> restingSpots;
    bool leftStart;
    bool complete;
    double seconds;
    std::chrono::steady_clock::time_point started;
    double lastReport;
};
