#include "tests/support/RenderTest.h"
#include "engine/core/Settings.h"

#include <cstdlib>
#include <memory>

#include <Ogre.h>

namespace Test
{
    namespace
    {
        struct State
        {
            std::unique_ptr<Ogre::Root> root;
            Ogre::RenderWindow* window = nullptr;
        };

        State& Current()
        {
            static State state;
            return state;
        }
    }

    Ogre::Root& Renderer::Root()
    {
        State& state = Current();
        if (!state.root)
        {
            state.root.reset(new Ogre::Root("", "", ""));
            Ogre::LogManager::getSingleton().setLogDetail(Ogre::LL_BOREME);
            // Keep the renderer's chatter (it logs from its worker threads too) off the console,
            // so that tests can read what the engine itself prints; LogCapture still sees it all.
            Ogre::LogManager::getSingleton().getDefaultLog()->setDebugOutputEnabled(false);
            state.root->loadPlugin(std::string(GORVANE_OGRE_PLUGIN_DIR) + "/RenderSystem_GL");
            state.root->loadPlugin(std::string(GORVANE_OGRE_PLUGIN_DIR) + "/Codec_STBI");
            Ogre::RenderSystem* system = state.root->getRenderSystemByName("OpenGL Rendering Subsystem");
            system->setConfigOption("Full Screen", "No");
            state.root->setRenderSystem(system);
            state.root->initialise(false);
            Ogre::NameValuePairList options;
            options["vsync"] = "false";
            state.window = state.root->createRenderWindow("Test", 320, 240, false, &options);
            // The renderer's own shadow programs, needed by every scene that casts shadows.
            Ogre::ResourceGroupManager::getSingleton().addResourceLocation(
                "/usr/share/OGRE/Media/ShadowVolume", "FileSystem", Ogre::RGN_INTERNAL);
            Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();
            // Shut down before the plug-ins' own static data is destroyed at exit (a handler
            // registered now runs before the destructors of statics made while loading them).
            std::atexit([] { Renderer::Shutdown(); });
        }
        return *state.root;
    }

    Ogre::RenderWindow& Renderer::Window()
    {
        Root();
        return *Current().window;
    }

    void Renderer::AddLocation(const std::string& path, const std::string& group)
    {
        Root();
        Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
        groups.addResourceLocation(path, "FileSystem", group);
        groups.initialiseResourceGroup(group);
    }

    void Renderer::PrepareForBenchmarks()
    {
        Root();
        Ogre::LogManager::getSingleton().setLogDetail(Ogre::LL_LOW);
        Engine::Settings::Create();
        Engine::Settings::Load(std::string(GORVANE_BUILD_DIR) + "/data/configs/game.xml");
    }

    void Renderer::LoadPlugin(const std::string& name)
    {
        Root().loadPlugin(std::string(GORVANE_OGRE_PLUGIN_DIR) + "/" + name);
    }

    void Renderer::Shutdown()
    {
        State& state = Current();
        state.window = nullptr;
        state.root.reset();
    }
}
