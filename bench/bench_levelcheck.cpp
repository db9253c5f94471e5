// Level checker speed: checks a level (the shipped one by default) the way
// tarnwick-levelcheck does and prints the wall-clock and processor time it took, with the
// search's own figures from the report.
//
//   bench_levelcheck [level.lev]

#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string>

#include "app/ResourcePaths.h"
#include "tools/levelcheck/LevelCheck.h"

int main(int argc, char** argv)
{
    std::string path = argc > 1 ? argv[1] : getLevelPath();
    std::ostringstream report;
    std::ostringstream progress;
    std::clock_t cpuStart = std::clock();
    auto wallStart = std::chrono::steady_clock::now();
    LevelCheck::Result result = LevelCheck(path).run(report, progress);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;

    std::printf("level: %s\nexit status: %d\nwall clock: %.2f s\nprocessor: %.2f s\n", path.c_str(),
                static_cast<int>(result), wall, cpu);
    std::istringstream lines(report.str());
    std::string line;
    while (std::getline(lines, line))
        if (line.find("resting spots:") != std::string::npos || line.find("searched:") != std::string::npos ||
            line.find("Reflectors:") == 0 || line.find("Warnings:") == 0)
            std::printf("%s\n", line.c_str());
    return 0;
}
