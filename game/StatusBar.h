#pragma once

#include "render/PictureSet.h"

class Drawer;

// The counters along the top of the play field: lives, light boxes lit and reflectors
// carried, each a picture with its number beside it. It keeps its own three pictures,
// loaded on its first draw and given back when the play screen ends.
class StatusBar {
public:
    StatusBar();

    // The play screen loads every picture on its first frame, the story's included.
    void load(Drawer* drawer) { icons.load(drawer); }
    void draw(Drawer* drawer, int lives, int boxesLit, int reflectors);
    void release(Drawer* drawer) { icons.release(drawer); }

private:
    PictureSet icons;
};
