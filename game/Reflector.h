#pragma once

// A placed reflector or a light box: a cell and whether light has reached it.
struct Reflector {
    int x;
    int y;
    bool lit;
};
