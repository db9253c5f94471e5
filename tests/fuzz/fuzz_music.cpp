// Music data: any bytes as "music.ogg" through the streaming decoder. Opening it fills the
// three buffers; this thread then plays them out as the audio thread does, lets the music
// thread refill them (the loop starts again at the end of a short stream) and plays those.
#include <SDL/SDL.h>

#include "audio/BackgroundMusic.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

std::string musicPath;
float block[2 * BackgroundMusic::BufferFrames];

void playBuffers(BackgroundMusic& music)
{
    for (int i = 0; i < BackgroundMusic::BufferCount; i++)
        music.audioBlock(block, BackgroundMusic::BufferFrames);
}

bool anyWaiting(const BackgroundMusic& music)
{
    for (int i = 0; i < BackgroundMusic::BufferCount; i++)
        if (music.isWaitingForFill(i))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    musicPath = fuzz::scratchFolder("music") + "/music.ogg";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes = fuzz::withOggChecksums(data, size);
    fuzz::writeFile(musicPath, bytes.data(), bytes.size());
    BackgroundMusic* music = new BackgroundMusic(musicPath);
    if (music->hasMusic()) {
        playBuffers(*music);
        for (int wait = 0; wait < 2000 && anyWaiting(*music); wait++)
            SDL_Delay(1);
        playBuffers(*music);
    }
    delete music;
    return 0;
}
