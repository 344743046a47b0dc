// The toolkit inside a running engine: the game's resource file declares the caption font, and a
// GUI made after the scene manager draws without further wiring.
#include <Ogre.h>
#include <OgreFontManager.h>
#include <OgreOverlaySystem.h>

#include "engine/core/Application.h"
#include "engine/gui/GUI.h"
#include "engine/gui/Window.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace
{
    TEST(GuiInApplication, GameFontLoadsAndCaptionsDrawInTheEnginesWindow)
    {
        ::Test::TempDir dir;
        // The game's own resource file; its paths are relative to <build>/bin, the test's folder.
        const std::string settings = dir.Write("game.xml",
            "<Engine><WindowTitle>Gorvane GUI</WindowTitle>"
            "<PluginFile>" GORVANE_BUILD_DIR "/data/configs/plugins.cfg</PluginFile>"
            "<LogFile>" + dir.File("app.log") + "</LogFile>"
            "<RenderSystemFile>" + dir.File("ogre.cfg") + "</RenderSystemFile>"
            "<ResourceFile>" GORVANE_BUILD_DIR "/data/configs/resources.cfg</ResourceFile>"
            "<ShadowFarDistance>60</ShadowFarDistance></Engine>");
        Engine::Application app;
        ASSERT_TRUE(app.Init(settings, [] {
            Ogre::Root& root = Ogre::Root::getSingleton();
            Ogre::RenderSystem* gl = root.getRenderSystemByName("OpenGL Rendering Subsystem");
            gl->setConfigOption("Full Screen", "No");
            gl->setConfigOption("Video Mode", "640 x 480");
            root.setRenderSystem(gl);
            return true;
        }, nullptr, true));
        ASSERT_NE(nullptr, Ogre::OverlaySystem::getSingletonPtr());
        ASSERT_TRUE(Ogre::FontManager::getSingleton().getByName("VoodooDoll"));

        Ogre::SceneManager* scene = Ogre::Root::getSingleton().createSceneManager();
        Ogre::RenderWindow* window = app.GetRenderWindow();
        window->addViewport(scene->createCamera("GuiCamera"))->setBackgroundColour(Ogre::ColourValue::Black);

        OverlayKit::GUI gui("VoodooDoll", 0.05f);
        OverlayKit::Window* hud = gui.CreateWindow(Ogre::Vector4(0, 0, 1, 1), "", OverlayKit::PLAIN, "");
        hud->CreateStaticText(Ogre::Vector4(0.5f, 0.5f, 0.5f, 0.1f), "Score 1200");
        ASSERT_TRUE(app.RenderOneFrame());
        window->update(false);  // the same frame again, read back before it is swapped away

        const unsigned int width = window->getWidth(), height = window->getHeight();
        std::vector<std::uint8_t> pixels(std::size_t(width) * height * 4);
        Ogre::PixelBox box(width, height, 1, Ogre::PF_BYTE_RGBA, pixels.data());
        window->copyContentsToMemory(Ogre::Box(0, 0, width, height), box, Ogre::RenderTarget::FB_BACK);
        int lit = 0, litOutside = 0;
        for (unsigned int y = 0; y < height; ++y)
            for (unsigned int x = 0; x < width; ++x)
                if (pixels[(std::size_t(y) * width + x) * 4] > 200)
                {
                    ++lit;
                    if (x < width / 2 || y < height / 2 || y > height * 0.55f + 2)
                        ++litOutside;
                }
        EXPECT_GT(lit, 50);
        EXPECT_EQ(0, litOutside);
    }
}
