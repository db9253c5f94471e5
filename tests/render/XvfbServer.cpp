#include "tests/render/XvfbServer.h"

#include <SDL/SDL.h>
#include <csignal>
#include <dlfcn.h>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

std::map<int, XvfbServer::Server> XvfbServer::servers;

std::string XvfbServer::display(int depth)
{
    std::map<int, Server>::const_iterator it = servers.find(depth);
    if (it != servers.end())
        return it->second.name;

    int fds[2];
    if (pipe(fds) != 0)
        return std::string();
    int child = fork();
    if (child < 0)
        return std::string();
    if (child == 0) {
        close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 1);
        dup2(devnull, 2);
        char fd[16];
        snprintf(fd, sizeof fd, "%d", fds[1]);
        char screen[32];
        snprintf(screen, sizeof screen, "1280x1024x%d", depth);
        execlp("Xvfb", "Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it accepts connections.
    char buffer[32] = {0};
    ssize_t got = 0;
    ssize_t n;
    while (got < static_cast<ssize_t>(sizeof buffer) - 1 && (n = read(fds[0], buffer + got, sizeof buffer - 1 - got)) > 0) {
        got += n;
        if (buffer[got - 1] == '\n')
            break;
    }
    close(fds[0]);
    if (got <= 0) {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        return std::string();
    }
    Server& server = servers[depth];
    server.pid = child;
    server.name = ":" + std::string(buffer, buffer[got - 1] == '\n' ? got - 1 : got);
    return server.name;
}

void XvfbServer::stopAll()
{
    for (std::map<int, Server>::const_iterator it = servers.begin(); it != servers.end(); ++it) {
        kill(it->second.pid, SIGTERM);
        waitpid(it->second.pid, nullptr, 0);
    }
    servers.clear();
}

namespace {
class XvfbEnvironment : public ::testing::Environment {
public:
    void TearDown() override { XvfbServer::stopAll(); }
};
::testing::Environment* const xvfbEnvironment = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);
}

// Sanitizer builds: SDL's X11 driver never frees the visual list it asks Xlib for, and
// Xlib keeps some strings for the life of the process; those are suppressed. Mesa's
// driver keeps its state in its own globals, which is only reported as leaked because
// the driver is unloaded at every SDL_Quit; it is kept loaded instead.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libX11.so\n";
}

X11Video::X11Video(int depth) : ready(false)
{
    static void* driver = dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_LAZY | RTLD_NODELETE);
    (void)driver;
    std::string display = XvfbServer::display(depth);
    if (display.empty())
        return;
    setenv("DISPLAY", display.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    // A busy server can refuse a connection for a moment (its listen queue is full);
    // SDL gives up at once, so try again for up to five seconds.
    for (int attempt = 0; attempt < 100 && !ready; ++attempt) {
        ready = SDL_Init(SDL_INIT_VIDEO) == 0;
        if (!ready)
            usleep(50 * 1000);
    }
    if (!ready)
        ADD_FAILURE() << "SDL_Init: " << SDL_GetError();
}

X11Video::~X11Video()
{
    SDL_Quit();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    unsetenv("DISPLAY");
}
