#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "game/GameCounter.h"

// The registry lives as long as the process and other tests in it use "LightBoxesLit",
// so these tests count under names never used before in the process (fresh even when
// the tests are repeated or shuffled) and never rely on the running order.
namespace {

std::string freshName(const std::string& base)
{
    static int serial = 0;
    return "GameCounterTest." + base + "#" + std::to_string(++serial);
}

} // namespace

TEST(GameCounter, OneInstancePerProcess)
{
    EXPECT_NE(GameCounter::getInstance(), nullptr);
    EXPECT_EQ(GameCounter::getInstance(), GameCounter::getInstance());
}

TEST(GameCounter, UnknownNameReadsZeroAndIsNotCreated)
{
    GameCounter* counters = GameCounter::getInstance();
    EXPECT_EQ(counters->getCount("GameCounterTest.NeverTouched"), 0);
    EXPECT_FALSE(counters->hasCounter("GameCounterTest.NeverTouched"));
}

TEST(GameCounter, IncrementCreatesAndAdds)
{
    GameCounter* counters = GameCounter::getInstance();
    const std::string name = freshName("Increment");
    ASSERT_FALSE(counters->hasCounter(name));
    counters->incrementCount(name, 1);
    counters->incrementCount(name, 1);
    counters->incrementCount(name, 1);
    EXPECT_TRUE(counters->hasCounter(name));
    EXPECT_EQ(counters->getCount(name), 3);
}

TEST(GameCounter, AmountsAddAsGiven)
{
    GameCounter* counters = GameCounter::getInstance();
    const std::string name = freshName("Amounts");
    counters->incrementCount(name, 5);
    counters->incrementCount(name, -2);
    EXPECT_EQ(counters->getCount(name), 3);
}

TEST(GameCounter, CountersAreSeparate)
{
    GameCounter* counters = GameCounter::getInstance();
    const std::string left = freshName("Left");
    const std::string right = freshName("Right");
    counters->incrementCount(left, 2);
    counters->incrementCount(right, 7);
    EXPECT_EQ(counters->getCount(left), 2);
    EXPECT_EQ(counters->getCount(right), 7);
}

TEST(GameCounter, CreateKeepsAnExistingCount)
{
    GameCounter* counters = GameCounter::getInstance();
    const std::string name = freshName("Create");
    counters->createCounter(name);
    EXPECT_TRUE(counters->hasCounter(name));
    EXPECT_EQ(counters->getCount(name), 0);
    counters->incrementCount(name, 4);
    counters->createCounter(name);
    EXPECT_EQ(counters->getCount(name), 4);
}

TEST(GameCounter, ResetZeroesEveryCounterAndKeepsThem)
{
    GameCounter* counters = GameCounter::getInstance();
    const std::string a = freshName("ResetA");
    const std::string b = freshName("ResetB");
    counters->incrementCount(a, 1);
    counters->incrementCount(a, 1);
    counters->incrementCount(a, 1);
    counters->incrementCount(b, 9);
    counters->reset();
    EXPECT_EQ(counters->getCount(a), 0);
    EXPECT_EQ(counters->getCount(b), 0);
    EXPECT_TRUE(counters->hasCounter(a));
    EXPECT_TRUE(counters->hasCounter(b));
    counters->incrementCount(a, 1);
    EXPECT_EQ(counters->getCount(a), 1);
}

// An empty registry exists only in a fresh process: the "threadsafe" death-test style
// runs the body in a newly started copy of this test program, so no other test has
// counted anything there yet, whatever order the tests run in.
TEST(GameCounterDeathTest, ResetOnAnEmptyRegistryDoesNothing)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            GameCounter* counters = GameCounter::getInstance();
            counters->reset();
            bool ok = !counters->hasCounter("LightBoxesLit") && counters->getCount("LightBoxesLit") == 0;
            counters->incrementCount("LightBoxesLit", 1);
            ok = ok && counters->getCount("LightBoxesLit") == 1;
            std::exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
