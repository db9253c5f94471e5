#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// Sound files made on the spot for the audio tests: sox synthesises and encodes them
// into a temporary folder, and a plain decoder reads them back for comparison.
namespace audiotest {

// Writes an Ogg Vorbis file of `frames` frames at 44100 Hz. `synth` is the argument list
// of sox's synth effect after the length, one generator per channel, e.g. "sine 440 sine 660".
bool makeOgg(const std::string& path, int channels, int frames, const std::string& synth);

// Appends `second` to `first`: two logical streams in one file, as a chained Ogg file.
bool chainFiles(const std::string& first, const std::string& second, const std::string& out);

// The serial number of the first Ogg page of a file (0 when unreadable).
unsigned oggSerial(const std::string& path);

// Every frame of the first logical stream, one vector per channel.
std::vector<std::vector<float>> decodeFirstStream(const std::string& path);

bool writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);

// A named pipe made at `path` in place of a sound file. Code that opens it to read waits
// for a writer; after three seconds the guard opens it to write and closes it again, so
// that such code reads an empty file and the test fails instead of hanging.
class PipeInPlace {
public:
    explicit PipeInPlace(const std::string& path);
    ~PipeInPlace();
    bool made() const { return isMade; }
    // True when a reader was still waiting on the pipe after three seconds.
    bool readerWaited() const { return waited.load(); }

private:
    std::string path;
    bool isMade;
    std::atomic<bool> done{false};
    std::atomic<bool> waited{false};
    std::thread watcher;
};

} // namespace audiotest
