// Gorvane's entry point.
#include "BonusController.h"
#include "BonusHandler.h"
#include "BuildInfo.h"
#include "CannonController.h"
#include "GameSounds.h"
#include "GrenadeController.h"
#include "LogicRunner.h"
#include "MainLoopRunner.h"
#include "RuleSystem.h"
#include "WindowCloseListener.h"

#include "engine/core/Application.h"
#include "engine/core/Exception.h"
#include "engine/logic/ControllerManager.h"
#include "script/Interpreter.h"

#include <cstring>
#include <iostream>
#include <memory>

#include <Ogre.h>
#include <unistd.h>

namespace
{
    template <class Controller>
    boost::shared_ptr<Engine::IController> MakeController()
    {
        return boost::shared_ptr<Engine::IController>(new Controller);
    }

    void PrintBuildInfo()
    {
        std::cout << "\n"
                  << "Revision number: " << GORVANE_REVISION << "\n"
                  << "Revision date: " << GORVANE_REVISION_DATE << "\n"
                  << "Local modifications: " << GORVANE_LOCAL_MODIFICATIONS << "\n"
                  << "Executable built on " << __DATE__ << "\n";
    }

    // Data paths are relative to the executable's folder ("../data/"), wherever it is started from.
    void ChangeToExecutableDirectory()
    {
        char path[4096];
        const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
        if (length <= 0)
            return;
        path[length] = '\0';
        if (char* slash = std::strrchr(path, '/'))
        {
            *slash = '\0';
            if (chdir(path[0] ? path : "/") != 0)
                std::cerr << "Unable to change to " << path << "\n";
        }
    }

    // Picks the OpenGL render system, keeping the options a previous run saved.
    bool ChooseRenderSystem()
    {
        Ogre::Root& root = Ogre::Root::getSingleton();
        Ogre::RenderSystem* system = root.getRenderSystemByName("OpenGL Rendering Subsystem");
        if (!system)
            return false;
        if (root.getRenderSystem() != system)
        {
            system->setConfigOption("Full Screen", "No");
            system->setConfigOption("Video Mode", "1024 x 768");
            root.setRenderSystem(system);
        }
        root.saveConfig();
        return true;
    }
}

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "-v") == 0)
        {
            PrintBuildInfo();
            return 0;
        }
    }

    ChangeToExecutableDirectory();

    std::unique_ptr<Engine::Application> application(new Engine::Application);
    WindowCloseListener closeListener;
    try
    {
        if (!application->Init("../data/configs/game.xml", &ChooseRenderSystem, nullptr, true))
            return 0;
        application->CreateInputSystem(true, nullptr);
        LoadGameSounds();
        bonusHandlerInstance.reset(new BonusHandler);
        const boost::shared_ptr<RuleSystem> ruleSystem(new RuleSystem);
        application->SetRuleSystem(ruleSystem);
        Engine::Python::Initialize(argc, argv);

        // The controllers the templates name, in this order.
        Engine::ControllerManager& controllers = *Engine::ControllerManager::GetSingleton();
        controllers.RegisterController("Bonus", &MakeController<BonusController>);
        controllers.RegisterController("Cannon", &MakeController<CannonController>);
        controllers.RegisterController("Grenade", &MakeController<GrenadeController>);

        // Straight into a game until the menus take over.
        LogicRunner logicRunner;
        logicRunner.BuildArena();
        application->AddUpdateListener(&logicRunner);
        MainLoopRunner mainLoopRunner;
        application->AddUpdateListener(&mainLoopRunner);
        mainLoopRunner.simulationRunning = true;
        logicRunner.Resume();

        application->AddUpdateListener(&closeListener);
        application->Run();
    }
    catch (const Engine::Exception& e)
    {
        std::cout << "\nAn exception was thrown!\n\n" << e.what() << "\n";
    }
    catch (const Ogre::Exception& e)
    {
        std::cout << "\nAn OGRE exception was thrown!\n\n" << e.getFullDescription() << "\n";
    }
    // The interpreter ends before the engine that its scripts refer to.
    Engine::Python::Finalize();
    return 0;
}
