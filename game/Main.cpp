// Gorvane's entry point.
#include "BonusHandler.h"
#include "BuildInfo.h"
#include "ConfigDialog.h"
#include "GameControllers.h"
#include "GameSounds.h"
#include "PlayerFiles.h"
#include "RuleSystem.h"
#include "StateHandler.h"
#include "UI_Hud.h"
#include "WindowCloseListener.h"

#include "engine/core/Application.h"
#include "engine/core/Error.h"
#include "engine/core/Exception.h"
#include "script/Interpreter.h"

#include <cstring>
#include <iostream>
#include <memory>

#include <Ogre.h>
#include <unistd.h>

namespace
{
    void PrintBuildInfo()
    {
        std::cout << "\n"
                  << "Revision number: " << GORVANE_REVISION << "\n"
                  << "Revision date: " << GORVANE_REVISION_DATE << "\n"
                  << "Local modifications: " << GORVANE_LOCAL_MODIFICATIONS << "\n"
                  << "Executable built on " << __DATE__ << "\n";
    }

    // Data paths are relative to the executable's folder ("../data/"): the working directory
    // becomes the folder of the program path. A bare program name (started through PATH) is
    // resolved through the running executable instead.
    void ChangeToExecutableDirectory(const char* program)
    {
        std::string path = program ? program : "";
        if (path.find('/') == std::string::npos)
        {
            char resolved[4096];
            const ssize_t length = readlink("/proc/self/exe", resolved, sizeof(resolved) - 1);
            if (length <= 0)
                return;
            path.assign(resolved, static_cast<std::size_t>(length));
        }
        const std::string::size_type slash = path.rfind('/');
        const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
        if (chdir(folder.c_str()) != 0)
            std::cerr << "Unable to change to " << folder << "\n";
    }

    // The configure callback: the render-system dialog, shown at every start.
    bool ChooseRenderSystem()
    {
        ConfigDialog dialog;
        if (!dialog.Display())
            return false;
        ConfigDialog::SaveChoice();
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

    ChangeToExecutableDirectory(argv[0]);
    // An installed game's folder is not the player's: what it writes goes to the player's folders.
    char folder[4096];
    const PlayerFiles files = PlayerFiles::Locate(getcwd(folder, sizeof(folder)) ? folder : "");

    int status = 0;
    std::unique_ptr<Engine::Application> application(new Engine::Application);
    WindowCloseListener closeListener;
    try
    {
        if (files.inPlayerFolders)
            application->SetWrittenFiles(files.renderSystemFile, files.logFile);
        if (!application->Init("../data/configs/game.xml", &ChooseRenderSystem, nullptr, true))
        {
            // Cancelled in the dialog: nothing of the game exists yet.
            application.reset();
            return 0;
        }
        for (const std::string& warning : files.warnings)
            Engine::LogWarning("PlayerFiles::Locate", warning);
        application->CreateInputSystem(true, nullptr);
        LoadGameSounds();
        bonusHandlerInstance.reset(new BonusHandler);
        const boost::shared_ptr<RuleSystem> ruleSystem(new RuleSystem);
        application->SetRuleSystem(ruleSystem);
        Engine::Python::Initialize(argc, argv);

        RegisterGameControllers();

        // The state handler creates the runners, builds the arena and starts the logos; from
        // then on everything the player sees is its doing, until the menu's "Exit".
        stateHandlerInstance.reset(new StateHandler(files.highScoreFile));

        application->AddUpdateListener(&closeListener);

        application->Run();
    }
    catch (const Engine::Exception& e)
    {
        std::cout << "\nAn exception was thrown!\n\n" << e.what() << "\n";
    }
    catch (const Ogre::Exception& e)
    {
        // Read while the renderer (and any plug-in the exception came from) is still loaded.
        std::cout << "\nAn OGRE exception was thrown!\n\n" << e.getFullDescription() << "\n";
    }
    catch (const std::exception& e)
    {
        // Anything else is a fault of ours; say what it was instead of ending silently.
        std::cout << "\nAn unexpected exception was thrown!\n\n" << e.what() << "\n";
        status = 1;
    }
    // The interpreter ends before the engine that its scripts refer to; the game's objects go
    // while the engine they use is still there.
    Engine::Python::Finalize();
    stateHandlerInstance.reset();
    hudInstance.reset();
    application.reset();
    return status;
}
