// The OpenGL render system and Mesa's software driver are unloaded when the renderer shuts
// down; memory they keep in their own globals then looks leaked to LeakSanitizer, with no way to
// name the module. Keeping them mapped for the life of the test process leaves those blocks
// reachable, so leak reports speak only of our own code.
#include <dlfcn.h>

namespace
{
    struct KeepDriversLoaded
    {
        KeepDriversLoaded()
        {
            const char* libraries[] = {
                GORVANE_OGRE_PLUGIN_DIR "/RenderSystem_GL.so",
                "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
            };
            for (const char* library : libraries)
                dlopen(library, RTLD_LAZY | RTLD_NODELETE);
        }
    } keepDriversLoaded;
}
