#pragma once

#include <string>
#include <vector>

class ConfigLoader;

// The start-up settings, worked out once from the command line or the settings file.
struct StartupSettings {
    int width = 0;
    int height = 0;
    int antialias = 0;
    bool fullscreen = false;
    bool soundOff = false;
    bool musicOff = false;
    bool software = false;
};

// The command-line options: "--width"/"-w", "--height"/"-h", "--antialias"/"-a",
// "--fullscreen"/"-f", "--nosound"/"-ns", "--nomusic"/"-nm", "--sdl"/"-s", "--help".
class CommandLine {
public:
    // True when "--help" is anywhere among the words.
    static bool wantsHelp(const std::vector<std::string>& args);

    // Prints the help text to standard output.
    static void printHelp();

    // Settings from a non-empty argument list; the built-in defaults fill the rest and
    // their messages ("Using default width = 800", ...) are printed.
    static StartupSettings parse(const std::vector<std::string>& args);

    // Settings from the settings file, used when there are no arguments at all.
    static StartupSettings fromConfig(const ConfigLoader& config);
};
