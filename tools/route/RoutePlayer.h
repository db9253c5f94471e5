#pragma once

#include <iosfwd>
#include <string>

#include "tests/support/NullDrawer.h"
#include "tools/route/KeyRecording.h"

class GamePlay;

// Plays a route through the real play state, one frame per draw() as the main loop does,
// and records every key it sends, frame by frame, as a KeyRecording. The conditions are
// tested against the game's own state, so the recording is found through the real rules.
//
// A route is text, one command a line, # starts a comment:
//   right until COND / left until COND   hold the arrow until COND holds, then let go
//   press KEY / release KEY              KEY is right, left or jump (Z)
//   jump                                 hold Z until the robot is at rest again, let go
//   drop                                 press and release X (a reflector must be placed)
//   until COND / wait N / settle         run frames until COND, N frames, or until at rest
//   expect lit|reflectors|lives N        the boxes lit, reflectors carried, lives left
// COND is "VALUE >= NUMBER" or "VALUE <= NUMBER" with VALUE one of x, y, frame, lives,
// "ball K" (spike ball K's x, in file order) or "gap K" (spike ball K's x minus the robot's).
// The route ends when the level is complete; only expect lines may follow that point.
class RoutePlayer {
public:
    explicit RoutePlayer(GamePlay& game);

    // Prints each command, as it finishes, with the robot's state (for writing routes).
    void setTrace(std::ostream* out) { trace = out; }

    // Takes the story picture away (that key is not recorded: it belongs to no frame), runs
    // the route and draws one last frame, which shows the outcome. False, with the line,
    // the command and the robot's state in `error`, when a command fails.
    bool play(const std::string& routeText, std::string& error);

    // The keys sent so far, with the frame count and the lives and lit boxes at the end.
    const KeyRecording& getRecording() const { return recording; }

    // Reads a route file and a level file, plays the route on a fresh play state and fills
    // `out` with the recording, named after both files.
    static bool record(const std::string& routePath, const std::string& levelPath, KeyRecording& out,
                       std::string& error, std::ostream* trace = nullptr);

private:
    static const int FrameLimit = 4000;

    std::string run(const std::string& line);
    void step();
    void send(const std::string& key, bool pressed);
    bool value(const std::string& name, std::istream& words, float& out) const;
    bool holds(const std::string& condition, bool& valid) const;
    std::string advanceUntil(std::istream& words);
    std::string settle();
    std::string expect(std::istream& words);
    void noteOutcome();
    std::string state() const;

    GamePlay& game;
    NullDrawer drawer;
    KeyRecording recording;
    int frame;
    std::ostream* trace;
};
