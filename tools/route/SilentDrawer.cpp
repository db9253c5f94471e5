#include "tools/route/SilentDrawer.h"

unsigned SilentDrawer::loadImage(unsigned char* pixels, unsigned, unsigned)
{
    if (!pixels)
        return 0;
    delete[] pixels;
    return nextId++;
}
