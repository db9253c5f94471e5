#pragma once

#include <cstdint>

// The value of one map cell. In memory a cell is 32 bits, in the level file one byte; a
// byte above 10 is kept as it is and behaves as a solid, light-blocking cell with no picture.
enum TileType : std::uint32_t {
    Empty = 0,
    Earth = 1,
    Grass = 2,
    CaveBack = 3,       // cave interior: passable like Empty
    Lamp = 4,
    LightBox = 5,
    LightPipe = 6,
    Crate = 7,
    Spikes = 8,
    Lava = 9,
    SpikeBallStart = 10 // only in the file; becomes CaveBack when the level is loaded
};

// The level: 768 rows of 1024 cells, row-major, one cell drawn as 32 x 32 pixels.
const int MapWidth = 1024;
const int MapHeight = 768;
const int CellPixels = 32;

using TileMap = TileType[MapHeight][MapWidth];

// The one passability test shared by the player, the spike balls and the light.
inline bool isPassable(TileType tile)
{
    return tile == Empty || tile == CaveBack;
}

inline bool isInsideMap(int column, int row)
{
    return column >= 0 && column < MapWidth && row >= 0 && row < MapHeight;
}

// A cell of the map; everything outside the map reads as solid rock.
inline TileType tileAt(const TileMap& map, int column, int row)
{
    return isInsideMap(column, row) ? map[row][column] : Earth;
}
