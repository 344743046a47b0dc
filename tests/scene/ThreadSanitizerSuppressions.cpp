// Entities and events live on the main thread only; the other threads in this program are the
// renderer's own work-queue threads. They log as they start and stop, and the renderer's log
// formats the time with localtime() and writes its file stream without synchronisation that
// ThreadSanitizer can see. Those reports (the log call, the time zone set-up and the stream
// writes beneath it, whose deeper frames are lost in uninstrumented libraries) are not ours.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:Ogre::Log::logMessage\n"
           "race:tzset_internal\n"
           "race:std::basic_streambuf<char, std::char_traits<char> >::xsputn\n";
}
