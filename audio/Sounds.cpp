#include "audio/Sounds.h"
#include "audio/BackgroundMusic.h"
#include "app/ResourcePaths.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <vector>
#include <vorbis/vorbisfile.h>

namespace {

const char* const fileNames[Sounds::SoundTypeCount] = {
    "Connect.ogg", "Die.ogg", "Drop.ogg", "Jump.ogg", "Lightbox.ogg", "Pickup.ogg"
};

void report(const std::string& message)
{
    std::cout << "vorbisfile: " << message << std::endl;
}

// No real effect lasts longer than this many samples (30 s at the device's 44,100 Hz);
// a file that decodes to more is refused rather than trusted.
const size_t MaxEffectSamples = 30 * 44100;
// Samples asked of the decoder at a time.
const int DecodeChunk = 4096;

// Reads channel 0 of the first logical stream into samples, which grows with what is
// really decoded: the length a file claims can be forged. A hole in the data is skipped
// over; anything else that goes wrong ends the read with what was decoded so far. False
// when the stream runs past MaxEffectSamples.
bool decodeFirstChannel(OggVorbis_File* vorbisFile, std::vector<float>& samples)
{
    for (;;) {
        float** pcm = nullptr;
        long n = ov_read_float(vorbisFile, &pcm, DecodeChunk, nullptr);
        if (n == OV_HOLE)
            continue;
        if (n <= 0)
            return true;
        if (samples.size() + static_cast<size_t>(n) > MaxEffectSamples)
            return false;
        samples.insert(samples.end(), pcm[0], pcm[0] + n);
    }
}

} // namespace

Sounds* Sounds::getInstance()
{
    static Sounds instance;
    return &instance;
}

const char* Sounds::getFileName(SoundType type)
{
    return fileNames[type];
}

Sounds::Sounds()
    : Sounds(BackgroundMusic::getSoundsPath())
{
}

Sounds::Sounds(const std::string& folder)
    : numStarted(0)
{
    for (int i = 0; i < VoiceCount; i++) {
        playing[i].type = Connect;
        playing[i].data = nullptr;
        playing[i].length = 0;
        playing[i].position = 0;
        playing[i].begun = false;
        playing[i].active.store(false, std::memory_order_relaxed);
    }
    for (int type = 0; type < SoundTypeCount; type++) {
        files[type].data = nullptr;
        files[type].length = 0;
        framesSinceBegun[type] = MergeFrames;
        requests[type].store(0, std::memory_order_relaxed);
    }
    for (int type = 0; type < SoundTypeCount; type++)
        loadFile(folder + fileNames[type], &files[type]);
}

Sounds::~Sounds()
{
    for (int type = 0; type < SoundTypeCount; type++)
        delete[] files[type].data;
}

void Sounds::loadFile(const std::string& path, SoundFile* file)
{
    // A named pipe or a folder counts as a file that cannot be opened: a pipe would hold
    // this thread until something wrote to it.
    FILE* handle = openRegularFile(path);
    if (!handle) {
        report("fopen could not open file: " + path);
        return;
    }

    OggVorbis_File vorbisFile;
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

    // A damaged or unseekable stream cannot say how long it is; an empty one has nothing
    // to play. Either way the effect stays silent. A length that is given is not trusted
    // for the size of the buffer, only as a sign that the stream can be read.
    ogg_int64_t total = ov_pcm_total(&vorbisFile, 0);
    if (total <= 0) {
        ov_clear(&vorbisFile);
        report("Could not read the length of file: " + path);
        return;
    }

    std::vector<float> samples;
    bool fits = decodeFirstChannel(&vorbisFile, samples);
    ov_clear(&vorbisFile);
    if (!fits) {
        report("Effect longer than 30 seconds, not loaded: " + path);
        return;
    }
    if (samples.empty()) {
        report("Could not decode file: " + path);
        return;
    }

    report("Loaded file: " + path);
    unsigned length = static_cast<unsigned>(samples.size());
    float* data = new float[length];
    std::copy(samples.begin(), samples.end(), data);

    file->data = data;
    file->length = length;
}

void Sounds::playSound(SoundType type)
{
    if (type < 0 || type >= SoundTypeCount)
        return;
    requests[type].fetch_add(1, std::memory_order_relaxed);

    const SoundFile& file = files[type];
    if (!file.data || file.length == 0)
        return;

    for (int i = 0; i < VoiceCount; i++) {
        PlayingSound& voice = playing[i];
        if (voice.active.load(std::memory_order_acquire))
            continue;
        voice.type = type;
        voice.data = file.data;
        voice.length = file.length;
        voice.position = 0;
        voice.begun = false;
        // The count goes up first: a mixing block that reads it between the two writes
        // would otherwise stop its scan before this voice and leave it out for a block.
        numStarted.fetch_add(1, std::memory_order_release);
        voice.active.store(true, std::memory_order_release);
        return;
    }
}

void Sounds::getAudio(float* output, int frames)
{
    int started = numStarted.load(std::memory_order_acquire);
    if (started == 0)
        return;

    int mixed = 0;
    for (int i = 0; i < VoiceCount && mixed < started; i++) {
        PlayingSound& voice = playing[i];
        if (!voice.active.load(std::memory_order_acquire))
            continue;
        mixed++;
        if (voice.begun || beginVoice(voice))
            mixVoice(voice, output, frames);
    }
    for (int type = 0; type < SoundTypeCount; type++)
        framesSinceBegun[type] = std::min(framesSinceBegun[type] + static_cast<unsigned>(std::max(frames, 0)),
                                          MergeFrames);
}

bool Sounds::beginVoice(PlayingSound& voice)
{
    if (framesSinceBegun[voice.type] < MergeFrames) {
        voice.active.store(false, std::memory_order_release);
        return false;
    }
    framesSinceBegun[voice.type] = 0;
    voice.begun = true;
    return true;
}

void Sounds::mixVoice(PlayingSound& voice, float* output, int frames)
{
    for (int frame = 0; frame < frames; frame++) {
        float sample = voice.data[voice.position];
        output[2 * frame] += sample;
        output[2 * frame + 1] += sample;
        voice.position++;
        if (voice.position >= voice.length) {
            voice.active.store(false, std::memory_order_release);
            return;
        }
    }
}

unsigned Sounds::getRequestCount(SoundType type) const
{
    if (type < 0 || type >= SoundTypeCount)
        return 0;
    return requests[type].load(std::memory_order_relaxed);
}
