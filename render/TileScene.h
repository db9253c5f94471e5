#pragma once

#include "game/TileType.h"
#include "render/Drawer.h"
#include "render/TileArt.h"

// What a screen asks the drawer to draw of a map: the cells of columns [left, right) and
// rows [top, bottom) (exactly those the screen shows, clipped to the map), cell (0, 0)'s
// corner at (originX, originY), in groups of passes that the screen draws at different
// moments of its frame, the first group over an optional backdrop gradient. How the drawer
// draws them is its own business; a scene that is not cacheable is drawn tile by tile.
struct TileScene {
    static const int MaxGroups = 2;
    static const int MaxPasses = 3;

    struct Group {
        int passCount;
        TileArt::Pass passes[MaxPasses];
    };

    const TileMap* map = nullptr;
    const TileArt* art = nullptr;
    int originX = 0, originY = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
    // A vertical gradient over the whole screen, drawn before group 0, RGBA at its top and
    // bottom edges.
    bool backdrop = false;
    unsigned char backdropTop[4] = {0, 0, 0, 0};
    unsigned char backdropBottom[4] = {0, 0, 0, 0};
    int groupCount = 0;
    Group groups[MaxGroups] = {};
    bool cacheable = false;

    // The backdrop over the whole screen.
    void fillBackdrop(Drawer* drawer) const
    {
        drawer->fillGradient(0, 0, Drawer::ScreenWidth, Drawer::ScreenHeight, backdropTop[0], backdropTop[1],
                             backdropTop[2], backdropTop[3], backdropBottom[0], backdropBottom[1], backdropBottom[2],
                             backdropBottom[3]);
    }

    // The group's cells drawn tile by tile.
    void drawCells(Drawer* drawer, int group) const
    {
        art->drawCells(drawer, *map, groups[group].passes, groups[group].passCount, left, top, right, bottom,
                       originX, originY);
    }
};
