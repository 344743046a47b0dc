// OpenAL Soft probes its PulseAudio back end on first use, even for a loopback device; libpulse
// starts a main-loop thread and synchronises with it through its own atomics, which
// ThreadSanitizer cannot see in an uninstrumented library. Reports from inside libpulse are
// therefore not ours to act on; everything else is still checked.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libpulse\n";
}
