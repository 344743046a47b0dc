// The renderer's worker threads write start-up lines to its log while the main thread does; the
// log's formatting calls the C library's time conversion, whose global state ThreadSanitizer
// sees shared. That happens inside the uninstrumented renderer library and is not ours to act
// on; everything else is still checked.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:Ogre::Log::logMessage\n";
}
