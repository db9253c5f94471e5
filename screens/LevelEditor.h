#pragma once

#include "app/GameState.h"
#include "game/TileType.h"
#include "render/MapOverview.h"
#include "render/PictureSet.h"
#include "render/TileArt.h"

// The level editor: a copy of the map read from the level file, shown either as a
// scrollable 32 x 24-cell window at play scale or as the whole map at one pixel per cell.
// Clicking a cell steps it through the tile values; dragging paints the clicked cell's new
// value; left Control-S writes "level.lev" into the working directory, the file it
// opened when there was one.
class LevelEditor : public GameState {
public:
    explicit LevelEditor(Application* application);
    ~LevelEditor() override;

    // Reads "level.lev" from the working folder into the map, or when there is none the
    // installed level file; with neither the map stays all Empty. Says which it opened.
    void load();
    // Writes the map to "level.lev"; on failure prints one line and keeps any old file.
    // A "level.lev" that was there but could not be read is never saved over.
    void save();

    void draw(Drawer* drawer) override;
    void keyDown(const SDL_keysym& key) override;
    void mouseDown(int button, int x, int y) override;
    void mouseUp(int button, int x, int y) override;
    void mouseMove(int x, int y) override;
    std::string getName() const override;

    // The overview is drawn from a picture of the whole map that the drawer keeps, patched
    // where cells change. Turned off, every cell is drawn every frame: the plain way, far
    // too slow for play, kept so that the two pictures can be compared.
    void setOverviewCache(bool enabled) { mapOverview.setKept(enabled); }
    // The drawer may keep the window view from frame to frame, where it can; turned off,
    // cell by cell every frame.
    void setTileCache(bool enabled) { tileCache = enabled; }

    TileType getTile(int column, int row) const { return map[row][column]; }
    void setTile(int column, int row, TileType tile);
    int getViewColumn() const { return viewColumn; }
    int getViewRow() const { return viewRow; }
    int getMouseX() const { return mouseX; }
    int getMouseY() const { return mouseY; }
    bool isPainting() const { return painting; }
    TileType getPaintTile() const { return paintTile; }
    bool isOverview() const { return overview; }

private:
    void drawWindowView(Drawer* drawer);
    bool cellUnder(int x, int y, int& column, int& row) const;

    PictureSet pointer;   // the pointer's picture; the tiles' are the art's
    TileArt art;
    TileMap map;
    int viewColumn;
    int viewRow;
    int mouseX;
    int mouseY;
    bool painting;
    TileType paintTile;
    bool overview;
    MapOverview mapOverview;
    bool tileCache;
    // "level.lev" was there but could not be read.
    bool saveRefused;
};
