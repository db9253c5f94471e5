#include "audio/BackgroundMusic.h"
#include "app/ResourcePaths.h"

#include <cstring>
#include <iostream>

namespace {

// Full volume is reached after about 22 seconds at 44100 Hz.
const float fadeStep = 0.000001f;
// Every block, also one that crosses into the next buffer, is mixed at this gain: a
// quieter crossing block would dip the music at each buffer switch, four times a second.
const float musicGain = 0.75f;
// How often the music thread looks for played-out buffers.
const Uint32 pollMilliseconds = 62;

void report(const std::string& message)
{
    std::cout << "vorbisfile: " << message << std::endl;
}

} // namespace

std::string BackgroundMusic::getSoundsPath()
{
    std::string resources = getResourcesPath();
    return resources.empty() ? resources : resources + "sounds/";
}

BackgroundMusic::BackgroundMusic()
    : BackgroundMusic(getSoundsPath() + "music.ogg")
{
}

BackgroundMusic::BackgroundMusic(const std::string& path)
    : file(nullptr), channels(0), decodePosition(0), decodeFailed(false), volume(0.0f),
      currentBuffer(0), readPosition(0), fillIndex(0), stopRequested(false)
{
    std::memset(left, 0, sizeof(left));
    std::memset(right, 0, sizeof(right));
    for (int i = 0; i < BufferCount; i++)
        needsFill[i].store(true, std::memory_order_relaxed);
    open(path);
}

BackgroundMusic::~BackgroundMusic()
{
    stopRequested.store(true, std::memory_order_release);
    // The thread may be inside fillBuffer: the decoder goes only once run() has returned.
    waitForThread();
    if (file) {
        ov_clear(&vorbisFile);
        file = nullptr;
    }
}

void BackgroundMusic::open(const std::string& path)
{
    // A named pipe or a folder counts as a file that cannot be opened: a pipe would hold
    // this thread until something wrote to it.
    FILE* handle = openRegularFile(path);
    if (!handle) {
        report("fopen could not open file: " + path);
        return;
    }
    if (ov_open(handle, &vorbisFile, nullptr, 0) < 0) {
        std::fclose(handle);
        report("Could not open file: " + path);
        return;
    }
    if (ov_streams(&vorbisFile) <= 0) {
        ov_clear(&vorbisFile);
        report("There are no streams in this file?");
        return;
    }
    vorbis_info* info = ov_info(&vorbisFile, 0);
    channels = info ? info->channels : 0;
    report("Loaded file: " + path);
    file = handle;

    // Playback starts at the music's first frame, so all three buffers are ready before
    // the audio thread can ask for any.
    for (int i = 0; i < BufferCount && !decodeFailed; i++) {
        fillBuffer(i);
        needsFill[i].store(false, std::memory_order_release);
    }
    if (decodeFailed || channels < 1) {
        ov_clear(&vorbisFile);
        file = nullptr;
        report("No music in file: " + path);
        return;
    }
    startThread(this);
}

bool BackgroundMusic::restartMusic()
{
    decodePosition = 0;
    return ov_pcm_seek(&vorbisFile, 0) == 0;
}

void BackgroundMusic::fillBuffer(int index)
{
    // Only this thread moves the decoder, so it normally stands at decodePosition
    // already; a needless seek would decode the frames after it slightly differently.
    // A failed seek leaves the decoder unusable (one whose set-up failed divides by zero
    // when it is read after the seek), so the music ends there.
    if (!decodeFailed && ov_pcm_tell(&vorbisFile) != decodePosition
        && ov_pcm_seek(&vorbisFile, decodePosition) != 0)
        decodeFailed = true;

    int filled = 0;
    // Frames decoded since the music last went back to its start; -1 until it does.
    long sinceRestart = -1;
    while (!decodeFailed && filled < BufferFrames) {
        float** pcm = nullptr;
        int stream = 0;
        long n = ov_read_float(&vorbisFile, &pcm, BufferFrames - filled, &stream);
        if (n < 0 && n != OV_HOLE) {
            // The decoder itself is broken (its set-up failed on a damaged header, say):
            // read again after a seek, it can divide by zero.
            decodeFailed = true;
            break;
        }
        if (stream > 0 || n <= 0) {
            // Only the first logical stream is the music; its end, a second stream or a
            // decoding error all start it again. A start that gives nothing means there
            // is nothing to play, and looping on it would never end.
            if (sinceRestart == 0 || !restartMusic()) {
                decodeFailed = true;
                break;
            }
            sinceRestart = 0;
            continue;
        }
        const float* first = pcm[0];
        const float* second = channels > 1 ? pcm[1] : pcm[0];
        for (long i = 0; i < n; i++) {
            left[index][filled] = first[i];
            right[index][filled] = second[i];
            filled++;
            decodePosition++;
        }
        sinceRestart += n;
    }
    for (; filled < BufferFrames; filled++) {
        left[index][filled] = 0.0f;
        right[index][filled] = 0.0f;
    }
}

bool BackgroundMusic::run()
{
    // The audio thread hands the buffers back in the order 0, 1, 2, 0, ...; refilling
    // them in that same order keeps the music in sequence even when this thread has
    // fallen behind and finds more than one waiting.
    while (!stopRequested.load(std::memory_order_acquire)) {
        while (needsFill[fillIndex].load(std::memory_order_acquire)
               && !stopRequested.load(std::memory_order_acquire)) {
            fillBuffer(fillIndex);
            needsFill[fillIndex].store(false, std::memory_order_release);
            fillIndex = (fillIndex + 1) % BufferCount;
        }
        SDL_Delay(pollMilliseconds);
    }
    return true;
}

int BackgroundMusic::mixFrames(float* output, int frames)
{
    int count = BufferFrames - readPosition;
    if (count > frames)
        count = frames;
    const float* leftSamples = left[currentBuffer];
    const float* rightSamples = right[currentBuffer];
    for (int i = 0; i < count; i++) {
        output[2 * i] += leftSamples[readPosition] * volume * musicGain;
        output[2 * i + 1] += rightSamples[readPosition] * volume * musicGain;
        if (volume < 1.0f)
            volume += fadeStep;
        readPosition++;
    }
    return count;
}

bool BackgroundMusic::nextBufferReady() const
{
    int next = (currentBuffer + 1) % BufferCount;
    return !needsFill[next].load(std::memory_order_acquire);
}

void BackgroundMusic::switchBuffer()
{
    needsFill[currentBuffer].store(true, std::memory_order_release);
    currentBuffer = (currentBuffer + 1) % BufferCount;
    readPosition = 0;
}

void BackgroundMusic::audioBlock(float* output, int frames)
{
    if (!file)
        return;
    int done = 0;
    while (done < frames) {
        if (readPosition == BufferFrames) {
            // A buffer still waiting for the music thread may be half written: the rest
            // of this block goes without music rather than read it.
            if (!nextBufferReady())
                return;
            switchBuffer();
        }
        done += mixFrames(output + 2 * done, frames - done);
    }
}
