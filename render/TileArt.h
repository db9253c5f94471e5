#pragma once

#include "game/TileType.h"
#include "render/PictureSet.h"

class Drawer;

// What each tile value looks like, pass by pass: the one table the play field, the
// editor's window view and its overview all draw their cells from. A pass draws up to two
// pictures for a value, in order, each at its own place relative to the cell; from those
// follow how far the pass reaches beyond a cell and, once the pictures are loaded and their
// pixels seen, which values it covers opaquely.
class TileArt {
public:
    enum Pass {
        PlayBack,       // behind the beams, sprites and halos of play
        PlayFront,      // in front of them
        PlayGlow,       // the lamp halos of play
        EditorBack,     // the editor's window view, in three passes
        EditorGlow,
        EditorFront,
        OverviewBack,   // the editor's whole-map view, one pixel a cell
        OverviewFront,
        PassCount
    };

    // The tile pictures, in the order they are loaded.
    enum Picture {
        CaveBackPicture, EarthPicture, GrassPicture, LampPicture, LampGlowPicture, LightBoxPicture,
        LightPipePicture, CratePicture, SpikesPicture, LavaPicture, SpikeBallPicture, PictureCount
    };

    static const int NotDrawn = -1;
    static const int MaxPictures = 2;

    // One picture of a cell: its top-left corner `inset` pixels up and left of the cell's.
    struct Placed {
        Picture picture;
        int inset;
    };
    struct Look {
        int count;
        Placed placed[MaxPictures];
    };

    TileArt();

    // The pictures are loaded into the drawer together, on the first frame that needs them.
    void load(Drawer* drawer);
    bool isLoaded() const { return pictures.isLoaded(); }
    // Gives every picture back (a null drawer: the drawer is gone, just forget them).
    void release(Drawer* drawer);
    unsigned id(Picture picture) const { return pictures[picture]; }

    // The pictures a pass draws for a value; none for values without a picture.
    static const Look& look(Pass pass, TileType tile);
    // How many pixels beyond its cell the pass's pictures for the value reach on every
    // side, or NotDrawn when the pass draws nothing there.
    static int overhang(Pass pass, TileType tile);
    // Whether the pass's pictures for the value are opaque over the whole cell.
    bool coversCell(Pass pass, TileType tile) const;

    // The pass's pictures of one cell whose top-left corner is at (x, y), at play scale.
    void drawCell(Drawer* drawer, Pass pass, TileType tile, int x, int y) const;
    // The pass's pictures of one cell at one pixel a cell: each picture drawn at (x, y),
    // scaled to 1/32 as the drawer scales.
    void drawSmall(Drawer* drawer, Pass pass, TileType tile, int x, int y) const;
    // The passes in order over the map's cells of columns [left, right) and rows [top,
    // bottom), each row left to right, cell (column, row) at (originX + 32 * column,
    // originY + 32 * row).
    void drawCells(Drawer* drawer, const TileMap& map, const Pass* passes, int passCount, int left, int top,
                   int right, int bottom, int originX, int originY) const;

private:
    void inspect(int picture, const unsigned char* rgba, unsigned width, unsigned height);

    PictureSet pictures;
    bool opaque[PassCount][SpikeBallStart + 1];
};
