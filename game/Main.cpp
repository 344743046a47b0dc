// Gorvane's entry point.
#include "BonusHandler.h"
#include "BuildInfo.h"
#include "ConfigDialog.h"
#include "GameControllers.h"
#include "GameInput.h"
#include "GameSounds.h"
#include "MainLoopRunner.h"
#include "PlayerFiles.h"
#include "ReplayFile.h"
#include "ReplayPlayer.h"
#include "RuleSystem.h"
#include "StateHandler.h"
#include "UI_Hud.h"
#include "WindowCloseListener.h"

#include "engine/core/Application.h"
#include "engine/core/Error.h"
#include "engine/core/Exception.h"
#include "engine/core/Settings.h"
#include "engine/sound/SoundSystem.h"
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

    // A setting the game's settings file may leave out; empty when it does.
    std::string OptionalSetting(const std::string& key)
    {
        const Engine::Settings::KeyMap found = Engine::Settings::GetMap(key);
        const auto it = found.find(key);
        return it == found.end() ? std::string() : it->second;
    }

    // "<ReplayHeadless>Yes</ReplayHeadless>" beside "<Replay>": the replay runs without drawing,
    // as fast as it goes, and its result is the program's exit status.
    bool IsHeadlessReplay()
    {
        const std::string value = OptionalSetting("Engine/ReplayHeadless");
        return !OptionalSetting("Engine/Replay").empty() &&
               (value == "Yes" || value == "yes" || value == "true" || value == "1");
    }

    // The configure callback: the render-system dialog, shown at every start (a headless replay
    // takes the saved choice, or the first render system, without asking).
    bool ChooseRenderSystem()
    {
        ConfigDialog dialog;
        if (IsHeadlessReplay())
            return dialog.Confirm();
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
        gameInputInstance.reset(new GameInput(*application));

        // The state handler creates the runners and menus and starts the logos; from
        // then on everything the player sees is its doing, until the menu's "Exit".
        stateHandlerInstance.reset(new StateHandler(files.highScoreFile));

        application->AddUpdateListener(&closeListener);

        // "<Replay>file</Replay>" plays a recorded game first; a bare file name is one of the
        // player's own recordings, kept beside the high scores.
        std::string replayFile = OptionalSetting("Engine/Replay");
        const bool headless = IsHeadlessReplay();
        bool replayStarted = false;
        if (!replayFile.empty())
        {
            const std::string::size_type slash = files.highScoreFile.rfind('/');
            if (replayFile.find('/') == std::string::npos && slash != std::string::npos)
                replayFile = files.highScoreFile.substr(0, slash + 1) + replayFile;
            Replay replay;
            try
            {
                replay = ReplayFile::Load(replayFile);
                replayStarted = true;
            }
            catch (const Engine::Exception&)
            {
                // Said in the log and on the console; without a replay to run, a headless run
                // has failed, and a player's game starts as usual.
                status = 1;
            }
            if (replayStarted)
                stateHandlerInstance->StartReplay(replay, replayFile, [headless] {
                    if (headless)
                        stateHandlerInstance->GetMainLoopRunner().quit = true;
                }, headless, !headless);
        }

        if (headless)
        {
            status = 1;
            if (replayStarted)
            {
                Engine::SoundSystem::GetSingleton()->SetMasterVolume(0.0f);
                // The frames as the renderer's loop would call them, without drawing; the
                // recording gives their times.
                Ogre::FrameEvent event;
                while (application->frameStarted(event) && application->frameEnded(event))
                {
                }
                const ReplayPlayer* player = stateHandlerInstance->GetReplayPlayer();
                status = player->IsFinished() && player->Matched() ? 0 : 1;
                std::cout << player->Summary() << "\n";
            }
        }
        else
        {
            status = 0;
            application->Run();
        }
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
    gameInputInstance.reset();
    application.reset();
    return status;
}
