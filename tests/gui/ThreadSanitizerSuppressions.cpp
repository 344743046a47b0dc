// The toolkit runs on the main thread only; the other threads in this program are the renderer's
// own work-queue threads. They log as they start and stop, and the renderer's log formats the
// time with localtime() and writes its file stream without synchronisation ThreadSanitizer can
// see. Those reports (the log call, the time zone set-up and the log's stream writes beneath it,
// whose deeper frames are lost in the uninstrumented libraries) are not ours to act on.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:Ogre::Log::logMessage\n"
           "race:tzset_internal\n"
           "race:std::basic_streambuf<char, std::char_traits<char> >::xsputn\n";
}
