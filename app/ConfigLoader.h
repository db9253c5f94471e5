#pragma once

#include <string>

// The folder that holds the settings file: the home folder followed by
// "/Library/Application Support/Tarnwick". Every missing level of it is created.
std::string getFilePath();

// Reads the settings file (creating it with defaults when it cannot be opened). A short-
// lived object of start-up; the caller reads the seven values straight after construction.
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
    void readLine(const std::string& line);
};
