#pragma once

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "screens/LevelEditor.h"
#include "tests/support/Keys.h"
#include "tests/support/TempFolder.h"

// A level editor test runs in a folder of its own: the installed level is read from
// <folder>/data/Contents/Resources/level.lev (through TARNWICK_DATA_DIR) and saves land in
// <folder>/work, the working directory during the test.
class EditorFolder {
public:
    EditorFolder()
    {
        run("mkdir -p '" + resources + "' '" + work + "'");
        char buffer[4096];
        oldWorkingDirectory = getcwd(buffer, sizeof(buffer)) ? buffer : "/";
        folder.restoreLater("TARNWICK_DATA_DIR");
        setenv("TARNWICK_DATA_DIR", (root + "/data").c_str(), 1);
        if (chdir(work.c_str()) != 0)
            ADD_FAILURE() << "cannot enter " << work;
    }

    ~EditorFolder()
    {
        if (chdir(oldWorkingDirectory.c_str()) != 0)
            ADD_FAILURE() << "cannot go back to " << oldWorkingDirectory;
    }

    std::string installedLevel() const { return resources + "/level.lev"; }
    std::string savedLevel() const { return work + "/level.lev"; }

    static void writeFile(const std::string& path, const std::vector<unsigned char>& bytes)
    {
        std::ofstream out(path.c_str(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    static std::vector<unsigned char> readFile(const std::string& path)
    {
        std::ifstream in(path.c_str(), std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static void run(const std::string& command)
    {
        if (std::system(command.c_str()) != 0)
            ADD_FAILURE() << "failed: " << command;
    }

private:
    TempFolder folder{"editor"};

public:
    const std::string root = folder.path();
    const std::string resources = root + "/data/Contents/Resources";
    const std::string work = root + "/work";

private:
    std::string oldWorkingDirectory;
};

// The editor holds a 3 MB map: keep it off the stack.
inline std::unique_ptr<LevelEditor> makeEditor()
{
    return std::unique_ptr<LevelEditor>(new LevelEditor(nullptr));
}
