#include "game/GameCounter.h"

GameCounter* GameCounter::getInstance()
{
    // A function-local static is built once, thread-safely, and destroyed at exit.
    static GameCounter instance;
    return &instance;
}

void GameCounter::createCounter(const std::string& name)
{
    counters.emplace(name, std::make_unique<Counter>());
}

void GameCounter::incrementCount(const std::string& name, int amount)
{
    createCounter(name);
    counters[name]->count += amount;
}

int GameCounter::getCount(const std::string& name) const
{
    auto it = counters.find(name);
    return it == counters.end() ? 0 : it->second->count;
}

bool GameCounter::hasCounter(const std::string& name) const
{
    return counters.count(name) != 0;
}

void GameCounter::reset()
{
    for (auto& entry : counters)
        entry.second->count = 0;
}
