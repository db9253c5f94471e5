#include "render/MapOverview.h"

#include <algorithm>

#include "render/Drawer.h"
#include "render/TileArt.h"

namespace {

// Each cell's 64 x 64 pictures are drawn at 1/32, a 2 x 2 patch, which the drawer places at
// (column, row) or shifted from there (Drawer::scaledCornerShift).
const float OverviewScale = 0.03125f;
const int TilePictureSize = 64;
const int PatchSize = 2;

// Past this many changed cells between two overview frames, drawing the whole picture
// again costs less than patching it.
const size_t MaxPatchedCells = 4096;

const TileArt::Pass Passes[] = {TileArt::OverviewBack, TileArt::OverviewFront};

// How far the drawer puts a cell's patch right of and below the cell's column and row.
int patchShift(const Drawer* drawer)
{
    return static_cast<int>(drawer->scaledCornerShift(static_cast<float>(TilePictureSize), OverviewScale));
}

// Whether the patch of a cell, shifted as the drawer places it, reaches into the rectangle
// [left, right) x [top, bottom).
bool patchTouches(int column, int row, int shift, int left, int top, int right, int bottom)
{
    int x = column + shift;
    int y = row + shift;
    return x < right && x + PatchSize > left && y < bottom && y + PatchSize > top;
}

} // namespace

MapOverview::MapOverview(const TileMap& map, const TileArt& art, const unsigned char top[4],
                         const unsigned char bottom[4])
    : map(map), art(art), kept(true), canvas(0), refused(false), stale(true)
{
    std::copy(top, top + 4, backdropTop);
    std::copy(bottom, bottom + 4, backdropBottom);
}

void MapOverview::cellChanged(int column, int row)
{
    if (stale)
        return;
    if (changedCells.size() >= MaxPatchedCells) {
        mapChanged();
        return;
    }
    changedCells.push_back(std::make_pair(column, row));
}

void MapOverview::mapChanged()
{
    stale = true;
    changedCells.clear();
}

void MapOverview::release(Drawer* drawer)
{
    if (drawer && canvas)
        drawer->releaseImage(canvas);
    canvas = 0;
    mapChanged();
}

void MapOverview::drawBackdrop(Drawer* drawer) const
{
    const unsigned char* t = backdropTop;
    const unsigned char* b = backdropBottom;
    drawer->fillGradient(0, 0, Drawer::ScreenWidth, Drawer::ScreenHeight, t[0], t[1], t[2], t[3], b[0], b[1], b[2],
                         b[3]);
}

// Both passes over the cells of columns [left, right) and rows [top, bottom), each cell's
// pictures at (column, row).
void MapOverview::drawCells(Drawer* drawer, int left, int top, int right, int bottom) const
{
    for (TileArt::Pass pass : Passes)
        for (int row = top; row < bottom; ++row)
            for (int column = left; column < right; ++column)
                art.drawSmall(drawer, pass, map[row][column], column, row);
}

void MapOverview::drawWhole(Drawer* drawer) const
{
    drawBackdrop(drawer);
    drawCells(drawer, 0, 0, MapWidth, MapHeight);
}

void MapOverview::draw(Drawer* drawer)
{
    // A drawer that refused a canvas is not asked again: a refusing driver would make a
    // texture each frame to refuse it.
    if (kept && canvas == 0 && !refused) {
        canvas = drawer->createCanvas();
        refused = canvas == 0;
        stale = true;
    }
    if (!kept || canvas == 0) {
        drawWhole(drawer);
        return;
    }
    if (stale) {
        drawer->beginCanvas(canvas, 0, 0, Drawer::ScreenWidth, Drawer::ScreenHeight);
        drawWhole(drawer);
        drawer->endCanvas();
        stale = false;
    } else {
        int shift = patchShift(drawer);
        for (const std::pair<int, int>& cell : changedCells)
            redrawRect(drawer, cell.first + shift, cell.second + shift, PatchSize, PatchSize);
    }
    changedCells.clear();
    drawer->drawImage(canvas, 0, 0, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
}

// Paints one rectangle of the picture again as a whole redraw would: the backdrop, then in
// pass order every cell whose patch reaches into it. Cells whose patch misses the rectangle
// under the drawer's own placement are clipped away. The drawer clips to every window
// pixel the rectangle touches, which in a window smaller than the logical screen reaches up
// to two logical pixels beyond it: the cells there are drawn too.
void MapOverview::redrawRect(Drawer* drawer, int x, int y, int width, int height) const
{
    int left = std::max(x, 0);
    int top = std::max(y, 0);
    int right = std::min(x + width, static_cast<int>(Drawer::ScreenWidth));
    int bottom = std::min(y + height, static_cast<int>(Drawer::ScreenHeight));
    if (left >= right || top >= bottom)
        return;

    drawer->beginCanvas(canvas, static_cast<short>(left), static_cast<short>(top), static_cast<short>(right - left),
                        static_cast<short>(bottom - top));
    drawBackdrop(drawer);

    const int margin = 2;
    int shift = patchShift(drawer);
    int reach = shift + PatchSize - 1;
    int firstColumn = std::max(left - margin - reach, 0);
    int lastColumn = std::min(right + margin - 1, MapWidth - 1);
    int firstRow = std::max(top - margin - reach, 0);
    int lastRow = std::min(bottom + margin - 1, MapHeight - 1);
    for (TileArt::Pass pass : Passes)
        for (int row = firstRow; row <= lastRow; ++row)
            for (int column = firstColumn; column <= lastColumn; ++column)
                if (patchTouches(column, row, shift, left - margin, top - margin, right + margin, bottom + margin))
                    art.drawSmall(drawer, pass, map[row][column], column, row);

    drawer->endCanvas();
}
