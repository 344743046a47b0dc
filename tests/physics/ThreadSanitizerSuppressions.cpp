// The renderer started by the terrain and mesh tests runs worker threads of its own that write
// to the log while the main thread does; both go through the C library's time zone state inside
// the uninstrumented renderer library. Those reports are the renderer's, not ours; everything
// else, the physics step thread included, is still checked.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:Ogre::Log::logMessage\n";
}
