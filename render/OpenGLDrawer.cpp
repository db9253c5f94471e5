#include "render/OpenGLDrawer.h"

#include <GL/gl.h>
#include <algorithm>

OpenGLDrawer::OpenGLDrawer(bool batching)
    : quads(batching), fills(window), canvases(window, framebuffers), layers(window, framebuffers), nextId(1),
      discarding(false), inCanvas(false), canvasId(0), drawCalls(0), tiles(*this)
{
}

// Textures, atlas pages and framebuffers end with the OpenGL context when the window
// closes; nothing is deleted one by one.
OpenGLDrawer::~OpenGLDrawer() {}

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
    quads.setTarget(window.getSampleCount(), window.getScaleX());
    framebuffers.load();
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    textures.open(quads.isBatching(), maxTexture);
    layers.open(std::min(2048u, static_cast<unsigned>(maxTexture)));
    return true;
}

// An id is the lowest one from the counter on that names no image: ids run 1, 2, 3, and
// the newest released is handed out again.
unsigned OpenGLDrawer::addImage(const Image& image)
{
    while (images.count(nextId))
        ++nextId;
    images[nextId] = image;
    return nextId;
}

void OpenGLDrawer::loadGlyph(Glyph glyph, unsigned char* pixels, unsigned size)
{
    if (!pixels)
        return;
    if (glyph < 0 || glyph >= GlyphCount || !window.isOpen() || !acceptsSize("OpenGLDrawer: ", size, size) ||
        !textures.holds(size, size)) {
        delete[] pixels;
        return;
    }
    flush();
    textures.loadGlyph(glyph, pixels, size);
}

unsigned OpenGLDrawer::loadImage(unsigned char* pixels, unsigned width, unsigned height)
{
    if (!pixels)
        return 0;
    if (!acceptsSize("OpenGLDrawer: ", width, height) || (window.isOpen() && !textures.holds(width, height))) {
        delete[] pixels;
        return 0;
    }
    if (window.isOpen())
        flush();
    return addImage(textures.load(pixels, width, height, window.isOpen()));
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
        if (PictureTextures::Picture* picture = std::get_if<PictureTextures::Picture>(&it->second))
            textures.release(*picture);
        else if (const CanvasTargets::Canvas* canvas = std::get_if<CanvasTargets::Canvas>(&it->second))
            canvases.release(*canvas);
        else
            layers.release(std::get<LayerPages::Layer>(it->second));
    }
    images.erase(it);
}

const PictureTextures::Picture* OpenGLDrawer::findPicture(unsigned id) const
{
    std::map<unsigned, Image>::const_iterator it = images.find(id);
    return it == images.end() ? nullptr : std::get_if<PictureTextures::Picture>(&it->second);
}

void OpenGLDrawer::flush()
{
    layers.leaveState();
    if (quads.flush())
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
    tiles.beginFrame();
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

bool OpenGLDrawer::readFrame(std::vector<unsigned char>& rgb, int& width, int& height)
{
    return window.readFrame(rgb, width, height);
}

void OpenGLDrawer::drawQuad(const PictureTextures::Picture& picture, const Quad& quad, float u0, float v0, float u1,
                            float v1, const QuadPainter::Colour& colour)
{
    layers.leaveState();
    if (quads.draw(picture, quad, u0, v0, u1, v1, colour))
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
    QuadPainter::Colour colour{red, green, blue, alpha};
    if (const PictureTextures::Picture* picture = std::get_if<PictureTextures::Picture>(&it->second)) {
        Quad quad = placeImage(x, y, picture->width, picture->height, scaleX, scaleY);
        drawQuad(*picture, quad, 0.0f, 0.0f, picture->extentU, picture->extentV, colour);
    } else if (const CanvasTargets::Canvas* canvas = std::get_if<CanvasTargets::Canvas>(&it->second)) {
        Quad quad = placeImage(x, y, ScreenWidth, ScreenHeight, scaleX, scaleY);
        layers.leaveState();
        if (quads.draw(canvas->texture, quad, canvas->u0, canvas->v0, canvas->u1, canvas->v1, colour))
            ++drawCalls;
    } else {
        const LayerPages::Layer& layer = std::get<LayerPages::Layer>(it->second);
        drawLayer(layer, x, y, {LayerPart{0, 0, static_cast<short>(layer.width), static_cast<short>(layer.height)}},
                  false);
    }
}

void OpenGLDrawer::drawText(const std::string& text, short x, short y, float size,
                            float red, float green, float blue, float alpha)
{
    if (!canDraw())
        return;
    QuadPainter::Colour colour{red, green, blue, alpha};
    float pen = x;
    for (char c : text) {
        Glyph glyph = glyphFor(c);
        if (glyph != GlyphCount) {
            Quad quad{pen, static_cast<float>(y), pen + size, y + size};
            drawQuad(textures.getGlyph(glyph), quad, 0.0f, 0.0f, 1.0f, 1.0f, colour);
        }
        pen += size;
    }
}

void OpenGLDrawer::fillRect(short x, short y, short width, short height,
                            unsigned char red, unsigned char green, unsigned char blue, unsigned char alpha)
{
    if (!canDraw())
        return;
    unsigned char colour[4] = {red, green, blue, alpha};
    flush();
    fills.fill(x, y, width, height, colour, colour);
    ++drawCalls;
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
    flush();
    fills.fill(x, y, width, height, top, bottom);
    ++drawCalls;
}

void OpenGLDrawer::fillGradientParts(short x, short y, short width, short height, const unsigned char top[4],
                                     const unsigned char bottom[4], const std::vector<LayerPart>& parts)
{
    if (!canDraw() || parts.empty() || width <= 0 || height <= 0)
        return;
    flush();
    fills.fillParts(x, y, height, top, bottom, parts);
    ++drawCalls;
}

// Back to drawing on the window's picture.
void OpenGLDrawer::drawOnScreen()
{
    window.drawOnScreen();
    quads.setTarget(window.getSampleCount(), window.getScaleX());
}

unsigned OpenGLDrawer::createCanvas()
{
    if (!window.isOpen() || inCanvas || !canvases.available())
        return 0;
    flush();
    CanvasTargets::Canvas canvas;
    if (!canvases.create(canvas))
        return 0;
    return addImage(canvas);
}

void OpenGLDrawer::beginCanvas(unsigned id, short x, short y, short width, short height)
{
    if (!window.isOpen())
        return;
    flush();
    std::map<unsigned, Image>::const_iterator it = images.find(id);
    const CanvasTargets::Canvas* canvas =
        it == images.end() ? nullptr : std::get_if<CanvasTargets::Canvas>(&it->second);
    if (!canvas || inCanvas) {
        discarding = true;
        return;
    }
    inCanvas = true;
    canvasId = id;
    canvases.begin(*canvas, x, y, width, height);
    quads.setTarget(0, static_cast<float>(canvas->area.width) / ScreenWidth);
}

void OpenGLDrawer::endCanvas()
{
    discarding = false;
    if (!window.isOpen() || !inCanvas)
        return;
    flush();
    inCanvas = false;
    framebuffers.leave();
    drawOnScreen();
}

unsigned OpenGLDrawer::createLayer(short width, short height)
{
    if (!window.isOpen() || inCanvas || !layers.available() || width <= 0 || height <= 0)
        return 0;
    flush();
    LayerPages::Layer layer;
    if (!layers.create(width, height, layer))
        return 0;
    return addImage(layer);
}

void OpenGLDrawer::beginLayer(unsigned id, short x, short y)
{
    beginLayer(id, x, y, LayerPart{0, 0, 0, 0});
}

void OpenGLDrawer::beginLayer(unsigned id, short x, short y, const LayerPart& part)
{
    if (!window.isOpen())
        return;
    flush();
    std::map<unsigned, Image>::iterator it = images.find(id);
    LayerPages::Layer* layer = it == images.end() ? nullptr : std::get_if<LayerPages::Layer>(&it->second);
    if (!layer || inCanvas) {
        discarding = true;
        return;
    }
    inCanvas = true;
    canvasId = id;
    if (part.width > 0 && part.height > 0)
        layers.beginPart(*layer, x, y, part);
    else
        layers.begin(*layer, x, y);
    quads.setTarget(0, window.getScaleX());
}

void OpenGLDrawer::endLayer()
{
    endCanvas();
}

bool OpenGLDrawer::layerFits(unsigned id, short x, short y) const
{
    std::map<unsigned, Image>::const_iterator it = images.find(id);
    const LayerPages::Layer* layer = it == images.end() ? nullptr : std::get_if<LayerPages::Layer>(&it->second);
    return layer && layers.fits(*layer, x, y);
}

void OpenGLDrawer::drawLayerParts(unsigned id, short x, short y, const std::vector<LayerPart>& parts, bool opaque)
{
    if (!canDraw())
        return;
    std::map<unsigned, Image>::const_iterator it = images.find(id);
    const LayerPages::Layer* layer = it == images.end() ? nullptr : std::get_if<LayerPages::Layer>(&it->second);
    if (layer)
        drawLayer(*layer, x, y, parts, opaque);
}

void OpenGLDrawer::drawLayer(const LayerPages::Layer& layer, short x, short y, const std::vector<LayerPart>& parts,
                             bool opaque)
{
    if (!layer.drawn || parts.empty())
        return;
    if (quads.flush())
        ++drawCalls;
    layers.draw(layer, x, y, parts, opaque);
    ++drawCalls;
}

void OpenGLDrawer::drawTiles(const TileScene& scene, int group)
{
    if (canDraw() && !inCanvas)
        tiles.draw(scene, group);
    else
        Drawer::drawTiles(scene, group);
}
