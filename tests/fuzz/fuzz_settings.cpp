// The settings file: any bytes as "Tarnwick.conf", read by ConfigLoader in a home of its own.
#include <cstdlib>

#include "app/CommandLine.h"
#include "app/ConfigLoader.h"
#include "tests/fuzz/FuzzSupport.h"

static std::string settingsPath;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("HOME", fuzz::scratchFolder("home").c_str(), 1);
    settingsPath = getSettingsFilePath(getHomeFolder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::writeFile(settingsPath, data, size);
    ConfigLoader config;
    CommandLine::fromConfig(config);
    return 0;
}
