#include "audio/Sounds.h"
#include "audio/BackgroundMusic.h"

#include <climits>
#include <cstdio>
#include <iostream>
#include <vorbis/vorbisfile.h>

namespace {

const char* const fileNames[Sounds::SoundTypeCount] = {
    "Connect.ogg", "Die.ogg", "Drop.ogg", "Jump.ogg", "Lightbox.ogg", "Pickup.ogg"
};

void report(const std::string& message)
{
    std::cout << "vorbisfile: " << message << std::endl;
}

// Reads channel 0 of the first logical stream into data. A hole in the data is skipped
// over; anything else that goes wrong ends the read with what was decoded so far (the
// rest of the array stays silent).
void decodeFirstChannel(OggVorbis_File* vorbisFile, float* data, unsigned length)
{
    unsigned count = 0;
    while (count < length) {
        float** pcm = nullptr;
        unsigned wanted = length - count;
        long n = ov_read_float(vorbisFile, &pcm, wanted > INT_MAX ? INT_MAX : static_cast<int>(wanted), nullptr);
        if (n == OV_HOLE)
            continue;
        if (n <= 0)
            break;
        for (long i = 0; i < n; i++)
            data[count + i] = pcm[0][i];
        count += static_cast<unsigned>(n);
    }
    for (; count < length; count++)
        data[count] = 0.0f;
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
        playing[i].data = nullptr;
        playing[i].length = 0;
        playing[i].position = 0;
        playing[i].active.store(false, std::memory_order_relaxed);
    }
    for (int type = 0; type < SoundTypeCount; type++) {
        files[type].data = nullptr;
        files[type].length = 0;
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
    FILE* handle = std::fopen(path.c_str(), "rb");
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
    // to play. Either way the effect stays silent rather than guessing a size.
    ogg_int64_t total = ov_pcm_total(&vorbisFile, 0);
    if (total <= 0 || total > UINT_MAX) {
        ov_clear(&vorbisFile);
        report("Could not read the length of file: " + path);
        return;
    }

    report("Loaded file: " + path);
    unsigned length = static_cast<unsigned>(total);
    float* data = new float[length];
    decodeFirstChannel(&vorbisFile, data, length);
    ov_clear(&vorbisFile);

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
        voice.data = file.data;
        voice.length = file.length;
        voice.position = 0;
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
        for (int frame = 0; frame < frames; frame++) {
            float sample = voice.data[voice.position];
            output[2 * frame] += sample;
            output[2 * frame + 1] += sample;
            voice.position++;
            if (voice.position >= voice.length) {
                voice.active.store(false, std::memory_order_release);
                break;
            }
        }
    }
}

unsigned Sounds::getRequestCount(SoundType type) const
{
    if (type < 0 || type >= SoundTypeCount)
        return 0;
    return requests[type].load(std::memory_order_relaxed);
}
