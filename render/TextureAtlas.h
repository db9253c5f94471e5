#pragma once

#include <vector>

// Packs small textures into a few large pages, so that a frame of tiles, sprites and text
// samples one texture and goes to OpenGL as a handful of vertex arrays instead of one
// texture bind per quad (each bind flushes the software rasteriser's pipeline).
//
// Every entry carries a one-texel border holding exactly the texels that linear filtering
// would have fetched beyond the edge of the entry's own texture (the edge texel again for
// clamp-to-edge, the opposite edge for repeat, the padding for padded images), so a quad
// drawn from the page gives the same pixels as the same quad drawn from its own texture.
class TextureAtlas {
public:
    struct Entry {
        unsigned page;         // index of the page texture
        unsigned x, y;         // top-left of the reserved block (border included), in texels
        unsigned width;        // the block's size, border included
        unsigned height;
        unsigned texture;      // the page's OpenGL texture
        float u0, v0, u1, v1;  // texture coordinates of the image's corners (0, 0) and (w, h)
    };

    // Pages are pageSize x pageSize; at most maxPages are made. Entries larger than
    // maxEntry on either side are refused, leaving room for many tiles per page.
    TextureAtlas(unsigned pageSize, unsigned maxPages, unsigned maxEntry);
    ~TextureAtlas();

    TextureAtlas(const TextureAtlas&) = delete;
    TextureAtlas& operator=(const TextureAtlas&) = delete;

    // Copies the top-left width x height texels of a texWidth x texHeight RGBA texture,
    // with its border, into a page (making the page when needed). wrap: the texture repeats
    // rather than clamping. Returns false when the entry is too large or no room is left,
    // or the driver refused a page (said once, and no entry is taken after it); the caller
    // then draws from the texture itself.
    bool add(const unsigned char* texels, unsigned texWidth, unsigned texHeight,
             unsigned width, unsigned height, bool wrap, Entry& entry);

    // Gives an entry's block back for later entries of the same size or smaller.
    void remove(const Entry& entry);

    // Bookkeeping only, no OpenGL: finds room for a block. Pages are numbered as they would
    // be created.
    bool allocate(unsigned width, unsigned height, Entry& entry);

    // The (width + 2) x (height + 2) block of an entry, border included.
    static std::vector<unsigned char> borderedBlock(const unsigned char* texels, unsigned texWidth,
                                                    unsigned texHeight, unsigned width, unsigned height,
                                                    bool wrap);

    unsigned getPageCount() const { return pageCount; }
    unsigned getPageSize() const { return pageSize; }

private:
    struct Shelf {
        unsigned y;
        unsigned height;
        unsigned nextX;
    };
    struct Page {
        std::vector<Shelf> shelves;
        unsigned nextY;
        unsigned texture;
    };

    bool allocateOnPage(unsigned pageIndex, unsigned width, unsigned height, Entry& entry);
    unsigned makePageTexture();

    unsigned pageSize;
    unsigned maxPages;
    unsigned maxEntry;
    unsigned pageCount;
    std::vector<Page> pages;
    std::vector<Entry> freeBlocks;
    bool refused;
};
