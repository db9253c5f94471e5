// Prints what the audio thread's work costs: the music's mixing per block, the effects'
// mixing with the voice table full, and the music's start-up (open and three fills).
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

void benchEffects()
{
    Sounds* sounds = Sounds::getInstance();
    const int frames = 512;
    std::vector<float> block(2 * frames);
    for (int voice = 0; voice < Sounds::VoiceCount; voice++)
        sounds->playSound(Sounds::Lightbox);
    unsigned length = sounds->getFile(Sounds::Lightbox).length;
    if (length == 0) {
        std::printf("effects: no Lightbox.ogg found\n");
        return;
    }
    int blocks = static_cast<int>(length / frames) - 1;
    Clock::time_point start = Clock::now();
    for (int i = 0; i < blocks; i++)
        sounds->getAudio(block.data(), frames);
    double mixing = microsecondsSince(start);
    std::printf("effects: 128 voices, %d blocks of %d frames: %.1f us per block (%.3f%% of real time)\n",
                blocks, frames, mixing / blocks, 100.0 * mixing / (blocks * frames / 44100.0 * 1e6));

    start = Clock::now();
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
