// Settings for the AddressSanitizer build of the audio tests.
//
// While PortAudio lists the devices, ALSA loads its output plugins (JACK, PulseAudio,
// ...) with dlopen; their load-time constructors keep allocations that LeakSanitizer
// reports once the plugins are unloaded again. They are not the game's memory, so
// they are left out here. The slow unwinder is needed to see through the unloaded
// plugins to ALSA's loader in the allocation stacks.
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
