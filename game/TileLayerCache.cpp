#include "game/TileLayerCache.h"

#include <algorithm>

#include "render/Drawer.h"

static const int ChunkPixels = TileLayerCache::ChunkCells * CellPixels;

TileLayerCache::TileLayerCache(const TileMap& map, int reach, Drawn drawn, Painter painter)
    : map(map), reach(reach), drawn(drawn), painter(painter), owner(nullptr), unavailable(false), frame(0)
{
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

bool TileLayerCache::draw(Drawer* drawer, int originX, int originY)
{
    if (unavailable)
        return false;
    if (owner != drawer) {
        release(owner);
        owner = drawer;
        // A drawer that keeps no layers says so at once: the caller paints tile by tile.
        unsigned probe = drawer->createLayer(ChunkPixels, ChunkPixels);
        if (probe == 0) {
            unavailable = true;
            return false;
        }
        drawer->releaseImage(probe);
    }
    ++frame;
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
            if (x + ChunkPixels <= 0)
                continue;
            Chunk* chunk = findChunk(column, row);
            if (!chunk) {
                chunks.push_back(Chunk{column, row, 0, frame, std::vector<TileType>()});
                chunk = &chunks.back();
            }
            chunk->lastFrame = frame;
            copyCells(*chunk, scratch);
            short sx = static_cast<short>(x);
            short sy = static_cast<short>(y);
            bool changed = scratch != chunk->cells;
            if (changed)
                chunk->cells.swap(scratch);
            if (changed && chunk->layer == 0 && std::any_of(chunk->cells.begin(), chunk->cells.end(), drawn)) {
                chunk->layer = drawer->createLayer(ChunkPixels, ChunkPixels);
                if (chunk->layer == 0)
                    chunk->cells.clear();   // out of layers: left out, tried again next frame
            }
            if (chunk->layer == 0)
                continue;
            if (changed || !drawer->layerFits(chunk->layer, sx, sy)) {
                int left = column * ChunkCells;
                int top = row * ChunkCells;
                drawer->beginLayer(chunk->layer, sx, sy);
                painter(drawer, std::max(left - reach, 0), std::max(top - reach, 0),
                        std::min(left + ChunkCells + reach, MapWidth), std::min(top + ChunkCells + reach, MapHeight),
                        originX, originY);
                drawer->endLayer();
            }
            drawer->drawImage(chunk->layer, sx, sy, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
        }
    }
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
