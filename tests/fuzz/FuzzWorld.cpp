#include "tests/fuzz/FuzzWorld.h"
#include "tests/fuzz/Fuzz.h"
#include "tests/support/GameSettings.h"
#include "tests/support/TempDir.h"
#include "engine/core/Application.h"
#include "engine/logic/ControllerEC.h"
#include "engine/physics/Simulation.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

#include <Ogre.h>

namespace Fuzz
{
    namespace
    {
        // Kept until the process ends normally (a crash keeps the folder for a look).
        Test::TempDir* folder = nullptr;
        Ogre::LogManager* logs = nullptr;
        Engine::Application* application = nullptr;

        bool Finite(const Ogre::Vector3& v)
        {
            return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
        }
    }

    void World::Start()
    {
        if (application)
            return;
        folder = new Test::TempDir;
        mkdir(folder->File("inputs").c_str(), 0755);
        // A log of our own, which the application leaves as it is: every refused input is an
        // error, and a million of them on the console would be most of the fuzzer's work.
        logs = new Ogre::LogManager;
        logs->createLog(folder->File("fuzz.log"), true, false, true);
        application = new Engine::Application;
        if (!application->Init(Test::WriteGameSettings(*folder, "Fuzz"), Test::ChooseOpenGL(), nullptr, true))
            Fail("the engine did not start");
        // The engine goes before the renderer's plug-ins unload their own static data at exit
        // (a handler registered now runs before the destructors of statics made since).
        std::atexit([] {
            delete application;
            application = nullptr;
            delete logs;
            logs = nullptr;
            delete folder;
            folder = nullptr;
        });
        Ogre::LogManager::getSingleton().setLogDetail(Ogre::LL_LOW);
        Engine::ControllerEC::DisableLoading(true);
        Ogre::ResourceGroupManager::getSingleton().addResourceLocation(folder->Path() + "/inputs", "FileSystem",
                                                                       "General");
    }

    std::string World::Write(const std::string& name, const std::uint8_t* data, std::size_t size)
    {
        const std::string path = folder->File("inputs/" + name);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        // A file-system folder lists its files when it is added: list it again for new names.
        Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
        if (!groups.resourceExists("General", name))
        {
            groups.removeResourceLocation(folder->Path() + "/inputs", "General");
            groups.addResourceLocation(folder->Path() + "/inputs", "FileSystem", "General");
        }
        return path;
    }

    void World::RunFrames()
    {
        const boost::shared_ptr<Engine::Scene> scene = Engine::Scene::GetSingleton();
        const boost::shared_ptr<Engine::Simulation> physics = Engine::Simulation::GetSingleton();
        scene->Update(0.0f);
        const Engine::Scene::EntityList entities = scene->GetEntities();
        for (const auto& entity : entities)
            ExpectOnlyEngineErrors([&] { entity->Enable(); });
        for (int frame = 0; frame < 2; ++frame)
        {
            physics->Update(1.0 / 60.0);
            physics->WaitForResults();
            ExpectOnlyEngineErrors([&] { scene->Update(1.0f / 60.0f); });
        }
        static long calls = 0;
        if (calls++ % 64 == 0)
            ExpectOnlyEngineErrors([] { application->RenderOneFrame(); });
        for (const auto& entity : scene->GetEntities())
        {
            const Ogre::SceneNode* node = entity->GetSceneNode();
            const Ogre::Quaternion q = node->getOrientation();
            if (!Finite(node->getPosition()) || !std::isfinite(q.w) || !Finite(Ogre::Vector3(q.x, q.y, q.z)))
                Fail("entity '" + entity->GetType() + "' has a pose that is not finite");
        }
    }
}
