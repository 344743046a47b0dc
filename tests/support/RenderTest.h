#pragma once
#include <gtest/gtest.h>

namespace Ogre { class Root; class RenderWindow; class SceneManager; }

namespace Test
{
    /// Brings up a real renderer (OpenGL render system, a small window, the default resource
    /// group initialised) once per test process and keeps it until the process ends.
    /// Needs a display: CTest runs the suite under Xvfb when none is set.
    class Renderer
    {
    public:
        static Ogre::Root& Root();
        static Ogre::RenderWindow& Window();
        /// Adds a file-system resource location to a group and initialises the group.
        static void AddLocation(const std::string& path, const std::string& group = "General");
        /// Loads one more plug-in from the system's plug-in folder (e.g. "Plugin_ParticleFX").
        static void LoadPlugin(const std::string& name);
        /// Brings the renderer up with a quiet log and loads the game's settings file, which
        /// scenes read: what benchmarks of scenes and entities need.
        static void PrepareForBenchmarks();
        /// Shuts the renderer down (for tests that need to start the engine themselves).
        static void Shutdown();
    };

    /// Fixture for tests that need the renderer.
    class RenderTest : public ::testing::Test
    {
    protected:
        void SetUp() override { Renderer::Root(); }
    };
}
