#pragma once

// A rectangle of a layer or a fill, in logical pixels from its top-left corner.
struct LayerPart {
    short x, y, width, height;
};
