#pragma once

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// Whether some X server, maybe one in another sandbox that shares the network but not
// /tmp, answers on the abstract socket of display N: X clients try that socket first.
inline bool displayAnswersSomewhere(int number)
{
    std::ifstream sockets("/proc/net/unix");
    std::string line;
    std::string name = "@/tmp/.X11-unix/X" + std::to_string(number);
    while (std::getline(sockets, line))
        if (line.size() >= name.size() && line.compare(line.size() - name.size(), name.size(), name) == 0)
            return true;
    return false;
}

// Starts Xvfb on display N; it writes the number, then a newline, to the pipe once it
// takes connections (in separate writes: closing the pipe before the newline arrives
// kills it). Returns the pid, or -1 when it did not come up on that number.
inline pid_t startXvfbOn(int number, const std::string& screen)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return -1;
    }
    if (pid == 0) {
        close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 1);
        dup2(devnull, 2);
        std::string display = ":" + std::to_string(number);
        std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", display.c_str(), "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string written;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        written += c;
    close(fds[0]);
    if (written != std::to_string(number)) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

// Starts an Xvfb server with one screen of the given geometry ("1024x768x24") for the
// OpenGL tests and benchmarks, on a display number taken at random from a high range and
// away from every abstract socket in use. The server does not reset when its last client
// leaves: a reset under load refused the next test's connection. Returns the server's pid
// and sets `display` to ":N", or returns -1 when no server could be started. Header-only
// so that the benchmarks can use it without the test libraries.
inline pid_t startXvfb(const std::string& screen, std::string& display)
{
    static bool seeded = false;
    if (!seeded)
        std::srand(static_cast<unsigned>(std::time(nullptr)) ^ static_cast<unsigned>(getpid()));
    seeded = true;
    for (int attempt = 0; attempt < 20; ++attempt) {
        int number = 100 + std::rand() % 29900;
        if (displayAnswersSomewhere(number))
            continue;
        pid_t pid = startXvfbOn(number, screen);
        if (pid >= 0) {
            display = ":" + std::to_string(number);
            return pid;
        }
    }
    return -1;
}
