#pragma once

#include <portaudio.h>

class PortAudioCallback;

// Owns the one PortAudio output stream: collects its settings, opens it on the default
// output device and starts it, and stops and closes it.
class PortAudioDevice {
public:
    PortAudioDevice();
    ~PortAudioDevice();

    PortAudioDevice(const PortAudioDevice&) = delete;
    PortAudioDevice& operator=(const PortAudioDevice&) = delete;

    void setCallback(PortAudioCallback* callback);
    void setNumChannels(int inputs, int outputs);
    void setSamplerate(double rate);

    // Opens and starts the stream. False when already running or on any failure (each
    // failure prints its message; the game then runs silent).
    bool start();
    void stop();

    bool isRunning() const { return running; }
    double getSampleRate() const { return sampleRate; }

    static int portAudioCallback(const void* input, void* output, unsigned long frames,
                                 const PaStreamCallbackTimeInfo* timeInfo,
                                 PaStreamCallbackFlags statusFlags, void* userData);

private:
    static bool findDevices(PaDeviceIndex& input, PaDeviceIndex& output);
    void chooseSampleRate(const PaStreamParameters& output);

    PaStream* stream;
    PortAudioCallback* callback;
    int numInputChannels;
    int numOutputChannels;
    double sampleRate;
    bool running;
};
