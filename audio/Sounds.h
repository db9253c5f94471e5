#pragma once

#include <atomic>
#include <string>

// The sound-effect player: decodes the six effects whole when it is created, starts
// voices on request from the game (main thread) and mixes them on the audio thread.
class Sounds {
public:
    enum SoundType { Connect, Die, Drop, Jump, Lightbox, Pickup, SoundTypeCount };

    struct SoundFile {
        float* data;
        unsigned length;
    };

    struct PlayingSound {
        float* data;
        unsigned length;
        unsigned position;
        std::atomic<bool> active;
    };

    static const int VoiceCount = 128;

    static Sounds* getInstance();

    void loadFile(const std::string& path, SoundFile* file);
    void playSound(SoundType type);
    void getAudio(float* output, int frames);

    // How many times playSound was asked for this effect since the player was created,
    // whether or not a voice was free (the game's tests count sound requests with it).
    unsigned getRequestCount(SoundType type) const;

private:
    Sounds();
    ~Sounds();

    SoundFile files[SoundTypeCount];
    PlayingSound playing[VoiceCount];
    std::atomic<int> numStarted;
    std::atomic<unsigned> requests[SoundTypeCount];
};
