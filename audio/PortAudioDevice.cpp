#include "audio/PortAudioDevice.h"
#include "audio/PortAudioCallback.h"
#include "audio/QuietStandardError.h"

#include <iostream>

namespace {

void report(const char* message)
{
    std::cout << "PortAudioDevice Error: " << message << std::endl;
}

} // namespace

PortAudioDevice::PortAudioDevice()
    : stream(nullptr), callback(nullptr), numInputChannels(0), numOutputChannels(2),
      sampleRate(44100.0), running(false)
{
}

PortAudioDevice::~PortAudioDevice()
{
    if (running)
        stop();
}

void PortAudioDevice::setCallback(PortAudioCallback* newCallback)
{
    callback = newCallback;
}

void PortAudioDevice::setNumChannels(int inputs, int outputs)
{
    numInputChannels = inputs;
    numOutputChannels = outputs;
}

void PortAudioDevice::setSamplerate(double rate)
{
    sampleRate = rate;
}

// There is one host API per platform that the game was written for; here the default
// host API stands in for it. No host API or no output device means no stream.
bool PortAudioDevice::findDevices(PaDeviceIndex& input, PaDeviceIndex& output)
{
    PaHostApiIndex api = Pa_GetDefaultHostApi();
    if (api < 0)
        return false;
    const PaHostApiInfo* info = Pa_GetHostApiInfo(api);
    if (!info || info->defaultOutputDevice == paNoDevice)
        return false;
    input = info->defaultInputDevice;
    output = info->defaultOutputDevice;
    return true;
}

// 44100 Hz is what the sounds were made for; some output devices run only at 48000 Hz.
void PortAudioDevice::chooseSampleRate(const PaStreamParameters& output)
{
    if (Pa_IsFormatSupported(nullptr, &output, sampleRate) != paInvalidSampleRate)
        return;
    std::cout << "44100Hz samplerate not supported, using 48000Hz." << std::endl;
    sampleRate = 48000.0;
    if (Pa_IsFormatSupported(nullptr, &output, sampleRate) == paInvalidSampleRate)
        std::cout << "48000Hz not supported either?" << std::endl;
}

bool PortAudioDevice::start()
{
    if (running)
        return false;

    // The audio libraries report every device they fail to probe on standard error.
    QuietStandardError quiet;
    if (Pa_Initialize() != paNoError) {
        report("Could not initialise.");
        return false;
    }

    PaDeviceIndex inputDevice = paNoDevice;
    PaDeviceIndex outputDevice = paNoDevice;
    if (!findDevices(inputDevice, outputDevice)) {
        report("Could not open stream.");
        Pa_Terminate();
        return false;
    }

    PaStreamParameters input;
    input.device = inputDevice;
    input.channelCount = numInputChannels;
    input.sampleFormat = paFloat32;
    input.suggestedLatency = 0.0;
    input.hostApiSpecificStreamInfo = nullptr;

    PaStreamParameters output;
    output.device = outputDevice;
    output.channelCount = numOutputChannels;
    output.sampleFormat = paFloat32;
    output.suggestedLatency = 0.0;
    output.hostApiSpecificStreamInfo = nullptr;

    chooseSampleRate(output);

    PaError error = Pa_OpenStream(&stream,
                                  numInputChannels >= 1 ? &input : nullptr,
                                  numOutputChannels > 0 ? &output : nullptr,
                                  sampleRate, paFramesPerBufferUnspecified, paNoFlag,
                                  portAudioCallback, callback);
    if (error != paNoError) {
        report("Could not open stream.");
        stream = nullptr;
        Pa_Terminate();
        return false;
    }

    if (Pa_StartStream(stream) != paNoError) {
        report("Could not start stream.");
        Pa_CloseStream(stream);
        stream = nullptr;
        Pa_Terminate();
        return false;
    }

    running = true;
    return true;
}

void PortAudioDevice::stop()
{
    if (!running)
        return;
    QuietStandardError quiet;
    Pa_StopStream(stream);
    Pa_CloseStream(stream);
    Pa_Terminate();
    stream = nullptr;
    running = false;
}

int PortAudioDevice::portAudioCallback(const void* input, void* output, unsigned long frames,
                                       const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags,
                                       void* userData)
{
    PortAudioCallback* source = static_cast<PortAudioCallback*>(userData);
    if (source)
        source->getAudio(static_cast<float*>(const_cast<void*>(input)),
                         static_cast<float*>(output), static_cast<int>(frames));
    return paContinue;
}
