#pragma once

// A source of audio for the output stream. getAudio runs on PortAudio's callback thread
// and must write `frames` interleaved stereo float frames into `output`.
class PortAudioCallback {
public:
    virtual ~PortAudioCallback() {}
    virtual void getAudio(float* input, float* output, int frames) = 0;
};
