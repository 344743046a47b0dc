// Reports from libraries that ThreadSanitizer cannot see into, for every test program.
// - The renderer's work-queue threads log as they start and stop; its log formats the time with
//   localtime() and writes its file stream without synchronisation ThreadSanitizer can see (the
//   log call, the time-zone set-up and the stream writes beneath it, whose deeper frames are lost
//   in the uninstrumented libraries).
// - OpenAL Soft probes its PulseAudio back end on first use, even for a loopback device; libpulse
//   starts a main-loop thread and synchronises with it through its own atomics.
// Everything else, our own code above all, is still checked.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:Ogre::Log::logMessage\n"
           "race:tzset_internal\n"
           "race:std::basic_streambuf<char, std::char_traits<char> >::xsputn\n"
           "race:libpulse\n";
}
