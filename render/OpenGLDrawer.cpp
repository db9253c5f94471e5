#include "render/OpenGLDrawer.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
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

// A canvas holds the logical screen at one texel per pixel, in a power-of-two texture.
static const unsigned CanvasTextureSize = 1024;

static void say(const char* message)
{
    printf("%s\n", message);
    fflush(stdout);
}

OpenGLDrawer::OpenGLDrawer(bool batching)
    : nextId(1), batching(batching), live(false), discarding(false), inCanvas(false), canvasId(0),
      viewport{0, 0, 0, 0}, drawCalls(0),
      genFramebuffers(nullptr), deleteFramebuffers(nullptr), bindFramebuffer(nullptr),
      framebufferTexture2D(nullptr), checkFramebufferStatus(nullptr)
{
    for (Image& glyph : glyphs)
        glyph = Image{0, 0, 0, 1.0f, 1.0f, false, TextureAtlas::Entry(), 0};
    spareCanvas = Image{0, 0, 0, 1.0f, 1.0f, false, TextureAtlas::Entry(), 0};
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

OpenGLDrawer::Viewport OpenGLDrawer::letterbox(int windowWidth, int windowHeight)
{
    float width = static_cast<float>(windowWidth);
    float height = static_cast<float>(windowHeight);
    float ratio = height / width;
    if (ratio == 0.75f)
        return Viewport{0, 0, windowWidth, windowHeight};
    if (ratio > 0.75f) {
        float pictureHeight = width * 0.75f;
        return Viewport{0, static_cast<int>((height - pictureHeight) * 0.5f), windowWidth,
                        static_cast<int>(pictureHeight)};
    }
    float pictureWidth = height * 1.3333334f;
    return Viewport{static_cast<int>((width - pictureWidth) * 0.5f), 0, static_cast<int>(pictureWidth),
                    windowHeight};
}

OpenGLDrawer::Quad OpenGLDrawer::placeImage(short x, short y, float width, float height, float scaleX,
                                            float scaleY)
{
    Quad quad;
    quad.left = x - (width * scaleX - width) * 0.5f;
    quad.top = y - (height * scaleY - height) * 0.5f;
    quad.right = quad.left + width * scaleX;
    quad.bottom = quad.top + height * scaleY;
    return quad;
}

void OpenGLDrawer::requestAttribute(SDL_GLattr attribute, int value, const char* message)
{
    if (SDL_GL_SetAttribute(attribute, value) < 0)
        say(message);
}

bool OpenGLDrawer::initialise(unsigned short width, unsigned short height, bool fullscreen, int antialias)
{
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    if (!info)
        return false;
    if (info->vfmt->BitsPerPixel == 16) {
        say("OpenGLDrawer: Display is 16bit.");
        requestAttribute(SDL_GL_RED_SIZE, 5, "OpenGLDrawer: Could not set red pixel size to 5...");
        requestAttribute(SDL_GL_GREEN_SIZE, 5, "OpenGLDrawer: Could not set green pixel size to 5...");
        requestAttribute(SDL_GL_BLUE_SIZE, 5, "OpenGLDrawer: Could not set blue pixel size to 5...");
    } else {
        say("OpenGLDrawer: Display is 32bit.");
        requestAttribute(SDL_GL_RED_SIZE, 8, "OpenGLDrawer: Could not set red pixel size to 8...");
        requestAttribute(SDL_GL_GREEN_SIZE, 8, "OpenGLDrawer: Could not set green pixel size to 8...");
        requestAttribute(SDL_GL_BLUE_SIZE, 8, "OpenGLDrawer: Could not set blue pixel size to 8...");
        requestAttribute(SDL_GL_ALPHA_SIZE, 8, "OpenGLDrawer: Could not set alpha pixel size to 8...");
    }
    requestAttribute(SDL_GL_DEPTH_SIZE, 16, "OpenGLDrawer: Could not set depth size to 16...");
    requestAttribute(SDL_GL_DOUBLEBUFFER, 1, "OpenGLDrawer: Could not set double buffering...");
    requestAttribute(SDL_GL_SWAP_CONTROL, 1, "OpenGLDrawer: Could not set vertical sync...");
    if (antialias > 0) {
        requestAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1, "OpenGLDrawer: Could not set multi sample buffers...");
        requestAttribute(SDL_GL_MULTISAMPLESAMPLES, antialias, "OpenGLDrawer: Could not set multi sample samples...");
    }

    Uint32 flags = SDL_OPENGL | (fullscreen ? SDL_FULLSCREEN : 0);
    SDL_Surface* screen = SDL_SetVideoMode(width, height, 0, flags);
    if (!screen)
        return false;   // no context: every later call does nothing

    live = true;
    initFonts();
    setUpState(screen->w, screen->h);
    loadFramebufferFunctions();

    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    unsigned pageSize = AtlasPageSize;
    while (pageSize > static_cast<unsigned>(maxTexture) && pageSize > 256)
        pageSize /= 2;
    if (batching)
        atlas.reset(new TextureAtlas(pageSize, AtlasMaxPages, AtlasMaxEntry < pageSize / 2 ? AtlasMaxEntry : pageSize / 2));
    return true;
}

void OpenGLDrawer::setUpState(int windowWidth, int windowHeight)
{
    glViewport(0, 0, windowWidth, windowHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    viewport = letterbox(windowWidth, windowHeight);
    setScreenProjection();

    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glDisable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
}

void OpenGLDrawer::setScreenProjection()
{
    glViewport(viewport.x, viewport.y, viewport.width, viewport.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, ScreenWidth, ScreenHeight, 0.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
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

    char name[64];
    snprintf(name, sizeof name, "glGenFramebuffers%s", suffix);
    genFramebuffers = reinterpret_cast<GenFramebuffers>(SDL_GL_GetProcAddress(name));
    snprintf(name, sizeof name, "glDeleteFramebuffers%s", suffix);
    deleteFramebuffers = reinterpret_cast<DeleteFramebuffers>(SDL_GL_GetProcAddress(name));
    snprintf(name, sizeof name, "glBindFramebuffer%s", suffix);
    bindFramebuffer = reinterpret_cast<BindFramebuffer>(SDL_GL_GetProcAddress(name));
    snprintf(name, sizeof name, "glFramebufferTexture2D%s", suffix);
    framebufferTexture2D = reinterpret_cast<FramebufferTexture2D>(SDL_GL_GetProcAddress(name));
    snprintf(name, sizeof name, "glCheckFramebufferStatus%s", suffix);
    checkFramebufferStatus = reinterpret_cast<CheckFramebufferStatus>(SDL_GL_GetProcAddress(name));
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
    if (glyph < 0 || glyph >= GlyphCount || !live || !acceptsSize("OpenGLDrawer: ", size, size)) {
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
    if (live) {
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
    if (live) {
        // Drawing meant for a canvas that is gone is dropped until endCanvas.
        if (inCanvas && id == canvasId) {
            endCanvas();
            discarding = true;
        }
        flush();
        Image& image = it->second;
        detachFromAtlas(image);
        if (image.framebuffer && !spareCanvas.framebuffer) {
            spareCanvas = image;
        } else {
            if (image.framebuffer)
                deleteFramebuffers(1, &image.framebuffer);
            glDeleteTextures(1, &image.texture);
        }
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
    if (batch.flush())
        ++drawCalls;
}

void OpenGLDrawer::finish()
{
    if (!live)
        return;
    flush();
    glFinish();
}

void OpenGLDrawer::beginDrawing()
{
    drawCalls = 0;
    if (!live)
        return;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

void OpenGLDrawer::endDrawing()
{
    if (!live)
        return;
    flush();
    SDL_GL_SwapBuffers();
}

void OpenGLDrawer::drawQuad(const Image& image, const Quad& quad, float u0, float v0, float u1, float v1,
                            float red, float green, float blue, float alpha)
{
    if (batching) {
        if (image.inAtlas) {
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
    Quad quad = placeImage(x, y, image.width, image.height, scaleX, scaleY);
    drawQuad(image, quad, 0.0f, 0.0f, image.extentU, image.extentV, red, green, blue, alpha);
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
    glBegin(GL_QUADS);
    glColor4ub(top[0], top[1], top[2], top[3]);
    glVertex2i(left, upper);
    glVertex2i(right, upper);
    glColor4ub(bottom[0], bottom[1], bottom[2], bottom[3]);
    glVertex2i(right, lower);
    glVertex2i(left, lower);
    glEnd();
    ++drawCalls;
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

unsigned OpenGLDrawer::createCanvas()
{
    if (!live || !genFramebuffers || !bindFramebuffer || !framebufferTexture2D || !checkFramebufferStatus)
        return 0;
    flush();
    Image canvas{0, static_cast<unsigned short>(ScreenWidth), static_cast<unsigned short>(ScreenHeight),
                 1.0f, static_cast<float>(ScreenHeight) / CanvasTextureSize, false, TextureAtlas::Entry(), 0};
    if (spareCanvas.framebuffer) {
        canvas = spareCanvas;
        spareCanvas.framebuffer = 0;
        spareCanvas.texture = 0;
        bindFramebuffer(GL_FRAMEBUFFER_EXT, canvas.framebuffer);
    } else {
        canvas.texture = uploadTexture(nullptr, CanvasTextureSize, CanvasTextureSize, true);
        genFramebuffers(1, &canvas.framebuffer);
        bindFramebuffer(GL_FRAMEBUFFER_EXT, canvas.framebuffer);
        framebufferTexture2D(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, canvas.texture, 0);
    }
    bool complete = checkFramebufferStatus(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
    if (complete) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
    if (!complete) {
        deleteFramebuffers(1, &canvas.framebuffer);
        glDeleteTextures(1, &canvas.texture);
        return 0;
    }
    unsigned id = takeNextId();
    images[id] = canvas;
    return id;
}

void OpenGLDrawer::beginCanvas(unsigned id, short x, short y, short width, short height)
{
    if (!live)
        return;
    flush();
    std::map<unsigned, Image>::const_iterator it = images.find(id);
    if (it == images.end() || !it->second.framebuffer) {
        discarding = true;
        return;
    }
    inCanvas = true;
    canvasId = id;
    bindFramebuffer(GL_FRAMEBUFFER_EXT, it->second.framebuffer);
    // Logical row 0 goes to texture row 0, which drawImage shows at the top: the projection
    // is the screen's turned upside down, one texel per logical pixel.
    glViewport(0, 0, ScreenWidth, ScreenHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, ScreenWidth, 0.0, ScreenHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, width > 0 ? width : 0, height > 0 ? height : 0);
    // The canvas stays opaque whatever is blended into it.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
}

void OpenGLDrawer::endCanvas()
{
    discarding = false;
    if (!live || !inCanvas)
        return;
    flush();
    inCanvas = false;
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_SCISSOR_TEST);
    bindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
    setScreenProjection();
}

bool OpenGLDrawer::readFrame(std::vector<unsigned char>& rgb, int& width, int& height)
{
    SDL_Surface* screen = SDL_GetVideoSurface();
    if (!live || !screen)
        return false;
    width = screen->w;
    height = screen->h;
    // The front buffer of a Mesa software window is the X window itself and reads back
    // empty; the swap copies the back buffer out and leaves it as it was, so the frame is
    // still there until the next beginDrawing clears it.
    std::vector<unsigned char> bottomUp(width * height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    rgb.resize(bottomUp.size());
    size_t rowBytes = width * 3;
    for (int row = 0; row < height; ++row)
        memcpy(&rgb[row * rowBytes], &bottomUp[(height - 1 - row) * rowBytes], rowBytes);
    return true;
}
