#include "app/CommandLine.h"

#include <iostream>
#include <sstream>

#include "app/ConfigLoader.h"

namespace {

bool isOption(const std::string& word, const char* longForm, const char* shortForm)
{
    return word == longForm || (shortForm && word == shortForm);
}

bool hasOption(const std::vector<std::string>& args, const char* longForm, const char* shortForm)
{
    for (const std::string& word : args) {
        if (isOption(word, longForm, shortForm))
            return true;
    }
    return false;
}

// All valued options read through one buffer: each value word is appended and one
// integer is read from where the last read stopped. A value that fails to read stays
// in the buffer ahead of every later value, so one bad word spoils the ones after it.
void readInt(std::stringstream& buffer, const std::string& word, int& value)
{
    buffer << word;
    int read;
    if (buffer >> read)
        value = read;
    buffer.clear();
}

// Every occurrence is taken, so the last usable value wins. The value word is skipped
// by this scan only; the scans for the other options still see it.
bool scanValue(const std::vector<std::string>& args, const char* longForm, const char* shortForm,
               std::stringstream& buffer, int& value)
{
    bool found = false;
    for (size_t i = 0; i < args.size(); i++) {
        if (!isOption(args[i], longForm, shortForm))
            continue;
        found = true;
        if (i + 1 >= args.size())
            break;
        i++;
        readInt(buffer, args[i], value);
    }
    return found;
}

} // namespace

bool CommandLine::wantsHelp(const std::vector<std::string>& args)
{
    return hasOption(args, "--help", nullptr);
}

void CommandLine::printHelp()
{
    std::cout << std::endl
              << "Tarnwick" << std::endl
              << std::endl
              << "Usage:" << std::endl
              << "Tarnwick -w [width] -h [height] -a [val] -f -ns -nm -s" << std::endl
              << std::endl
              << "Flags:" << std::endl
              << "--width [val] | -w [val]:\tSet the width of the window." << std::endl
              << "--height [val] | -h [val]:\tSet the height of the window." << std::endl
              << "--antialias [val] | -a [val]:\tSets the antialiasing level (2, 4, or 6)." << std::endl
              << "--fullscreen | -f:\t\tSets whether to go fullscreen or not." << std::endl
              << "--nosound | -ns:\t\tSwitches off the sound output." << std::endl
              << "--nomusic | -nm:\t\tSwitches off the background music." << std::endl
              << "--sdl | -s:\t\tSwitches to the SDL drawing backend in favour of the OpenGL one." << std::endl
              << "--help:\t\t\t\tDisplay this help." << std::endl;
}

StartupSettings CommandLine::parse(const std::vector<std::string>& args)
{
    StartupSettings settings;
    std::stringstream buffer;

    scanValue(args, "--width", "-w", buffer, settings.width);
    if (settings.width == 0) {
        settings.width = 800;
        std::cout << "Using default width = 800" << std::endl;
    }

    scanValue(args, "--height", "-h", buffer, settings.height);
    if (settings.height == 0) {
        settings.height = 600;
        std::cout << "Using default height = 600" << std::endl;
    }

    settings.fullscreen = hasOption(args, "--fullscreen", "-f");
    settings.soundOff = hasOption(args, "--nosound", "-ns");
    settings.musicOff = hasOption(args, "--nomusic", "-nm");
    settings.software = hasOption(args, "--sdl", "-s");

    // Asking for antialiasing without a usable level means the smallest real one.
    if (scanValue(args, "--antialias", "-a", buffer, settings.antialias) && settings.antialias <= 1) {
        settings.antialias = 2;
        std::cout << "Using 2x antialiasing." << std::endl;
    }
    return settings;
}

StartupSettings CommandLine::fromConfig(const ConfigLoader& config)
{
    StartupSettings settings;
    settings.width = config.width;
    settings.height = config.height;
    settings.antialias = config.antialias >= 1 ? config.antialias : 0;
    settings.fullscreen = config.fullscreen;
    settings.soundOff = config.soundOff;
    settings.musicOff = config.musicOff;
    settings.software = config.software;
    return settings;
}
