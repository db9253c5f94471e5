#pragma once

#include <utility>
#include <vector>

#include "game/TileType.h"

class Drawer;
class TileArt;

// The editor's picture of the whole map at one pixel a cell, over its backdrop, kept by
// the drawer as a canvas: drawn whole the first time, then patched around the cells that
// changed. A drawer without canvases, or an overview that is not to be kept, draws every
// cell every frame: the plain way, far too slow for play, kept so that the two can be
// compared.
class MapOverview {
public:
    // The backdrop the cells are drawn over, RGBA at its top and bottom edges.
    MapOverview(const TileMap& map, const TileArt& art, const unsigned char top[4], const unsigned char bottom[4]);

    void setKept(bool enabled) { kept = enabled; }
    // A cell of the map has changed value.
    void cellChanged(int column, int row);
    // The whole map may have changed.
    void mapChanged();
    void draw(Drawer* drawer);
    // Gives the canvas back (a null drawer: the drawer is gone, just forget it).
    void release(Drawer* drawer);

private:
    void drawBackdrop(Drawer* drawer) const;
    void drawCells(Drawer* drawer, int left, int top, int right, int bottom) const;
    void drawWhole(Drawer* drawer) const;
    void redrawRect(Drawer* drawer, int x, int y, int width, int height) const;

    const TileMap& map;
    const TileArt& art;
    unsigned char backdropTop[4];
    unsigned char backdropBottom[4];
    bool kept;
    unsigned canvas;   // 0 until first needed
    bool refused;      // the drawer made none
    bool stale;        // the canvas must be drawn again whole
    std::vector<std::pair<int, int>> changedCells;   // since it was last brought up to date
};
