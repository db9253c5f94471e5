#pragma once

#include <istream>
#include <string>

// The home folder: HOME when it is set, else this user's entry in the password database.
// Null when neither is known.
const char* getHomeFolder();

// The folder that holds the settings file: the home folder followed by
// "/Library/Application Support/Tarnwick". Every missing level of it below an existing
// home folder is created.
std::string getFilePath();

// The same for a given home folder; a null home gives the empty folder path.
std::string getFilePath(const char* home);

// The settings file, "/Tarnwick.conf" inside the folder of getFilePath(home).
std::string getSettingsFilePath(const char* home);

// Reads the settings file (creating it with defaults when there is none; one that is there
// but cannot be read is reported and left alone, and the default file's values are used).
// A short-lived object of start-up; the caller reads the seven values straight after
// construction.
class ConfigLoader {
public:
    ConfigLoader();
    ~ConfigLoader();

    // Writes the default seven-line file, replacing any file of that name.
    void createFile() const;

    int width;
    int height;
    int antialias;
    bool fullscreen;
    bool soundOff;
    bool musicOff;
    bool software;

private:
    void readFile(std::istream& file);
    void useDefaultFile(const std::string& unreadablePath, const char* reason);
    void readLine(const std::string& line);
};
