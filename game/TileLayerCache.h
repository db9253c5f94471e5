#pragma once

#include <bitset>
#include <functional>
#include <vector>

#include "game/TileType.h"
#include "render/Drawer.h"

// One pass of map tiles drawn from layers the drawer keeps: the map is cut into chunks of
// 8 x 8 cells, each painted once into a layer and then blended onto every frame, instead
// of some hundred blended 64 x 64 pictures. Only the parts of a chunk that its pictures
// cover are blended (in 16-pixel squares), so a wall or a patch of cave costs what it
// covers, not the whole chunk. Where a pass's own cells are opaque, its squares are copied
// instead of blended, and what is drawn under them (the sky, a pass below) can be left
// out; both only while the window shows the screen pixel for pixel.
//
// A chunk is painted again when a cell its pictures reach changes value (checked against a
// copy of those cells each frame). In windows whose size is not the logical screen's, a
// layer also only fits the fraction of a window pixel it was painted at: while the view
// scrolls the pass is painted tile by tile, and once it stands still the layers are painted
// again where they now fall. Chunks the view has left are freed once more than the cache
// holds exist, so memory stays flat however far the view travels.
class TileLayerCache {
public:
    // Paints the pass's pictures of the cells in columns [left, right) and rows [top,
    // bottom), cell (column, row) with its top-left corner at (column * 32 + originX,
    // row * 32 + originY), in row order as the frame would.
    typedef std::function<void(Drawer*, int left, int top, int right, int bottom, int originX, int originY)> Painter;

    static const int ChunkCells = 8;
    static const int MaxChunks = 32;
    static const int NotDrawn = -1;

    // How many pixels beyond its own cell the pass's pictures for a cell of that value
    // reach on every side (a multiple of 16), or NotDrawn when the pass draws nothing there.
    typedef int (*Overhang)(TileType tile);
    // Whether the pass's pictures for a cell of that value are opaque over the whole cell.
    typedef std::function<bool(TileType tile)> Solid;

    TileLayerCache(const TileMap& map, Overhang overhang, Painter painter, Solid solid = nullptr);
    ~TileLayerCache();

    TileLayerCache(const TileLayerCache&) = delete;
    TileLayerCache& operator=(const TileLayerCache&) = delete;

    // Readies the pass for a frame with map cell (0, 0) at (originX, originY): true when it
    // is drawn from layers this frame. False when it cannot be (the drawer keeps none, or
    // the view is scrolling between window pixels): the caller then paints the pass itself.
    bool prepare(Drawer* drawer, int originX, int originY);

    // Draws the pass over the whole screen, once prepare has said yes this frame, leaving
    // out the squares that `above` (a pass drawn later, prepared this frame) hides.
    void draw(Drawer* drawer, int originX, int originY, const TileLayerCache* above = nullptr);

    // The rectangles of the screen (in screen pixels) that none of the passes, all
    // prepared this frame, hides.
    static void findOpenParts(const std::vector<const TileLayerCache*>& passes, int originX, int originY,
                              std::vector<Drawer::LayerPart>& parts);

    // Frees every layer, if drawer is the drawer they were made by (a screen destroyed after
    // its drawer has nothing left to free).
    void release(Drawer* drawer);

private:
    static const int SquaresAcross = ChunkCells * CellPixels / 16;
    typedef std::bitset<SquaresAcross * SquaresAcross> Squares;

    struct Chunk {
        int column, row;          // in chunks
        unsigned layer;           // 0 while the pass draws nothing in the chunk
        unsigned lastFrame;
        bool stale;               // the layer holds other cells than these
        std::vector<TileType> cells;   // the cells whose pictures reach into the chunk
        Squares covered;          // where its pictures are
        Squares solid;            // where they hide what lies under them
    };

    bool adopt(Drawer* drawer);
    template <typename Visit> void forEachChunkInView(int originX, int originY, Visit visit);
    bool layersFit(Drawer* drawer, int originX, int originY);
    void refreshChunk(int column, int row);
    bool paintChunk(Drawer* drawer, Chunk& chunk, short x, short y, int originX, int originY);
    // A chunk on this frame and its squares that no pass above hides.
    struct ShownChunk {
        const Chunk* chunk;
        Squares squares;
    };
    void drawChunkParts(Drawer* drawer, const ShownChunk& shown, int originX, int originY, bool opaque);
    Chunk* findChunk(int column, int row);
    Squares hiddenSquares(int column, int row) const;
    void copyCells(const Chunk& chunk, std::vector<TileType>& cells) const;
    void findSquares(Chunk& chunk) const;
    void evictOldChunks();

    const TileMap& map;
    Overhang overhang;
    int reach;   // in cells: how far around a chunk the cells lie whose pictures reach into it
    Painter painter;
    Solid solid;
    Drawer* owner;
    bool unavailable;
    bool pixelForPixel;   // the window shows the logical screen at its own size this frame:
                          // layers are then opaque exactly where their pictures are
    unsigned frame;
    int lastOriginX, lastOriginY;
    std::vector<Chunk> chunks;
    std::vector<TileType> scratch;
    std::vector<ShownChunk> shownChunks;
    std::vector<Drawer::LayerPart> parts;
};
