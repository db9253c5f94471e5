#include "render/TextureAtlas.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <cstring>
#include <iostream>

TextureAtlas::TextureAtlas(unsigned pageSize, unsigned maxPages, unsigned maxEntry)
    : pageSize(pageSize), maxPages(maxPages), maxEntry(maxEntry), pageCount(0), refused(false)
{
}

// Page textures die with the OpenGL context, as every other texture of the drawer does.
TextureAtlas::~TextureAtlas() {}

static unsigned sourceIndex(int i, unsigned size, bool wrap)
{
    int n = static_cast<int>(size);
    if (wrap)
        return static_cast<unsigned>((i % n + n) % n);
    if (i < 0)
        return 0;
    if (i >= n)
        return size - 1;
    return static_cast<unsigned>(i);
}

std::vector<unsigned char> TextureAtlas::borderedBlock(const unsigned char* texels, unsigned texWidth,
                                                       unsigned texHeight, unsigned width, unsigned height,
                                                       bool wrap)
{
    unsigned blockWidth = width + 2;
    unsigned blockHeight = height + 2;
    std::vector<unsigned char> block(blockWidth * blockHeight * 4);
    for (unsigned row = 0; row < blockHeight; ++row) {
        unsigned sourceRow = sourceIndex(static_cast<int>(row) - 1, texHeight, wrap);
        for (unsigned col = 0; col < blockWidth; ++col) {
            unsigned sourceCol = sourceIndex(static_cast<int>(col) - 1, texWidth, wrap);
            memcpy(&block[(row * blockWidth + col) * 4], texels + (sourceRow * texWidth + sourceCol) * 4, 4);
        }
    }
    return block;
}

bool TextureAtlas::allocateOnPage(unsigned pageIndex, unsigned width, unsigned height, Entry& entry)
{
    Page& page = pages[pageIndex];
    for (Shelf& shelf : page.shelves) {
        if (height <= shelf.height && shelf.nextX + width <= pageSize) {
            entry.page = pageIndex;
            entry.x = shelf.nextX;
            entry.y = shelf.y;
            shelf.nextX += width;
            return true;
        }
    }
    if (page.nextY + height > pageSize)
        return false;
    page.shelves.push_back(Shelf{page.nextY, height, width});
    entry.page = pageIndex;
    entry.x = 0;
    entry.y = page.nextY;
    page.nextY += height;
    return true;
}

bool TextureAtlas::allocate(unsigned width, unsigned height, Entry& entry)
{
    if (width > maxEntry + 2 || height > maxEntry + 2 || width > pageSize || height > pageSize)
        return false;
    entry.width = width;
    entry.height = height;

    for (size_t i = 0; i < freeBlocks.size(); ++i) {
        const Entry& block = freeBlocks[i];
        if (width <= block.width && height <= block.height) {
            entry.page = block.page;
            entry.x = block.x;
            entry.y = block.y;
            // The whole block stays reserved, so it comes back whole on removal.
            entry.width = block.width;
            entry.height = block.height;
            freeBlocks.erase(freeBlocks.begin() + i);
            return true;
        }
    }
    for (unsigned i = 0; i < pageCount; ++i)
        if (allocateOnPage(i, width, height, entry))
            return true;
    if (pageCount == maxPages)
        return false;
    pages.push_back(Page{std::vector<Shelf>(), 0, 0});
    ++pageCount;
    return allocateOnPage(pageCount - 1, width, height, entry);
}

void TextureAtlas::remove(const Entry& entry)
{
    freeBlocks.push_back(entry);
}

// 0 when the driver cannot hold the page (too large, or out of memory).
unsigned TextureAtlas::makePageTexture()
{
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, pageSize, pageSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    if (glGetError() != GL_NO_ERROR) {
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &texture);
        return 0;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

bool TextureAtlas::add(const unsigned char* texels, unsigned texWidth, unsigned texHeight,
                       unsigned width, unsigned height, bool wrap, Entry& entry)
{
    if (refused || !allocate(width + 2, height + 2, entry))
        return false;
    Page& page = pages[entry.page];
    if (page.texture == 0)
        page.texture = makePageTexture();
    // Without the page every picture is drawn from its own texture, which gives the same
    // pixels at more texture switches.
    if (page.texture == 0) {
        refused = true;
        std::cout << "OpenGLDrawer: Could not make a " << pageSize << " x " << pageSize
                  << " atlas page, drawing pictures from their own textures." << std::endl;
        return false;
    }

    std::vector<unsigned char> block = borderedBlock(texels, texWidth, texHeight, width, height, wrap);
    glBindTexture(GL_TEXTURE_2D, page.texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, entry.x, entry.y, width + 2, height + 2, GL_RGBA, GL_UNSIGNED_BYTE,
                    block.data());
    glBindTexture(GL_TEXTURE_2D, 0);

    float size = static_cast<float>(pageSize);
    entry.texture = page.texture;
    entry.u0 = (entry.x + 1) / size;
    entry.v0 = (entry.y + 1) / size;
    entry.u1 = (entry.x + 1 + width) / size;
    entry.v1 = (entry.y + 1 + height) / size;
    return true;
}
