// Picture data: any bytes through ImageLoader, the loader of every picture the game shows.
#include "render/ImageLoader.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes = fuzz::withPngChecksums(data, size);
    ImageLoader loader;
    ImageLoader::PixelData image = loader.loadImage(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<unsigned>(bytes.size()));
    // The drawers read every pixel the loader claims.
    fuzz::readAll(image.pixels, size_t(image.width) * image.height * 4);
    delete[] image.pixels;
    return 0;
}
