#include "render/OpenGLDrawer.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

// Atlas pages: one holds the small pictures of a play field several times over (every
// new screen loads its own copies), and a narrow page keeps a tile's rows close together
// for the rasteriser's texture fetches. Once four pages are full, further pictures are
// drawn from their own textures. Pictures over 512 pixels on a side (the 1024 x 768
// screens, drawn alone anyway) never go into a page.
static const unsigned AtlasPageSize = 1024;
static const unsigned AtlasMaxPages = 4;
static const unsigned AtlasMaxEntry = 512;

OpenGLDrawer::OpenGLDrawer(bool batching)
    : nextId(1), batching(batching), discarding(false), inCanvas(false), canvasId(0), samples(0), pixelScale(1.0f), drawCalls(0),
      layerSlots(2048), inLayerState(false), layerOpaque(false), layerTexture(0), genFramebuffers(nullptr), deleteFramebuffers(nullptr), bindFramebuffer(nullptr),
      framebufferTexture2D(nullptr), checkFramebufferStatus(nullptr), blendFuncSeparate(nullptr)
{
    for (Image& glyph : glyphs)
        glyph = Image{0, 0, 0, 1.0f, 1.0f, false, TextureAtlas::Entry(), 0};
}

// Textures, atlas pages and framebuffers end with the OpenGL context when the window
// closes; nothing is deleted one by one.
OpenGLDrawer::~OpenGLDrawer() {}

bool OpenGLDrawer::isPowerOfTwo(unsigned n)
{
    return powerOfTwo(n) == n;
}

unsigned OpenGLDrawer::powerOfTwo(unsigned n)
{
    // Past 2^31 there is no larger power of two in 32 bits: the answer would wrap to 0.
    if (n > 0x80000000u)
        return 0;
    unsigned p = 1;
    while (p < n)
        p *= 2;
    return p;
}

unsigned char* OpenGLDrawer::padImage(const unsigned char* pixels, unsigned width, unsigned height,
                                      unsigned paddedWidth, unsigned paddedHeight)
{
    // 16384 x 16384 x 4 bytes is past 32 bits: sizes in size_t.
    size_t rowBytes = static_cast<size_t>(width) * 4;
    size_t paddedRowBytes = static_cast<size_t>(paddedWidth) * 4;
    unsigned char* padded = new unsigned char[paddedRowBytes * paddedHeight]();
    // An empty picture has no edge to repeat: the padding stays transparent black.
    if (width == 0 || height == 0)
        return padded;
    for (size_t row = 0; row < height; ++row) {
        unsigned char* out = padded + row * paddedRowBytes;
        memcpy(out, pixels + row * rowBytes, rowBytes);
        // The last byte of the row is its last pixel's alpha: a transparent edge pads
        // with transparent black, an opaque one with opaque white.
        memset(out + rowBytes, out[rowBytes - 1], paddedRowBytes - rowBytes);
    }
    for (size_t row = height; row < paddedHeight; ++row)
        memcpy(padded + row * paddedRowBytes, padded + (height - 1) * paddedRowBytes, paddedRowBytes);
    return padded;
}

OpenGLDrawer::Quad OpenGLDrawer::placeImage(short x, short y, float width, float height, float scaleX,
                                            float scaleY)
{
    Quad quad;
    quad.left = x + centredShift(width, scaleX);
    quad.top = y + centredShift(height, scaleY);
    quad.right = quad.left + width * scaleX;
    quad.bottom = quad.top + height * scaleY;
    return quad;
}

bool OpenGLDrawer::initialise(unsigned short width, unsigned short height, bool fullscreen, int antialias)
{
    if (!window.open(width, height, fullscreen, antialias))
        return false;
    drawOnScreen();
    initFonts();
    loadFramebufferFunctions();

    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    unsigned pageSize = AtlasPageSize;
    while (pageSize > static_cast<unsigned>(maxTexture) && pageSize > 256)
        pageSize /= 2;
    if (batching)
        atlas.reset(new TextureAtlas(pageSize, AtlasMaxPages, AtlasMaxEntry < pageSize / 2 ? AtlasMaxEntry : pageSize / 2));
    layerPages.clear();
    layerSlots = LayerSlots(std::min(2048u, static_cast<unsigned>(maxTexture)));
    inLayerState = false;
    return true;
}

// Back to drawing on the window's picture.
void OpenGLDrawer::drawOnScreen()
{
    window.drawOnScreen();
    samples = window.getSampleCount();
    pixelScale = window.getScaleX();
}

void* OpenGLDrawer::framebufferFunction(const char* name, const char* suffix)
{
    char full[64];
    snprintf(full, sizeof full, "%s%s", name, suffix);
    return SDL_GL_GetProcAddress(full);
}

void OpenGLDrawer::loadFramebufferFunctions()
{
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!extensions)
        return;
    const char* suffix = nullptr;
    if (strstr(extensions, "GL_ARB_framebuffer_object"))
        suffix = "";
    else if (strstr(extensions, "GL_EXT_framebuffer_object"))
        suffix = "EXT";
    if (!suffix)
        return;

    genFramebuffers = reinterpret_cast<GenFramebuffers>(framebufferFunction("glGenFramebuffers", suffix));
    deleteFramebuffers = reinterpret_cast<DeleteFramebuffers>(framebufferFunction("glDeleteFramebuffers", suffix));
    bindFramebuffer = reinterpret_cast<BindFramebuffer>(framebufferFunction("glBindFramebuffer", suffix));
    framebufferTexture2D =
        reinterpret_cast<FramebufferTexture2D>(framebufferFunction("glFramebufferTexture2D", suffix));
    checkFramebufferStatus =
        reinterpret_cast<CheckFramebufferStatus>(framebufferFunction("glCheckFramebufferStatus", suffix));
    blendFuncSeparate = reinterpret_cast<BlendFuncSeparate>(SDL_GL_GetProcAddress("glBlendFuncSeparate"));

}

unsigned OpenGLDrawer::uploadTexture(const unsigned char* texels, unsigned width, unsigned height,
                                     bool clampToEdge)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (clampToEdge) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

void OpenGLDrawer::attachToAtlas(Image& image, const unsigned char* texels, unsigned texWidth,
                                 unsigned texHeight, bool wrap)
{
    image.inAtlas = false;
    if (!atlas)
        return;
    image.inAtlas = atlas->add(texels, texWidth, texHeight, image.width, image.height, wrap, image.atlasEntry);
}

void OpenGLDrawer::detachFromAtlas(Image& image)
{
    if (image.inAtlas && atlas)
        atlas->remove(image.atlasEntry);
    image.inAtlas = false;
}

void OpenGLDrawer::initFonts()
{
    unsigned char white[16 * 16 * 4];
    memset(white, 255, sizeof white);
    for (Image& glyph : glyphs) {
        glyph.texture = uploadTexture(white, 16, 16, false);
        glyph.width = 16;
        glyph.height = 16;
        glyph.extentU = 1.0f;
        glyph.extentV = 1.0f;
        glyph.inAtlas = false;
        glyph.framebuffer = 0;
    }
}

void OpenGLDrawer::loadGlyph(Glyph glyph, unsigned char* pixels, unsigned size)
{
    if (!pixels)
        return;
    if (glyph < 0 || glyph >= GlyphCount || !window.isOpen() || !acceptsSize("OpenGLDrawer: ", size, size)) {
        delete[] pixels;
        return;
    }
    flush();
    Image& image = glyphs[glyph];
    detachFromAtlas(image);
    glDeleteTextures(1, &image.texture);
    image.texture = uploadTexture(pixels, size, size, false);
    image.width = static_cast<unsigned short>(size);
    image.height = static_cast<unsigned short>(size);
    image.extentU = 1.0f;
    image.extentV = 1.0f;
    // Glyph textures repeat, so their atlas border wraps round to the opposite edge.
    attachToAtlas(image, pixels, size, size, true);
    delete[] pixels;
}

unsigned OpenGLDrawer::takeNextId()
{
    while (images.count(nextId))
        ++nextId;
    return nextId;
}

unsigned OpenGLDrawer::loadImage(unsigned char* pixels, unsigned width, unsigned height)
{
    if (!pixels)
        return 0;
    if (!acceptsSize("OpenGLDrawer: ", width, height)) {
        delete[] pixels;
        return 0;
    }
    Image image{0, static_cast<unsigned short>(width), static_cast<unsigned short>(height), 1.0f, 1.0f,
                false, TextureAtlas::Entry(), 0};
    unsigned textureWidth = width;
    unsigned textureHeight = height;
    if (!isPowerOfTwo(width) || !isPowerOfTwo(height)) {
        textureWidth = powerOfTwo(width);
        textureHeight = powerOfTwo(height);
        unsigned char* padded = padImage(pixels, width, height, textureWidth, textureHeight);
        delete[] pixels;
        pixels = padded;
        image.extentU = static_cast<float>(width) / textureWidth;
        image.extentV = static_cast<float>(height) / textureHeight;
    }
    if (window.isOpen()) {
        flush();
        image.texture = uploadTexture(pixels, textureWidth, textureHeight, true);
        attachToAtlas(image, pixels, textureWidth, textureHeight, false);
    }
    delete[] pixels;

    unsigned id = takeNextId();
    images[id] = image;
    return id;
}

void OpenGLDrawer::releaseImage(unsigned id)
{
    std::map<unsigned, Image>::iterator it = images.find(id);
    if (it == images.end())
        return;
    if (window.isOpen()) {
        // Drawing meant for a canvas that is gone is dropped until endCanvas.
        if (inCanvas && id == canvasId) {
            endCanvas();
            discarding = true;
        }
        flush();
        Image& image = it->second;
        std::map<unsigned, CanvasTarget>::iterator target = canvasTargets.find(id);
        if (target != canvasTargets.end() && target->second.page >= 0) {
            freeLayerSlot(target->second);
        } else {
            detachFromAtlas(image);
            if (image.framebuffer)
                deleteFramebuffers(1, &image.framebuffer);
            glDeleteTextures(1, &image.texture);
        }
        if (target != canvasTargets.end())
            canvasTargets.erase(target);
    }
    images.erase(it);
}

const OpenGLDrawer::Image* OpenGLDrawer::findImage(unsigned id) const
{
    std::map<unsigned, Image>::const_iterator it = images.find(id);
    return it == images.end() ? nullptr : &it->second;
}

void OpenGLDrawer::flush()
{
    leaveLayerState();
    if (batch.flush())
        ++drawCalls;
}

void OpenGLDrawer::finish()
{
    if (!window.isOpen())
        return;
    flush();
    glFinish();
}

void OpenGLDrawer::beginDrawing()
{
    drawCalls = 0;
    if (!window.isOpen())
        return;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

void OpenGLDrawer::endDrawing()
{
    if (!window.isOpen())
        return;
    flush();
    SDL_GL_SwapBuffers();
}

// Multisampling colours a pixel that the quad covers only in part with the texture fetched
// at the pixel's centre, which lies outside the quad: up to half a pixel beyond the image's
// edge, where its own texture clamps. The atlas copy has one texel of border there, enough
// while a pixel spans at most one texel; a picture drawn smaller than that is sampled from
// its own texture, or it would take in its neighbour on the page.
bool OpenGLDrawer::atlasHolds(const Image& image, const Quad& quad) const
{
    if (!image.inAtlas)
        return false;
    if (samples == 0)
        return true;
    float width = std::fabs(quad.right - quad.left) * pixelScale;
    float height = std::fabs(quad.bottom - quad.top) * pixelScale;
    return image.width <= width && image.height <= height;
}

void OpenGLDrawer::drawQuad(const Image& image, const Quad& quad, float u0, float v0, float u1, float v1,
                            float red, float green, float blue, float alpha)
{
    leaveLayerState();
    if (batching) {
        if (atlasHolds(image, quad)) {
            const TextureAtlas::Entry& entry = image.atlasEntry;
            batch.add(entry.texture, quad.left, quad.top, quad.right, quad.bottom, entry.u0, entry.v0, entry.u1,
                      entry.v1, red, green, blue, alpha);
        } else {
            batch.add(image.texture, quad.left, quad.top, quad.right, quad.bottom, u0, v0, u1, v1, red, green,
                      blue, alpha);
        }
        return;
    }
    glBindTexture(GL_TEXTURE_2D, image.texture);
    glColor4f(red, green, blue, alpha);
    glBegin(GL_QUADS);
    glTexCoord2f(u0, v0);
    glVertex2f(quad.left, quad.top);
    glTexCoord2f(u1, v0);
    glVertex2f(quad.right, quad.top);
    glTexCoord2f(u1, v1);
    glVertex2f(quad.right, quad.bottom);
    glTexCoord2f(u0, v1);
    glVertex2f(quad.left, quad.bottom);
    glEnd();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, 0);
    ++drawCalls;
}

void OpenGLDrawer::drawImage(unsigned id, short x, short y, float scaleX, float scaleY,
                             float red, float green, float blue, float alpha)
{
    if (!canDraw())
        return;
    std::map<unsigned, Image>::const_iterator it = images.find(id);
    if (it == images.end())
        return;
    const Image& image = it->second;
    if (image.framebuffer && canvasTargets[id].layer) {
        drawLayer(image, canvasTargets[id], x, y,
                  {LayerPart{0, 0, static_cast<short>(image.width), static_cast<short>(image.height)}}, false);
        return;
    }
    Quad quad = placeImage(x, y, image.width, image.height, scaleX, scaleY);
    if (image.framebuffer) {
        const CanvasTarget& target = canvasTargets[id];
        drawQuad(image, quad, target.u0, target.v0, target.u1, target.v1, red, green, blue, alpha);
    } else {
        drawQuad(image, quad, 0.0f, 0.0f, image.extentU, image.extentV, red, green, blue, alpha);
    }
}

void OpenGLDrawer::drawText(const std::string& text, short x, short y, float size,
                            float red, float green, float blue, float alpha)
{
    if (!canDraw())
        return;
    float pen = x;
    for (char c : text) {
        Glyph glyph = glyphFor(c);
        if (glyph != GlyphCount) {
            Quad quad{pen, static_cast<float>(y), pen + size, y + size};
            drawQuad(glyphs[glyph], quad, 0.0f, 0.0f, 1.0f, 1.0f, red, green, blue, alpha);
        }
        pen += size;
    }
}

void OpenGLDrawer::fill(short x, short y, short width, short height, const unsigned char top[4],
                        const unsigned char bottom[4])
{
    flush();
    int left = x;
    int upper = y;
    int right = x + width;
    int lower = y + height;
    bool opaque = top[3] == 255 && bottom[3] == 255;
    enterFillState(opaque);
    glBegin(GL_QUADS);
    glColor4ub(top[0], top[1], top[2], top[3]);
    glVertex2i(left, upper);
    glVertex2i(right, upper);
    glColor4ub(bottom[0], bottom[1], bottom[2], bottom[3]);
    glVertex2i(right, lower);
    glVertex2i(left, lower);
    glEnd();
    leaveFillState(opaque);
    ++drawCalls;
}

// An opaque fill (the screens' backgrounds) gives the same pixels unblended and
// untextured, which the software rasteriser fills at a fraction of the cost.
void OpenGLDrawer::enterFillState(bool opaque)
{
    if (!opaque)
        return;
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

void OpenGLDrawer::leaveFillState(bool opaque)
{
    if (!opaque)
        return;
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
}

void OpenGLDrawer::fillRect(short x, short y, short width, short height,
                            unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha)
{
    if (!canDraw())
        return;
    unsigned char colour[4] = {red, green, blue, alpha};
    fill(x, y, width, height, colour, colour);
}

void OpenGLDrawer::fillGradient(short x, short y, short width, short height,
                                unsigned char topRed, unsigned char topGreen, unsigned char topBlue,
                                unsigned char topAlpha, unsigned char bottomRed, unsigned char bottomGreen,
                                unsigned char bottomBlue, unsigned char bottomAlpha)
{
    if (!canDraw())
        return;
    unsigned char top[4] = {topRed, topGreen, topBlue, topAlpha};
    unsigned char bottom[4] = {bottomRed, bottomGreen, bottomBlue, bottomAlpha};
    fill(x, y, width, height, top, bottom);
}

// Each part covers the window pixels whose centres lie in it, as a layer's parts do, so
// that parts and layers side by side share no pixel; its corners take the colours the whole
// gradient has there.
void OpenGLDrawer::fillGradientParts(short x, short y, short width, short height, const unsigned char top[4],
                                     const unsigned char bottom[4], const std::vector<LayerPart>& parts)
{
    if (!canDraw() || parts.empty() || width <= 0 || height <= 0)
        return;
    flush();
    float scaleX = window.getScaleX();
    float scaleY = window.getScaleY();
    auto colourAt = [&](float row) {
        float f = (row - static_cast<float>(y)) / static_cast<float>(height);
        float c[4];
        for (int i = 0; i < 4; ++i)
            c[i] = (static_cast<float>(top[i]) + (static_cast<float>(bottom[i]) - static_cast<float>(top[i])) * f) /
                   255.0f;
        glColor4f(c[0], c[1], c[2], c[3]);
    };
    bool opaque = top[3] == 255 && bottom[3] == 255;
    enterFillState(opaque);
    glBegin(GL_QUADS);
    for (const LayerPart& part : parts) {
        int left, upper, right, lower;
        layerPixels(static_cast<short>(x + part.x), static_cast<short>(y + part.y), part.width, part.height, left,
                    upper, right, lower);
        float partTop = upper / scaleY;
        float partBottom = lower / scaleY;
        colourAt(partTop);
        glVertex2f(left / scaleX, partTop);
        glVertex2f(right / scaleX, partTop);
        colourAt(partBottom);
        glVertex2f(right / scaleX, partBottom);
        glVertex2f(left / scaleX, partBottom);
    }
    glEnd();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    leaveFillState(opaque);
    ++drawCalls;
}

// A multisampled window smooths the edges of what is drawn on it in a way a canvas does
// not reproduce (Mesa reads such a frame back with edges that neither a plain nor a
// multisampled canvas gives), so it gets no canvases and its screens draw the plain way.
// A texture of the given size with a framebuffer drawing into it, left bound; false (and
// nothing made) when the driver cannot draw into it.
bool OpenGLDrawer::makeFramebufferTexture(unsigned width, unsigned height, Image& image)
{
    image.texture = uploadTexture(nullptr, width, height, true);
    genFramebuffers(1, &image.framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER_EXT, image.framebuffer);
    framebufferTexture2D(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, image.texture, 0);
    if (checkFramebufferStatus(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT)
        return true;
    bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
    deleteFramebuffers(1, &image.framebuffer);
    glDeleteTextures(1, &image.texture);
    return false;
}

unsigned OpenGLDrawer::createCanvas()
{
    if (!window.isOpen() || inCanvas || window.getSampleCount() > 0 || !genFramebuffers || !bindFramebuffer || !framebufferTexture2D ||
        !checkFramebufferStatus)
        return 0;
    flush();
    // The picture sits in the texture where it sits in the window, bands included, so that
    // every vertex lands on the same fraction of a pixel as on the frame.
    CanvasTarget target{window.getViewport(), 0.0f, 0.0f, 0.0f, 0.0f, false, false, 0, 0, 0.0f, 0.0f, 0, 0};
    unsigned textureWidth = powerOfTwo(window.getViewport().x + window.getViewport().width);
    unsigned textureHeight = powerOfTwo(window.getViewport().y + window.getViewport().height);
    target.u0 = static_cast<float>(window.getViewport().x) / textureWidth;
    target.u1 = static_cast<float>(window.getViewport().x + window.getViewport().width) / textureWidth;
    target.v0 = static_cast<float>(window.getViewport().y + window.getViewport().height) / textureHeight;
    target.v1 = static_cast<float>(window.getViewport().y) / textureHeight;
    Image canvas{0, static_cast<unsigned short>(ScreenWidth), static_cast<unsigned short>(ScreenHeight), 1.0f,
                 1.0f, false, TextureAtlas::Entry(), 0};
    if (!makeFramebufferTexture(textureWidth, textureHeight, canvas))
        return 0;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
    unsigned id = takeNextId();
    images[id] = canvas;
    canvasTargets[id] = target;
    return id;
}

void OpenGLDrawer::beginCanvas(unsigned id, short x, short y, short width, short height)
{
    if (!window.isOpen())
        return;
    flush();
    std::map<unsigned, Image>::const_iterator it = images.find(id);
    if (it == images.end() || !it->second.framebuffer || inCanvas) {
        discarding = true;
        return;
    }
    inCanvas = true;
    canvasId = id;
    bindFramebuffer(GL_FRAMEBUFFER_EXT, it->second.framebuffer);
    // Drawn exactly as the frame is (same projection, viewport and pixels per logical
    // pixel), the canvas rasterises pixel for pixel the same; drawImage shows it the right
    // way up. Canvases are not multisampled.
    const Viewport& area = canvasTargets[id].area;
    samples = 0;
    pixelScale = static_cast<float>(area.width) / ScreenWidth;
    glViewport(area.x, area.y, area.width, area.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, ScreenWidth, ScreenHeight, 0.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The clip takes in every pixel the rectangle touches.
    float scaleX = static_cast<float>(area.width) / ScreenWidth;
    float scaleY = static_cast<float>(area.height) / ScreenHeight;
    int left = std::max(static_cast<int>(std::floor(x * scaleX)), 0);
    int top = std::max(static_cast<int>(std::floor(y * scaleY)), 0);
    int right = std::min(static_cast<int>(std::ceil((x + std::max<int>(width, 0)) * scaleX)), area.width);
    int bottom = std::min(static_cast<int>(std::ceil((y + std::max<int>(height, 0)) * scaleY)), area.height);
    glEnable(GL_SCISSOR_TEST);
    glScissor(area.x + left, area.y + area.height - bottom, std::max(right - left, 0), std::max(bottom - top, 0));
    // The canvas stays opaque whatever is blended into it.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
}

void OpenGLDrawer::endCanvas()
{
    discarding = false;
    if (!window.isOpen() || !inCanvas)
        return;
    flush();
    inCanvas = false;
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_SCISSOR_TEST);
    bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
    drawOnScreen();
}

// The window pixels (relative to the picture's top-left) whose centres lie in the logical
// rectangle: neighbouring rectangles share none, so layers side by side cover each pixel once.
void OpenGLDrawer::layerPixels(short x, short y, short width, short height, int& left, int& top, int& right,
                               int& bottom) const
{
    OpenGLWindow::PixelSpan span = window.pixelsOf(x, y, width, height);
    left = span.left;
    top = span.top;
    right = span.right;
    bottom = span.bottom;
}

// Layers live in the window's pixels like canvases, but are transparent and hold their
// pictures premultiplied by alpha, so that blending the layer over the frame gives what
// blending each picture in turn would have. Multisampled windows get none (see createCanvas).
unsigned OpenGLDrawer::createLayer(short width, short height)
{
    if (!window.isOpen() || inCanvas || window.getSampleCount() > 0 || !blendFuncSeparate || !genFramebuffers ||
        !bindFramebuffer || !framebufferTexture2D || !checkFramebufferStatus || width <= 0 || height <= 0)
        return 0;
    flush();
    float scaleX = window.getScaleX();
    float scaleY = window.getScaleY();
    CanvasTarget target{window.getViewport(), 0.0f, 0.0f, 0.0f, 0.0f, true, false, 0, 0, 0.0f, 0.0f, 0, 0};
    Image layer{0, static_cast<unsigned short>(width), static_cast<unsigned short>(height), 1.0f, 1.0f, false,
                TextureAtlas::Entry(), 0};
    // A pixel more than the layer spans, for a corner that falls between pixels.
    if (!takeLayerSlot(static_cast<unsigned>(std::ceil(width * scaleX)) + 1,
                       static_cast<unsigned>(std::ceil(height * scaleY)) + 1, target, layer))
        return 0;
    unsigned id = takeNextId();
    images[id] = layer;
    canvasTargets[id] = target;
    return id;
}

void OpenGLDrawer::beginLayer(unsigned id, short x, short y)
{
    if (!window.isOpen())
        return;
    flush();
    std::map<unsigned, Image>::const_iterator it = images.find(id);
    if (it == images.end() || !canvasTargets[id].layer || inCanvas) {
        discarding = true;
        return;
    }
    CanvasTarget& target = canvasTargets[id];
    int left, top, right, bottom;
    layerPixels(x, y, it->second.width, it->second.height, left, top, right, bottom);
    float scaleX = window.getScaleX();
    float scaleY = window.getScaleY();
    target.drawn = true;
    target.pixelWidth = right - left;
    target.pixelHeight = bottom - top;
    target.phaseX = x * scaleX - left;
    target.phaseY = y * scaleY - top;

    inCanvas = true;
    canvasId = id;
    bindFramebuffer(GL_FRAMEBUFFER_EXT, it->second.framebuffer);
    // The frame's projection, moved so that the layer's pixels come first in its slot: every
    // vertex falls on the same fraction of a pixel as on the frame. It spans a screen more on
    // every side, so that a layer reaching past the screen's edge is drawn whole, ready to
    // scroll in. The layer's top row is the slot's row pixelHeight - 1.
    samples = 0;
    pixelScale = scaleX;
    int slotX = static_cast<int>(target.slotX);
    int slotY = static_cast<int>(target.slotY);
    glViewport(slotX - left - window.getViewport().width, slotY + target.pixelHeight + top - 2 * window.getViewport().height,
               3 * window.getViewport().width, 3 * window.getViewport().height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(-ScreenWidth, 2.0 * ScreenWidth, 2.0 * ScreenHeight, -ScreenHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_SCISSOR_TEST);
    glScissor(slotX, slotY, target.pixelWidth, target.pixelHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    blendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
}

void OpenGLDrawer::endLayer()
{
    endCanvas();
}

bool OpenGLDrawer::layerFits(unsigned id, short x, short y) const
{
    std::map<unsigned, CanvasTarget>::const_iterator it = canvasTargets.find(id);
    if (it == canvasTargets.end() || !it->second.layer || !it->second.drawn)
        return false;
    const CanvasTarget& target = it->second;
    std::map<unsigned, Image>::const_iterator image = images.find(id);
    int left, top, right, bottom;
    layerPixels(x, y, image->second.width, image->second.height, left, top, right, bottom);
    float scaleX = window.getScaleX();
    float scaleY = window.getScaleY();
    return x * scaleX - left == target.phaseX && y * scaleY - top == target.phaseY &&
           right - left == target.pixelWidth && bottom - top == target.pixelHeight;
}

void OpenGLDrawer::drawLayerParts(unsigned id, short x, short y, const std::vector<LayerPart>& parts,
                                  bool opaque)
{
    if (!canDraw())
        return;
    std::map<unsigned, Image>::const_iterator it = images.find(id);
    std::map<unsigned, CanvasTarget>::const_iterator target = canvasTargets.find(id);
    if (it != images.end() && target != canvasTargets.end() && target->second.layer)
        drawLayer(it->second, target->second, x, y, parts, opaque);
}

// One texel on each window pixel, premultiplied. Each part covers the window pixels whose
// centres lie in it, as the whole layer does, so parts side by side share no pixel.
void OpenGLDrawer::drawLayer(const Image& image, const CanvasTarget& target, short x, short y,
                             const std::vector<LayerPart>& parts, bool opaque)
{
    if (!target.drawn || parts.empty())
        return;
    if (batch.flush())
        ++drawCalls;
    float scaleX = window.getScaleX();
    float scaleY = window.getScaleY();
    int left, top, right, bottom;
    layerPixels(x, y, image.width, image.height, left, top, right, bottom);
    enterLayerState(image.texture, opaque);
    glBegin(GL_QUADS);
    for (const LayerPart& part : parts) {
        int partLeft, partTop, partRight, partBottom;
        layerPixels(static_cast<short>(x + part.x), static_cast<short>(y + part.y), part.width, part.height, partLeft,
                    partTop, partRight, partBottom);
        // Texture rows run bottom-up: the layer's top pixel row is texture row pixelHeight - 1.
        float u0 = static_cast<float>(target.slotX + partLeft - left) / target.textureWidth;
        float u1 = static_cast<float>(target.slotX + partRight - left) / target.textureWidth;
        float v0 = static_cast<float>(target.slotY + target.pixelHeight - (partTop - top)) / target.textureHeight;
        float v1 = static_cast<float>(target.slotY + target.pixelHeight - (partBottom - top)) / target.textureHeight;
        glTexCoord2f(u0, v0);
        glVertex2f(partLeft / scaleX, partTop / scaleY);
        glTexCoord2f(u1, v0);
        glVertex2f(partRight / scaleX, partTop / scaleY);
        glTexCoord2f(u1, v1);
        glVertex2f(partRight / scaleX, partBottom / scaleY);
        glTexCoord2f(u0, v1);
        glVertex2f(partLeft / scaleX, partBottom / scaleY);
    }
    glEnd();
    ++drawCalls;
}

// Layers are blended premultiplied, and where a layer holds nothing the frame stays as it
// is: those pixels are skipped. Their texels are taken as they are, not multiplied by a
// colour of all ones, which the software rasteriser does at a good deal less cost; opaque
// parts are copied, without reading the frame. The state stays set from one layer to the
// next until anything else is drawn.
void OpenGLDrawer::enterLayerState(unsigned texture, bool opaque)
{
    if (!inLayerState) {
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        glAlphaFunc(GL_GREATER, 0.0f);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        inLayerState = true;
        layerOpaque = !opaque;
        layerTexture = 0;
    }
    if (opaque != layerOpaque) {
        if (opaque) {
            glDisable(GL_BLEND);
            glDisable(GL_ALPHA_TEST);
        } else {
            glEnable(GL_BLEND);
            glEnable(GL_ALPHA_TEST);
        }
        layerOpaque = opaque;
    }
    if (texture != layerTexture) {
        glBindTexture(GL_TEXTURE_2D, texture);
        layerTexture = texture;
    }
}

void OpenGLDrawer::leaveLayerState()
{
    if (!inLayerState)
        return;
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_BLEND);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    inLayerState = false;
}

// A free slot of that size in a page, or a new page for it; false when the driver cannot
// draw into a page.
bool OpenGLDrawer::takeLayerSlot(unsigned slotWidth, unsigned slotHeight, CanvasTarget& target, Image& layer)
{
    LayerSlots::Slot slot;
    if (!layerSlots.take(slotWidth, slotHeight, slot)) {
        unsigned side = layerSlots.pageSideFor(slotWidth, slotHeight);
        Image pageImage{0, 0, 0, 1.0f, 1.0f, false, TextureAtlas::Entry(), 0};
        if (!makeFramebufferTexture(side, side, pageImage))
            return false;
        bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
        // Shown one texel on each pixel centre, the nearest texel is the exact one, and the
        // software rasteriser fetches it for a quarter of the cost of filtering four.
        glBindTexture(GL_TEXTURE_2D, pageImage.texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, 0);
        unsigned page = layerSlots.addPage(slotWidth, slotHeight);
        if (page >= layerPages.size())
            layerPages.resize(page + 1);
        layerPages[page] = LayerPage{pageImage.texture, pageImage.framebuffer};
        layerSlots.take(slotWidth, slotHeight, slot);
    }
    const LayerPage& page = layerPages[slot.page];
    target.page = static_cast<int>(slot.page);
    target.slotX = slot.x;
    target.slotY = slot.y;
    target.textureWidth = layerSlots.getPageSide(slot.page);
    target.textureHeight = target.textureWidth;
    layer.texture = page.texture;
    layer.framebuffer = page.framebuffer;
    return true;
}

// A page whose last layer goes is freed with it.
void OpenGLDrawer::freeLayerSlot(const CanvasTarget& target)
{
    if (!layerSlots.give(LayerSlots::Slot{static_cast<unsigned>(target.page), target.slotX, target.slotY}))
        return;
    LayerPage& page = layerPages[target.page];
    deleteFramebuffers(1, &page.framebuffer);
    glDeleteTextures(1, &page.texture);
    page = LayerPage{0, 0};
}

bool OpenGLDrawer::readFrame(std::vector<unsigned char>& rgb, int& width, int& height)
{
    return window.readFrame(rgb, width, height);
}
