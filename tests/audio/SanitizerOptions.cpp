// Settings for the sanitizer builds of the audio tests.
//
// While PortAudio lists the devices, ALSA loads and opens its output plugins (JACK,
// PulseAudio, ...), which start threads of their own inside libraries built without
// the sanitizers. Neither what those libraries keep nor how their threads meet is the
// game's doing, so they are left out here:
// - LeakSanitizer sees the allocations of the plugins' load-time constructors once the
//   plugins are unloaded again; the slow unwinder is needed to see through the unloaded
//   plugins to ALSA's loader in those stacks.
// - ThreadSanitizer cannot see the locking inside PulseAudio's client library.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:snd_dlopen\n";
}
#endif

#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libpulsecommon\n"
           "race:libpulse.so\n"
           "race:libjack.so\n";
}
#endif
