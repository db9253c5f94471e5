// Runs the real game from a script of input events, for the whole-program tests.
//
//   tarnwick_driver SCRIPT [game arguments...]
//
// Script commands, one per line (# starts a comment):
//   frames N                 run N passes of the main loop
//   keydown SYM [MOD]        push a key press (SYM: a key code or up down left right
//   keyup SYM [MOD]          return escape space z x s c), MOD: the modifier state
//   key SYM                  a press and a release, each followed by one pass
//   mousemove X Y            push a pointer move (window pixels)
//   mousedown BUTTON X Y     push a button press
//   mouseup BUTTON X Y       push a button release
//   joybuttondown BUTTON     push a joystick button press (joystick 0)
//   joybuttonup BUTTON       push a joystick button release
//   joyaxis AXIS VALUE       push a joystick axis move
//   player                   print "driver: player X Y", the robot's place in cells
//   shot FILE.bmp            save the last drawn frame
//   expect-state NAME        fail unless the current screen is NAME
//   expect-quit              fail unless the game has been asked to quit
//   place COLUMN ROW         during play: put the robot on a cell at once (screenshots)
//   reflector COLUMN ROW     during play: drop a reflector on a cell, as the robot would
//   quit                     push the window's close event
//   pacing on|off            pause between frames as the game does (on at start), or not
//   replay FILE.keys         from the story picture of a new game: take the story away, then
//                            play a key recording (tools/route/KeyRecording.h), each frame's
//                            keys pushed before that frame's pass; fail unless the game ends
//                            as the recording says (level complete, its lives and lit boxes)
//   memory                   print the resident memory: "driver: resident N kB"
//   say TEXT                 print "driver: TEXT" (a test that feeds the script through a
//                            FIFO waits for it before it writes more)
// Events are handled by the next pass. Exit status: 0 when the script ran to its end,
// 1 when a command failed, 2 when the game ended with a fatal error.
#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/FatalError.h"
#include "app/GameState.h"
#include "game/GameCounter.h"
#include "game/GamePlay.h"
#include "tools/route/KeyRecording.h"

namespace {

int keyCode(const std::string& name)
{
    static const std::map<std::string, int> names = {
        {"up", SDLK_UP},         {"down", SDLK_DOWN},   {"left", SDLK_LEFT},   {"right", SDLK_RIGHT},
        {"return", SDLK_RETURN}, {"escape", SDLK_ESCAPE}, {"space", SDLK_SPACE}, {"z", SDLK_z},
        {"x", SDLK_x},           {"s", SDLK_s},         {"c", SDLK_c},
    };
    auto it = names.find(name);
    return it != names.end() ? it->second : std::atoi(name.c_str());
}

// Every field an event does not name stays zero: device 0, no relative motion, no
// scancode or character.
void pushKey(Uint8 type, int sym, int mod)
{
    SDL_Event event = {};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = static_cast<SDLKey>(sym);
    event.key.keysym.mod = static_cast<SDLMod>(mod);
    SDL_PushEvent(&event);
}

void pushMouseMove(int x, int y)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = static_cast<Uint16>(x);
    event.motion.y = static_cast<Uint16>(y);
    SDL_PushEvent(&event);
}

void pushMouseButton(Uint8 type, int button, int x, int y)
{
    SDL_Event event = {};
    event.type = type;
    event.button.button = static_cast<Uint8>(button);
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = static_cast<Uint16>(x);
    event.button.y = static_cast<Uint16>(y);
    SDL_PushEvent(&event);
}

void pushJoystickButton(Uint8 type, int button)
{
    SDL_Event event = {};
    event.type = type;
    event.jbutton.button = static_cast<Uint8>(button);
    event.jbutton.state = type == SDL_JOYBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&event);
}

void pushJoystickAxis(int axis, int value)
{
    SDL_Event event = {};
    event.type = SDL_JOYAXISMOTION;
    event.jaxis.axis = static_cast<Uint8>(axis);
    event.jaxis.value = static_cast<Sint16>(value);
    SDL_PushEvent(&event);
}

void pushQuit()
{
    SDL_Event event;
    event.type = SDL_QUIT;
    event.quit.type = SDL_QUIT;
    SDL_PushEvent(&event);
}

// The OpenGL frame as the X server shows it. Reading the front buffer back through
// OpenGL after the swap gives black on software OpenGL, so ask X for the window's pixels.
SDL_Surface* grabWindow(int w, int h)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11)
        return nullptr;
    Display* display = info.info.x11.display;
    info.info.x11.lock_func();
    XSync(display, False);
    XImage* image = XGetImage(display, info.info.x11.window, 0, 0, static_cast<unsigned>(w),
                              static_cast<unsigned>(h), AllPlanes, ZPixmap);
    info.info.x11.unlock_func();
    if (!image)
        return nullptr;
    SDL_Surface* shot = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0);
    for (int y = 0; shot && y < h; ++y) {
        unsigned char* row = static_cast<unsigned char*>(shot->pixels) + y * shot->pitch;
        for (int x = 0; x < w; ++x) {
            unsigned long pixel = XGetPixel(image, x, y);
            row[x * 3 + 0] = static_cast<unsigned char>((pixel & image->red_mask) >> 16);
            row[x * 3 + 1] = static_cast<unsigned char>((pixel & image->green_mask) >> 8);
            row[x * 3 + 2] = static_cast<unsigned char>(pixel & image->blue_mask);
        }
    }
    XDestroyImage(image);
    return shot;
}

// The frame just presented: the software drawer's screen surface still holds it; the
// OpenGL one is read from the window.
bool saveShot(const std::string& path)
{
    SDL_Surface* screen = SDL_GetVideoSurface();
    if (!screen)
        return false;
    if (!(screen->flags & SDL_OPENGL))
        return SDL_SaveBMP(screen, path.c_str()) == 0;

    SDL_Surface* shot = grabWindow(screen->w, screen->h);
    if (!shot)
        return false;
    bool saved = SDL_SaveBMP(shot, path.c_str()) == 0;
    SDL_FreeSurface(shot);
    return saved;
}

// Plays a recording through the real event loop. The story picture is taken away by a key
// pushed together with frame 0's keys, so that frame 0 is the first frame the world moves,
// as it is for the recorder.
bool replayKeys(Application& app, const std::string& path, int lineNumber)
{
    std::string prefix = "driver: line " + std::to_string(lineNumber) + ": ";
    KeyRecording recording;
    std::string error;
    if (!KeyRecording::load(path, recording, error)) {
        std::cout << prefix << error << std::endl;
        return false;
    }
    GamePlay* game = dynamic_cast<GamePlay*>(app.getCurrentState());
    if (!game || !game->isStoryShown()) {
        std::cout << prefix << "replay starts from the story picture of a new game" << std::endl;
        return false;
    }
    char fingerprint[16];
    std::snprintf(fingerprint, sizeof fingerprint, "%08x", KeyRecording::fingerprintLevel(game->getMap()));
    std::string where = prefix + path + ", " + recording.describe() + ", on the level loaded (fingerprint " +
                        fingerprint + "): ";

    pushKey(SDL_KEYDOWN, SDLK_SPACE, 0);
    pushKey(SDL_KEYUP, SDLK_SPACE, 0);
    size_t next = 0;
    for (int frame = 0; frame < recording.frames; ++frame) {
        for (; next < recording.events.size() && recording.events[next].frame == frame; ++next) {
            const KeyRecording::Event& event = recording.events[next];
            pushKey(event.pressed ? SDL_KEYDOWN : SDL_KEYUP, KeyRecording::keySym(event.key), 0);
        }
        if (!app.runPass() || app.getCurrentState() != game) {
            std::cout << where << "the game left play at frame " << frame << std::endl;
            return false;
        }
    }

    int lives = game->getPlayer().getNumLives();
    int lit = GameCounter::getInstance()->getCount(GamePlay::LitCounter);
    int boxes = static_cast<int>(game->getLightBoxes().size());
    std::cout << "driver: replayed " << path << ": " << recording.frames << " frames, lives " << lives << ", lit "
              << lit << " of " << boxes << (game->isLevelComplete() ? ", complete" : "") << std::endl;
    if (!game->isLevelComplete() || lives != recording.lives || lit != recording.lit || lit != boxes) {
        std::cout << where << "expected the level complete with lives " << recording.lives << ", lit "
                  << recording.lit << " of " << recording.boxes << std::endl;
        return false;
    }
    if (KeyRecording::fingerprintWorld(*game) != recording.worldFingerprint) {
        std::cout << where << "the robot and the spike balls end elsewhere: the keys reached other frames"
                  << std::endl;
        return false;
    }
    return true;
}

int runScript(Application& app, std::istream& script)
{
    std::string line;
    int lineNumber = 0;
    while (std::getline(script, line)) {
        ++lineNumber;
        std::istringstream words(line);
        std::string command;
        if (!(words >> command) || command[0] == '#')
            continue;

        if (command == "frames") {
            int n = 0;
            words >> n;
            for (int i = 0; i < n; ++i)
                if (!app.runPass())
                    break;
        } else if (command == "keydown" || command == "keyup") {
            std::string sym;
            int mod = 0;
            words >> sym >> mod;
            pushKey(command == "keydown" ? SDL_KEYDOWN : SDL_KEYUP, keyCode(sym), mod);
        } else if (command == "key") {
            std::string sym;
            words >> sym;
            pushKey(SDL_KEYDOWN, keyCode(sym), 0);
            app.runPass();
            pushKey(SDL_KEYUP, keyCode(sym), 0);
            app.runPass();
        } else if (command == "mousemove") {
            int x = 0, y = 0;
            words >> x >> y;
            pushMouseMove(x, y);
        } else if (command == "mousedown" || command == "mouseup") {
            int button = 0, x = 0, y = 0;
            words >> button >> x >> y;
            pushMouseButton(command == "mousedown" ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP, button, x, y);
        } else if (command == "joybuttondown" || command == "joybuttonup") {
            int button = 0;
            words >> button;
            pushJoystickButton(command == "joybuttondown" ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP, button);
        } else if (command == "joyaxis") {
            int axis = 0, value = 0;
            words >> axis >> value;
            pushJoystickAxis(axis, value);
        } else if (command == "player") {
            GamePlay* play = dynamic_cast<GamePlay*>(app.getCurrentState());
            if (!play) {
                std::cout << "driver: line " << lineNumber << ": not playing" << std::endl;
                return 1;
            }
            std::cout << "driver: player " << play->getPlayer().getX() << " " << play->getPlayer().getY()
                      << std::endl;
        } else if (command == "shot") {
            std::string path;
            words >> path;
            if (!saveShot(path)) {
                std::cout << "driver: line " << lineNumber << ": could not save " << path << std::endl;
                return 1;
            }
        } else if (command == "expect-state") {
            std::string name;
            words >> name;
            std::string current = app.getCurrentState() ? app.getCurrentState()->getName() : "(none)";
            if (current != name) {
                std::cout << "driver: line " << lineNumber << ": expected state " << name << ", found "
                          << current << std::endl;
                return 1;
            }
        } else if (command == "expect-quit") {
            if (!app.isQuitRequested()) {
                std::cout << "driver: line " << lineNumber << ": the game was not asked to quit" << std::endl;
                return 1;
            }
        } else if (command == "place" || command == "reflector") {
            int column = 0, row = 0;
            words >> column >> row;
            GamePlay* play = dynamic_cast<GamePlay*>(app.getCurrentState());
            if (!play) {
                std::cout << "driver: line " << lineNumber << ": " << command << " needs the play screen" << std::endl;
                return 1;
            }
            if (command == "place")
                play->getPlayer().setPosition(static_cast<float>(column), static_cast<float>(row));
            else
                play->addReflector(column, row);
        } else if (command == "memory") {
            std::ifstream status("/proc/self/status");
            std::string entry;
            while (std::getline(status, entry))
                if (entry.compare(0, 6, "VmRSS:") == 0)
                    std::cout << "driver: resident " << std::atol(entry.c_str() + 6) << " kB" << std::endl;
        } else if (command == "say") {
            std::string text;
            std::getline(words >> std::ws, text);
            std::cout << "driver: " << text << std::endl;
        } else if (command == "quit") {
            pushQuit();
        } else if (command == "pacing") {
            std::string setting;
            words >> setting;
            app.setFramePacing(setting != "off");
        } else if (command == "replay") {
            std::string path;
            words >> path;
            if (!replayKeys(app, path, lineNumber))
                return 1;
        } else {
            std::cout << "driver: line " << lineNumber << ": unknown command " << command << std::endl;
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cout << "usage: tarnwick_driver SCRIPT [game arguments...]" << std::endl;
        return 1;
    }
    std::ifstream script(argv[1]);
    if (!script) {
        std::cout << "driver: cannot read " << argv[1] << std::endl;
        return 1;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    Application::keepMemoryFlat();
    try {
        Application app(args);
        int status = runScript(app, script);
        std::cout << "driver: script " << (status == 0 ? "finished" : "failed") << std::endl;
        return status;
    } catch (FatalError& error) {
        FatalError copy(error);
        copy.display();
        return 2;
    }
}
