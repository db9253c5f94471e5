#include "render/TileCaches.h"

#include <iostream>
#include <iterator>

#include "render/OpenGLDrawer.h"

TileCaches::TileCaches(OpenGLDrawer& drawer) : drawer(drawer), frame(1), saidRefused(false) {}

TileCaches::~TileCaches() {}

// Memory stays flat: a screen that ended a second ago, or a view not shown for as long,
// keeps no layers. (A view shown every few frames, as when two screens take turns, keeps
// its own.)
void TileCaches::beginFrame()
{
    const unsigned keptFrames = 60;
    for (std::map<Key, Entry>::iterator it = caches.begin(); it != caches.end();)
        it = frame - it->second.lastFrame < keptFrames ? std::next(it) : caches.erase(it);
    ++frame;
}

// Layers hide what lies under them only where the window shows each logical pixel on one
// window pixel (see TileLayerCache).
bool TileCaches::pixelForPixel() const
{
    Drawer::WindowRect place = drawer.getPicturePlace();
    return place.width == Drawer::ScreenWidth && place.height == Drawer::ScreenHeight;
}

// The group's cache, readied once a frame.
TileLayerCache& TileCaches::prepared(const TileScene& scene, int group)
{
    Entry& entry = caches[Key(scene.map, group)];
    if (!entry.cache)
        entry.cache.reset(new TileLayerCache(drawer));
    if (entry.lastFrame != frame) {
        entry.lastFrame = frame;
        entry.cache->prepare(scene, group, frame, pixelForPixel());
        if (entry.cache->wasRefused() && !saidRefused) {
            std::cout << "OpenGL: tiles are drawn one by one: the driver refused an off-screen picture" << std::endl;
            saidRefused = true;
        }
    }
    return *entry.cache;
}

// Only where no group hides it, when every group is drawn from layers; else whole.
void TileCaches::drawBackdrop(const TileScene& scene)
{
    readyGroups.clear();
    for (int group = 0; group < scene.groupCount; ++group) {
        const TileLayerCache& cache = prepared(scene, group);
        if (!cache.isReady(frame)) {
            scene.fillBackdrop(&drawer);
            return;
        }
        readyGroups.push_back(&cache);
    }
    TileLayerCache::findOpenParts(readyGroups, scene.originX, scene.originY, openParts);
    drawer.fillGradientParts(0, 0, Drawer::ScreenWidth, Drawer::ScreenHeight, scene.backdropTop, scene.backdropBottom,
                             openParts);
}

// All the scene's groups are readied with its first, before anything of it is drawn, so
// that each knows which squares the groups above it will hide.
void TileCaches::draw(const TileScene& scene, int group)
{
    if (!scene.cacheable) {
        drawer.Drawer::drawTiles(scene, group);
        return;
    }
    if (group == 0 && scene.backdrop)
        drawBackdrop(scene);
    TileLayerCache& cache = prepared(scene, group);
    if (!cache.isReady(frame)) {
        scene.drawCells(&drawer, group);
        return;
    }
    readyGroups.clear();
    for (int later = group + 1; later < scene.groupCount; ++later) {
        const TileLayerCache& other = prepared(scene, later);
        if (other.isReady(frame))
            readyGroups.push_back(&other);
    }
    cache.draw(scene, readyGroups);
}
