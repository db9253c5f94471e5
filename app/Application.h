#pragma once

#include <SDL/SDL.h>
#include <string>
#include <vector>

#include "audio/BackgroundMusic.h"
#include "audio/PortAudioCallback.h"
#include "audio/PortAudioDevice.h"

class ConfigLoader;
class Drawer;
class GameState;

// The one top-level object of a run. It owns the audio device, the music, the drawer and
// the current screen, runs the main loop, and is the audio callback that mixes music and
// effects. Built by SDL_main on its stack; see the constructor for the start-up order.
class Application : public PortAudioCallback {
public:
    // args: the command-line words without the program name. Throws FatalError when SDL
    // cannot start or "--help" was given.
    explicit Application(const std::vector<std::string>& args);
    ~Application() override;

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Runs frames until quit is requested.
    void eventLoop();

    // One pass of the main loop: handle every queued event, then, unless quit was
    // requested, pace and draw one frame. Returns false once quit is requested.
    bool runPass();

    // Screens reach these through GameState; they are virtual so that the screen
    // libraries need only the vtable, not the shell's code.
    virtual void nextState(bool editor);
    virtual void quit();

    void mouseDown(int button, int x, int y);
    void mouseUp(int button, int x, int y);
    void mouseMove(int x, int y);
    void joystickAxis(int axis, int value);
    void joystickButton(int button, bool pressed);

    // The mixer: clears the block, adds the music (unless it is off) and the effects.
    void getAudio(float* input, float* output, int frames) override;

    // Hands the 42 embedded glyphs to the drawer.
    void loadGlyphs();

    GameState* getCurrentState() const { return currentState; }
    Drawer* getDrawer() const { return drawer; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    bool isQuitRequested() const { return quitRequested; }
    bool isSoundOff() const { return soundOff; }
    bool isMusicOff() const { return musicOff; }

    // The clock that paces the frames: SDL's unless a test puts one of its own here.
    typedef Uint32 (*TicksFunction)();
    typedef void (*DelayFunction)(Uint32 milliseconds);
    void setClock(TicksFunction ticks, DelayFunction delay);

    // Replaces the current screen with one built elsewhere (test drivers use it to run a
    // screen of their own); the old screen is destroyed first.
    void setCurrentState(GameState* state);

    // One coordinate of a window position to the 1024 x 768 logical screen, given where
    // the picture starts in the window and its size there (both in window pixels).
    static int scaleToLogical(int position, int pictureStart, int pictureSize, int logicalSize);

    // Test drivers switch the pause off to play recorded input faster than real time; the
    // world still advances one step per frame, so the play is the same.
    void setFramePacing(bool on) { framePacing = on; }

    // Keeps the C library from holding on to freed memory across screen changes. Call it
    // before the Application is made, while the process has one thread.
    static void keepMemoryFlat();

    // Frame pacing: how long to pause before drawing, given the clock now; updates the
    // stored stamp. The stamp is taken before the pause, so the pause counts towards the
    // next interval.
    static Uint32 framePause(Uint32 now, Uint32& lastFrameTime);

private:
    void handleEvent(const SDL_Event& event);
    void sendKey(Uint8 type, SDLKey sym);
    void readSettings(const std::vector<std::string>& args, const ConfigLoader& config, int& antialias,
                      bool& fullscreen, bool& software);
    void createDrawer(bool software, bool fullscreen, int antialias);
    void openJoystick();
    void startAudio();
    static void catchQuitSignals();
    static void releaseQuitSignals();
    void toLogical(int x, int y, int& logicalX, int& logicalY) const;

    PortAudioDevice audioDevice;
    bool quitRequested;
    Uint32 lastFrameTime;
    bool framePacing;
    int width;
    int height;
    bool soundOff;
    bool musicOff;
    SDL_Joystick* joystick;
    bool joystickUp;
    bool joystickDown;
    bool joystickLeft;
    bool joystickRight;
    Drawer* drawer;
    TicksFunction clockTicks;
    DelayFunction clockDelay;
    BackgroundMusic backgroundMusic;
    GameState* currentState;
};
