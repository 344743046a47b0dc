#include "tests/support/GameSettings.h"
#include "tests/support/TempDir.h"

#include <Ogre.h>

namespace Test
{
    std::string WriteGameSettings(const TempDir& dir, const std::string& title)
    {
        return dir.Write("game.xml",
            "<Engine><WindowTitle>" + title + "</WindowTitle>"
            "<PluginFile>" GORVANE_BUILD_DIR "/data/configs/plugins.cfg</PluginFile>"
            "<LogFile>" + dir.File("game.log") + "</LogFile>"
            "<RenderSystemFile>" + dir.File("ogre.cfg") + "</RenderSystemFile>"
            "<ResourceFile>" GORVANE_BUILD_DIR "/data/configs/resources.cfg</ResourceFile>"
            "<ShadowFarDistance>60</ShadowFarDistance></Engine>");
    }

    boost::function<bool ()> ChooseOpenGL(const std::string& videoMode)
    {
        return [videoMode] {
            Ogre::Root& root = Ogre::Root::getSingleton();
            Ogre::RenderSystem* gl = root.getRenderSystemByName("OpenGL Rendering Subsystem");
            gl->setConfigOption("Full Screen", "No");
            gl->setConfigOption("Video Mode", videoMode);
            root.setRenderSystem(gl);
            return true;
        };
    }
}
