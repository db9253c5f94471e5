#include <gtest/gtest.h>

#include "app/FatalError.h"

TEST(FatalError, DisplayWritesTheMessageAndALineEnd)
{
    FatalError error("Could not initialise SDL: no video");
    testing::internal::CaptureStdout();
    error.display();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Could not initialise SDL: no video\n");
}

TEST(FatalError, HelpMessageGivesTwoEmptyLines)
{
    FatalError error("\n");
    testing::internal::CaptureStdout();
    error.display();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n\n");
}

TEST(FatalError, CopyKeepsTheMessageWhenTheOriginalIsGone)
{
    FatalError* original = new FatalError("lost?");
    FatalError copy(*original);
    delete original;
    EXPECT_EQ(copy.getMessage(), "lost?");
}

TEST(FatalError, ThrownByValueCaughtByReference)
{
    try {
        throw FatalError("thrown");
    } catch (FatalError& error) {
        FatalError copy(error);
        EXPECT_EQ(copy.getMessage(), "thrown");
        return;
    }
    FAIL() << "not caught as FatalError";
}
