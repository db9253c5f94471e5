#pragma once

#include <cstdio>
#include <string>

// Where the game's installed data lives. The bundle folder is <prefix>/share/tarnwick,
// <prefix> being the folder above the one that holds the running executable, unless
// TARNWICK_DATA_DIR names another. The build tree has the same shape as an install.
std::string getBundlePath();

// The bundle's "Contents/Resources/" folder, with its trailing slash, or "" when the
// bundle folder does not exist. The level and the sounds folder lie in it.
std::string getResourcesPath();

// True when path names an existing directory (following links).
bool isDirectory(const std::string& path);

// Opens path for reading ("rb") when it is a regular file (following links), else null.
// A named pipe would make the caller wait for a writer for ever, a folder reads as
// nothing; neither is opened, nor is a pipe put in the file's place meanwhile.
FILE* openRegularFile(const std::string& path);

// The bundle folder followed by "/Contents/Resources/level.lev", or "" when the bundle
// folder does not exist.
std::string getLevelPath();
