#include "render/PictureSet.h"

#include <cassert>

#include "render/Drawer.h"
#include "render/ImageLoader.h"

PictureSet::PictureSet(const Embedded* table, int count) : table(table), count(count) {}

PictureSet::PictureSet(const PictureSet& other) : table(other.table), count(other.count) {}

PictureSet& PictureSet::operator=(const PictureSet& other)
{
    assert(table == other.table && count == other.count);
    (void)other;
    return *this;
}

void PictureSet::load(Drawer* drawer, const Inspect& inspect)
{
    if (isLoaded())
        return;
    release(drawer);
    if (!ids)
        ids.reset(new unsigned[static_cast<size_t>(count)]());
    ImageLoader loader;
    for (int i = 0; i < count; ++i) {
        ImageLoader::PixelData data = loader.loadImage(*table[i].png, *table[i].size);
        if (inspect)
            inspect(i, data.pixels, data.width, data.height);
        ids[i] = drawer->loadImage(data.pixels, data.width, data.height);
    }
}

bool PictureSet::isLoaded() const
{
    return ids && count > 0 && ids[0] != 0;
}

unsigned PictureSet::operator[](int index) const
{
    return ids ? ids[index] : 0u;
}

void PictureSet::release(Drawer* drawer)
{
    if (!ids)
        return;
    for (int i = 0; i < count; ++i) {
        if (drawer && ids[i] != 0)
            drawer->releaseImage(ids[i]);
        ids[i] = 0;
    }
}
