#include "app/ConfigLoader.h"
#include "app/ResourcePaths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const settingsFolder = "/Library/Application Support/Tarnwick";
const char* const settingsFile = "/Tarnwick.conf";

// Lines longer than this are cut, and nothing after the cut is read.
const int maxLineLength = 127;

// What createFile writes, and what a file that is there but cannot be read stands for.
const char* const defaultFile = "w 800\n"
                                "h 600\n"
                                "a 0\n"
                                "f 0\n"
                                "ns 0\n"
                                "nm 0\n"
                                "sdl 0\n";

// A fresh home has none of "Library/Application Support/Tarnwick", so every missing
// level below the home folder is made, outermost first. The home folder itself must
// already be there: a HOME that names nothing is not conjured up.
bool makeFolders(const std::string& home, const std::string& path)
{
    if (!isDirectory(home))
        return false;
    for (size_t slash = path.find('/', home.size() + 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        std::string level = path.substr(0, slash);
        if (!isDirectory(level) && mkdir(level.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    if (!path.empty() && !isDirectory(path) && mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        return false;
    return isDirectory(path);
}

// Reads an integer the way a stream extraction does: leading white space, an optional
// sign, decimal digits, stopping at the first character that cannot continue it.
// Returns false, leaving value alone, when pos lies beyond the line or nothing is usable.
bool readInt(const std::string& line, size_t pos, int& value)
{
    if (pos > line.size())
        return false;
    std::istringstream in(line.substr(pos));
    int read;
    if (!(in >> read))
        return false;
    value = read;
    return true;
}

// A switch is an integer that must be 0 or 1.
void readSwitch(const std::string& line, size_t pos, bool& value)
{
    int read;
    if (readInt(line, pos, read) && (read == 0 || read == 1))
        value = read == 1;
}

} // namespace

const char* getHomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home)
        return home;
    const passwd* entry = getpwuid(getuid());
    return entry ? entry->pw_dir : nullptr;
}

std::string getFilePath()
{
    return getFilePath(getHomeFolder());
}

std::string getFilePath(const char* home)
{
    // Without a home there is no sensible folder; the empty path fails to be made below
    // and the settings file ends up at the root.
    std::string folder = home ? std::string(home) + settingsFolder : std::string();
    if (isDirectory(folder))
        return folder;
    if (home && makeFolders(home, folder))
        std::cout << "Created directory " << folder << std::endl;
    else
        std::cout << "Could not create directory " << folder << std::endl;
    return folder;
}

std::string getSettingsFilePath(const char* home)
{
    return getFilePath(home) + settingsFile;
}

ConfigLoader::ConfigLoader()
    : width(800), height(600), antialias(6),
      fullscreen(false), soundOff(false), musicOff(false), software(false)
{
    std::string path = getSettingsFilePath(getHomeFolder());
    // Defaults are written only where there is no file: one that is there but cannot be
    // read is the user's, and stays as it is.
    struct stat info;
    bool exists = stat(path.c_str(), &info) == 0;
    if (!exists && errno != ENOENT && errno != ENOTDIR) {
        useDefaultFile(path, std::strerror(errno));
        return;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        useDefaultFile(path, S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file");
        return;
    }
    if (!exists)
        createFile();
    std::ifstream file(path);
    if (!file.is_open()) {
        if (exists)
            useDefaultFile(path, std::strerror(errno));
        return;
    }
    readFile(file);
}

ConfigLoader::~ConfigLoader()
{
}

void ConfigLoader::createFile() const
{
    std::string path = getSettingsFilePath(getHomeFolder());
    std::ofstream file(path, std::ios::out | std::ios::trunc);
    if (!file.is_open()) {
        std::cout << "Could not create " << path << std::endl;
        return;
    }
    file << defaultFile;
}

// A file that is there but cannot be read gives the values the default file would: the
// starting values differ in antialiasing (6), which not every OpenGL can give a window.
void ConfigLoader::useDefaultFile(const std::string& unreadablePath, const char* reason)
{
    std::cout << "Could not read " << unreadablePath << ": " << reason << ", using the defaults" << std::endl;
    std::istringstream defaults(defaultFile);
    readFile(defaults);
}

void ConfigLoader::readFile(std::istream& file)
{
    char line[maxLineLength + 1];
    for (;;) {
        file.getline(line, sizeof(line));
        if (file.gcount() == 0)
            break;
        readLine(line);
        // A fail with characters read means the line was cut: reading ends there.
        if (file.fail())
            break;
    }
}

// Keys are told apart by their first character ("n" by two) and every value sits at a
// fixed place: one separator character after the key, whatever that character is.
void ConfigLoader::readLine(const std::string& line)
{
    if (line.empty())
        return;
    switch (line[0]) {
    case 'w':
        readInt(line, 2, width);
        break;
    case 'h':
        readInt(line, 2, height);
        break;
    case 'a':
        readInt(line, 2, antialias);
        break;
    case 'f':
        readSwitch(line, 2, fullscreen);
        break;
    case 'n':
        if (line.size() > 1 && line[1] == 's')
            readSwitch(line, 3, soundOff);
        else if (line.size() > 1 && line[1] == 'm')
            readSwitch(line, 3, musicOff);
        break;
    case 's':
        readSwitch(line, 4, software);
        break;
    default:
        break;
    }
}
