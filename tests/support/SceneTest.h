#pragma once
#include <string>

#include <boost/shared_ptr.hpp>

#include "tests/support/RenderTest.h"
#include "tests/support/TempDir.h"

namespace Engine { class Scene; }

namespace Test
{
    /// Fixture for tests that need a scene: the real renderer, the game's settings file and a
    /// Scene singleton (released after the test). Template files written with WriteData land
    /// in a temporary folder registered as a resource location of the group "TestData".
    class SceneTest : public RenderTest
    {
    protected:
        void SetUp() override;
        void TearDown() override;

        Engine::Scene& GetScene() { return *scene; }
        /// Writes a file into the resource folder and rescans it, so the resource system finds it.
        std::string WriteData(const std::string& name, const std::string& text);
        const TempDir& DataDir() const { return data; }

        boost::shared_ptr<Engine::Scene> scene;
        TempDir data;
    };
}
