// Plays a route through the real play state and writes the keys it pressed, frame by frame:
//
//   tarnwick_record_route [--trace] ROUTE LEVEL KEYS
//
// ROUTE is a route file (tests/game/routes/*.route, language in tools/route/RoutePlayer.h),
// LEVEL a level file, KEYS the recording to write (format in tools/route/KeyRecording.h).
// Before writing, the recording is played back through a fresh play state and must end
// the same way. --trace prints every command with the robot's place and lives after it.
// Exit status 0 when written, 1 otherwise.
#include <fstream>
#include <iostream>
#include <string>

#include "tools/route/KeyRecording.h"
#include "tools/route/RoutePlayer.h"

int main(int argc, char** argv)
{
    bool trace = argc == 5 && std::string(argv[1]) == "--trace";
    if (argc != 4 + trace) {
        std::cout << "usage: tarnwick_record_route [--trace] ROUTE LEVEL KEYS" << std::endl;
        return 1;
    }
    argv += trace;
    KeyRecording recording;
    std::string error;
    if (!RoutePlayer::record(argv[1], argv[2], recording, error, trace ? &std::cout : nullptr)) {
        std::cout << "tarnwick_record_route: " << error << std::endl;
        return 1;
    }
    // The recording alone, with no route to steer it, must reach the same end.
    KeyRecording::Outcome outcome;
    if (!recording.replay(argv[2], outcome) || outcome.frames != recording.frames ||
        outcome.lives != recording.lives || outcome.lit != recording.lit ||
        outcome.worldFingerprint != recording.worldFingerprint) {
        std::cout << "tarnwick_record_route: the recording of " << argv[1] << " does not replay the same" << std::endl;
        return 1;
    }
    std::ofstream out(argv[3]);
    out << recording.toText();
    if (!out.flush()) {
        std::cout << "tarnwick_record_route: cannot write " << argv[3] << std::endl;
        return 1;
    }
    std::cout << argv[3] << ": " << recording.frames << " frames, " << recording.events.size()
              << " key events, lives " << recording.lives << ", lit " << recording.lit << " of "
              << recording.boxes << ", fewest reflectors held after a drop " << outcome.fewestHeldAfterDrop
              << std::endl;
    return 0;
}
