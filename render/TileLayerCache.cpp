#include "render/TileLayerCache.h"

#include <algorithm>

#include "render/OpenGLDrawer.h"
#include "render/SquareBox.h"
#include "render/SquareRuns.h"

static const int ChunkPixels = TileLayerCache::ChunkCells * CellPixels;
// The squares covered parts are made of: tile pictures start and end on them.
static const int SquarePixels = SquareRuns::SquarePixels;

namespace {

int floorDivide(int value, int divisor)
{
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

} // namespace

TileLayerCache::TileLayerCache(OpenGLDrawer& drawer)
    : drawer(drawer), map(nullptr), art(nullptr), passes(), left(0), top(0), right(0), bottom(0), unseenColumn(0),
      unseenRow(0), farthest(0), reach(0), probed(false), unavailable(false), refused(false), ready(false),
      pixelForPixel(false), frame(0), lastOriginX(0), lastOriginY(0)
{
}

TileLayerCache::~TileLayerCache()
{
    releaseChunks();
}

void TileLayerCache::releaseChunks()
{
    for (const Chunk& chunk : chunks)
        if (chunk.layer)
            drawer.releaseImage(chunk.layer);
    chunks.clear();
}

// The group's pictures for a value reach as far as the farthest of its passes'.
int TileLayerCache::overhang(TileType tile) const
{
    int spread = TileArt::NotDrawn;
    for (int i = 0; i < passes.passCount; ++i)
        spread = std::max(spread, TileArt::overhang(passes.passes[i], tile));
    return spread;
}

// Pictures drawn over an opaque one leave it opaque.
bool TileLayerCache::covers(TileType tile) const
{
    for (int i = 0; i < passes.passCount; ++i)
        if (art->coversCell(passes.passes[i], tile))
            return true;
    return false;
}

TileLayerCache::Chunk* TileLayerCache::findChunk(int column, int row)
{
    for (Chunk& chunk : chunks)
        if (chunk.column == column && chunk.row == row)
            return &chunk;
    return nullptr;
}

// The cells whose pictures reach into a chunk; those the scene does not show as Empty.
// Cells right of or below the screen that no picture of theirs could reach are left as
// the map holds them: they cannot show, and the chunk need not be painted again each time
// the scene's last column or row moves over them.
void TileLayerCache::copyCells(const Chunk& chunk, std::vector<TileType>& cells) const
{
    cells.clear();
    int firstColumn = chunk.column * ChunkCells - reach;
    int firstRow = chunk.row * ChunkCells - reach;
    int size = ChunkCells + 2 * reach;
    for (int row = firstRow; row < firstRow + size; ++row)
        for (int column = firstColumn; column < firstColumn + size; ++column) {
            bool shown = column >= left && column < right && row >= top && row < bottom;
            bool unseen = column >= unseenColumn || row >= unseenRow;
            cells.push_back((shown || unseen) && isInsideMap(column, row) ? (*map)[row][column] : Empty);
        }
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
        if (spread == TileArt::NotDrawn)
            continue;
        int x = (i % size - reach) * CellPixels - spread;
        int y = (i / size - reach) * CellPixels - spread;
        int extent = CellPixels + 2 * spread;
        for (int row = std::max(y, 0) / SquarePixels; row < std::min(y + extent, ChunkPixels) / SquarePixels; ++row)
            for (int column = std::max(x, 0) / SquarePixels;
                 column < std::min(x + extent, ChunkPixels) / SquarePixels; ++column)
                chunk.covered.set(static_cast<size_t>(row * SquaresAcross + column));
        bool ownCell = i % size >= reach && i % size < reach + ChunkCells && i / size >= reach &&
                       i / size < reach + ChunkCells;
        if (!ownCell || !covers(chunk.cells[i]))
            continue;
        int firstRow = (y + spread) / SquarePixels;
        int firstColumn = (x + spread) / SquarePixels;
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
            drawer.releaseImage(oldest->layer);
        chunks.erase(oldest);
    }
}

// Takes the scene's map, art, passes and cells for this frame. Another map, art or
// passes (another screen) start the cache afresh; the first time, a probe layer says whether the driver
// makes layers at all.
bool TileLayerCache::adopt(const TileScene& scene, int group)
{
    const TileScene::Group& wanted = scene.groups[group];
    bool samePasses = wanted.passCount == passes.passCount &&
                      std::equal(wanted.passes, wanted.passes + wanted.passCount, passes.passes);
    if (scene.map != map || scene.art != art || !samePasses) {
        releaseChunks();
        probed = unavailable = false;
        map = scene.map;
        art = scene.art;
        passes = wanted;
        farthest = 0;
        for (int value = 0; value <= static_cast<int>(SpikeBallStart); ++value)
            farthest = std::max(farthest, overhang(static_cast<TileType>(value)));
        reach = (farthest + CellPixels - 1) / CellPixels;
    }
    unseenColumn = (Drawer::ScreenWidth + farthest - scene.originX + CellPixels - 1) / CellPixels;
    unseenRow = (Drawer::ScreenHeight + farthest - scene.originY + CellPixels - 1) / CellPixels;
    left = std::max(scene.left, 0);
    top = std::max(scene.top, 0);
    right = std::min(scene.right, MapWidth);
    bottom = std::min(scene.bottom, MapHeight);
    if (unavailable || probed)
        return !unavailable;
    probed = true;
    unsigned probe = drawer.createLayer(ChunkPixels, ChunkPixels);
    if (probe == 0) {
        unavailable = refused = true;
        return false;
    }
    drawer.releaseImage(probe);
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
bool TileLayerCache::layersFit(int originX, int originY)
{
    bool fit = true;
    forEachChunkInView(originX, originY, [&](int column, int row) {
        const Chunk* chunk = findChunk(column, row);
        if (chunk && chunk->layer &&
            !drawer.layerFits(chunk->layer, static_cast<short>(originX + column * ChunkPixels),
                              static_cast<short>(originY + row * ChunkPixels)))
            fit = false;
    });
    return fit;
}

void TileLayerCache::refreshChunk(int column, int row)
{
    Chunk* chunk = findChunk(column, row);
    if (!chunk) {
        chunks.push_back(
            Chunk{column, row, 0, frame, true, LayerPart{0, 0, 0, 0}, std::vector<TileType>(), Squares(), Squares()});
        chunk = &chunks.back();
    }
    chunk->lastFrame = frame;
    copyCells(*chunk, scratch);
    if (scratch == chunk->cells)
        return;
    chunk->cells.swap(scratch);
    findSquares(*chunk);
    if (!chunk->stale)
        markChanged(*chunk, scratch);
}

// Adds the part of the chunk that the pictures of the cells changed since `before` cover.
void TileLayerCache::markChanged(Chunk& chunk, const std::vector<TileType>& before) const
{
    int size = ChunkCells + 2 * reach;
    int firstColumn = size, lastColumn = -1, firstRow = size, lastRow = -1;
    for (int i = 0; i < size * size; ++i) {
        if (before[static_cast<size_t>(i)] == chunk.cells[static_cast<size_t>(i)])
            continue;
        firstColumn = std::min(firstColumn, i % size);
        lastColumn = std::max(lastColumn, i % size);
        firstRow = std::min(firstRow, i / size);
        lastRow = std::max(lastRow, i / size);
    }
    LayerPart& part = chunk.changed;
    int x0 = std::max((firstColumn - reach) * CellPixels - farthest, 0);
    int y0 = std::max((firstRow - reach) * CellPixels - farthest, 0);
    int x1 = std::min((lastColumn + 1 - reach) * CellPixels + farthest, ChunkPixels);
    int y1 = std::min((lastRow + 1 - reach) * CellPixels + farthest, ChunkPixels);
    if (part.width > 0) {
        x0 = std::min<int>(x0, part.x);
        y0 = std::min<int>(y0, part.y);
        x1 = std::max(x1, part.x + part.width);
        y1 = std::max(y1, part.y + part.height);
    }
    if (x1 > x0 && y1 > y0)
        part = LayerPart{static_cast<short>(x0), static_cast<short>(y0), static_cast<short>(x1 - x0),
                         static_cast<short>(y1 - y0)};
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
// window pixels; false when the driver refuses the layer.
bool TileLayerCache::paintChunk(const TileScene& scene, Chunk& chunk)
{
    if (chunk.covered.none())
        return true;
    short x = static_cast<short>(scene.originX + chunk.column * ChunkPixels);
    short y = static_cast<short>(scene.originY + chunk.row * ChunkPixels);
    if (chunk.layer == 0) {
        chunk.layer = drawer.createLayer(ChunkPixels, ChunkPixels);
        chunk.stale = true;
        if (chunk.layer == 0)
            return false;
    }
    if (!drawer.layerFits(chunk.layer, x, y))
        chunk.stale = true;
    LayerPart part = chunk.stale ? LayerPart{0, 0, ChunkPixels, ChunkPixels} : coveredPart(chunk);
    chunk.changed = LayerPart{0, 0, 0, 0};
    if (part.width == 0)
        return true;
    if (chunk.stale)
        drawer.beginLayer(chunk.layer, x, y);
    else
        drawer.beginLayer(chunk.layer, x, y, part);
    paintCells(chunk, part, scene.originX, scene.originY);
    drawer.endLayer();
    chunk.stale = false;
    return true;
}

// The part of the chunk's changed part that its pictures cover now. Only covered squares
// are ever drawn from a layer, and a square comes to be covered only when a cell whose
// pictures reach it changes, which marks it then: the others may keep what they hold. So
// when the view moves on by a column and the column it left takes its pictures out of the
// layer, only the half of their reach that the next column's pictures cover is painted.
LayerPart TileLayerCache::coveredPart(const Chunk& chunk) const
{
    SquareBox covered;
    SquareBox::around(chunk.changed).forEach([&](int column, int row) {
        if (chunk.covered.test(static_cast<size_t>(row * SquaresAcross + column)))
            covered.add(column, row);
    });
    return covered.part();
}

// The pictures of the chunk's copy of its cells that reach the part, in the order the frame
// draws them: so the layer holds exactly the cells its copy says it holds.
void TileLayerCache::paintCells(const Chunk& chunk, const LayerPart& part, int originX, int originY) const
{
    int size = ChunkCells + 2 * reach;
    int firstColumn = std::max(floorDivide(part.x - farthest, CellPixels) + reach, 0);
    int firstRow = std::max(floorDivide(part.y - farthest, CellPixels) + reach, 0);
    int lastColumn = std::min(floorDivide(part.x + part.width + farthest - 1, CellPixels) + reach, size - 1);
    int lastRow = std::min(floorDivide(part.y + part.height + farthest - 1, CellPixels) + reach, size - 1);
    int cornerColumn = chunk.column * ChunkCells - reach;
    int cornerRow = chunk.row * ChunkCells - reach;
    for (int pass = 0; pass < passes.passCount; ++pass)
        for (int row = firstRow; row <= lastRow; ++row)
            for (int column = firstColumn; column <= lastColumn; ++column)
                art->drawCell(&drawer, passes.passes[pass], chunk.cells[static_cast<size_t>(row * size + column)],
                              originX + (cornerColumn + column) * CellPixels, originY + (cornerRow + row) * CellPixels);
}

// Every chunk on the screen painted before anything of the frame is drawn from them: a
// chunk the driver refuses makes the whole group be drawn tile by tile, never a hole.
bool TileLayerCache::paintChunks(const TileScene& scene)
{
    bool painted = true;
    forEachChunkInView(scene.originX, scene.originY, [&](int column, int row) {
        if (painted && !paintChunk(scene, *findChunk(column, row)))
            painted = false;
    });
    // A driver that refused one layer would most likely refuse the next frame's too, after
    // making a page for it: the cache gives its layers back and keeps no more.
    if (!painted) {
        releaseChunks();
        unavailable = refused = true;
    }
    return painted;
}

// The shown squares of a chunk's layer that are copied (where its cells are opaque) or
// blended (where they are not).
void TileLayerCache::drawChunkParts(const ShownChunk& shown, int originX, int originY, bool opaque)
{
    const Chunk& chunk = *shown.chunk;
    Squares solid = pixelForPixel ? chunk.solid : Squares();
    Squares squares = shown.squares & (opaque ? solid : ~solid);
    if (squares.none())
        return;
    parts.clear();
    SquareRuns::merge(SquaresAcross, SquaresAcross,
                      [&squares](int c, int r) { return squares.test(static_cast<size_t>(r * SquaresAcross + c)); },
                      0, 0, parts);
    drawer.drawLayerParts(chunk.layer, static_cast<short>(originX + chunk.column * ChunkPixels),
                          static_cast<short>(originY + chunk.row * ChunkPixels), parts, opaque);
}

bool TileLayerCache::prepare(const TileScene& scene, int group, unsigned frameNumber, bool screenPixelForPixel)
{
    ready = false;
    if (!adopt(scene, group))
        return false;
    // Painting every layer again each frame of a scroll would cost more than the tiles.
    bool still = scene.originX == lastOriginX && scene.originY == lastOriginY;
    lastOriginX = scene.originX;
    lastOriginY = scene.originY;
    if (!still && !layersFit(scene.originX, scene.originY))
        return false;
    frame = frameNumber;
    pixelForPixel = screenPixelForPixel;
    forEachChunkInView(scene.originX, scene.originY, [&](int column, int row) { refreshChunk(column, row); });
    evictOldChunks();
    ready = paintChunks(scene);
    return ready;
}

// Every opaque part is copied and then every other part blended, so that the drawer
// switches between the two once a group. Parts of different chunks never overlap, so
// their order does not matter.
void TileLayerCache::draw(const TileScene& scene, const std::vector<const TileLayerCache*>& above)
{
    shownChunks.clear();
    forEachChunkInView(scene.originX, scene.originY, [&](int column, int row) {
        const Chunk* chunk = findChunk(column, row);
        if (!chunk || chunk->covered.none())
            return;
        Squares squares = chunk->covered;
        for (const TileLayerCache* group : above)
            squares &= ~group->hiddenSquares(column, row);
        shownChunks.push_back(ShownChunk{chunk, squares});
    });
    for (bool opaque : {true, false})
        for (const ShownChunk& shown : shownChunks)
            drawChunkParts(shown, scene.originX, scene.originY, opaque);
}
void TileLayerCache::findOpenParts(const std::vector<const TileLayerCache*>& groups, int originX, int originY,
                                   std::vector<LayerPart>& parts)
{
    // The screen's squares, on the map's grid of squares.
    int left = floorDivide(-originX, SquarePixels);
    int top = floorDivide(-originY, SquarePixels);
    int across = floorDivide(Drawer::ScreenWidth - 1 - originX, SquarePixels) + 1 - left;
    int down = floorDivide(Drawer::ScreenHeight - 1 - originY, SquarePixels) + 1 - top;
    std::vector<char> open(static_cast<size_t>(across * down), 1);
    for (const TileLayerCache* pass : groups) {
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
    SquareRuns::merge(across, down, [&](int c, int r) { return open[static_cast<size_t>(r * across + c)] != 0; },
                      left * SquarePixels + originX, top * SquarePixels + originY, parts);
}

