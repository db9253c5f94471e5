// Prints what the audio thread's work costs: the music's mixing per block, the effects'
// mixing with about as many voices sounding as the table holds, and the music's start-up
// (open and three fills).
//
//   bench_audio        (uses the sounds in the build's share/tarnwick folder)
#include <chrono>
#include <cstdio>
#include <vector>

#include "audio/BackgroundMusic.h"
#include "audio/Sounds.h"

namespace {

using Clock = std::chrono::steady_clock;

double microsecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void benchMusic()
{
    Clock::time_point start = Clock::now();
    BackgroundMusic music;
    double opening = microsecondsSince(start);
    if (!music.hasMusic()) {
        std::printf("music: no music.ogg found\n");
        return;
    }
    std::printf("music: open and decode three buffers: %.0f us\n", opening);

    // Blocks of 512 frames, staying inside the three buffers that are already decoded.
    const int frames = 512;
    const int blocks = 3 * BackgroundMusic::BufferFrames / frames - 1;
    std::vector<float> block(2 * frames);
    start = Clock::now();
    for (int i = 0; i < blocks; i++)
        music.audioBlock(block.data(), frames);
    double mixing = microsecondsSince(start);
    std::printf("music: %d blocks of %d frames: %.1f us per block, %.2f ns per frame (%.4f%% of real time)\n",
                blocks, frames, mixing / blocks, 1000.0 * mixing / (blocks * frames),
                100.0 * mixing / (blocks * frames / 44100.0 * 1e6));
}

// Starts one voice of every effect each MergeFrames frames (copies of an effect begun
// closer together play once), which keeps about as many voices sounding as the table holds.
void startEveryEffect(Sounds* sounds)
{
    for (int type = 0; type < Sounds::SoundTypeCount; type++)
        sounds->playSound(Sounds::SoundType(type));
}

int activeVoices(const Sounds* sounds)
{
    int active = 0;
    for (int voice = 0; voice < Sounds::VoiceCount; voice++)
        active += sounds->isVoiceActive(voice) ? 1 : 0;
    return active;
}

void benchEffects()
{
    Sounds* sounds = Sounds::getInstance();
    if (sounds->getFile(Sounds::Lightbox).length == 0) {
        std::printf("effects: no Lightbox.ogg found\n");
        return;
    }
    const int frames = 512;
    const int blocksBetweenStarts = static_cast<int>(Sounds::MergeFrames) / frames;
    std::vector<float> block(2 * frames);
    // Long enough for the longest effect to be started again before timing begins.
    for (int i = 0; i < 200; i++) {
        if (i % blocksBetweenStarts == 0)
            startEveryEffect(sounds);
        sounds->getAudio(block.data(), frames);
    }
    const int blocks = 2000;
    long voices = 0;
    double mixing = 0.0;
    for (int i = 0; i < blocks; i++) {
        if (i % blocksBetweenStarts == 0)
            startEveryEffect(sounds);
        voices += activeVoices(sounds);
        Clock::time_point start = Clock::now();
        sounds->getAudio(block.data(), frames);
        mixing += microsecondsSince(start);
    }
    std::printf("effects: %.0f voices on average, %d blocks of %d frames: %.1f us per block (%.3f%% of real time)\n",
                static_cast<double>(voices) / blocks, blocks, frames, mixing / blocks,
                100.0 * mixing / (blocks * frames / 44100.0 * 1e6));

    for (int i = 0; i < 200; i++)
        sounds->getAudio(block.data(), frames);
    Clock::time_point start = Clock::now();
    for (int i = 0; i < 1000; i++)
        sounds->getAudio(block.data(), frames);
    mixing = microsecondsSince(start);
    std::printf("effects: all voices ended, 1000 blocks: %.2f us per block\n", mixing / 1000);
}

} // namespace

int main()
{
    benchMusic();
    benchEffects();
    return 0;
}
