#pragma once

#include <bitset>
#include <vector>

#include "game/TileType.h"
#include "render/LayerPart.h"
#include "render/TileScene.h"

class OpenGLDrawer;

// One group of a tile scene drawn from layers the OpenGL drawer keeps: the map is cut into
// chunks of 8 x 8 cells, each painted once into a layer and then blended onto every frame,
// instead of some hundred blended 64 x 64 pictures. Only the parts of a chunk that its
// pictures cover are blended (in 16-pixel squares), so a wall or a patch of cave costs what
// it covers, not the whole chunk. Where the group's own cells are opaque, its squares are
// copied instead of blended, and what is drawn under them (the backdrop, a group below) can
// be left out; both only while the window shows the screen pixel for pixel.
//
// A chunk is painted again where a cell its pictures reach changes value (checked against
// a copy of those cells each frame; cells outside the scene's cells count as Empty, so the
// layers hold exactly the scene's cells, and the edge of a moving view repaints a strip).
// In windows whose size is not the logical screen's, a layer also only fits the fraction
// of a window pixel it was painted at: while the view scrolls the group is drawn tile by
// tile, and once it stands still the layers are painted again where they now fall.
// Chunks the view has left are freed once more than the cache holds exist, so memory
// stays flat however far the view travels.
class TileLayerCache {
public:
    static const int ChunkCells = 8;
    static const int MaxChunks = 32;

    explicit TileLayerCache(OpenGLDrawer& drawer);
    ~TileLayerCache();

    TileLayerCache(const TileLayerCache&) = delete;
    TileLayerCache& operator=(const TileLayerCache&) = delete;

    // Readies the scene's group for frame `frame`: every chunk on the screen is brought up
    // to date in its layer. False when the group cannot be drawn from layers this frame (the
    // driver has refused a layer, or the view is scrolling between window pixels): it is
    // then drawn tile by tile.
    bool prepare(const TileScene& scene, int group, unsigned frame, bool pixelForPixel);
    // Prepared this frame, and ready to draw.
    bool isReady(unsigned frame) const { return ready && this->frame == frame; }
    // Whether the driver has refused a layer to this cache.
    bool wasRefused() const { return refused; }

    // Draws the group over the whole screen, once prepare has said yes this frame, leaving
    // out the squares that the groups `above` (drawn later, ready this frame) hide.
    void draw(const TileScene& scene, const std::vector<const TileLayerCache*>& above);

    // The rectangles of the screen (in screen pixels) that none of the groups, all ready
    // this frame, hides.
    static void findOpenParts(const std::vector<const TileLayerCache*>& groups, int originX, int originY,
                              std::vector<LayerPart>& parts);

private:
    static const int SquaresAcross = ChunkCells * CellPixels / 16;
    typedef std::bitset<SquaresAcross * SquaresAcross> Squares;

    struct Chunk {
        int column, row;          // in chunks
        unsigned layer;           // 0 while the pass draws nothing in the chunk
        unsigned lastFrame;
        bool stale;               // the layer must be painted again whole
        LayerPart changed;        // else the part of it to paint again (none: width 0)
        std::vector<TileType> cells;   // the cells whose pictures reach into the chunk
        Squares covered;          // where its pictures are
        Squares solid;            // where they hide what lies under them
    };

    bool adopt(const TileScene& scene, int group);
    int overhang(TileType tile) const;
    bool covers(TileType tile) const;
    template <typename Visit> void forEachChunkInView(int originX, int originY, Visit visit);
    bool layersFit(int originX, int originY);
    void refreshChunk(int column, int row);
    void markChanged(Chunk& chunk, const std::vector<TileType>& before) const;
    bool paintChunks(const TileScene& scene);
    bool paintChunk(const TileScene& scene, Chunk& chunk);
    void paintCells(const Chunk& chunk, const LayerPart& part, int originX, int originY) const;
    LayerPart coveredPart(const Chunk& chunk) const;
    // A chunk on this frame and its squares that no pass above hides.
    struct ShownChunk {
        const Chunk* chunk;
        Squares squares;
    };
    void drawChunkParts(const ShownChunk& shown, int originX, int originY, bool opaque);
    Chunk* findChunk(int column, int row);
    Squares hiddenSquares(int column, int row) const;
    void copyCells(const Chunk& chunk, std::vector<TileType>& cells) const;
    void findSquares(Chunk& chunk) const;
    void evictOldChunks();

    void releaseChunks();

    OpenGLDrawer& drawer;
    // What the cache holds: a scene's map, art and group of passes, and the cells it shows.
    const TileMap* map;
    const TileArt* art;
    TileScene::Group passes;
    int left, top, right, bottom;
    int unseenColumn, unseenRow;   // from these on, no cell's pictures reach the screen
    int farthest;   // in pixels: how far beyond its cell a picture of the group reaches
    int reach;   // in cells: how far around a chunk the cells lie whose pictures reach into it
    bool probed;
    bool unavailable;   // the driver refused a layer: the cache keeps none
    bool refused;
    bool ready;
    bool pixelForPixel;   // the window shows the logical screen at its own size this frame:
                          // layers are then opaque exactly where their pictures are
    unsigned frame;
    int lastOriginX, lastOriginY;
    std::vector<Chunk> chunks;
    std::vector<TileType> scratch;
    std::vector<ShownChunk> shownChunks;
    std::vector<LayerPart> parts;
};
