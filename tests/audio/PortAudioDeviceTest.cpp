#include "audio/PortAudioCallback.h"
#include "audio/PortAudioDevice.h"
#include "AudioTestFiles.h"
#include "tests/support/TempFolder.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <SDL/SDL.h>

namespace {

// Writes a fixed left/right pair into every frame and counts what it was asked for.
class PatternSource : public PortAudioCallback {
public:
    std::atomic<long> frames{0};
    std::atomic<int> calls{0};
    std::atomic<bool> sawInput{false};

    void getAudio(float* input, float* output, int count) override
    {
        if (input)
            sawInput = true;
        for (int i = 0; i < count; i++) {
            output[2 * i] = 0.5f;
            output[2 * i + 1] = -0.25f;
        }
        frames += count;
        calls++;
    }
};

// Points ALSA at a configuration of the test's own through a temporary HOME, so that
// the default output is a file, or nothing that can be opened.
class PortAudioDeviceTest : public ::testing::Test {
protected:
    PortAudioDeviceTest() { home.exportAs("HOME"); }

    void useAlsaConfig(const std::string& config)
    {
        ASSERT_TRUE(audiotest::writeBytes(folder + ".asoundrc", config));
    }

    std::string fileDevice()
    {
        return "pcm.!default { type file; slave.pcm \"null\"; file \"" + folder + "out.raw\"; format \"raw\" }\n";
    }

    TempFolder home{"audio"};
    const std::string folder = home.path() + "/";
};

TEST_F(PortAudioDeviceTest, StartsAStreamOnTheDefaultOutputAndRefusesASecondStart)
{
    useAlsaConfig(fileDevice());
    PortAudioDevice device;
    PatternSource source;
    device.setCallback(&source);
    device.setNumChannels(0, 2);
    device.setSamplerate(44100.0);

    testing::internal::CaptureStdout();
    bool started = device.start();
    bool again = device.start();
    std::string output = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(started);
    EXPECT_FALSE(again);
    EXPECT_TRUE(device.isRunning());
    EXPECT_EQ(44100.0, device.getSampleRate());
    EXPECT_EQ("", output);

    for (int tries = 0; tries < 400 && source.frames < 4096; tries++)
        SDL_Delay(5);
    device.stop();
    EXPECT_FALSE(device.isRunning());
    EXPECT_GE(source.frames.load(), 4096);
    EXPECT_FALSE(source.sawInput.load());

    // What the callback wrote reached the device as interleaved 32-bit floats.
    std::string bytes = audiotest::readBytes(folder + "out.raw");
    ASSERT_GE(bytes.size(), 8u * 4096);
    size_t pairs = 0;
    for (size_t offset = 0; offset + 8 <= bytes.size(); offset += 8) {
        float pair[2];
        std::memcpy(pair, bytes.data() + offset, 8);
        if (pair[0] == 0.5f && pair[1] == -0.25f)
            pairs++;
        else
            ASSERT_TRUE(pair[0] == 0.0f && pair[1] == 0.0f) << "frame " << offset / 8;
    }
    EXPECT_GE(pairs, 4096u);

    // Stopped, it may be started again.
    ASSERT_TRUE(device.start());
    device.stop();
}

TEST_F(PortAudioDeviceTest, NoOutputDeviceIsAFailureToOpenTheStream)
{
    useAlsaConfig("pcm.!default { type hw; card 31 }\n");
    PortAudioDevice device;
    PatternSource source;
    device.setCallback(&source);
    // ALSA's complaints about the missing card stay off standard error, and standard
    // error works again afterwards.
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    bool started = device.start();
    std::fprintf(stderr, "after the probe\n");
    std::string errors = testing::internal::GetCapturedStderr();
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(started);
    EXPECT_FALSE(device.isRunning());
    EXPECT_EQ("PortAudioDevice Error: Could not open stream.\n", output);
    EXPECT_EQ("after the probe\n", errors);
    device.stop();
    EXPECT_EQ(0, source.calls.load());

    // PortAudio was shut down again, so a usable device afterwards still works.
    useAlsaConfig(fileDevice());
    testing::internal::CaptureStdout();
    EXPECT_TRUE(device.start());
    testing::internal::GetCapturedStdout();
    device.stop();
}

TEST_F(PortAudioDeviceTest, AStreamTheDeviceRefusesIsReported)
{
    useAlsaConfig(fileDevice());
    PortAudioDevice device;
    PatternSource source;
    device.setCallback(&source);
    device.setNumChannels(0, 4096);
    testing::internal::CaptureStdout();
    bool started = device.start();
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(started);
    EXPECT_FALSE(device.isRunning());
    EXPECT_EQ("PortAudioDevice Error: Could not open stream.\n", output);
}

TEST(PortAudioCallbackEntry, PassesBlocksToTheSource)
{
    PatternSource source;
    float block[2 * 8] = {};
    EXPECT_EQ(paContinue, PortAudioDevice::portAudioCallback(nullptr, block, 8, nullptr, 0, &source));
    EXPECT_EQ(8, source.frames.load());
    EXPECT_EQ(0.5f, block[14]);
    EXPECT_EQ(-0.25f, block[15]);
    EXPECT_FALSE(source.sawInput.load());
}

TEST(PortAudioCallbackEntry, AnEmptyBlockWritesNothing)
{
    PatternSource source;
    float guard[2] = { 7.0f, 7.0f };
    EXPECT_EQ(paContinue, PortAudioDevice::portAudioCallback(nullptr, guard, 0, nullptr, 0, &source));
    EXPECT_EQ(1, source.calls.load());
    EXPECT_EQ(7.0f, guard[0]);
    EXPECT_EQ(7.0f, guard[1]);
}

TEST(PortAudioCallbackEntry, WithoutASourceTheBlockIsLeftAlone)
{
    float guard[2] = { 7.0f, 7.0f };
    EXPECT_EQ(paContinue, PortAudioDevice::portAudioCallback(nullptr, guard, 1, nullptr, 0, nullptr));
    EXPECT_EQ(7.0f, guard[0]);
}

TEST(PortAudioDeviceState, StartsStoppedWithStereoAt44100)
{
    PortAudioDevice device;
    EXPECT_FALSE(device.isRunning());
    EXPECT_EQ(44100.0, device.getSampleRate());
    device.setSamplerate(48000.0);
    EXPECT_EQ(48000.0, device.getSampleRate());
    device.stop();
    EXPECT_FALSE(device.isRunning());
}

} // namespace
