#pragma once

#include <map>
#include <memory>
#include <string>

// The process-wide registry of named counters. The game uses one, "LightBoxesLit",
// which outlives a single play screen and so is reset whenever play is left.
class GameCounter {
public:
    struct Counter {
        int count = 0;
    };

    static GameCounter* getInstance();

    void createCounter(const std::string& name);
    void incrementCount(const std::string& name, int amount);
    int getCount(const std::string& name) const;
    bool hasCounter(const std::string& name) const;
    void reset();

private:
    GameCounter() = default;

    std::map<std::string, std::unique_ptr<Counter>> counters;
};
