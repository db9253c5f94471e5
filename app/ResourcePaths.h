#pragma once

#include <string>

// Where the game's installed data lives. The bundle folder is <prefix>/share/tarnwick,
// <prefix> being the folder above the one that holds the running executable, unless
// TARNWICK_DATA_DIR names another. The build tree has the same shape as an install.
std::string getBundlePath();

// The bundle folder followed by "/Contents/Resources/level.lev", or "" when the bundle
// folder does not exist.
std::string getLevelPath();
