#include "screens/LevelEditor.h"

#include <algorithm>
#include <iostream>

#include "app/Application.h"
#include "app/ResourcePaths.h"
#include "assets/Images.h"
#include "game/LevelFile.h"
#include "render/Drawer.h"
#include "render/ImageLoader.h"

namespace {

// Saved into, and preferably opened from, the working folder.
const char* const SavePath = "level.lev";

// The window view: 32 x 24 cells of 32 pixels. Its top-left cell can go no further than
// column 992 and row 744, so the view never leaves the map.
const int ViewColumns = Drawer::ScreenWidth / CellPixels;
const int ViewRows = Drawer::ScreenHeight / CellPixels;
const int LastViewColumn = MapWidth - ViewColumns;
const int LastViewRow = MapHeight - ViewRows;

// Tiles are 64 x 64 pictures centred on their 32 x 32 cell; the lamp glow is 128 x 128.
const int TileInset = 16;
const int GlowInset = 48;

// The overview draws each cell's 64 x 64 pictures at 1/32, a 2 x 2 patch, which the
// drawer places at (column, row) or shifted from there (Drawer::scaledCornerShift).
const float OverviewScale = 0.03125f;
const int TilePictureSize = 64;
const int PatchSize = 2;

// Past this many changed cells between two overview frames, drawing the whole picture
// again costs less than patching it.
const size_t MaxPatchedCells = 4096;

int windowViewOverhang(TileType tile)
{
    if (tile == Empty || tile > SpikeBallStart)
        return TileLayerCache::NotDrawn;
    return tile == Lamp ? GlowInset : TileInset;
}

void put(Drawer* drawer, unsigned image, int x, int y)
{
    drawer->drawImage(image, static_cast<short>(x), static_cast<short>(y), 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
}

void putSmall(Drawer* drawer, unsigned image, int column, int row)
{
    drawer->drawImage(image, static_cast<short>(column), static_cast<short>(row), OverviewScale, OverviewScale,
                      1.0f, 1.0f, 1.0f, 1.0f);
}

unsigned loadPicture(Drawer* drawer, const char* png, unsigned length)
{
    ImageLoader loader;
    ImageLoader::PixelData data = loader.loadImage(png, length);
    return drawer->loadImage(data.pixels, data.width, data.height);
}

// How far the drawer puts a cell's overview patch right of and below the cell's column
// and row.
int patchShift(const Drawer* drawer)
{
    return static_cast<int>(drawer->scaledCornerShift(static_cast<float>(TilePictureSize), OverviewScale));
}

// Whether the overview patch of a cell, shifted as the drawer places it, reaches into the
// rectangle [left, right) x [top, bottom).
bool patchTouches(int column, int row, int shift, int left, int top, int right, int bottom)
{
    int x = column + shift;
    int y = row + shift;
    return x < right && x + PatchSize > left && y < bottom && y + PatchSize > top;
}

} // namespace

LevelEditor::LevelEditor(Application* application)
    : GameState(application),
      pointerImage(0), caveBackImage(0), earthImage(0), grassImage(0), lampImage(0), lampGlowImage(0),
      lightBoxImage(0), lightPipeImage(0), crateImage(0), spikesImage(0), lavaImage(0), spikeBallImage(0),
      viewColumn(0), viewRow(0), mouseX(0), mouseY(0), painting(false), paintTile(Empty), overview(false),
      overviewCache(true), overviewCanvas(0), overviewStale(true), tileCache(true),
      windowLayer(map, windowViewOverhang, [this](Drawer* d, int l, int t, int r, int b, int x, int y) { paintWindowCells(d, l, t, r, b, x, y); }),
      saveRefused(false)
{
    std::fill(&map[0][0], &map[0][0] + MapWidth * MapHeight, Empty);
    load();
}

LevelEditor::~LevelEditor()
{
    windowLayer.release(application ? application->getDrawer() : nullptr);
    const unsigned loaded[] = {pointerImage, caveBackImage, earthImage, grassImage, lampImage, lampGlowImage,
                               lightBoxImage, lightPipeImage, crateImage, spikesImage, lavaImage, spikeBallImage,
                               overviewCanvas};
    for (unsigned id : loaded)
        releaseImage(id);
}

// The editor edits the file it saves: "level.lev" in the working folder when there is
// one, else the installed level as a start.
void LevelEditor::load()
{
    std::string opened = SavePath;
    LevelFile::ReadResult result = LevelFile::read(opened, map);
    // Saving over a level that could not be read would replace it with the empty map
    // shown instead.
    saveRefused = result == LevelFile::Unreadable;
    if (result == LevelFile::Missing) {
        opened = getLevelPath();
        result = LevelFile::read(opened, map);
    }
    if (result == LevelFile::Read)
        std::cout << "LevelEditor: opened " << opened << std::endl;
    else if (result == LevelFile::Missing)
        std::cout << "LevelEditor: no level file, editing an empty map" << std::endl;
    overviewStale = true;
    changedCells.clear();
}

void LevelEditor::save()
{
    if (saveRefused) {
        std::cout << "LevelEditor: level.lev could not be read, so it is not saved over" << std::endl;
        return;
    }
    std::string error;
    if (!LevelFile::write(SavePath, map, error))
        std::cout << "Could not save level.lev: " << error << std::endl;
}

std::string LevelEditor::getName() const
{
    return "LevelEditor";
}

void LevelEditor::setTile(int column, int row, TileType tile)
{
    if (!isInsideMap(column, row) || map[row][column] == tile)
        return;
    map[row][column] = tile;

    if (overviewStale)
        return;
    if (changedCells.size() >= MaxPatchedCells) {
        overviewStale = true;
        changedCells.clear();
        return;
    }
    changedCells.push_back(std::make_pair(column, row));
}

// ---------------------------------------------------------------------------------------
// Input

void LevelEditor::keyDown(const SDL_keysym& key)
{
    switch (key.sym) {
    case SDLK_ESCAPE:
        nextState(false);   // destroys this editor: nothing may follow
        return;
    case SDLK_UP:
        if (viewRow > 0)
            --viewRow;
        break;
    case SDLK_DOWN:
        if (viewRow < LastViewRow)
            ++viewRow;
        break;
    case SDLK_LEFT:
        if (viewColumn > 0)
            --viewColumn;
        break;
    case SDLK_RIGHT:
        if (viewColumn < LastViewColumn)
            ++viewColumn;
        break;
    case SDLK_z:
        overview = !overview;
        break;
    case SDLK_s:
        // Left Control alone: with Caps Lock, Num Lock or any other key held it is not a save.
        if (key.mod == KMOD_LCTRL)
            save();
        break;
    default:
        break;
    }
}

// The cell under a logical screen position, as the window view shows it (also while the
// overview is on). A pointer in the bands around a letterboxed picture gives positions
// off the logical screen: no cell is under those.
bool LevelEditor::cellUnder(int x, int y, int& column, int& row) const
{
    if (x < 0 || y < 0 || x >= Drawer::ScreenWidth || y >= Drawer::ScreenHeight)
        return false;
    column = viewColumn + x / CellPixels;
    row = viewRow + y / CellPixels;
    return isInsideMap(column, row);
}

void LevelEditor::mouseDown(int button, int x, int y)
{
    int column;
    int row;
    if (!cellUnder(x, y, column, row))
        return;

    // Left steps forward through Empty .. SpikeBallStart; every other button, the wheel
    // included, steps backward.
    TileType tile = map[row][column];
    if (button == SDL_BUTTON_LEFT)
        tile = tile == SpikeBallStart ? Empty : static_cast<TileType>(tile + 1);
    else
        tile = tile == Empty ? SpikeBallStart : static_cast<TileType>(tile - 1);

    setTile(column, row, tile);
    paintTile = tile;
    painting = true;
}

void LevelEditor::mouseUp(int, int, int)
{
    painting = false;
}

void LevelEditor::mouseMove(int x, int y)
{
    mouseX = x;
    mouseY = y;

    int column;
    int row;
    if (painting && cellUnder(x, y, column, row))
        setTile(column, row, paintTile);
}

// ---------------------------------------------------------------------------------------
// Drawing

void LevelEditor::loadImages(Drawer* drawer)
{
    pointerImage = loadPicture(drawer, Images::mouse_png, Images::mouse_png_size);
    caveBackImage = loadPicture(drawer, Images::caveback_png, Images::caveback_png_size);
    earthImage = loadPicture(drawer, Images::earthtile_png, Images::earthtile_png_size);
    grassImage = loadPicture(drawer, Images::grasstile_png, Images::grasstile_png_size);
    lampImage = loadPicture(drawer, Images::lamp_png, Images::lamp_png_size);
    lampGlowImage = loadPicture(drawer, Images::lampglow_png, Images::lampglow_png_size);
    lightBoxImage = loadPicture(drawer, Images::lightbox_png, Images::lightbox_png_size);
    lightPipeImage = loadPicture(drawer, Images::lightpipe_png, Images::lightpipe_png_size);
    crateImage = loadPicture(drawer, Images::crate_png, Images::crate_png_size);
    spikesImage = loadPicture(drawer, Images::spikes_png, Images::spikes_png_size);
    lavaImage = loadPicture(drawer, Images::lava_png, Images::lava_png_size);
    spikeBallImage = loadPicture(drawer, Images::spikeball_png, Images::spikeball_png_size);
}

void LevelEditor::draw(Drawer* drawer)
{
    if (caveBackImage == 0)
        loadImages(drawer);

    if (overview && overviewCache) {
        drawCachedOverview(drawer);
    } else {
        drawBackground(drawer);
        if (overview)
            drawOverviewCells(drawer, 0, 0, MapWidth, MapHeight);
        else
            drawWindowView(drawer);
    }

    put(drawer, pointerImage, mouseX, mouseY);
}

// Black at the top fading into a dark blue at the bottom.
void LevelEditor::drawBackground(Drawer* drawer)
{
    drawer->fillGradient(0, 0, Drawer::ScreenWidth, Drawer::ScreenHeight, 0, 0, 0, 255, 47, 65, 101, 255);
}

// Three passes so that the lamp glows lie over the cave backgrounds and under the rock,
// pipes, crates and spikes.
// The cells whose pictures reach the screen: the view and two cells round it, for the
// glows that reach a cell and a half beyond their own.
void LevelEditor::drawWindowView(Drawer* drawer)
{
    int originX = -viewColumn * CellPixels;
    int originY = -viewRow * CellPixels;
    if (tileCache && windowLayer.prepare(drawer, originX, originY)) {
        windowLayer.draw(drawer, originX, originY);
        return;
    }
    paintWindowCells(drawer, std::max(viewColumn - 2, 0), std::max(viewRow - 2, 0),
                     std::min(viewColumn + ViewColumns + 2, MapWidth), std::min(viewRow + ViewRows + 2, MapHeight),
                     originX, originY);
}

// The three passes over the cells of columns [left, right) and rows [top, bottom), cell
// (column, row) at (column * 32 + originX, row * 32 + originY).
void LevelEditor::paintWindowCells(Drawer* drawer, int left, int top, int right, int bottom, int originX,
                                   int originY)
{
    for (int pass = 1; pass <= 3; ++pass)
        for (int row = top; row < bottom; ++row)
            for (int column = left; column < right; ++column)
                drawWindowCell(drawer, pass, map[row][column], originX + column * CellPixels - TileInset,
                               originY + row * CellPixels - TileInset);
}

// (x, y) is the top-left corner of the cell's 64 x 64 tile picture.
void LevelEditor::drawWindowCell(Drawer* drawer, int pass, TileType tile, int x, int y)
{
    if (pass == 1) {
        switch (tile) {
        case CaveBack:
        case Spikes:
            put(drawer, caveBackImage, x, y);
            break;
        case Lamp:
            put(drawer, lampImage, x, y);
            break;
        case LightBox:
            put(drawer, caveBackImage, x, y);
            put(drawer, lightBoxImage, x, y);
            break;
        case Lava:
            put(drawer, lavaImage, x, y);
            break;
        case SpikeBallStart:
            put(drawer, caveBackImage, x, y);
            put(drawer, spikeBallImage, x, y);
            break;
        default:
            break;
        }
    } else if (pass == 2) {
        if (tile == Lamp)
            put(drawer, lampGlowImage, x + TileInset - GlowInset, y + TileInset - GlowInset);
    } else {
        switch (tile) {
        case Earth:
            put(drawer, earthImage, x, y);
            break;
        case Grass:
            put(drawer, grassImage, x, y);
            break;
        case LightPipe:
            put(drawer, lightPipeImage, x, y);
            break;
        case Crate:
            put(drawer, caveBackImage, x, y);
            put(drawer, crateImage, x, y);
            break;
        case Spikes:
            put(drawer, spikesImage, x, y);
            break;
        default:
            break;
        }
    }
}

// Pass 0 draws the cave backgrounds, lamps and light boxes; pass 1 the rock over them.
// Nothing else shows in the overview.
void LevelEditor::drawOverviewCell(Drawer* drawer, int pass, int column, int row)
{
    TileType tile = map[row][column];
    if (pass == 0) {
        switch (tile) {
        case CaveBack:
            putSmall(drawer, caveBackImage, column, row);
            break;
        case Lamp:
            putSmall(drawer, lampImage, column, row);
            break;
        case LightBox:
            putSmall(drawer, caveBackImage, column, row);
            putSmall(drawer, lightBoxImage, column, row);
            break;
        default:
            break;
        }
    } else {
        if (tile == Earth)
            putSmall(drawer, earthImage, column, row);
        else if (tile == Grass)
            putSmall(drawer, grassImage, column, row);
    }
}

// Both overview passes over the cells of columns [left, right) and rows [top, bottom).
void LevelEditor::drawOverviewCells(Drawer* drawer, int left, int top, int right, int bottom)
{
    for (int pass = 0; pass < 2; ++pass)
        for (int row = top; row < bottom; ++row)
            for (int column = left; column < right; ++column)
                drawOverviewCell(drawer, pass, column, row);
}

// The overview as one picture: drawn whole the first time, then patched around the cells
// changed since the last overview frame.
void LevelEditor::drawCachedOverview(Drawer* drawer)
{
    if (overviewCanvas == 0) {
        overviewCanvas = drawer->createCanvas();
        overviewStale = true;
        if (overviewCanvas == 0) {
            // A drawer without canvases: the plain way.
            drawBackground(drawer);
            drawOverviewCells(drawer, 0, 0, MapWidth, MapHeight);
            return;
        }
    }

    if (overviewStale) {
        drawer->beginCanvas(overviewCanvas, 0, 0, Drawer::ScreenWidth, Drawer::ScreenHeight);
        drawBackground(drawer);
        drawOverviewCells(drawer, 0, 0, MapWidth, MapHeight);
        drawer->endCanvas();
        overviewStale = false;
    } else {
        int shift = patchShift(drawer);
        for (const std::pair<int, int>& cell : changedCells)
            redrawOverviewRect(drawer, cell.first + shift, cell.second + shift, PatchSize, PatchSize);
    }
    changedCells.clear();

    put(drawer, overviewCanvas, 0, 0);
}

// Paints one rectangle of the overview picture again as a whole redraw would: the
// background, then in pass order every cell whose patch reaches into it. Cells whose
// patch misses the rectangle under the drawer's own placement are clipped away. The drawer
// clips to every window pixel the rectangle touches, which in a window smaller than the
// logical screen reaches up to two logical pixels beyond it: the cells there are drawn too.
void LevelEditor::redrawOverviewRect(Drawer* drawer, int x, int y, int width, int height)
{
    int left = std::max(x, 0);
    int top = std::max(y, 0);
    int right = std::min(x + width, static_cast<int>(Drawer::ScreenWidth));
    int bottom = std::min(y + height, static_cast<int>(Drawer::ScreenHeight));
    if (left >= right || top >= bottom)
        return;

    drawer->beginCanvas(overviewCanvas, static_cast<short>(left), static_cast<short>(top),
                        static_cast<short>(right - left), static_cast<short>(bottom - top));
    drawBackground(drawer);

    const int margin = 2;
    int shift = patchShift(drawer);
    int reach = shift + PatchSize - 1;
    int firstColumn = std::max(left - margin - reach, 0);
    int lastColumn = std::min(right + margin - 1, MapWidth - 1);
    int firstRow = std::max(top - margin - reach, 0);
    int lastRow = std::min(bottom + margin - 1, MapHeight - 1);
    for (int pass = 0; pass < 2; ++pass)
        for (int row = firstRow; row <= lastRow; ++row)
            for (int column = firstColumn; column <= lastColumn; ++column)
                if (patchTouches(column, row, shift, left - margin, top - margin, right + margin, bottom + margin))
                    drawOverviewCell(drawer, pass, column, row);

    drawer->endCanvas();
}
