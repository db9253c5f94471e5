#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

// A fresh, empty folder under /tmp (/tmp/tarnwick-<name>-XXXXXX), removed with everything in
// it when the object goes. Environment variables the test points elsewhere (HOME,
// TARNWICK_DATA_DIR, ...) get their old values, or their absence, back first, so no test
// touches the real home or leaves a setting behind for the next.
class TempFolder {
public:
    explicit TempFolder(const std::string& name = "test")
    {
        std::string pattern = "/tmp/tarnwick-" + name + "-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data()))
            throw std::runtime_error("cannot make a folder like " + pattern);
        folder = buffer.data();
    }

    ~TempFolder()
    {
        for (auto variable = variables.rbegin(); variable != variables.rend(); ++variable) {
            if (variable->wasSet)
                setenv(variable->name.c_str(), variable->value.c_str(), 1);
            else
                unsetenv(variable->name.c_str());
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return folder; }

    // Puts `name` back as it is now when the folder goes; the test may change it meanwhile.
    void restoreLater(const char* name)
    {
        const char* value = std::getenv(name);
        variables.push_back(Variable{name, value != nullptr, value ? value : ""});
    }

    // Points `name` at this folder until the folder goes.
    void exportAs(const char* name)
    {
        restoreLater(name);
        setenv(name, folder.c_str(), 1);
    }

private:
    struct Variable {
        std::string name;
        bool wasSet;
        std::string value;
    };

    std::string folder;
    std::vector<Variable> variables;
};
