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

    // A voice. type, data, length, position and begun belong to whichever side holds it:
    // the game writes them while active is false and then publishes them by setting
    // active; the mixer reads them only after seeing active, and hands the voice back by
    // clearing it.
    struct PlayingSound {
        SoundType type;
        float* data;
        unsigned length;
        unsigned position;
        bool begun;          // the mixer has taken it on and plays it
        std::atomic<bool> active;
    };

    static const int VoiceCount = 128;
    // A voice of an effect that begins less than this many frames after another voice of
    // the same effect began is not played: the one already sounding plays for both. One
    // reflector can ask for Connect dozens of times in a single step of the game, and as
    // many copies in phase would add up far past full scale. It is counted in frames
    // mixed, so it holds for blocks of any size (one frame, on some devices). The window
    // (about 23 ms at 44,100 Hz) is far longer than one step's requests take and shorter
    // than two steps, so sounds asked for a moment apart still add up.
    static constexpr unsigned MergeFrames = 1024;

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

    // Takes on a voice the game has just started, or lets it go unplayed when another
    // voice of its effect began within MergeFrames. False when it was let go.
    bool beginVoice(PlayingSound& voice);
    void mixVoice(PlayingSound& voice, float* output, int frames);

    SoundFile files[SoundTypeCount];
    PlayingSound playing[VoiceCount];
    std::atomic<int> numStarted;
    // Frames mixed since a voice of each effect last began, up to MergeFrames (mixer only).
    unsigned framesSinceBegun[SoundTypeCount];
    std::atomic<unsigned> requests[SoundTypeCount];
};
