#include "audio/BackgroundMusic.h"
#include "AudioTestFiles.h"
#include "tests/support/TempFolder.h"

#include <atomic>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// Stand-ins placed in front of libvorbisfile's own ov_read_float and ov_clear: a test
// can hold the next read up on purpose, and a clear of the decoder being read from
// meanwhile is noticed (the held read then returns an error instead of touching it).
namespace decoderWatch {
std::atomic<bool> holdNextRead{false};
std::atomic<bool> holding{false};
std::atomic<bool> clearedDuringRead{false};
std::atomic<OggVorbis_File*> heldDecoder{nullptr};
const Uint32 holdMilliseconds = 900;
} // namespace decoderWatch

extern "C" long ov_read_float(OggVorbis_File* vf, float*** pcm, int samples, int* bitstream)
{
    typedef long (*Read)(OggVorbis_File*, float***, int, int*);
    static Read real = reinterpret_cast<Read>(dlsym(RTLD_NEXT, "ov_read_float"));
    if (decoderWatch::holdNextRead.exchange(false)) {
        decoderWatch::heldDecoder.store(vf);
        decoderWatch::holding.store(true);
        SDL_Delay(decoderWatch::holdMilliseconds);
        decoderWatch::holding.store(false);
        decoderWatch::heldDecoder.store(nullptr);
        if (decoderWatch::clearedDuringRead.load())
            return OV_EINVAL;
    }
    return real(vf, pcm, samples, bitstream);
}

extern "C" int ov_clear(OggVorbis_File* vf)
{
    typedef int (*Clear)(OggVorbis_File*);
    static Clear real = reinterpret_cast<Clear>(dlsym(RTLD_NEXT, "ov_clear"));
    if (vf && vf == decoderWatch::heldDecoder.load())
        decoderWatch::clearedDuringRead.store(true);
    return real(vf);
}

namespace {

const int B = BackgroundMusic::BufferFrames;

// What the audio thread does to the music, frame by frame: each frame is scaled by the
// fade as it stood before the frame and by the music's gain of 0.75, which a block
// crossing into the next buffer keeps too, and the fade then steps up.
struct ExpectedPlayback {
    float volume = 0.0f;
    long frame = 0;

    float next(float sample)
    {
        float value = sample * volume * 0.75f;
        if (volume < 1.0f)
            volume += 0.000001f;
        frame++;
        return value;
    }
};

class BackgroundMusicTest : public ::testing::Test {
protected:
    BackgroundMusic* open(const std::string& name)
    {
        testing::internal::CaptureStdout();
        BackgroundMusic* music = new BackgroundMusic(folder + name);
        output = testing::internal::GetCapturedStdout();
        return music;
    }

    // Plays one block, first letting the music thread catch up with the buffers the
    // block will enter, so that the block hears music all through.
    static std::vector<float> play(BackgroundMusic* music, int frames)
    {
        int crossings = (music->getReadPosition() + frames - 1) / B;
        for (int step = 1; step <= crossings && step < BackgroundMusic::BufferCount; step++)
            waitForFill(music, (music->getCurrentBuffer() + step) % BackgroundMusic::BufferCount);
        std::vector<float> block(2 * static_cast<size_t>(frames), 0.0f);
        music->audioBlock(block.data(), frames);
        return block;
    }

    static void waitForFill(BackgroundMusic* music, int index)
    {
        for (int tries = 0; tries < 2000 && music->isWaitingForFill(index); tries++)
            SDL_Delay(5);
        ASSERT_FALSE(music->isWaitingForFill(index)) << "the music thread never refilled buffer " << index;
    }

    TempFolder temp{"audio"};
    const std::string folder = temp.path() + "/";
    std::string output;
};

TEST_F(BackgroundMusicTest, OpensTheFileDecodesAheadAndStartsItsThread)
{
    ASSERT_TRUE(audiotest::makeOgg(folder + "music.ogg", 2, 44100, "sine 440 sine 660"));
    std::unique_ptr<BackgroundMusic> music(open("music.ogg"));
    EXPECT_EQ("vorbisfile: Loaded file: " + folder + "music.ogg\n", output);
    EXPECT_TRUE(music->hasMusic());
    EXPECT_TRUE(music->hasThread());
    for (int i = 0; i < BackgroundMusic::BufferCount; i++)
        EXPECT_FALSE(music->isWaitingForFill(i));
    EXPECT_EQ(0, music->getCurrentBuffer());
    EXPECT_EQ(0, music->getReadPosition());
}

TEST_F(BackgroundMusicTest, FadesInFromSilenceToFullVolumeAfter990522Frames)
{
    ASSERT_TRUE(audiotest::makeOgg(folder + "music.ogg", 2, 44100, "sine 440 sine 660"));
    std::vector<std::vector<float>> reference = audiotest::decodeFirstStream(folder + "music.ogg");
    std::unique_ptr<BackgroundMusic> music(open("music.ogg"));
    ASSERT_TRUE(music->hasMusic());

    std::vector<float> first = play(music.get(), 1);
    EXPECT_EQ(0.0f, first[0]);
    EXPECT_EQ(0.0f, first[1]);
    EXPECT_GT(music->getVolume(), 0.0f);

    long played = 1;
    const long full = 990522;
    while (played < full - 1) {
        int frames = static_cast<int>(std::min<long>(2205, full - 1 - played));
        play(music.get(), frames);
        played += frames;
    }
    EXPECT_LT(music->getVolume(), 1.0f);
    play(music.get(), 1);
    EXPECT_EQ(1.0f, music->getVolume());
    play(music.get(), 2205);
    EXPECT_EQ(1.0f, music->getVolume());

    // At full volume a block inside one buffer is the music at 0.75.
    int position = music->getReadPosition();
    ASSERT_LE(position + 1000, B);
    long start = full + 2205;
    std::vector<float> block = play(music.get(), 1000);
    size_t length = reference[0].size();
    for (int i = 0; i < 1000; i++) {
        size_t index = static_cast<size_t>(start + i) % length;
        ASSERT_NEAR(reference[0][index] * 0.75f, block[2 * i], 1e-5) << i;
        ASSERT_NEAR(reference[1][index] * 0.75f, block[2 * i + 1], 1e-5) << i;
    }
}

TEST_F(BackgroundMusicTest, ABlockCrossingIntoTheNextBufferKeepsItsGainAndHandsTheOldOneBack)
{
    ASSERT_TRUE(audiotest::makeOgg(folder + "music.ogg", 2, 100000, "sine 440 sine 660"));
    std::vector<std::vector<float>> reference = audiotest::decodeFirstStream(folder + "music.ogg");
    std::unique_ptr<BackgroundMusic> music(open("music.ogg"));
    ASSERT_TRUE(music->hasMusic());

    ExpectedPlayback expected;
    std::vector<float> lead = play(music.get(), 10900);
    for (int i = 0; i < 10900; i++) {
        float value = expected.next(reference[0][i]);
        ASSERT_NEAR(value, lead[2 * i], 1e-6) << i;
    }
    EXPECT_EQ(10900, music->getReadPosition());

    std::vector<float> block = play(music.get(), 512);
    for (int i = 0; i < 512; i++) {
        size_t frame = static_cast<size_t>(10900 + i);
        float volume = expected.volume;
        float left = expected.next(reference[0][frame]);
        ASSERT_NEAR(left, block[2 * i], 1e-6) << i;
        ASSERT_NEAR(reference[1][frame] * volume * 0.75f, block[2 * i + 1], 1e-6) << i;
    }
    EXPECT_EQ(1, music->getCurrentBuffer());
    EXPECT_EQ(387, music->getReadPosition());

    // Buffer 0 went back to the music thread, which fills it with what follows buffer 2.
    waitForFill(music.get(), 0);
    play(music.get(), B - 387);
    play(music.get(), B);
    std::vector<float> wrapped = play(music.get(), 1);
    EXPECT_EQ(0, music->getCurrentBuffer());
    float volume = music->getVolume() - 0.000001f;
    EXPECT_NEAR(reference[0][3 * B] * volume * 0.75f, wrapped[0], 1e-6);
    EXPECT_NEAR(reference[1][3 * B] * volume * 0.75f, wrapped[1], 1e-6);
}

TEST_F(BackgroundMusicTest, ABlockEndingExactlyAtTheBufferEndSwitchesAtTheNextBlock)
{
    ASSERT_TRUE(audiotest::makeOgg(folder + "music.ogg", 2, 100000, "sine 440 sine 660"));
    std::vector<std::vector<float>> reference = audiotest::decodeFirstStream(folder + "music.ogg");
    std::unique_ptr<BackgroundMusic> music(open("music.ogg"));
    ASSERT_TRUE(music->hasMusic());

    ExpectedPlayback expected;
    std::vector<float> whole = play(music.get(), B);
    for (int i = 0; i < B; i++) {
        float left = expected.next(reference[0][i]);
        ASSERT_NEAR(left, whole[2 * i], 1e-6) << i;
    }
    EXPECT_EQ(0, music->getCurrentBuffer());
    EXPECT_EQ(B, music->getReadPosition());
    EXPECT_FALSE(music->isWaitingForFill(0));

    std::vector<float> next = play(music.get(), 100);
    for (int i = 0; i < 100; i++) {
        float left = expected.next(reference[0][B + i]);
        ASSERT_NEAR(left, next[2 * i], 1e-6) << i;
    }
    EXPECT_EQ(1, music->getCurrentBuffer());
    EXPECT_EQ(100, music->getReadPosition());
}

TEST_F(BackgroundMusicTest, ABlockLongerThanABufferRunsOnThroughTheNextBuffers)
{
    ASSERT_TRUE(audiotest::makeOgg(folder + "music.ogg", 2, 100000, "sine 440 sine 660"));
    std::vector<std::vector<float>> reference = audiotest::decodeFirstStream(folder + "music.ogg");
    std::unique_ptr<BackgroundMusic> music(open("music.ogg"));
    ASSERT_TRUE(music->hasMusic());

    ExpectedPlayback expected;
    std::vector<float> block = play(music.get(), 25000);
    for (int i = 0; i < 25000; i++) {
        float left = expected.next(reference[0][i]);
        ASSERT_NEAR(left, block[2 * i], 1e-6) << i;
    }
    EXPECT_EQ(2, music->getCurrentBuffer());
    EXPECT_EQ(25000 - 2 * B, music->getReadPosition());
}

// A block that reaches a buffer the music thread has not refilled yet goes on without
// music, and the thread refills buffers in the order they were handed back. Fails on a
// mixer that plays the next buffer whether or not it was refilled (the end of the first
// block would be the old frames of buffer 0), and on a thread that scans buffers 0, 1, 2
// in turn (buffer 0, handed back after buffer 2, would get the music that belongs in 2).
TEST_F(BackgroundMusicTest, AnUnfilledBufferIsSilentAndBuffersAreRefilledInTheOrderPlayed)
{
    ASSERT_TRUE(audiotest::makeOgg(folder + "music.ogg", 2, 100000, "sine 440 sine 660"));
    std::vector<std::vector<float>> reference = audiotest::decodeFirstStream(folder + "music.ogg");
    std::unique_ptr<BackgroundMusic> music(open("music.ogg"));
    ASSERT_TRUE(music->hasMusic());
    // Frames from..from+count of a block, the fade starting at
    // `volume` and stepping once for each frame mixed before them.
    auto expectMusic = [&](const std::vector<float>& block, float volume, int from, int count, int firstFrame) {
        ExpectedPlayback expected;
        expected.volume = volume;
        for (int i = 0; i < from; i++)
            expected.next(0.0f);
        for (int i = 0; i < count; i++)
            ASSERT_NEAR(expected.next(reference[0][firstFrame + i]), block[2 * (from + i)], 1e-6) << i;
    };

    // Through all three buffers in one block: buffer 0, handed back a moment before the
    // block reaches it again, cannot have been refilled yet.
    std::vector<float> through(2 * (3 * B + 100), 0.0f);
    music->audioBlock(through.data(), 3 * B + 100);
    expectMusic(through, 0.0f, 3 * B - 10, 10, 3 * B - 10);
    for (int i = 3 * B; i < 3 * B + 100; i++)
        ASSERT_EQ(0.0f, through[2 * i]) << i;
    EXPECT_EQ(2, music->getCurrentBuffer());

    // With 0 and 1 refilled, the music goes on from frame 3B. The block plays them both,
    // handing back 2 and then 0, and stops at the end of 1.
    waitForFill(music.get(), 0);
    waitForFill(music.get(), 1);
    float volume = music->getVolume();
    std::vector<float> next(2 * 2 * B, 0.0f);
    music->audioBlock(next.data(), 2 * B);
    expectMusic(next, volume, 0, 10, 3 * B);
    expectMusic(next, volume, 2 * B - 10, 10, 5 * B - 10);
    EXPECT_EQ(1, music->getCurrentBuffer());

    // Frame 5B belongs in buffer 2, which was handed back first.
    waitForFill(music.get(), 2);
    waitForFill(music.get(), 0);
    volume = music->getVolume();
    std::vector<float> last(2 * B, 0.0f);
    music->audioBlock(last.data(), B);
    expectMusic(last, volume, 0, B, 5 * B);
    EXPECT_EQ(2, music->getCurrentBuffer());
}

TEST_F(BackgroundMusicTest, AFileShorterThanABufferRepeatsSeamlessly)
{
    ASSERT_TRUE(audiotest::makeOgg(folder + "short.ogg", 2, 3000, "sine 441 sine 882"));
    std::vector<std::vector<float>> reference = audiotest::decodeFirstStream(folder + "short.ogg");
    ASSERT_EQ(3000u, reference[0].size());
    std::unique_ptr<BackgroundMusic> music(open("short.ogg"));
    ASSERT_TRUE(music->hasMusic());

    // Blocks of a fifth of a buffer never cross a buffer boundary mid-block.
    ExpectedPlayback expected;
    for (int blockIndex = 0; blockIndex < 25; blockIndex++) {
        std::vector<float> block = play(music.get(), B / 5);
        for (int i = 0; i < B / 5; i++) {
            size_t index = static_cast<size_t>(expected.frame % 3000);
            float volume = expected.volume;
            float left = expected.next(reference[0][index]);
            ASSERT_NEAR(left, block[2 * i], 1e-6) << blockIndex << ":" << i;
            ASSERT_NEAR(reference[1][index] * volume * 0.75f, block[2 * i + 1], 1e-6) << blockIndex << ":" << i;
        }
    }
}

TEST_F(BackgroundMusicTest, AChainedFilePlaysItsFirstStreamOnly)
{
    ASSERT_TRUE(audiotest::makeOgg(folder + "a.ogg", 2, 4000, "sine 440 sine 660"));
    ASSERT_TRUE(audiotest::makeOgg(folder + "b.ogg", 2, 4000, "square 1000 square 1000"));
    ASSERT_NE(audiotest::oggSerial(folder + "a.ogg"), audiotest::oggSerial(folder + "b.ogg"));
    ASSERT_TRUE(audiotest::chainFiles(folder + "a.ogg", folder + "b.ogg", folder + "chained.ogg"));
    std::vector<std::vector<float>> reference = audiotest::decodeFirstStream(folder + "a.ogg");
    ASSERT_EQ(4000u, reference[0].size());

    std::unique_ptr<BackgroundMusic> music(open("chained.ogg"));
    ASSERT_TRUE(music->hasMusic());
    ExpectedPlayback expected;
    for (int blockIndex = 0; blockIndex < 10; blockIndex++) {
        std::vector<float> block = play(music.get(), B / 5);
        for (int i = 0; i < B / 5; i++) {
            size_t index = static_cast<size_t>(expected.frame % 4000);
            float left = expected.next(reference[0][index]);
            ASSERT_NEAR(left, block[2 * i], 1e-6) << blockIndex << ":" << i;
        }
    }
}

TEST_F(BackgroundMusicTest, AMonoFilePlaysOnBothSides)
{
    ASSERT_TRUE(audiotest::makeOgg(folder + "mono.ogg", 1, 30000, "sine 523"));
    std::vector<std::vector<float>> reference = audiotest::decodeFirstStream(folder + "mono.ogg");
    ASSERT_EQ(1u, reference.size());
    std::unique_ptr<BackgroundMusic> music(open("mono.ogg"));
    ASSERT_TRUE(music->hasMusic());

    ExpectedPlayback expected;
    std::vector<float> block = play(music.get(), 5000);
    for (int i = 0; i < 5000; i++) {
        float value = expected.next(reference[0][i]);
        ASSERT_NEAR(value, block[2 * i], 1e-6) << i;
        ASSERT_EQ(block[2 * i], block[2 * i + 1]) << i;
    }
}

TEST_F(BackgroundMusicTest, AMissingFileMeansNoMusicAndNoThread)
{
    std::unique_ptr<BackgroundMusic> music(open("music.ogg"));
    EXPECT_EQ("vorbisfile: fopen could not open file: " + folder + "music.ogg\n", output);
    EXPECT_FALSE(music->hasMusic());
    EXPECT_FALSE(music->hasThread());
    std::vector<float> block(2 * 64, 0.125f);
    music->audioBlock(block.data(), 64);
    for (float value : block)
        ASSERT_EQ(0.125f, value);
}

// A named pipe would hold the game's start until something writes to it.
TEST_F(BackgroundMusicTest, APipeInPlaceOfTheMusicIsRefusedWithoutWaiting)
{
    audiotest::PipeInPlace pipe(folder + "music.ogg");
    ASSERT_TRUE(pipe.made());
    std::unique_ptr<BackgroundMusic> music(open("music.ogg"));
    EXPECT_FALSE(pipe.readerWaited());
    EXPECT_EQ("vorbisfile: fopen could not open file: " + folder + "music.ogg\n", output);
    EXPECT_FALSE(music->hasMusic());
}

TEST_F(BackgroundMusicTest, AFileThatIsNotOggVorbisMeansNoMusic)
{
    ASSERT_TRUE(audiotest::writeBytes(folder + "music.ogg", std::string(8000, 'x')));
    std::unique_ptr<BackgroundMusic> music(open("music.ogg"));
    EXPECT_EQ("vorbisfile: Could not open file: " + folder + "music.ogg\n", output);
    EXPECT_FALSE(music->hasMusic());
    EXPECT_FALSE(music->hasThread());
}

TEST_F(BackgroundMusicTest, AFileWithNoFramesMeansNoMusic)
{
    ASSERT_EQ(0, std::system(("sox -q -r 44100 -c 2 -n '" + folder + "empty.ogg' trim 0 0").c_str()));
    ASSERT_TRUE(audiotest::decodeFirstStream(folder + "empty.ogg").at(0).empty());
    std::unique_ptr<BackgroundMusic> music(open("empty.ogg"));
    EXPECT_EQ("vorbisfile: Loaded file: " + folder + "empty.ogg\nvorbisfile: No music in file: " + folder + "empty.ogg\n", output);
    EXPECT_FALSE(music->hasMusic());
    EXPECT_FALSE(music->hasThread());
    std::vector<float> block(2 * 64, 0.0f);
    music->audioBlock(block.data(), 64);
    for (float value : block)
        ASSERT_EQ(0.0f, value);
}

TEST_F(BackgroundMusicTest, AnEmptyBlockWritesNothing)
{
    ASSERT_TRUE(audiotest::makeOgg(folder + "music.ogg", 2, 20000, "sine 440 sine 660"));
    std::unique_ptr<BackgroundMusic> music(open("music.ogg"));
    float guard[2] = { 0.5f, 0.5f };
    music->audioBlock(guard, 0);
    EXPECT_EQ(0.5f, guard[0]);
    EXPECT_EQ(0.5f, guard[1]);
    EXPECT_EQ(0, music->getReadPosition());
    EXPECT_EQ(0.0f, music->getVolume());
}

// The music thread is held inside a decoder read for longer than any fixed grace period,
// and the music destroyed meanwhile: the decoder must outlive the read. Fails on a
// destructor that clears the decoder before joining the thread, and on one that clears it
// after a fixed wait (the 600 ms the thread used to be granted) and joins afterwards.
TEST_F(BackgroundMusicTest, TheDecoderIsClearedOnlyAfterTheThreadHasEnded)
{
    ASSERT_TRUE(audiotest::makeOgg(folder + "music.ogg", 2, 100000, "sine 440 sine 660"));
    std::unique_ptr<BackgroundMusic> music(open("music.ogg"));
    ASSERT_TRUE(music->hasThread());
    decoderWatch::clearedDuringRead.store(false);
    decoderWatch::holdNextRead.store(true);
    std::vector<float> block(2 * (B + 5), 0.0f);
    music->audioBlock(block.data(), B + 5);   // hands buffer 0 back to the thread
    for (int tries = 0; tries < 400 && !decoderWatch::holding.load(); tries++)
        SDL_Delay(5);
    ASSERT_TRUE(decoderWatch::holding.load()) << "the music thread never read from the decoder";
    music.reset();
    EXPECT_FALSE(decoderWatch::clearedDuringRead.load());
}

TEST(BackgroundMusicPaths, TheSoundsFolderLiesInTheBundle)
{
    EXPECT_EQ(std::string(TARNWICK_BUNDLE_DIR) + "/Contents/Resources/sounds/", BackgroundMusic::getSoundsPath());
}

TEST(BackgroundMusicPaths, FollowTheDataFolderAndAreEmptyWithoutOne)
{
    TempFolder bundle{"audio"};
    bundle.exportAs("TARNWICK_DATA_DIR");
    EXPECT_EQ(bundle.path() + "/Contents/Resources/sounds/", BackgroundMusic::getSoundsPath());
    setenv("TARNWICK_DATA_DIR", (bundle.path() + "/missing").c_str(), 1);
    EXPECT_EQ("", BackgroundMusic::getSoundsPath());

    // Without a sounds folder the music is looked for in the working directory.
    testing::internal::CaptureStdout();
    { BackgroundMusic music; }
    EXPECT_EQ("vorbisfile: fopen could not open file: music.ogg\n", testing::internal::GetCapturedStdout());
}

} // namespace
