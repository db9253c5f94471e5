#include "AudioTestFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

namespace audiotest {

bool makeOgg(const std::string& path, int channels, int frames, const std::string& synth)
{
    std::ostringstream command;
    command << "sox -q -r 44100 -c " << channels << " -n '" << path << "' synth " << frames
            << "s " << synth << " vol 0.5";
    return std::system(command.str().c_str()) == 0;
}

bool chainFiles(const std::string& first, const std::string& second, const std::string& out)
{
    return writeBytes(out, readBytes(first) + readBytes(second));
}

unsigned oggSerial(const std::string& path)
{
    std::string bytes = readBytes(path);
    if (bytes.size() < 18 || bytes.compare(0, 4, "OggS") != 0)
        return 0;
    unsigned serial = 0;
    for (int i = 3; i >= 0; i--)
        serial = (serial << 8) | static_cast<unsigned char>(bytes[14 + i]);
    return serial;
}

std::vector<std::vector<float>> decodeFirstStream(const std::string& path)
{
    std::vector<std::vector<float>> channels;
    OggVorbis_File vorbisFile;
    if (ov_fopen(path.c_str(), &vorbisFile) < 0)
        return channels;
    vorbis_info* info = ov_info(&vorbisFile, 0);
    channels.resize(info->channels);
    for (;;) {
        float** pcm = nullptr;
        int stream = 0;
        long n = ov_read_float(&vorbisFile, &pcm, 4096, &stream);
        if (n == OV_HOLE)
            continue;
        if (n <= 0 || stream != 0)
            break;
        for (size_t c = 0; c < channels.size(); c++)
            channels[c].insert(channels[c].end(), pcm[c], pcm[c] + n);
    }
    ov_clear(&vorbisFile);
    return channels;
}

bool writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

PipeInPlace::PipeInPlace(const std::string& path)
    : path(path), isMade(::unlink(path.c_str()) == 0 || errno == ENOENT)
{
    isMade = isMade && mkfifo(path.c_str(), 0600) == 0;
    if (!isMade)
        return;
    watcher = std::thread([this]() {
        for (int tenths = 0; tenths < 30 && !done.load(); tenths++)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        // Without a reader this open fails at once, and the pipe was never waited on.
        int fd = ::open(this->path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            waited.store(true);
            ::close(fd);
        }
    });
}

PipeInPlace::~PipeInPlace()
{
    done.store(true);
    if (watcher.joinable())
        watcher.join();
}

} // namespace audiotest
