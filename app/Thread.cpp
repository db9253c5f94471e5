#include "app/Thread.h"

#include <iostream>

Thread::Thread()
    : handle(nullptr), joined(false), exitStatus(0)
{
}

Thread::~Thread()
{
    waitForThread();
}

void Thread::startThread(Thread* target)
{
    if (handle)
        return;
    handle = SDL_CreateThread(threadMethod, target);
    if (!handle)
        std::cout << "Could not create thread.  Assuming this is a fatal error..." << std::endl;
}

void Thread::waitForThread()
{
    // SDL frees the thread record in SDL_WaitThread, so the handle is kept only as a
    // marker that a thread was started; it is never passed to SDL again.
    if (!handle || joined)
        return;
    int status = 0;
    SDL_WaitThread(handle, &status);
    exitStatus = status;
    joined = true;
}

int Thread::threadMethod(void* data)
{
    Thread* thread = static_cast<Thread*>(data);
    return thread->run() ? 1 : 0;
}
