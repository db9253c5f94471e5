#pragma once

// Helpers shared by the game tests: worlds built from a map, keys, sound counts.

#include <cstdlib>
#include <memory>

#include <SDL/SDL.h>

#include "audio/Sounds.h"
#include "game/GameCounter.h"
#include "game/GamePlay.h"
#include "game/TileType.h"
#include "tests/support/Keys.h"

namespace gameworld {

// A map of its own, on the heap (it is 3 MB).
struct Map {
    Map() : cells(new TileMap[1]) { fill(Empty); }

    TileMap& operator*() { return cells[0]; }
    TileType& at(int column, int row) { return cells[0][row][column]; }

    void fill(TileType tile)
    {
        for (int row = 0; row < MapHeight; ++row)
            for (int column = 0; column < MapWidth; ++column)
                cells[0][row][column] = tile;
    }

    std::unique_ptr<TileMap[]> cells;
};

inline void fillMap(TileMap& map, TileType tile)
{
    for (int row = 0; row < MapHeight; ++row)
        for (int column = 0; column < MapWidth; ++column)
            map[row][column] = tile;
}

inline void fillRow(TileMap& map, int row, int fromColumn, int toColumn, TileType tile)
{
    for (int column = fromColumn; column <= toColumn; ++column)
        map[row][column] = tile;
}

inline void fillColumn(TileMap& map, int column, int fromRow, int toRow, TileType tile)
{
    for (int row = fromRow; row <= toRow; ++row)
        map[row][column] = tile;
}

// A play state with no level file behind it: every test fills the map itself.
inline std::unique_ptr<GamePlay> makeEmptyGame()
{
    setenv("TARNWICK_DATA_DIR", "/nonexistent/tarnwick-game-tests", 1);
    GameCounter::getInstance()->reset();
    return std::unique_ptr<GamePlay>(new GamePlay(nullptr));
}

// The map is expected to be filled already through game.getMap(); this starts the level.
inline void startLevel(GamePlay& game)
{
    game.loadLevelFromMap();
    GameCounter::getInstance()->reset();
}

inline unsigned requests(Sounds::SoundType type)
{
    return Sounds::getInstance()->getRequestCount(type);
}

inline int litCount()
{
    return GameCounter::getInstance()->getCount("LightBoxesLit");
}

// Counts the sound requests made from its construction on.
class SoundCounter {
public:
    SoundCounter()
    {
        for (int i = 0; i < Sounds::SoundTypeCount; ++i)
            start[i] = requests(static_cast<Sounds::SoundType>(i));
    }

    unsigned operator()(Sounds::SoundType type) const { return requests(type) - start[type]; }

private:
    unsigned start[Sounds::SoundTypeCount];
};

} // namespace gameworld
