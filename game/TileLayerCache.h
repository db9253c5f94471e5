#pragma once

#include <functional>
#include <vector>

#include "game/TileType.h"

class Drawer;

// One pass of map tiles drawn from layers the drawer keeps: the map is cut into chunks of
// 8 x 8 cells, each painted once into a layer and then blended onto every frame as one
// quad, instead of some hundred blended 64 x 64 pictures. A chunk is painted again when a
// cell its pictures reach changes value (checked against a copy of those cells each frame)
// or when the view has moved it to another fraction of a window pixel (only in windows
// whose size is not the logical screen's). Chunks the view has left are freed once more
// than the cache holds exist, so memory stays flat however far the view travels.
class TileLayerCache {
public:
    // Paints the pass's pictures of the cells in columns [left, right) and rows [top,
    // bottom), cell (column, row) with its top-left corner at (column * 32 + originX,
    // row * 32 + originY), in row order as the frame would.
    typedef std::function<void(Drawer*, int left, int top, int right, int bottom, int originX, int originY)> Painter;

    static const int ChunkCells = 8;
    static const int MaxChunks = 32;

    // Whether the pass draws any picture for a cell of that value.
    typedef bool (*Drawn)(TileType tile);

    // reach: how many cells beyond its own a cell's pictures cover. Chunks whose cells
    // the pass draws nothing for get no layer.
    TileLayerCache(const TileMap& map, int reach, Drawn drawn, Painter painter);
    ~TileLayerCache();

    TileLayerCache(const TileLayerCache&) = delete;
    TileLayerCache& operator=(const TileLayerCache&) = delete;

    // Draws the pass over the whole screen with map cell (0, 0) at (originX, originY).
    // False, having drawn nothing, when the drawer keeps no layers: the caller then paints
    // the pass itself.
    bool draw(Drawer* drawer, int originX, int originY);

    // Frees every layer, if drawer is the drawer they were made by (a screen destroyed after
    // its drawer has nothing left to free).
    void release(Drawer* drawer);

private:
    struct Chunk {
        int column, row;          // in chunks
        unsigned layer;           // 0 while the pass draws nothing in the chunk
        unsigned lastFrame;
        std::vector<TileType> cells;   // what the layer was painted from
    };

    Chunk* findChunk(int column, int row);
    void copyCells(const Chunk& chunk, std::vector<TileType>& cells) const;
    void evictOldChunks();

    const TileMap& map;
    int reach;
    Drawn drawn;
    Painter painter;
    Drawer* owner;
    bool unavailable;
    unsigned frame;
    std::vector<Chunk> chunks;
    std::vector<TileType> scratch;
};
