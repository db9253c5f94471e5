#pragma once

#include <string>

// An X server of its own for the OpenGL tests (Mesa's software rasteriser draws into it),
// started on first use on a free display number and stopped when the tests end.
class XvfbServer {
public:
    // The display name (":N"), starting the server if needed; empty when it cannot start.
    static std::string display();
    static void stop();

private:
    static int pid;
    static std::string name;
};

// Runs the body's SDL video on the Xvfb display with the x11 driver, then puts the dummy
// driver back for the software-drawer tests. SDL is initialised by the constructor and
// shut down by the destructor.
class X11Video {
public:
    X11Video();
    ~X11Video();
    bool isReady() const { return ready; }

private:
    bool ready;
};
