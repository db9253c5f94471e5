#pragma once

#include <map>
#include <string>

// X servers of their own for the OpenGL tests (Mesa's software rasteriser draws into
// them), one per colour depth, started on first use on a free display number and stopped
// when the tests end.
class XvfbServer {
public:
    // The display name (":N") of the server of that depth (24 or 16), starting it if
    // needed; empty when it cannot start.
    static std::string display(int depth = 24);
    static void stopAll();

private:
    struct Server {
        int pid;
        std::string name;
    };
    static std::map<int, Server> servers;
};

// Runs the body's SDL video on the Xvfb display with the x11 driver, then puts the dummy
// driver back for the software-drawer tests. SDL is initialised by the constructor and
// shut down by the destructor.
class X11Video {
public:
    explicit X11Video(int depth = 24);
    ~X11Video();
    bool isReady() const { return ready; }

private:
    bool ready;
};
