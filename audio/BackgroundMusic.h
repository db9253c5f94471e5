#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <vorbis/vorbisfile.h>

#include "app/Thread.h"

// Streams "music.ogg" in an endless loop. Its own thread decodes ahead into three
// buffers; the audio thread takes frames from them in audioBlock, fading the music in.
//
// The buffers change hands through needsFill: the audio thread sets a buffer's flag
// (release) once it has played it out and never reads it again until the music thread
// has refilled it and cleared the flag (release; each side reads the flag with acquire).
class BackgroundMusic : public Thread {
public:
    static const int BufferFrames = 11025;
    static const int BufferCount = 3;

    // The folder that holds the sound files, ending in a slash; empty when the game's
    // resource folder cannot be found.
    static std::string getSoundsPath();

    // Plays getSoundsPath() + "music.ogg".
    BackgroundMusic();
    // Plays the Ogg Vorbis file at `path` (tests hand it files of their own).
    explicit BackgroundMusic(const std::string& path);
    ~BackgroundMusic() override;

    BackgroundMusic(const BackgroundMusic&) = delete;
    BackgroundMusic& operator=(const BackgroundMusic&) = delete;

    void fillBuffer(int index);
    bool run() override;

    // Adds `frames` frames of music into an interleaved stereo block (audio thread).
    void audioBlock(float* output, int frames);

    bool hasMusic() const { return file != nullptr; }

    // The audio thread's view of the playback, for tests.
    float getVolume() const { return volume; }
    int getCurrentBuffer() const { return currentBuffer; }
    int getReadPosition() const { return readPosition; }
    bool isWaitingForFill(int index) const { return needsFill[index].load(std::memory_order_acquire); }

private:
    void open(const std::string& path);
    // Goes back to the first frame; false when the decoder cannot.
    bool restartMusic();
    int mixFrames(float* output, int frames);
    bool nextBufferReady() const;
    void switchBuffer();

    FILE* file;
    OggVorbis_File vorbisFile;
    int channels;
    int decodePosition;
    // Set when a fill found nothing to decode even straight after going back to the
    // first frame: the file holds no audio at all.
    bool decodeFailed;
    float volume;
    float left[BufferCount][BufferFrames];
    float right[BufferCount][BufferFrames];
    int currentBuffer;
    std::atomic<bool> needsFill[BufferCount];
    int readPosition;
    // The next buffer the music thread expects back (music thread only).
    int fillIndex;
    std::atomic<bool> stopRequested;
};
