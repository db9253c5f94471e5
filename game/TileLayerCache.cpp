#include "game/TileLayerCache.h"

#include <algorithm>

static const int ChunkPixels = TileLayerCache::ChunkCells * CellPixels;
// The squares a chunk's covered parts are made of: tile pictures start and end on them.
static const int PartPixels = 16;
static const int PartsAcross = ChunkPixels / PartPixels;

TileLayerCache::TileLayerCache(const TileMap& map, Overhang overhang, Painter painter)
    : map(map), overhang(overhang), reach(0), painter(painter), owner(nullptr), unavailable(false), frame(0),
      lastOriginX(0), lastOriginY(0)
{
    for (int value = 0; value <= static_cast<int>(SpikeBallStart); ++value)
        reach = std::max(reach, (overhang(static_cast<TileType>(value)) + CellPixels - 1) / CellPixels);
}

TileLayerCache::~TileLayerCache() {}

TileLayerCache::Chunk* TileLayerCache::findChunk(int column, int row)
{
    for (Chunk& chunk : chunks)
        if (chunk.column == column && chunk.row == row)
            return &chunk;
    return nullptr;
}

// The cells whose pictures reach into a chunk, outside the map as Empty.
void TileLayerCache::copyCells(const Chunk& chunk, std::vector<TileType>& cells) const
{
    cells.clear();
    int left = chunk.column * ChunkCells - reach;
    int top = chunk.row * ChunkCells - reach;
    int size = ChunkCells + 2 * reach;
    for (int row = top; row < top + size; ++row)
        for (int column = left; column < left + size; ++column)
            cells.push_back(isInsideMap(column, row) ? map[row][column] : Empty);
}

// The rectangles of the chunk that its cells' pictures cover, as rows of covered squares
// merged with the same row below them.
void TileLayerCache::findParts(Chunk& chunk) const
{
    bool covered[PartsAcross][PartsAcross] = {};
    int size = ChunkCells + 2 * reach;
    for (int i = 0; i < size * size; ++i) {
        int spread = overhang(chunk.cells[i]);
        if (spread == NotDrawn)
            continue;
        int left = (i % size - reach) * CellPixels - spread;
        int top = (i / size - reach) * CellPixels - spread;
        int extent = CellPixels + 2 * spread;
        for (int row = std::max(top, 0) / PartPixels; row < std::min(top + extent, ChunkPixels) / PartPixels; ++row)
            for (int column = std::max(left, 0) / PartPixels;
                 column < std::min(left + extent, ChunkPixels) / PartPixels; ++column)
                covered[row][column] = true;
    }
    chunk.parts.clear();
    for (int row = 0; row < PartsAcross; ++row) {
        for (int column = 0; column < PartsAcross;) {
            if (!covered[row][column]) {
                ++column;
                continue;
            }
            int end = column;
            while (end < PartsAcross && covered[row][end])
                ++end;
            Drawer::LayerPart run{static_cast<short>(column * PartPixels), static_cast<short>(row * PartPixels),
                                  static_cast<short>((end - column) * PartPixels), PartPixels};
            std::vector<Drawer::LayerPart>::iterator above = std::find_if(
                chunk.parts.begin(), chunk.parts.end(), [&run](const Drawer::LayerPart& part) {
                    return part.x == run.x && part.width == run.width && part.y + part.height == run.y;
                });
            if (above != chunk.parts.end())
                above->height = static_cast<short>(above->height + PartPixels);
            else
                chunk.parts.push_back(run);
            column = end;
        }
    }
}

// Keeps the most recently shown chunks; those of this frame always stay.
void TileLayerCache::evictOldChunks()
{
    while (chunks.size() > static_cast<size_t>(MaxChunks)) {
        std::vector<Chunk>::iterator oldest = std::min_element(
            chunks.begin(), chunks.end(), [](const Chunk& a, const Chunk& b) { return a.lastFrame < b.lastFrame; });
        if (oldest->lastFrame == frame)
            return;
        if (oldest->layer)
            owner->releaseImage(oldest->layer);
        chunks.erase(oldest);
    }
}

// A drawer that keeps no layers says so at once: the caller paints tile by tile.
bool TileLayerCache::adopt(Drawer* drawer)
{
    if (unavailable)
        return false;
    if (owner == drawer)
        return true;
    release(owner);
    owner = drawer;
    unsigned probe = drawer->createLayer(ChunkPixels, ChunkPixels);
    if (probe == 0) {
        unavailable = true;
        return false;
    }
    drawer->releaseImage(probe);
    return true;
}

// Calls visit(column, row) for every chunk on the screen, in row order.
template <typename Visit>
void TileLayerCache::forEachChunkInView(int originX, int originY, Visit visit)
{
    int firstColumn = std::max(0, (-originX) / ChunkPixels - 1);
    int firstRow = std::max(0, (-originY) / ChunkPixels - 1);
    for (int row = firstRow; row < MapHeight / ChunkCells; ++row) {
        int y = originY + row * ChunkPixels;
        if (y >= Drawer::ScreenHeight)
            break;
        if (y + ChunkPixels <= 0)
            continue;
        for (int column = firstColumn; column < MapWidth / ChunkCells; ++column) {
            int x = originX + column * ChunkPixels;
            if (x >= Drawer::ScreenWidth)
                break;
            if (x + ChunkPixels > 0)
                visit(column, row);
        }
    }
}

// Whether every layer on the screen falls on the window's pixels as it was painted.
bool TileLayerCache::layersFit(Drawer* drawer, int originX, int originY)
{
    bool fit = true;
    forEachChunkInView(originX, originY, [&](int column, int row) {
        const Chunk* chunk = findChunk(column, row);
        if (chunk && chunk->layer &&
            !drawer->layerFits(chunk->layer, static_cast<short>(originX + column * ChunkPixels),
                               static_cast<short>(originY + row * ChunkPixels)))
            fit = false;
    });
    return fit;
}

void TileLayerCache::drawChunk(Drawer* drawer, int column, int row, int originX, int originY)
{
    Chunk* chunk = findChunk(column, row);
    if (!chunk) {
        chunks.push_back(Chunk{column, row, 0, frame, std::vector<TileType>(), std::vector<Drawer::LayerPart>()});
        chunk = &chunks.back();
    }
    chunk->lastFrame = frame;
    copyCells(*chunk, scratch);
    bool changed = scratch != chunk->cells;
    if (changed) {
        chunk->cells.swap(scratch);
        findParts(*chunk);
    }
    if (changed && chunk->layer == 0 && !chunk->parts.empty()) {
        chunk->layer = drawer->createLayer(ChunkPixels, ChunkPixels);
        if (chunk->layer == 0)
            chunk->cells.clear();   // out of layers: left out, tried again next frame
    }
    if (chunk->layer == 0)
        return;
    short x = static_cast<short>(originX + column * ChunkPixels);
    short y = static_cast<short>(originY + row * ChunkPixels);
    if (changed || !drawer->layerFits(chunk->layer, x, y)) {
        int left = column * ChunkCells;
        int top = row * ChunkCells;
        drawer->beginLayer(chunk->layer, x, y);
        painter(drawer, std::max(left - reach, 0), std::max(top - reach, 0),
                std::min(left + ChunkCells + reach, MapWidth), std::min(top + ChunkCells + reach, MapHeight), originX,
                originY);
        drawer->endLayer();
    }
    drawer->drawLayerParts(chunk->layer, x, y, chunk->parts);
}

bool TileLayerCache::draw(Drawer* drawer, int originX, int originY)
{
    if (!adopt(drawer))
        return false;
    // Painting every layer again each frame of a scroll would cost more than the tiles.
    bool still = originX == lastOriginX && originY == lastOriginY;
    lastOriginX = originX;
    lastOriginY = originY;
    if (!still && !layersFit(drawer, originX, originY))
        return false;
    ++frame;
    forEachChunkInView(originX, originY,
                       [&](int column, int row) { drawChunk(drawer, column, row, originX, originY); });
    evictOldChunks();
    return true;
}

void TileLayerCache::release(Drawer* drawer)
{
    if (drawer && drawer == owner)
        for (const Chunk& chunk : chunks)
            if (chunk.layer)
                drawer->releaseImage(chunk.layer);
    chunks.clear();
    owner = nullptr;
}
