#include "app/Thread.h"

#include <atomic>
#include <gtest/gtest.h>

namespace {

class CountingThread : public Thread {
public:
    explicit CountingThread(bool result) : result(result) {}
    ~CountingThread() override { waitForThread(); }

    bool run() override
    {
        // Hold the thread until the test lets it go, so a second start would overlap.
        while (!release.load(std::memory_order_acquire))
            SDL_Delay(1);
        runs.fetch_add(1);
        return result;
    }

    bool result;
    std::atomic<bool> release{false};
    std::atomic<int> runs{0};
};

TEST(Thread, ANeverStartedThreadHasNothingToWaitFor)
{
    CountingThread thread(true);
    EXPECT_FALSE(thread.hasThread());
    thread.waitForThread();
    EXPECT_EQ(0, thread.getExitStatus());
    EXPECT_EQ(0, thread.runs.load());
}

TEST(Thread, RunsItsBodyOnceAndReportsTrueAsOne)
{
    CountingThread thread(true);
    thread.startThread(&thread);
    EXPECT_TRUE(thread.hasThread());
    thread.startThread(&thread);
    thread.release.store(true, std::memory_order_release);
    thread.waitForThread();
    EXPECT_EQ(1, thread.runs.load());
    EXPECT_EQ(1, thread.getExitStatus());
    // Joined once: waiting again, or starting again after the end, changes nothing.
    thread.waitForThread();
    thread.startThread(&thread);
    thread.waitForThread();
    EXPECT_EQ(1, thread.runs.load());
}

TEST(Thread, FalseFromRunIsExitStatusZero)
{
    CountingThread thread(false);
    thread.startThread(&thread);
    thread.release.store(true, std::memory_order_release);
    thread.waitForThread();
    EXPECT_EQ(1, thread.runs.load());
    EXPECT_EQ(0, thread.getExitStatus());
}

// The target may be another object than the one that owns the thread.
TEST(Thread, RunsTheTargetItWasGiven)
{
    CountingThread owner(true);
    CountingThread target(false);
    target.release.store(true);
    owner.startThread(&target);
    owner.waitForThread();
    EXPECT_EQ(0, owner.runs.load());
    EXPECT_EQ(1, target.runs.load());
    EXPECT_EQ(0, owner.getExitStatus());
}

std::atomic<int> slowRuns{0};

// Like the music, it waits for its thread in its own destructor, while run() can still
// use the object; the base destructor then finds the thread joined.
class SlowThread : public Thread {
public:
    ~SlowThread() override { waitForThread(); }

    bool run() override
    {
        SDL_Delay(50);
        slowRuns.fetch_add(1);
        return true;
    }
};

TEST(Thread, DestroyingAStartedThreadWaitsForRunToReturn)
{
    {
        SlowThread slow;
        slow.startThread(&slow);
    }
    EXPECT_EQ(1, slowRuns.load());
}

} // namespace
