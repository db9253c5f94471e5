#pragma once

#include <SDL/SDL.h>
#include <SDL/SDL_thread.h>

// A thin base over SDL threads: a subclass supplies run(), startThread starts one thread
// for it, and the destructor waits for that thread. A subclass must make run() return
// before this destructor runs (the base has no way to ask it to stop).
class Thread {
public:
    Thread();
    virtual ~Thread();

    virtual bool run() = 0;

    // Starts a thread running target->run(); a second call does nothing.
    void startThread(Thread* target);

    // Blocks until run() has returned, if a thread was started. Safe to call more than
    // once; the destructor calls it too.
    void waitForThread();

    bool hasThread() const { return handle != nullptr; }

    // The exit status the last waited-for thread returned (1 for true, 0 for false).
    int getExitStatus() const { return exitStatus; }

    static int threadMethod(void* data);

private:
    SDL_Thread* handle;
    bool joined;
    int exitStatus;
};
