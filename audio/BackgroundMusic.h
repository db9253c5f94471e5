#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <vorbis/vorbisfile.h>

#include "app/Thread.h"

// Streams "music.ogg" in an endless loop. Its own thread decodes ahead into three
// buffers; the audio thread takes frames from them in audioBlock, fading the music in.
class BackgroundMusic : public Thread {
public:
    static const int BufferFrames = 11025;
    static const int BufferCount = 3;

    // The folder that holds the sound files, ending in a slash; empty when the game's
    // resource folder cannot be found.
    static std::string getSoundsPath();

    BackgroundMusic();
    ~BackgroundMusic() override;

    void fillBuffer(int index);
    bool run() override;

    // Adds `frames` frames of music into an interleaved stereo block (audio thread).
    void audioBlock(float* output, int frames);

    bool hasMusic() const { return file != nullptr; }

private:
    FILE* file;
    OggVorbis_File vorbisFile;
    int decodePosition;
    float volume;
    float left[BufferCount][BufferFrames];
    float right[BufferCount][BufferFrames];
    int currentBuffer;
    std::atomic<bool> needsFill[BufferCount];
    int readPosition;
    std::atomic<bool> stopRequested;
};
