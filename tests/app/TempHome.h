#pragma once

#include <cstdlib>
#include <ftw.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

// A fresh, empty home folder for one test: HOME points at it while the object lives, and
// the folder and everything in it are removed afterwards, so no test touches the real home.
class TempHome {
public:
    TempHome()
    {
        char pattern[] = "/tmp/tarnwick-home-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("cannot make a temporary home");
        path = pattern;
        const char* old = std::getenv("HOME");
        hadHome = old != nullptr;
        if (old)
            oldHome = old;
        setenv("HOME", path.c_str(), 1);
    }

    ~TempHome()
    {
        if (hadHome)
            setenv("HOME", oldHome.c_str(), 1);
        else
            unsetenv("HOME");
        nftw(path.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }

    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& getPath() const { return path; }
    std::string settingsFolder() const { return path + "/Library/Application Support/Tarnwick"; }
    std::string settingsFile() const { return settingsFolder() + "/Tarnwick.conf"; }

private:
    static int removeEntry(const char* entry, const struct stat*, int, struct FTW*)
    {
        return ::remove(entry);
    }

    std::string path;
    std::string oldHome;
    bool hadHome = false;
};
