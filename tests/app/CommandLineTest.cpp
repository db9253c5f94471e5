#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ConfigLoader.h"
#include "tests/support/TempFolder.h"

namespace {

const char* const defaultWidthMessage = "Using default width = 800\n";
const char* const defaultHeightMessage = "Using default height = 600\n";
const char* const antialiasMessage = "Using 2x antialiasing.\n";

struct Parsed {
    StartupSettings settings;
    std::string output;
};

Parsed parseWords(const std::vector<std::string>& words)
{
    Parsed parsed;
    testing::internal::CaptureStdout();
    parsed.settings = CommandLine::parse(words);
    parsed.output = testing::internal::GetCapturedStdout();
    return parsed;
}

} // namespace

// ---- width and height -------------------------------------------------------------

TEST(CommandLineSize, GivenWidthAndHeightAreTakenWithoutMessages)
{
    Parsed p = parseWords({"--width", "1024", "-h", "768"});
    EXPECT_EQ(p.settings.width, 1024);
    EXPECT_EQ(p.settings.height, 768);
    EXPECT_EQ(p.output, "");
}

TEST(CommandLineSize, UnknownWordAloneGivesEveryDefaultAndBothMessages)
{
    Parsed p = parseWords({"--bogus"});
    EXPECT_EQ(p.settings.width, 800);
    EXPECT_EQ(p.settings.height, 600);
    EXPECT_EQ(p.settings.antialias, 0);
    EXPECT_FALSE(p.settings.fullscreen);
    EXPECT_FALSE(p.settings.soundOff);
    EXPECT_FALSE(p.settings.musicOff);
    EXPECT_FALSE(p.settings.software);
    EXPECT_EQ(p.output, std::string(defaultWidthMessage) + defaultHeightMessage);
}

TEST(CommandLineSize, OptionsAreCaseSensitiveWholeWords)
{
    Parsed p = parseWords({"-W", "1024", "--Height", "700", "-width", "900", "-ww", "901"});
    EXPECT_EQ(p.settings.width, 800);
    EXPECT_EQ(p.settings.height, 600);
    EXPECT_EQ(p.output, std::string(defaultWidthMessage) + defaultHeightMessage);
}

TEST(CommandLineSize, LastUsableWidthWins)
{
    Parsed p = parseWords({"-w", "1024", "-w", "640"});
    EXPECT_EQ(p.settings.width, 640);
    EXPECT_EQ(p.output, defaultHeightMessage);
}

TEST(CommandLineSize, LongAndShortFormsMixAndTheLastWins)
{
    Parsed p = parseWords({"--height", "500", "-h", "480", "--height", "720"});
    EXPECT_EQ(p.settings.height, 720);
}

TEST(CommandLineSize, WidthAsLastWordHasNoValue)
{
    Parsed p = parseWords({"-h", "700", "-w"});
    EXPECT_EQ(p.settings.width, 800);
    EXPECT_EQ(p.settings.height, 700);
    EXPECT_EQ(p.output, defaultWidthMessage);
}

TEST(CommandLineSize, FailedValueStaysInTheBufferAndSpoilsLaterValues)
{
    // "abc" is never consumed, so "700" is read as "abc700" and fails too.
    Parsed p = parseWords({"-w", "abc", "-h", "700"});
    EXPECT_EQ(p.settings.width, 800);
    EXPECT_EQ(p.settings.height, 600);
    EXPECT_EQ(p.output, std::string(defaultWidthMessage) + defaultHeightMessage);
}

TEST(CommandLineSize, FailedValueKeepsAnEarlierGoodOne)
{
    Parsed p = parseWords({"-w", "1024", "-w", "wide"});
    EXPECT_EQ(p.settings.width, 1024);
}

TEST(CommandLineSize, TrailingTextOfAValueIsReadBeforeTheNextValue)
{
    // The read of "640px" stops at "p"; "px480" then fails, so the height is defaulted.
    Parsed p = parseWords({"-w", "640px", "-h", "480"});
    EXPECT_EQ(p.settings.width, 640);
    EXPECT_EQ(p.settings.height, 600);
    EXPECT_EQ(p.output, defaultHeightMessage);
}

TEST(CommandLineSize, ValuesAcceptLeadingSpaceAndSign)
{
    Parsed p = parseWords({"-w", " +1024", "-h", "  768"});
    EXPECT_EQ(p.settings.width, 1024);
    EXPECT_EQ(p.settings.height, 768);
    EXPECT_EQ(p.output, "");
}

TEST(CommandLineSize, NegativeWidthIsKept)
{
    Parsed p = parseWords({"-w", "-5", "-h", "600"});
    EXPECT_EQ(p.settings.width, -5);
    EXPECT_EQ(p.output, "");
}

TEST(CommandLineSize, ZeroCountsAsMissing)
{
    Parsed p = parseWords({"-w", "0", "-h", "0"});
    EXPECT_EQ(p.settings.width, 800);
    EXPECT_EQ(p.settings.height, 600);
    EXPECT_EQ(p.output, std::string(defaultWidthMessage) + defaultHeightMessage);
}

TEST(CommandLineSize, ValueWordIsStillSeenByTheOtherScans)
{
    // "-f" is the width's value (and fails), yet the fullscreen scan still finds it.
    Parsed p = parseWords({"-w", "-f"});
    EXPECT_EQ(p.settings.width, 800);
    EXPECT_TRUE(p.settings.fullscreen);
    EXPECT_EQ(p.output, std::string(defaultWidthMessage) + defaultHeightMessage);
}

TEST(CommandLineSize, ValueWordIsSkippedByItsOwnScan)
{
    // The first "-w" takes the second as its value; "1024" is then no value of anything.
    Parsed p = parseWords({"-w", "-w", "1024"});
    EXPECT_EQ(p.settings.width, 800);
    EXPECT_EQ(p.output, std::string(defaultWidthMessage) + defaultHeightMessage);
}

TEST(CommandLineSize, OptionNameCanBeAnotherOptionsValue)
{
    // "-h" is the width's value here and fails; the height scan still takes "-h" "300",
    // but "300" is read after what is left of "-h" in the buffer and fails as well.
    Parsed p = parseWords({"-w", "-h", "300"});
    EXPECT_EQ(p.settings.width, 800);
    EXPECT_EQ(p.settings.height, 600);
}

// ---- switches -----------------------------------------------------------------------

TEST(CommandLineSwitches, LongFormsTurnEachOn)
{
    Parsed p = parseWords({"--fullscreen", "--nosound", "--nomusic", "--sdl"});
    EXPECT_TRUE(p.settings.fullscreen);
    EXPECT_TRUE(p.settings.soundOff);
    EXPECT_TRUE(p.settings.musicOff);
    EXPECT_TRUE(p.settings.software);
}

TEST(CommandLineSwitches, ShortFormsTurnEachOn)
{
    Parsed p = parseWords({"-s", "-nm", "-ns", "-f"});
    EXPECT_TRUE(p.settings.fullscreen);
    EXPECT_TRUE(p.settings.soundOff);
    EXPECT_TRUE(p.settings.musicOff);
    EXPECT_TRUE(p.settings.software);
}

TEST(CommandLineSwitches, EachSwitchIsIndependent)
{
    Parsed p = parseWords({"-nm"});
    EXPECT_FALSE(p.settings.fullscreen);
    EXPECT_FALSE(p.settings.soundOff);
    EXPECT_TRUE(p.settings.musicOff);
    EXPECT_FALSE(p.settings.software);
}

// ---- antialiasing -------------------------------------------------------------------

TEST(CommandLineAntialias, AbsentMeansNone)
{
    Parsed p = parseWords({"-w", "1024", "-h", "768"});
    EXPECT_EQ(p.settings.antialias, 0);
    EXPECT_EQ(p.output, "");
}

TEST(CommandLineAntialias, AloneMeansTwoWithMessage)
{
    Parsed p = parseWords({"-a"});
    EXPECT_EQ(p.settings.antialias, 2);
    EXPECT_EQ(p.output, std::string(defaultWidthMessage) + defaultHeightMessage + antialiasMessage);
}

TEST(CommandLineAntialias, OneBecomesTwoWithMessage)
{
    Parsed p = parseWords({"-w", "1024", "-h", "768", "-a", "1"});
    EXPECT_EQ(p.settings.antialias, 2);
    EXPECT_EQ(p.output, antialiasMessage);
}

TEST(CommandLineAntialias, NegativeBecomesTwo)
{
    Parsed p = parseWords({"-w", "1024", "-h", "768", "--antialias", "-4"});
    EXPECT_EQ(p.settings.antialias, 2);
    EXPECT_EQ(p.output, antialiasMessage);
}

TEST(CommandLineAntialias, FourIsKeptWithoutMessage)
{
    Parsed p = parseWords({"-w", "1024", "-h", "768", "-a", "4"});
    EXPECT_EQ(p.settings.antialias, 4);
    EXPECT_EQ(p.output, "");
}

TEST(CommandLineAntialias, UnlistedLevelsArePassedOn)
{
    EXPECT_EQ(parseWords({"-a", "3"}).settings.antialias, 3);
    EXPECT_EQ(parseWords({"--antialias", "16"}).settings.antialias, 16);
}

TEST(CommandLineAntialias, SharesTheBufferWithTheSize)
{
    // The width's unreadable "big" comes before the level, so the level fails and is 2.
    Parsed p = parseWords({"-w", "big", "-a", "4"});
    EXPECT_EQ(p.settings.antialias, 2);
    EXPECT_EQ(p.output, std::string(defaultWidthMessage) + defaultHeightMessage + antialiasMessage);
}

// ---- help ---------------------------------------------------------------------------

TEST(CommandLineHelp, FoundAnywhereAmongTheWords)
{
    EXPECT_TRUE(CommandLine::wantsHelp({"--help"}));
    EXPECT_TRUE(CommandLine::wantsHelp({"-w", "640", "--help"}));
    EXPECT_TRUE(CommandLine::wantsHelp({"--help", "-w", "640"}));
}

TEST(CommandLineHelp, OnlyTheExactWordAsks)
{
    EXPECT_FALSE(CommandLine::wantsHelp({}));
    EXPECT_FALSE(CommandLine::wantsHelp({"-help", "--HELP", "-h", "--help=1", "help"}));
}

TEST(CommandLineHelp, TextIsExact)
{
    const std::string expected =
        "\n"
        "Tarnwick\n"
        "\n"
        "Usage:\n"
        "Tarnwick -w [width] -h [height] -a [val] -f -ns -nm -s\n"
        "\n"
        "Flags:\n"
        "--width [val] | -w [val]:\tSet the width of the window.\n"
        "--height [val] | -h [val]:\tSet the height of the window.\n"
        "--antialias [val] | -a [val]:\tSets the antialiasing level (2, 4, or 6).\n"
        "--fullscreen | -f:\t\tSets whether to go fullscreen or not.\n"
        "--nosound | -ns:\t\tSwitches off the sound output.\n"
        "--nomusic | -nm:\t\tSwitches off the background music.\n"
        "--sdl | -s:\t\tSwitches to the SDL drawing backend in favour of the OpenGL one.\n"
        "--help:\t\t\t\tDisplay this help.\n";
    testing::internal::CaptureStdout();
    CommandLine::printHelp();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
}

// ---- settings from the settings file ------------------------------------------------

// The loader is built in an empty home, so it holds the file's defaults; each test then
// sets the values it needs.
class CommandLineFromConfig : public testing::Test {
protected:
    void SetUp() override
    {
        home.exportAs("HOME");
        testing::internal::CaptureStdout();
        loader.reset(new ConfigLoader());
        testing::internal::GetCapturedStdout();
    }

    TempFolder home{"home"};
    std::unique_ptr<ConfigLoader> loader;
};

TEST_F(CommandLineFromConfig, TakesEveryValueAsItIsWithoutMessages)
{
    ConfigLoader& config = *loader;
    config.width = 0;
    config.height = -20;
    config.antialias = 4;
    config.fullscreen = true;
    config.soundOff = true;
    config.musicOff = false;
    config.software = true;

    testing::internal::CaptureStdout();
    StartupSettings s = CommandLine::fromConfig(config);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(s.width, 0);
    EXPECT_EQ(s.height, -20);
    EXPECT_EQ(s.antialias, 4);
    EXPECT_TRUE(s.fullscreen);
    EXPECT_TRUE(s.soundOff);
    EXPECT_FALSE(s.musicOff);
    EXPECT_TRUE(s.software);
}

TEST_F(CommandLineFromConfig, AntialiasOfOneStaysOneAndBelowIsNone)
{
    ConfigLoader& config = *loader;
    config.antialias = 1;
    EXPECT_EQ(CommandLine::fromConfig(config).antialias, 1);
    config.antialias = 0;
    EXPECT_EQ(CommandLine::fromConfig(config).antialias, 0);
    config.antialias = -3;
    EXPECT_EQ(CommandLine::fromConfig(config).antialias, 0);
}
