#include "screens/LevelEditor.h"

#include <algorithm>
#include <iostream>

#include "app/Application.h"
#include "app/ResourcePaths.h"
#include "assets/Images.h"
#include "game/LevelFile.h"
#include "render/Drawer.h"
#include "render/TileScene.h"

namespace {

// Saved into, and preferably opened from, the working folder.
const char* const SavePath = "level.lev";

// The window view: 32 x 24 cells of 32 pixels. Its top-left cell can go no further than
// column 992 and row 744, so the view never leaves the map.
const int ViewColumns = Drawer::ScreenWidth / CellPixels;
const int ViewRows = Drawer::ScreenHeight / CellPixels;
const int LastViewColumn = MapWidth - ViewColumns;
const int LastViewRow = MapHeight - ViewRows;

const PictureSet::Embedded PointerPicture[] = {{&Images::mouse_png, &Images::mouse_png_size}};

// Black at the top fading into a dark blue at the bottom, behind both views.
const unsigned char BackdropTop[4] = {0, 0, 0, 255};
const unsigned char BackdropBottom[4] = {47, 65, 101, 255};

} // namespace

LevelEditor::LevelEditor(Application* application)
    : GameState(application),
      pointer(PointerPicture, 1), viewColumn(0), viewRow(0), mouseX(0), mouseY(0), painting(false), paintTile(Empty),
      overview(false), mapOverview(map, art, BackdropTop, BackdropBottom), tileCache(true), saveRefused(false)
{
    std::fill(&map[0][0], &map[0][0] + MapWidth * MapHeight, Empty);
    load();
}

LevelEditor::~LevelEditor()
{
    pointer.release(getDrawer());
    art.release(getDrawer());
    mapOverview.release(getDrawer());
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
    mapOverview.mapChanged();
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
    mapOverview.cellChanged(column, row);
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

void LevelEditor::draw(Drawer* drawer)
{
    pointer.load(drawer);
    art.load(drawer);

    if (overview)
        mapOverview.draw(drawer);
    else
        drawWindowView(drawer);

    drawer->drawImage(pointer[0], static_cast<short>(mouseX), static_cast<short>(mouseY), 1.0f, 1.0f, 1.0f, 1.0f,
                      1.0f, 1.0f);
}

// Exactly the 32 x 24 cells of the view, in three passes so that the lamp glows lie over
// the cave backgrounds and under the rock, pipes, crates and spikes.
void LevelEditor::drawWindowView(Drawer* drawer)
{
    TileScene scene;
    scene.map = &map;
    scene.art = &art;
    scene.originX = -viewColumn * CellPixels;
    scene.originY = -viewRow * CellPixels;
    scene.left = viewColumn;
    scene.top = viewRow;
    scene.right = viewColumn + ViewColumns;
    scene.bottom = viewRow + ViewRows;
    scene.backdrop = true;
    std::copy(BackdropTop, BackdropTop + 4, scene.backdropTop);
    std::copy(BackdropBottom, BackdropBottom + 4, scene.backdropBottom);
    scene.groupCount = 1;
    scene.groups[0] = TileScene::Group{3, {TileArt::EditorBack, TileArt::EditorGlow, TileArt::EditorFront}};
    scene.cacheable = tileCache;
    drawer->drawTiles(scene, 0);
}
