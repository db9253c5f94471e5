#include "render/PictureSet.h"

#include "render/Drawer.h"
#include "render/ImageLoader.h"

PictureSet::PictureSet(const Embedded* table, int count) : table(table), ids(count, 0u) {}

void PictureSet::load(Drawer* drawer, const Inspect& inspect)
{
    if (isLoaded())
        return;
    release(drawer);
    ImageLoader loader;
    for (size_t i = 0; i < ids.size(); ++i) {
        ImageLoader::PixelData data = loader.loadImage(*table[i].png, *table[i].size);
        if (inspect)
            inspect(static_cast<int>(i), data.pixels, data.width, data.height);
        ids[i] = drawer->loadImage(data.pixels, data.width, data.height);
    }
}

bool PictureSet::isLoaded() const
{
    return !ids.empty() && ids[0] != 0;
}

unsigned PictureSet::operator[](int index) const
{
    return ids[static_cast<size_t>(index)];
}

void PictureSet::release(Drawer* drawer)
{
    for (unsigned& id : ids) {
        if (drawer && id != 0)
            drawer->releaseImage(id);
        id = 0;
    }
}
