#include "render/OpenGLWindow.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>
#include <cstdio>
#include <cstring>

static void say(const char* message)
{
    printf("%s\n", message);
    fflush(stdout);
}

static void requestAttribute(SDL_GLattr attribute, int value, const char* message)
{
    if (SDL_GL_SetAttribute(attribute, value) < 0)
        say(message);
}

OpenGLWindow::OpenGLWindow() : live(false), viewport{0, 0, 0, 0}, openedHeight(0), sampleCount(0) {}

bool OpenGLWindow::open(unsigned short width, unsigned short height, bool fullscreen, int antialias)
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
    requestAttributes(antialias);

    Uint32 flags = SDL_OPENGL | (fullscreen ? SDL_FULLSCREEN : 0);
    SDL_Surface* screen = SDL_SetVideoMode(width, height, 0, flags);
    if (!screen)
        return false;   // no context: every later call does nothing
    live = true;
    setUpState(screen->w, screen->h);
    return true;
}

void OpenGLWindow::requestAttributes(int antialias)
{
    requestAttribute(SDL_GL_DEPTH_SIZE, 16, "OpenGLDrawer: Could not set depth size to 16...");
    requestAttribute(SDL_GL_DOUBLEBUFFER, 1, "OpenGLDrawer: Could not set double buffering...");
    requestAttribute(SDL_GL_SWAP_CONTROL, 1, "OpenGLDrawer: Could not set vertical sync...");
    if (antialias > 0) {
        requestAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1, "OpenGLDrawer: Could not set multi sample buffers...");
        requestAttribute(SDL_GL_MULTISAMPLESAMPLES, antialias, "OpenGLDrawer: Could not set multi sample samples...");
    }
}

void OpenGLWindow::setUpState(int windowWidth, int windowHeight)
{
    glViewport(0, 0, windowWidth, windowHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    GLint windowSamples = 0;
    glGetIntegerv(GL_SAMPLES, &windowSamples);
    sampleCount = windowSamples;
    viewport = letterbox(windowWidth, windowHeight);
    openedHeight = windowHeight;
    drawOnScreen();

    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glDisable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
}

void OpenGLWindow::drawOnScreen() const
{
    projectScreen(viewport);
}

void OpenGLWindow::projectScreen(const Viewport& area)
{
    glViewport(area.x, area.y, area.width, area.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, Drawer::ScreenWidth, Drawer::ScreenHeight, 0.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

OpenGLWindow::Viewport OpenGLWindow::letterbox(int windowWidth, int windowHeight)
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

OpenGLWindow::PixelSpan OpenGLWindow::pixelsOf(short x, short y, short width, short height) const
{
    float scaleX = getScaleX();
    float scaleY = getScaleY();
    return PixelSpan{static_cast<int>(std::ceil(x * scaleX - 0.5f)), static_cast<int>(std::ceil(y * scaleY - 0.5f)),
                     static_cast<int>(std::ceil((x + width) * scaleX - 0.5f)),
                     static_cast<int>(std::ceil((y + height) * scaleY - 0.5f))};
}

Drawer::WindowRect OpenGLWindow::getPicturePlace() const
{
    if (viewport.width <= 0 || viewport.height <= 0)
        return Drawer::WindowRect{0, 0, Drawer::ScreenWidth, Drawer::ScreenHeight};
    return Drawer::WindowRect{viewport.x, openedHeight - viewport.y - viewport.height, viewport.width,
                              viewport.height};
}

bool OpenGLWindow::readFrame(std::vector<unsigned char>& rgb, int& width, int& height) const
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
