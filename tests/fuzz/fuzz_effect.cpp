// Sound-effect data: any bytes as an .ogg file through the effect loader.
#include "audio/Sounds.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

// A player of its own on a folder without effects; only its loader is used.
class EffectLoader : public Sounds {
public:
    EffectLoader() : Sounds(fuzz::scratchFolder("effects") + "/") {}
};

std::string effectPath;
EffectLoader* loader;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    loader = new EffectLoader;
    effectPath = fuzz::scratchFolder("effect") + "/Lightbox.ogg";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes = fuzz::withOggChecksums(data, size);
    fuzz::writeFile(effectPath, bytes.data(), bytes.size());
    Sounds::SoundFile file = {nullptr, 0};
    loader->loadFile(effectPath, &file);
    // The mixer plays every sample of the effect.
    fuzz::readAll(file.data, size_t(file.length) * sizeof(float));
    delete[] file.data;
    return 0;
}
