#include "AudioTestFiles.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <vorbis/vorbisfile.h>

namespace {

// The game's own sound files, as committed (tools/make_sounds.py makes them).
const std::string soundsFolder = std::string(TARNWICK_SOURCE_DIR) + "/resources/sounds/";
const float minusOneDb = 0.8913f;

struct FileFacts {
    int channels = 0;
    long rate = 0;
    std::vector<std::vector<float>> samples;
};

FileFacts inspect(const std::string& name)
{
    FileFacts facts;
    OggVorbis_File vorbisFile;
    if (ov_fopen((soundsFolder + name).c_str(), &vorbisFile) < 0)
        return facts;
    vorbis_info* info = ov_info(&vorbisFile, 0);
    facts.channels = info->channels;
    facts.rate = info->rate;
    ov_clear(&vorbisFile);
    facts.samples = audiotest::decodeFirstStream(soundsFolder + name);
    return facts;
}

float peak(const std::vector<float>& samples)
{
    float highest = 0.0f;
    for (float value : samples)
        highest = std::max(highest, std::fabs(value));
    return highest;
}

TEST(SoundFiles, TheSixEffectsAreShortMonoAndBelowFullScale)
{
    const char* names[] = { "Connect.ogg", "Die.ogg", "Drop.ogg", "Jump.ogg", "Lightbox.ogg", "Pickup.ogg" };
    for (const char* name : names) {
        FileFacts facts = inspect(name);
        ASSERT_EQ(1, facts.channels) << name;
        EXPECT_EQ(44100, facts.rate) << name;
        size_t frames = facts.samples[0].size();
        EXPECT_GT(frames, 44100u / 20) << name;
        EXPECT_LT(frames, 44100u) << name;
        EXPECT_LT(peak(facts.samples[0]), minusOneDb) << name;
        EXPECT_GT(peak(facts.samples[0]), 0.05f) << name << " is all but silent";
    }
}

// A decoder that has a file open takes pages of the same serial as more of the same
// stream: music.ogg overwritten in place by an effect would play the effect as music.
TEST(SoundFiles, EachFileHasAStreamSerialOfItsOwn)
{
    const char* names[] = { "Connect.ogg", "Die.ogg", "Drop.ogg", "Jump.ogg", "Lightbox.ogg", "Pickup.ogg",
                            "music.ogg" };
    std::set<unsigned> serials;
    for (const char* name : names)
        serials.insert(audiotest::oggSerial(soundsFolder + name));
    EXPECT_EQ(7u, serials.size());
}

TEST(SoundFiles, TheMusicIsAStereoMinuteThatLoopsWithoutAClick)
{
    FileFacts facts = inspect("music.ogg");
    ASSERT_EQ(2, facts.channels);
    EXPECT_EQ(44100, facts.rate);
    ASSERT_EQ(2u, facts.samples.size());
    EXPECT_GE(facts.samples[0].size(), 60u * 44100);

    struct stat info;
    ASSERT_EQ(0, stat((soundsFolder + "music.ogg").c_str(), &info));
    EXPECT_LT(info.st_size, 1500 * 1024);

    for (const std::vector<float>& channel : facts.samples) {
        EXPECT_LT(peak(channel), minusOneDb);
        // The step from the last frame back to the first is no bigger than the steps
        // the music takes anyway: the join cannot be heard as a click.
        std::vector<float> steps(channel.size() - 1);
        for (size_t i = 1; i < channel.size(); i++)
            steps[i - 1] = std::fabs(channel[i] - channel[i - 1]);
        std::nth_element(steps.begin(), steps.begin() + steps.size() * 99 / 100, steps.end());
        float typicalLargeStep = steps[steps.size() * 99 / 100];
        EXPECT_LE(std::fabs(channel.front() - channel.back()), typicalLargeStep);
    }
}

TEST(SoundFiles, TheMusicIsNeverSilentForLong)
{
    FileFacts facts = inspect("music.ogg");
    ASSERT_EQ(2u, facts.samples.size());
    const std::vector<float>& left = facts.samples[0];
    const size_t window = 44100;
    for (size_t start = 0; start + window <= left.size(); start += window) {
        double sum = 0.0;
        for (size_t i = start; i < start + window; i++)
            sum += static_cast<double>(left[i]) * left[i];
        EXPECT_GT(std::sqrt(sum / window), 0.02) << "second " << start / window;
    }
}

} // namespace
