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

    // A voice. data, length and position belong to whichever side holds it: the game
    // writes them while active is false and then publishes them by setting active; the
    // mixer reads them only after seeing active, and hands the voice back by clearing it.
    struct PlayingSound {
        float* data;
        unsigned length;
        unsigned position;
        std::atomic<bool> active;
    };

    static const int VoiceCount = 128;

    static Sounds* getInstance();

    // The file name of each effect inside the sounds folder ("Jump.ogg", ...).
    static const char* getFileName(SoundType type);

    void loadFile(const std::string& path, SoundFile* file);
    void playSound(SoundType type);
    void getAudio(float* output, int frames);

    // How many times playSound was asked for this effect since the player was created,
    // whether or not a voice was free (the game's tests count sound requests with it).
    unsigned getRequestCount(SoundType type) const;

    const SoundFile& getFile(SoundType type) const { return files[type]; }
    bool isVoiceActive(int voice) const { return playing[voice].active.load(std::memory_order_acquire); }

    Sounds(const Sounds&) = delete;
    Sounds& operator=(const Sounds&) = delete;

protected:
    // Loads the six effects from `folder` (which ends in a slash, or is empty for the
    // working directory). The game's single instance uses the bundle's sounds folder;
    // tests make players of their own on folders they fill themselves.
    explicit Sounds(const std::string& folder);
    ~Sounds();

private:
    Sounds();

    SoundFile files[SoundTypeCount];
    PlayingSound playing[VoiceCount];
    std::atomic<int> numStarted;
    std::atomic<unsigned> requests[SoundTypeCount];
};
