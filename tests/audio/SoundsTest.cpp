#include "audio/Sounds.h"
#include "AudioTestFiles.h"
#include "tests/support/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A player of its own on a folder of test files (the game's one instance reads the
// bundle's sounds folder).
class TestSounds : public Sounds {
public:
    explicit TestSounds(const std::string& folder) : Sounds(folder) {}
    ~TestSounds() {}
};

const int jumpFrames = 3000;
const int dropFrames = 100;

class SoundsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Each effect its own pitch and length, so that a mix-up would show.
        ASSERT_TRUE(audiotest::makeOgg(folder + "Connect.ogg", 1, 4000, "sine 300"));
        ASSERT_TRUE(audiotest::makeOgg(folder + "Die.ogg", 1, 5000, "sine 200"));
        ASSERT_TRUE(audiotest::makeOgg(folder + "Drop.ogg", 1, dropFrames, "sine 500"));
        ASSERT_TRUE(audiotest::makeOgg(folder + "Jump.ogg", 1, jumpFrames, "sine 700"));
        ASSERT_TRUE(audiotest::makeOgg(folder + "Lightbox.ogg", 1, 6000, "sine 900"));
        ASSERT_TRUE(audiotest::makeOgg(folder + "Pickup.ogg", 1, 2000, "sine 1200"));
        jump = audiotest::decodeFirstStream(folder + "Jump.ogg").at(0);
        ASSERT_EQ(jumpFrames, static_cast<int>(jump.size()));
    }

    TestSounds* load()
    {
        testing::internal::CaptureStdout();
        TestSounds* sounds = new TestSounds(folder);
        output = testing::internal::GetCapturedStdout();
        return sounds;
    }

    TempFolder temp{"audio"};
    const std::string folder = temp.path() + "/";
    std::string output;
    std::vector<float> jump;
};

TEST_F(SoundsTest, LoadsTheSixEffectsAndSaysSo)
{
    std::unique_ptr<TestSounds> sounds(load());
    const char* names[] = { "Connect.ogg", "Die.ogg", "Drop.ogg", "Jump.ogg", "Lightbox.ogg", "Pickup.ogg" };
    const unsigned lengths[] = { 4000, 5000, dropFrames, jumpFrames, 6000, 2000 };
    std::string expected;
    for (int type = 0; type < Sounds::SoundTypeCount; type++) {
        EXPECT_STREQ(names[type], Sounds::getFileName(Sounds::SoundType(type)));
        EXPECT_EQ(lengths[type], sounds->getFile(Sounds::SoundType(type)).length) << names[type];
        EXPECT_NE(nullptr, sounds->getFile(Sounds::SoundType(type)).data);
        expected += std::string("vorbisfile: Loaded file: ") + folder + names[type] + "\n";
    }
    EXPECT_EQ(expected, output);
}

TEST_F(SoundsTest, NothingPlaysUntilASoundStarts)
{
    std::unique_ptr<TestSounds> sounds(load());
    std::vector<float> block(2 * 256, 0.25f);
    sounds->getAudio(block.data(), 256);
    for (float value : block)
        ASSERT_EQ(0.25f, value);
    for (int voice = 0; voice < Sounds::VoiceCount; voice++)
        EXPECT_FALSE(sounds->isVoiceActive(voice));
}

// One reflector asks for Connect once per reflector placed, all in one step of the game:
// copies of one effect that begin together play once, whatever the size of the blocks
// (here one frame each, as some devices ask), while another effect, or the same one a
// moment later, still adds up.
TEST_F(SoundsTest, CopiesOfAnEffectBegunTogetherPlayOnce)
{
    std::unique_ptr<TestSounds> sounds(load());
    std::vector<float> drop = audiotest::decodeFirstStream(folder + "Drop.ogg").at(0);
    sounds->playSound(Sounds::Jump);
    sounds->playSound(Sounds::Jump);
    sounds->playSound(Sounds::Drop);
    EXPECT_EQ(2u, sounds->getRequestCount(Sounds::Jump));

    std::vector<float> heard;
    auto playFrames = [&](int count) {
        for (int i = 0; i < count; i++) {
            float frame[2] = { 0.0f, 0.0f };
            sounds->getAudio(frame, 1);
            ASSERT_EQ(frame[0], frame[1]);
            heard.push_back(frame[0]);
        }
    };
    playFrames(10);
    sounds->playSound(Sounds::Jump);   // still within the first's window
    playFrames(Sounds::MergeFrames - 10);
    sounds->playSound(Sounds::Jump);   // past it
    playFrames(200);
    for (unsigned i = 0; i < heard.size(); i++) {
        float expected = jump[i] + (i < drop.size() ? drop[i] : 0.0f);
        if (i >= Sounds::MergeFrames)
            expected += jump[i - Sounds::MergeFrames];
        ASSERT_EQ(expected, heard[i]) << i;
    }
    EXPECT_EQ(4u, sounds->getRequestCount(Sounds::Jump));
}

TEST_F(SoundsTest, ASoundEndingInsideABlockLeavesTheRestUntouched)
{
    std::unique_ptr<TestSounds> sounds(load());
    sounds->playSound(Sounds::Jump);
    std::vector<float> block(2 * 4096, 0.25f);
    sounds->getAudio(block.data(), 2048);
    std::fill(block.begin(), block.end(), 0.25f);
    sounds->getAudio(block.data(), 4096);
    for (int i = 0; i < 4096; i++) {
        float expected = 2048 + i < jumpFrames ? 0.25f + jump[2048 + i] : 0.25f;
        ASSERT_EQ(expected, block[2 * i]) << i;
        ASSERT_EQ(expected, block[2 * i + 1]) << i;
    }
    EXPECT_FALSE(sounds->isVoiceActive(0));
    sounds->playSound(Sounds::Drop);
    EXPECT_TRUE(sounds->isVoiceActive(0));
    EXPECT_FALSE(sounds->isVoiceActive(1));
}

TEST_F(SoundsTest, AFullVoiceTableDropsRequestsAndFreedVoicesAreReusedLowestFirst)
{
    std::unique_ptr<TestSounds> sounds(load());
    std::unique_ptr<TestSounds> control(load());
    // Voices 3 and 7 hold the short drop; the rest hold the longer jump.
    for (int voice = 0; voice < Sounds::VoiceCount; voice++) {
        Sounds::SoundType type = voice == 3 || voice == 7 ? Sounds::Drop : Sounds::Jump;
        sounds->playSound(type);
        control->playSound(type);
    }
    for (int voice = 0; voice < Sounds::VoiceCount; voice++)
        ASSERT_TRUE(sounds->isVoiceActive(voice));

    sounds->playSound(Sounds::Pickup);
    EXPECT_EQ(1u, sounds->getRequestCount(Sounds::Pickup));

    std::vector<float> block(2 * 200, 0.0f);
    std::vector<float> controlBlock(2 * 200, 0.0f);
    sounds->getAudio(block.data(), 200);
    control->getAudio(controlBlock.data(), 200);
    EXPECT_EQ(controlBlock, block) << "the 129th sound must not play";

    // Voice 0 plays the jump for all the copies begun with it, voice 3 the drop, which
    // has ended; every other voice is free again.
    EXPECT_TRUE(sounds->isVoiceActive(0));
    EXPECT_FALSE(sounds->isVoiceActive(1));
    EXPECT_FALSE(sounds->isVoiceActive(3));
    sounds->playSound(Sounds::Pickup);
    EXPECT_TRUE(sounds->isVoiceActive(1));
    EXPECT_FALSE(sounds->isVoiceActive(2));
}

TEST_F(SoundsTest, AStereoEffectLoadsAsItsFirstChannel)
{
    ASSERT_TRUE(audiotest::makeOgg(folder + "stereo.ogg", 2, 3000, "sine 440 sine 1500"));
    std::vector<std::vector<float>> reference = audiotest::decodeFirstStream(folder + "stereo.ogg");
    ASSERT_EQ(2u, reference.size());

    std::unique_ptr<TestSounds> sounds(load());
    Sounds::SoundFile file = { nullptr, 0 };
    testing::internal::CaptureStdout();
    sounds->loadFile(folder + "stereo.ogg", &file);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(3000u, file.length);
    ASSERT_NE(nullptr, file.data);
    std::vector<float> loaded(file.data, file.data + file.length);
    EXPECT_EQ(reference[0], loaded);
    EXPECT_NE(reference[1], loaded);
    delete[] file.data;
}

TEST_F(SoundsTest, AnEffectPastThirtySecondsIsRefusedAndOneJustUnderLoads)
{
    ASSERT_TRUE(audiotest::makeOgg(folder + "long.ogg", 1, 30 * 44100 + 1, "sine 440"));
    ASSERT_TRUE(audiotest::makeOgg(folder + "fits.ogg", 1, 30 * 44100 - 4096, "sine 440"));
    std::unique_ptr<TestSounds> sounds(load());
    Sounds::SoundFile file = { nullptr, 0 };
    testing::internal::CaptureStdout();
    sounds->loadFile(folder + "long.ogg", &file);
    EXPECT_EQ("vorbisfile: Effect longer than 30 seconds, not loaded: " + folder + "long.ogg\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(nullptr, file.data);
    sounds->loadFile(folder + "fits.ogg", &file);
    EXPECT_EQ(30u * 44100 - 4096, file.length);
    delete[] file.data;
}

TEST_F(SoundsTest, AMissingEffectIsNamedWithItsFullPathAndTheOthersStillPlay)
{
    ASSERT_EQ(0, unlink((folder + "Die.ogg").c_str()));
    std::unique_ptr<TestSounds> sounds(load());
    EXPECT_NE(std::string::npos, output.find("vorbisfile: fopen could not open file: " + folder + "Die.ogg\n"));
    EXPECT_EQ(nullptr, sounds->getFile(Sounds::Die).data);
    EXPECT_EQ(0u, sounds->getFile(Sounds::Die).length);

    // The failed effect plays nothing and reads nothing.
    sounds->playSound(Sounds::Die);
    EXPECT_EQ(1u, sounds->getRequestCount(Sounds::Die));
    EXPECT_FALSE(sounds->isVoiceActive(0));
    std::vector<float> block(2 * 64, 0.0f);
    sounds->getAudio(block.data(), 64);
    for (float value : block)
        ASSERT_EQ(0.0f, value);

    for (int type = 0; type < Sounds::SoundTypeCount; type++) {
        if (type == Sounds::Die)
            continue;
        EXPECT_NE(nullptr, sounds->getFile(Sounds::SoundType(type)).data);
        sounds->playSound(Sounds::SoundType(type));
    }
    for (int voice = 0; voice < 5; voice++)
        EXPECT_TRUE(sounds->isVoiceActive(voice));
    sounds->getAudio(block.data(), 64);
    bool heard = false;
    for (float value : block)
        heard = heard || value != 0.0f;
    EXPECT_TRUE(heard);
}

TEST_F(SoundsTest, AFileThatIsNotOggVorbisIsRefused)
{
    ASSERT_TRUE(audiotest::writeBytes(folder + "Pickup.ogg", std::string(5000, 'x')));
    std::unique_ptr<TestSounds> sounds(load());
    EXPECT_NE(std::string::npos, output.find("vorbisfile: Could not open file: " + folder + "Pickup.ogg\n"));
    EXPECT_EQ(nullptr, sounds->getFile(Sounds::Pickup).data);
    sounds->playSound(Sounds::Pickup);
    EXPECT_FALSE(sounds->isVoiceActive(0));
}

// A named pipe would hold the thread that creates the player (the audio thread) until
// something writes to it; it is refused like a file that cannot be opened.
TEST_F(SoundsTest, APipeInPlaceOfAnEffectIsRefusedWithoutWaiting)
{
    audiotest::PipeInPlace pipe(folder + "Jump.ogg");
    ASSERT_TRUE(pipe.made());
    std::unique_ptr<TestSounds> sounds(load());
    EXPECT_FALSE(pipe.readerWaited());
    EXPECT_NE(std::string::npos, output.find("vorbisfile: fopen could not open file: " + folder + "Jump.ogg\n"));
    EXPECT_EQ(nullptr, sounds->getFile(Sounds::Jump).data);
    EXPECT_NE(nullptr, sounds->getFile(Sounds::Pickup).data);
}

TEST_F(SoundsTest, AnEmptyBlockWritesNothing)
{
    std::unique_ptr<TestSounds> sounds(load());
    sounds->playSound(Sounds::Jump);
    float guard[2] = { 0.5f, 0.5f };
    sounds->getAudio(guard, 0);
    EXPECT_EQ(0.5f, guard[0]);
    EXPECT_EQ(0.5f, guard[1]);
    EXPECT_TRUE(sounds->isVoiceActive(0));
}

// The game starts sounds on its main thread while the audio thread mixes: every sample
// of every started sound must come out once, none lost and none twice.
TEST_F(SoundsTest, SoundsStartedWhileAnotherThreadMixesAllPlayInFull)
{
    // A sound with a steady offset, so that its samples add up to a clear total.
    ASSERT_TRUE(audiotest::makeOgg(folder + "Pickup.ogg", 1, 2000, "sine 700 dcshift 0.3"));
    std::vector<float> pickup = audiotest::decodeFirstStream(folder + "Pickup.ogg").at(0);
    double pickupSum = 0.0;
    for (float value : pickup)
        pickupSum += value;
    ASSERT_GT(pickupSum, 100.0);
    std::unique_ptr<TestSounds> sounds(load());

    std::atomic<bool> stop{false};
    double mixedSum = 0.0;
    std::thread mixer([&]() {
        std::vector<float> block(2 * 64);
        for (;;) {
            bool last = stop.load(std::memory_order_acquire);
            std::fill(block.begin(), block.end(), 0.0f);
            sounds->getAudio(block.data(), 64);
            for (int i = 0; i < 64; i++)
                mixedSum += block[2 * i];
            if (last)
                break;
        }
    });

    const int starts = 300;
    for (int i = 0; i < starts; i++) {
        sounds->playSound(Sounds::Pickup);
        // Bursts and pauses, so that voices end and are taken again while mixing.
        if (i % 20 == 19)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // Let every voice run out before the mixer stops.
    for (int tries = 0; tries < 5000; tries++) {
        bool anyActive = false;
        for (int voice = 0; voice < Sounds::VoiceCount; voice++)
            anyActive = anyActive || sounds->isVoiceActive(voice);
        if (!anyActive)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stop.store(true, std::memory_order_release);
    mixer.join();

    EXPECT_EQ(static_cast<unsigned>(starts), sounds->getRequestCount(Sounds::Pickup));
    // Requests made while all 128 voices were busy are dropped and copies begun together
    // play once, so count what played: each played sound adds pickupSum exactly once.
    double played = mixedSum / pickupSum;
    EXPECT_NEAR(played, std::round(played), 0.01);
    EXPECT_GE(std::round(played), 1.0);
    EXPECT_LE(std::round(played), static_cast<double>(starts));
}

TEST(SoundsInstance, IsOneObjectLoadedFromTheGamesSoundsFolder)
{
    Sounds* sounds = Sounds::getInstance();
    EXPECT_EQ(sounds, Sounds::getInstance());
    for (int type = 0; type < Sounds::SoundTypeCount; type++) {
        EXPECT_NE(nullptr, sounds->getFile(Sounds::SoundType(type)).data) << Sounds::getFileName(Sounds::SoundType(type));
        EXPECT_GT(sounds->getFile(Sounds::SoundType(type)).length, 0u);
    }
}

} // namespace
