#include "tests/render/XvfbServer.h"
#include "tests/support/StartXvfb.h"

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

    std::string name;
    pid_t pid = startXvfb("1280x1024x" + std::to_string(depth), name);
    if (pid < 0)
        return std::string();
    Server& server = servers[depth];
    server.pid = pid;
    server.name = name;
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
    // SDL gives up at once, so try again for up to ten seconds.
    for (int attempt = 0; attempt < 200 && !ready; ++attempt) {
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
