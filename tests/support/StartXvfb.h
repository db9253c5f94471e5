#pragma once

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// Starts an Xvfb server with one screen of the given geometry ("1024x768x24") on a free
// display number, for the OpenGL tests and benchmarks. Xvfb picks the number itself and
// writes it, then a newline, to the pipe once it takes connections (in separate writes:
// closing the pipe before the newline arrives kills it). Returns the server's pid and
// sets `display` to ":N", or returns -1 when no server could be started. Header-only so
// that the benchmarks can use it without the test libraries. The server does not reset
// when its last client leaves: a reset under load refused the next test's connection.
inline pid_t startXvfb(const std::string& screen, std::string& display)
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
        std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    display = ":" + number;
    return pid;
}
