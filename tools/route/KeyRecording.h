#pragma once

#include <SDL/SDL.h>

#include <memory>
#include <string>
#include <vector>

#include "game/TileType.h"

class Drawer;
class GamePlay;

// The keys pressed and released on each frame of a playthrough, as written to a .keys file
// by tarnwick_record_route and replayed by the tests. Frame 0 is the first frame drawn
// after the story picture is gone; the events of frame N reach the game, in order, before
// frame N is drawn. The keys are "right", "left", "jump" (Z) and "drop" (X).
//
// The file is text: a header of "# name: value" lines, then one event a line,
// "FRAME press KEY" or "FRAME release KEY". The header names the route and the level it was
// recorded on and says how the run ends:
//   # route: perfect.route
//   # level: level.lev, fingerprint 0123abcd
//   # frames: 4150
//   # ends: lives 3, lit 5 of 5, world 89abcdef
// The world fingerprint pins down where the robot and the spike balls stand at the end, so
// a replay whose keys reach the game a frame early or late does not pass for the same run.
class KeyRecording {
public:
    struct Event {
        int frame;
        bool pressed;
        std::string key;
    };

    std::string route;
    std::string level;
    unsigned levelFingerprint = 0;
    int frames = 0;
    int lives = 0;
    int lit = 0;
    int boxes = 0;
    unsigned worldFingerprint = 0;
    std::vector<Event> events;

    std::string toText() const;
    // Fills `out` from the text of a .keys file; false with the reason in `error` when the
    // header is incomplete or an event line cannot be read.
    static bool fromText(const std::string& text, KeyRecording& out, std::string& error);
    static bool load(const std::string& path, KeyRecording& out, std::string& error);

    // The SDL key of a recorded key name; SDLK_UNKNOWN for a name that is none of the four.
    static SDLKey keySym(const std::string& key);

    // FNV-1a over the low byte of every cell: tells a recording's level from a changed one.
    static unsigned fingerprintLevel(const TileMap& map);

    // FNV-1a over the robot's place, lives and reflectors, the spike balls' places and
    // directions, and the placed reflectors.
    static unsigned fingerprintWorld(const GamePlay& game);

    // "recorded from perfect.route on level.lev (fingerprint 0123abcd)", for messages.
    std::string describe() const;

    // How a replay ended.
    struct Outcome {
        unsigned levelFingerprint = 0;   // of the level as loaded, before the first frame
        int frames = 0;
        // The fewest reflectors the robot held just after dropping one: a player who had
        // wasted that many before would still have had one for every drop of the run
        // (-1 when nothing was dropped).
        int fewestHeldAfterDrop = -1;
        bool complete = false;
        bool gameOver = false;
        int lives = 0;
        int lit = 0;                     // the "LightBoxesLit" counter
        int boxes = 0;
        int boxesLit = 0;                // boxes whose lit flag is set
        unsigned worldFingerprint = 0;
    };
    // Replays the recording on a fresh play state with the level read from `levelPath`,
    // the story picture taken away first. False when the level cannot be read.
    bool replay(const std::string& levelPath, Outcome& out) const;

    // A play state holding the level read from `levelPath`, with the "LightBoxesLit"
    // counter set back to 0; null when the file cannot be read.
    static std::unique_ptr<GamePlay> gameOnLevel(const std::string& levelPath);

private:
    // Plays every frame through the play state: this frame's keys, then draw(). Sets the
    // frames drawn, fewer than `frames` when a key is pressed after the game was won or
    // lost (it would leave for the title screen), and the fewest reflectors held after a drop.
    void playThrough(GamePlay& game, Drawer& drawer, Outcome& out) const;
};
