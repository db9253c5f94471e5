#pragma once

// While one of these lives, whatever the process writes to standard error goes to
// /dev/null; the old standard error comes back when it is destroyed. ALSA, JACK and
// PulseAudio print a hundred lines there while PortAudio probes for a device that a
// machine without a sound card does not have. The game itself writes only to standard
// output, so none of its own messages can be lost this way.
class QuietStandardError {
public:
    QuietStandardError();
    ~QuietStandardError();

    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int savedError;  // a duplicate of the real standard error, -1 when nothing was redirected
};
