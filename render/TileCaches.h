#pragma once

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "render/LayerPart.h"
#include "render/TileLayerCache.h"

class OpenGLDrawer;

// The OpenGL drawer's way with tile scenes: each group of a scene drawn from a cache of
// layers where the driver keeps them, and the backdrop filled only where the groups leave
// it to be seen; tile by tile where they cannot be (the driver refuses a layer, the view
// scrolls between window pixels), with the backdrop whole. The frame is the same either way.
class TileCaches {
public:
    explicit TileCaches(OpenGLDrawer& drawer);
    ~TileCaches();

    TileCaches(const TileCaches&) = delete;
    TileCaches& operator=(const TileCaches&) = delete;

    // A new frame: the caches no scene drew in the last one are given up.
    void beginFrame();
    void draw(const TileScene& scene, int group);

private:
    typedef std::pair<const TileMap*, int> Key;   // a scene's map and group

    struct Entry {
        std::unique_ptr<TileLayerCache> cache;
        unsigned lastFrame;   // the last frame the group was asked for
    };

    TileLayerCache& prepared(const TileScene& scene, int group);
    void drawBackdrop(const TileScene& scene);
    bool pixelForPixel() const;

    OpenGLDrawer& drawer;
    std::map<Key, Entry> caches;
    unsigned frame;
    bool saidRefused;
    std::vector<LayerPart> openParts;
    // Scratch, kept from frame to frame: the groups drawn from layers this frame.
    std::vector<const TileLayerCache*> readyGroups;
};
