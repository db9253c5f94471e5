#include "game/TileLayerCache.h"

#include <algorithm>

static const int ChunkPixels = TileLayerCache::ChunkCells * CellPixels;
// The squares covered parts are made of: tile pictures start and end on them.
static const int SquarePixels = 16;

namespace {

int floorDivide(int value, int divisor)
{
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

// Appends the rectangles (in pixels, the grid's first square at (left, top)) that the set
// squares of an across x down grid make: runs of squares along a row, each merged with the
// same run in the row above.
template <typename IsSet>
void mergeSquares(int across, int down, IsSet isSet, int left, int top, std::vector<Drawer::LayerPart>& parts)
{
    size_t first = parts.size();
    for (int row = 0; row < down; ++row) {
        for (int column = 0; column < across;) {
            if (!isSet(column, row)) {
                ++column;
                continue;
            }
            int end = column;
            while (end < across && isSet(end, row))
                ++end;
            Drawer::LayerPart run{static_cast<short>(left + column * SquarePixels),
                                  static_cast<short>(top + row * SquarePixels),
                                  static_cast<short>((end - column) * SquarePixels), SquarePixels};
            std::vector<Drawer::LayerPart>::iterator above =
                std::find_if(parts.begin() + static_cast<std::ptrdiff_t>(first), parts.end(),
                             [&run](const Drawer::LayerPart& part) {
                                 return part.x == run.x && part.width == run.width && part.y + part.height == run.y;
                             });
            if (above != parts.end())
                above->height = static_cast<short>(above->height + SquarePixels);
            else
                parts.push_back(run);
            column = end;
        }
    }
}

} // namespace

TileLayerCache::TileLayerCache(const TileMap& map, Overhang overhang, Painter painter, Solid solid)
    : map(map), overhang(overhang), reach(0), painter(painter), solid(solid), owner(nullptr), unavailable(false),
      pixelForPixel(false), frame(0), lastOriginX(0), lastOriginY(0)
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

// The squares of the chunk that its cells' pictures cover, and those its own cells cover
// opaquely.
void TileLayerCache::findSquares(Chunk& chunk) const
{
    chunk.covered.reset();
    chunk.solid.reset();
    int size = ChunkCells + 2 * reach;
    for (int i = 0; i < size * size; ++i) {
        int spread = overhang(chunk.cells[i]);
        if (spread == NotDrawn)
            continue;
        int left = (i % size - reach) * CellPixels - spread;
        int top = (i / size - reach) * CellPixels - spread;
        int extent = CellPixels + 2 * spread;
        for (int row = std::max(top, 0) / SquarePixels; row < std::min(top + extent, ChunkPixels) / SquarePixels;
             ++row)
            for (int column = std::max(left, 0) / SquarePixels;
                 column < std::min(left + extent, ChunkPixels) / SquarePixels; ++column)
                chunk.covered.set(static_cast<size_t>(row * SquaresAcross + column));
        bool ownCell = i % size >= reach && i % size < reach + ChunkCells && i / size >= reach &&
                       i / size < reach + ChunkCells;
        if (!ownCell || !solid || !solid(chunk.cells[i]))
            continue;
        int firstRow = (top + spread) / SquarePixels;
        int firstColumn = (left + spread) / SquarePixels;
        for (int row = firstRow; row < firstRow + CellPixels / SquarePixels; ++row)
            for (int column = firstColumn; column < firstColumn + CellPixels / SquarePixels; ++column)
                chunk.solid.set(static_cast<size_t>(row * SquaresAcross + column));
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

void TileLayerCache::refreshChunk(int column, int row)
{
    Chunk* chunk = findChunk(column, row);
    if (!chunk) {
        chunks.push_back(Chunk{column, row, 0, frame, true, std::vector<TileType>(), Squares(), Squares()});
        chunk = &chunks.back();
    }
    chunk->lastFrame = frame;
    copyCells(*chunk, scratch);
    if (scratch == chunk->cells)
        return;
    chunk->cells.swap(scratch);
    findSquares(*chunk);
    chunk->stale = true;
}

// A layer only hides what lies under it exactly where the window shows each logical pixel
// on one window pixel: scaled, a pixel at the edge of an opaque cell mixes in its
// neighbour's edge, and what lies under it shows through a little.
TileLayerCache::Squares TileLayerCache::hiddenSquares(int column, int row) const
{
    if (!pixelForPixel)
        return Squares();
    for (const Chunk& chunk : chunks)
        if (chunk.column == column && chunk.row == row && chunk.lastFrame == frame)
            return chunk.solid;
    return Squares();
}

// Makes the chunk's layer and paints it if it holds other cells or would fall between
// window pixels; false when the chunk has nothing to show.
bool TileLayerCache::paintChunk(Drawer* drawer, Chunk& chunk, short x, short y, int originX, int originY)
{
    if (chunk.covered.none())
        return false;
    if (chunk.layer == 0) {
        chunk.layer = drawer->createLayer(ChunkPixels, ChunkPixels);
        if (chunk.layer == 0) {
            chunk.cells.clear();   // out of layers: left out, tried again next frame
            return false;
        }
    }
    if (chunk.stale || !drawer->layerFits(chunk.layer, x, y)) {
        int left = chunk.column * ChunkCells;
        int top = chunk.row * ChunkCells;
        drawer->beginLayer(chunk.layer, x, y);
        painter(drawer, std::max(left - reach, 0), std::max(top - reach, 0),
                std::min(left + ChunkCells + reach, MapWidth), std::min(top + ChunkCells + reach, MapHeight), originX,
                originY);
        drawer->endLayer();
        chunk.stale = false;
    }
    return true;
}

// The shown squares of a chunk's layer that are copied (where its cells are opaque) or
// blended (where they are not).
void TileLayerCache::drawChunkParts(Drawer* drawer, const ShownChunk& shown, int originX, int originY, bool opaque)
{
    const Chunk& chunk = *shown.chunk;
    Squares solid = pixelForPixel ? chunk.solid : Squares();
    Squares squares = shown.squares & (opaque ? solid : ~solid);
    if (squares.none())
        return;
    parts.clear();
    mergeSquares(SquaresAcross, SquaresAcross,
                 [&squares](int c, int r) { return squares.test(static_cast<size_t>(r * SquaresAcross + c)); }, 0,
                 0, parts);
    drawer->drawLayerParts(chunk.layer, static_cast<short>(originX + chunk.column * ChunkPixels),
                           static_cast<short>(originY + chunk.row * ChunkPixels), parts, opaque);
}

bool TileLayerCache::prepare(Drawer* drawer, int originX, int originY)
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
    Drawer::WindowRect place = drawer->getPicturePlace();
    pixelForPixel = place.width == Drawer::ScreenWidth && place.height == Drawer::ScreenHeight;
    forEachChunkInView(originX, originY, [&](int column, int row) { refreshChunk(column, row); });
    evictOldChunks();
    return true;
}

// The layers are painted first, then every opaque part is copied and every other part
// blended, so that the drawer switches between the two once a pass. Parts of different
// chunks never overlap, so their order does not matter.
void TileLayerCache::draw(Drawer* drawer, int originX, int originY, const TileLayerCache* above)
{
    shownChunks.clear();
    forEachChunkInView(originX, originY, [&](int column, int row) {
        Chunk* chunk = findChunk(column, row);
        short x = static_cast<short>(originX + column * ChunkPixels);
        short y = static_cast<short>(originY + row * ChunkPixels);
        if (!chunk || !paintChunk(drawer, *chunk, x, y, originX, originY))
            return;
        Squares squares = chunk->covered;
        if (above)
            squares &= ~above->hiddenSquares(column, row);
        shownChunks.push_back(ShownChunk{chunk, squares});
    });
    for (bool opaque : {true, false})
        for (const ShownChunk& shown : shownChunks)
            drawChunkParts(drawer, shown, originX, originY, opaque);
}

void TileLayerCache::findOpenParts(const std::vector<const TileLayerCache*>& passes, int originX, int originY,
                                   std::vector<Drawer::LayerPart>& parts)
{
    // The screen's squares, on the map's grid of squares.
    int left = floorDivide(-originX, SquarePixels);
    int top = floorDivide(-originY, SquarePixels);
    int across = floorDivide(Drawer::ScreenWidth - 1 - originX, SquarePixels) + 1 - left;
    int down = floorDivide(Drawer::ScreenHeight - 1 - originY, SquarePixels) + 1 - top;
    std::vector<char> open(static_cast<size_t>(across * down), 1);
    for (const TileLayerCache* pass : passes) {
        if (!pass->pixelForPixel)
            continue;
        for (const Chunk& chunk : pass->chunks) {
            if (chunk.lastFrame != pass->frame)
                continue;
            for (int square = 0; square < SquaresAcross * SquaresAcross; ++square) {
                int column = chunk.column * SquaresAcross + square % SquaresAcross - left;
                int row = chunk.row * SquaresAcross + square / SquaresAcross - top;
                if (chunk.solid.test(static_cast<size_t>(square)) && column >= 0 && column < across && row >= 0 &&
                    row < down)
                    open[static_cast<size_t>(row * across + column)] = 0;
            }
        }
    }
    parts.clear();
    mergeSquares(across, down, [&](int c, int r) { return open[static_cast<size_t>(r * across + c)] != 0; },
                 left * SquarePixels + originX, top * SquarePixels + originY, parts);
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
