#include "app/Application.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <iostream>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "app/CommandLine.h"
#include "app/ConfigLoader.h"
#include "app/FatalError.h"
#include "app/GameState.h"
#include "assets/Fonts.h"
#include "audio/Sounds.h"
#include "game/GamePlay.h"
#include "render/ImageLoader.h"
#include "render/OpenGLDrawer.h"
#include "render/SDLDrawer.h"
#include "screens/LevelEditor.h"
#include "screens/TitleScreen.h"

namespace {

// A stick position within this distance of the centre counts as centred.
const int JoystickDeadZone = 128;

// Set by a hang-up or a quit signal; the main loop turns it into a request to quit.
volatile std::sig_atomic_t quitSignalled = 0;
const int QuitSignals[] = {SIGHUP, SIGQUIT};

void noteQuitSignal(int)
{
    quitSignalled = 1;
}

} // namespace

// Every screen change frees and makes again megabytes of pictures, most of them in the
// software OpenGL's own threads. glibc gives each thread a heap of its own and keeps
// large freed blocks for reuse, and over an evening of screen changes resident memory
// crept up by hundreds of megabytes; one heap, and large blocks always returned to the
// system, keep it lower. The setting only holds for threads started after it, so it is
// made first thing in main, before the music thread and SDL start theirs.
void Application::keepMemoryFlat()
{
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_THRESHOLD, 64 * 1024);
#endif
}

Application::Application(const std::vector<std::string>& args)
    : audioDevice(),
      quitRequested(false),
      lastFrameTime(0),
      framePacing(true),
      width(0),
      height(0),
      soundOff(false),
      musicOff(false),
      joystick(nullptr),
      joystickUp(false),
      joystickDown(false),
      joystickLeft(false),
      joystickRight(false),
      drawer(nullptr),
      clockTicks(SDL_GetTicks),
      clockDelay(SDL_Delay),
      backgroundMusic(),
      currentState(nullptr)
{
    // The settings file is read (and made, on a first run) on every run, even when the
    // command line will decide.
    ConfigLoader config;

    // Before SDL, whose parachute would otherwise take SIGQUIT as a crash.
    catchQuitSignals();
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0)
        throw FatalError(std::string("Could not initialise SDL: ") + SDL_GetError());
    SDL_WM_SetCaption("Tarnwick", NULL);

    int antialias = 0;
    bool fullscreen = false;
    bool software = false;
    readSettings(args, config, antialias, fullscreen, software);

    createDrawer(software, fullscreen, antialias);
    loadGlyphs();
    currentState = new TitleScreen(this);
    openJoystick();
    startAudio();

    // The editor draws its own pointer; the system one would only get in the way.
    SDL_ShowCursor(SDL_DISABLE);
}

Application::~Application()
{
    if (!soundOff)
        audioDevice.stop();
    if (joystick)
        SDL_JoystickClose(joystick);
    delete drawer;
    drawer = nullptr;
    delete currentState;
    currentState = nullptr;
    SDL_Quit();
    releaseQuitSignals();
    // The members go next: the music stops and joins its thread, then the audio device.
}

void Application::readSettings(const std::vector<std::string>& args, const ConfigLoader& config,
                               int& antialias, bool& fullscreen, bool& software)
{
    StartupSettings settings;
    if (args.empty()) {
        settings = CommandLine::fromConfig(config);
    } else {
        if (CommandLine::wantsHelp(args)) {
            CommandLine::printHelp();
            SDL_Quit();
            throw FatalError("\n");
        }
        settings = CommandLine::parse(args);
    }
    width = settings.width;
    height = settings.height;
    soundOff = settings.soundOff;
    musicOff = settings.musicOff;
    antialias = settings.antialias;
    fullscreen = settings.fullscreen;
    software = settings.software;
}

void Application::createDrawer(bool software, bool fullscreen, int antialias)
{
    unsigned short windowWidth = static_cast<unsigned short>(width);
    unsigned short windowHeight = static_cast<unsigned short>(height);

    if (!software) {
        drawer = new OpenGLDrawer();
        if (drawer->initialise(windowWidth, windowHeight, fullscreen, antialias))
            return;
        // Without a window there would be nothing to play in; the software drawer needs
        // no OpenGL and opens on any display SDL can reach.
        std::cout << "OpenGLDrawer: Could not open an OpenGL window, using the software drawer instead."
                  << std::endl;
        delete drawer;
        drawer = nullptr;
    }
    drawer = new SDLDrawer();
    drawer->initialise(windowWidth, windowHeight, fullscreen, antialias);
}

void Application::loadGlyphs()
{
    // In Drawer::Glyph order: a-z, 0-9, then . , + - ! ?
    const char* const data[Drawer::GlyphCount] = {
        Fonts::fonta_png, Fonts::fontb_png, Fonts::fontc_png, Fonts::fontd_png, Fonts::fonte_png,
        Fonts::fontf_png, Fonts::fontg_png, Fonts::fonth_png, Fonts::fonti_png, Fonts::fontj_png,
        Fonts::fontk_png, Fonts::fontl_png, Fonts::fontm_png, Fonts::fontn_png, Fonts::fonto_png,
        Fonts::fontp_png, Fonts::fontq_png, Fonts::fontr_png, Fonts::fonts_png, Fonts::fontt_png,
        Fonts::fontu_png, Fonts::fontv_png, Fonts::fontw_png, Fonts::fontx_png, Fonts::fonty_png,
        Fonts::fontz_png, Fonts::font0_png, Fonts::font1_png, Fonts::font2_png, Fonts::font3_png,
        Fonts::font4_png, Fonts::font5_png, Fonts::font6_png, Fonts::font7_png, Fonts::font8_png,
        Fonts::font9_png, Fonts::fontperiod_png, Fonts::fontcomma_png, Fonts::fontplus_png,
        Fonts::fontminus_png, Fonts::fontexclaim_png, Fonts::fontquestion_png,
    };
    const unsigned sizes[Drawer::GlyphCount] = {
        Fonts::fonta_png_size, Fonts::fontb_png_size, Fonts::fontc_png_size, Fonts::fontd_png_size,
        Fonts::fonte_png_size, Fonts::fontf_png_size, Fonts::fontg_png_size, Fonts::fonth_png_size,
        Fonts::fonti_png_size, Fonts::fontj_png_size, Fonts::fontk_png_size, Fonts::fontl_png_size,
        Fonts::fontm_png_size, Fonts::fontn_png_size, Fonts::fonto_png_size, Fonts::fontp_png_size,
        Fonts::fontq_png_size, Fonts::fontr_png_size, Fonts::fonts_png_size, Fonts::fontt_png_size,
        Fonts::fontu_png_size, Fonts::fontv_png_size, Fonts::fontw_png_size, Fonts::fontx_png_size,
        Fonts::fonty_png_size, Fonts::fontz_png_size, Fonts::font0_png_size, Fonts::font1_png_size,
        Fonts::font2_png_size, Fonts::font3_png_size, Fonts::font4_png_size, Fonts::font5_png_size,
        Fonts::font6_png_size, Fonts::font7_png_size, Fonts::font8_png_size, Fonts::font9_png_size,
        Fonts::fontperiod_png_size, Fonts::fontcomma_png_size, Fonts::fontplus_png_size,
        Fonts::fontminus_png_size, Fonts::fontexclaim_png_size, Fonts::fontquestion_png_size,
    };

    ImageLoader loader;
    for (int glyph = 0; glyph < Drawer::GlyphCount; ++glyph) {
        ImageLoader::PixelData image = loader.loadImage(data[glyph], sizes[glyph]);
        // A glyph is square: the drawers take one size for both sides.
        if (image.width != image.height) {
            std::cout << "Application: glyph " << glyph << " is " << image.width << " x " << image.height
                      << ", not square, not loaded." << std::endl;
            delete[] image.pixels;
            continue;
        }
        drawer->loadGlyph(static_cast<Drawer::Glyph>(glyph), image.pixels, image.width);
    }
}

void Application::openJoystick()
{
    if (SDL_NumJoysticks() <= 0)
        return;
    joystick = SDL_JoystickOpen(0);
    SDL_JoystickEventState(SDL_ENABLE);
}

void Application::startAudio()
{
    audioDevice.setCallback(this);
    audioDevice.setNumChannels(0, 2);
    audioDevice.setSamplerate(44100.0);
    if (!soundOff)
        audioDevice.start();
}

void Application::eventLoop()
{
    while (runPass()) {
    }
}

bool Application::runPass()
{
    SDL_Event event;
    while (SDL_PollEvent(&event))
        handleEvent(event);
    if (quitSignalled)
        quitRequested = true;
    if (quitRequested)
        return false;

    Uint32 pause = framePause(clockTicks(), lastFrameTime);
    if (pause > 0 && framePacing)
        clockDelay(pause);

    drawer->beginDrawing();
    if (currentState)
        currentState->draw(drawer);
    drawer->endDrawing();
    return true;
}

Uint32 Application::framePause(Uint32 now, Uint32& lastFrameTime)
{
    Uint32 interval = now - lastFrameTime;
    lastFrameTime = now;
    return interval <= 29 ? 30 - interval : 0;
}

void Application::handleEvent(const SDL_Event& event)
{
    // The current state is looked up for every event: a key may have just replaced it.
    switch (event.type) {
    case SDL_KEYDOWN:
        if (currentState)
            currentState->keyDown(event.key.keysym);
        break;
    case SDL_KEYUP:
        if (currentState)
            currentState->keyUp(event.key.keysym);
        break;
    case SDL_MOUSEMOTION:
        mouseMove(event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
        mouseDown(event.button.button, event.button.x, event.button.y);
        break;
    case SDL_MOUSEBUTTONUP:
        mouseUp(event.button.button, event.button.x, event.button.y);
        break;
    case SDL_JOYAXISMOTION:
        joystickAxis(event.jaxis.axis, event.jaxis.value);
        break;
    case SDL_JOYBUTTONDOWN:
        joystickButton(event.jbutton.button, true);
        break;
    case SDL_JOYBUTTONUP:
        joystickButton(event.jbutton.button, false);
        break;
    case SDL_QUIT:
        quitRequested = true;
        break;
    default:
        break;
    }
}

void Application::nextState(bool editor)
{
    enum Next { Title, Play, Editor };
    Next next;
    std::string name = currentState ? currentState->getName() : std::string();
    if (editor)
        next = Editor;
    else if (name == "LevelEditor" || name == "GamePlay")
        next = Title;
    else if (name == "TitleScreen")
        next = Play;
    else
        return;

    // The old screen goes before the new one is built, so the two never exist together;
    // should building fail, the slot is empty rather than pointing at the old screen.
    delete currentState;
    currentState = nullptr;
    switch (next) {
    case Title: currentState = new TitleScreen(this); break;
    case Play: currentState = new GamePlay(this); break;
    case Editor: currentState = new LevelEditor(this); break;
    }
}

// SDL makes SIGINT and SIGTERM a quit event, so the game stops between two passes of
// the loop and never inside one, where the editor may be saving. A hang-up (the terminal
// closed) and SIGQUIT are taken the same way, unless whoever started the game set them
// to be ignored (nohup).
void Application::catchQuitSignals()
{
    quitSignalled = 0;
    for (int signal : QuitSignals) {
        struct sigaction old;
        if (sigaction(signal, nullptr, &old) != 0 || old.sa_handler != SIG_DFL)
            continue;
        struct sigaction quit = {};
        quit.sa_handler = noteQuitSignal;
        quit.sa_flags = SA_RESTART;
        sigemptyset(&quit.sa_mask);
        sigaction(signal, &quit, nullptr);
    }
}

void Application::releaseQuitSignals()
{
    for (int signal : QuitSignals) {
        struct sigaction current;
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == noteQuitSignal)
            std::signal(signal, SIG_DFL);
    }
}

void Application::setClock(TicksFunction ticks, DelayFunction delay)
{
    clockTicks = ticks;
    clockDelay = delay;
}

void Application::quit()
{
    quitRequested = true;
}

void Application::setCurrentState(GameState* state)
{
    delete currentState;
    currentState = state;
}

// Rounded down rather than towards zero, so that the pixel just left of or above the
// picture (in a band) lands at -1, outside the logical screen, and not at 0.
int Application::scaleToLogical(int position, int pictureStart, int pictureSize, int logicalSize)
{
    return static_cast<int>(std::floor(static_cast<float>(position - pictureStart) / static_cast<float>(pictureSize)
                                       * static_cast<float>(logicalSize)));
}

// The drawer knows where its picture really is: the software drawer's window is always
// 1024 x 768 whatever size was asked for, and the OpenGL one leaves bands around a picture
// that is not the window's shape.
void Application::toLogical(int x, int y, int& logicalX, int& logicalY) const
{
    Drawer::WindowRect place = drawer ? drawer->getPicturePlace() : Drawer::WindowRect{0, 0, 0, 0};
    // Without a picture there is nothing to scale by: positions pass as they are.
    if (place.width <= 0 || place.height <= 0)
        place = Drawer::WindowRect{0, 0, Drawer::ScreenWidth, Drawer::ScreenHeight};
    logicalX = scaleToLogical(x, place.x, place.width, Drawer::ScreenWidth);
    logicalY = scaleToLogical(y, place.y, place.height, Drawer::ScreenHeight);
}

void Application::mouseDown(int button, int x, int y)
{
    int logicalX, logicalY;
    toLogical(x, y, logicalX, logicalY);
    if (currentState)
        currentState->mouseDown(button, logicalX, logicalY);
}

void Application::mouseUp(int button, int x, int y)
{
    int logicalX, logicalY;
    toLogical(x, y, logicalX, logicalY);
    if (currentState)
        currentState->mouseUp(button, logicalX, logicalY);
}

void Application::mouseMove(int x, int y)
{
    int logicalX, logicalY;
    toLogical(x, y, logicalX, logicalY);
    if (currentState)
        currentState->mouseMove(logicalX, logicalY);
}

void Application::sendKey(Uint8 type, SDLKey sym)
{
    if (!currentState)
        return;
    SDL_keysym key;
    key.scancode = 0;
    key.sym = sym;
    key.mod = KMOD_NONE;
    key.unicode = 0;
    if (type == SDL_KEYDOWN)
        currentState->keyDown(key);
    else
        currentState->keyUp(key);
}

// The stick acts as the arrow keys. Every move outside the dead zone presses its arrow
// again; returning to the centre releases both arrows of that axis, held or not.
void Application::joystickAxis(int axis, int value)
{
    bool negative = value < -JoystickDeadZone;
    bool positive = value > JoystickDeadZone;
    if (axis == 0) {
        if (negative) {
            if (joystickRight)
                sendKey(SDL_KEYUP, SDLK_RIGHT);
            sendKey(SDL_KEYDOWN, SDLK_LEFT);
            joystickLeft = true;
            joystickRight = false;
        } else if (positive) {
            if (joystickLeft)
                sendKey(SDL_KEYUP, SDLK_LEFT);
            sendKey(SDL_KEYDOWN, SDLK_RIGHT);
            joystickRight = true;
            joystickLeft = false;
        } else {
            sendKey(SDL_KEYUP, SDLK_RIGHT);
            sendKey(SDL_KEYUP, SDLK_LEFT);
            joystickLeft = false;
            joystickRight = false;
        }
    } else if (axis == 1) {
        if (negative) {
            if (joystickDown)
                sendKey(SDL_KEYUP, SDLK_DOWN);
            sendKey(SDL_KEYDOWN, SDLK_UP);
            joystickUp = true;
            joystickDown = false;
        } else if (positive) {
            if (joystickUp)
                sendKey(SDL_KEYUP, SDLK_UP);
            sendKey(SDL_KEYDOWN, SDLK_DOWN);
            joystickDown = true;
            joystickUp = false;
        } else {
            sendKey(SDL_KEYUP, SDLK_DOWN);
            sendKey(SDL_KEYUP, SDLK_UP);
            joystickUp = false;
            joystickDown = false;
        }
    }
}

// Button 0 jumps ("z"), button 1 drops a reflector ("x"); the rest are "c", which no
// screen uses. The release goes through as well: the robot only starts a jump on a fresh
// press of its key, and holding it is what carries the arc.
void Application::joystickButton(int button, bool pressed)
{
    SDLKey sym = button == 0 ? SDLK_z : button == 1 ? SDLK_x : SDLK_c;
    sendKey(pressed ? SDL_KEYDOWN : SDL_KEYUP, sym);
}

void Application::getAudio(float*, float* output, int frames)
{
    if (frames <= 0)
        return;
    std::fill(output, output + 2 * frames, 0.0f);
    if (!musicOff)
        backgroundMusic.audioBlock(output, frames);
    Sounds::getInstance()->getAudio(output, frames);
}
