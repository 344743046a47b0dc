#include "StateHandler.h"
#include "AI_Zombie.h"
#include "BonusHandler.h"
#include "GameInput.h"
#include "GameRandom.h"
#include "LogicRunner.h"
#include "MainLoopRunner.h"
#include "ReplayPlayer.h"
#include "ReplayRecorder.h"
#include "RuleSystem.h"
#include "Teardown.h"
#include "UI_Hud.h"
#include "UI_Menu.h"

#include "engine/core/Application.h"
#include "engine/core/Error.h"
#include "engine/gui/GUI.h"
#include "engine/scene/Entity.h"
#include "engine/sound/SoundSystem.h"

#include <OIS.h>
#include <Ogre.h>
#include <OgreOverlayElement.h>

#include <algorithm>
#include <cstdlib>

boost::shared_ptr<StateHandler> stateHandlerInstance;

namespace
{
    const char* const playerType = "Character.Player";
    const char* const menuBackground = "Menu.Main.Background";

    constexpr float logoCharHeight = 0.04f;
    constexpr float logosEnd = 16.0f;            // seconds: the menu comes
    constexpr float firstSkipTarget = 7.0f;      // a skip press jumps to the second logo...
    constexpr float secondSkipTarget = 15.0f;    // ... and then to its fade-out
    constexpr float musicRampPerSecond = 0.3f;   // volume change of the in-game music
    constexpr float ingameMusicVolume = 0.3f;
    constexpr float fullVolume = 1.0f;

    const Ogre::ColourValue captionColour(0.7f, 0.05f, 0.0f, 1.0f);

    // The logos fade through the alpha of their material's first texture unit.
    void SetLogoAlpha(const std::string& materialName, float alpha)
    {
        const Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().getByName(materialName);
        if (!material)
            return;
        Ogre::Technique* technique = material->getTechnique(0);
        if (!technique || technique->getNumPasses() == 0 || technique->getPass(0)->getNumTextureUnitStates() == 0)
            return;
        technique->getPass(0)->getTextureUnitState(0)->setAlphaOperation(Ogre::LBX_MODULATE, Ogre::LBS_TEXTURE,
                                                                         Ogre::LBS_MANUAL, 1.0f, alpha);
    }
}

StateHandler::StateHandler(const std::string& highScoreFile)
    : menuMusic(-1), ingameMusic(-1), scaryMusic(-1), musicTarget(fullVolume), logoTime(0.0f), playerDead(false),
      gameInProgress(false), newGamePending(false), logosDone(false), skipKeyHeld(false),
      hadWindowFocus(!gameInputInstance || gameInputInstance->HasWindowFocus()), highScoreFile(highScoreFile),
      logo1(nullptr), logo2(nullptr), highScoreList(nullptr), highScoreCaption(nullptr), calledByFrameLoop(false),
      replayLowestHighScore(0)
{
    Engine::Application& application = *Engine::Application::GetSingletonPtr();
    application.AddUpdateListener(this);
    if (RuleSystem* rules = RuleSystem::Get())
        rules->AddListener(this);

    // The arena is built by "Play": every game starts from a fresh one.
    logicRunner.reset(new LogicRunner);
    application.AddUpdateListener(logicRunner.get());
    mainLoopRunner.reset(new MainLoopRunner);
    application.AddUpdateListener(mainLoopRunner.get());

    // The recordings are kept beside the high scores.
    const std::string::size_type slash = highScoreFile.rfind('/');
    recorder.reset(new ReplayRecorder(*logicRunner, slash == std::string::npos ? "" : highScoreFile.substr(0, slash + 1)));
    if (gameInputInstance)
        gameInputInstance->SetFrameObserver([this](const ReplayFrame& frame) { OnFrameStart(frame); });

    // Kept from the game's first design; nothing shows it.
    gameOverMenu.reset(new UI_Menu(menuBackground));
    gameOverMenu->AddItem("Okay", "", [this] {
        gameOverMenu->Hide();
        mainMenu->Show();
    });
    gameOverMenu->Hide();

    mainMenu.reset(new UI_Menu(menuBackground));
    mainMenu->AddItem("Play", "", [this] { StartGame(); });
    mainMenu->AddItem("High scores", "", [this] { ShowHighScores(); });
    // A recorded "Exit" ends the recording, not the program that plays it back.
    mainMenu->AddItem("Exit", "", [this] {
        if (!IsReplaying())
            mainLoopRunner->quit = true;
    });
    mainMenu->Hide();

    logoGui.reset(new OverlayKit::GUI("VoodooDoll", logoCharHeight));
    highScoreCaption = logoGui->CreateOverlay("HighScoreCaption", Ogre::Vector2(0.3f, 0.2f), Ogre::Vector2(1.0f, 1.0f),
                                              "", "High scores", true);
    highScoreCaption->setColour(captionColour);
    highScoreCaption->hide();
    highScoreList = logoGui->CreateOverlay("HighScores", Ogre::Vector2(0.3f, 0.3f), Ogre::Vector2(1.0f, 1.0f), "",
                                           "High scores", true);
    highScoreList->hide();

    highScores.Load(highScoreFile);

    logo1 = logoGui->CreateOverlay("Logo/Quillmark", Ogre::Vector2(0.0f, 0.0f), Ogre::Vector2(1.0f, 1.0f),
                                   "Logo.Quillmark", "", true);
    logo2 = logoGui->CreateOverlay("Logo/Voltaro", Ogre::Vector2(0.0f, 0.0f), Ogre::Vector2(1.0f, 1.0f),
                                   "Logo.Voltaro", "", true);
    // Until the first frame sets them, the second logo must not cover the first.
    SetLogoAlpha("Logo.Quillmark", LogoAlpha(0.0f, -1.0f, 9.0f, 1.0f));
    SetLogoAlpha("Logo.Voltaro", LogoAlpha(0.0f, 7.0f, 16.0f, 1.0f));

    Engine::SoundSystem& sound = *Engine::SoundSystem::GetSingleton();
    scaryMusic = sound.CreateStream("../data/audio/scary.ogg");
    menuMusic = sound.CreateStream("../data/audio/menu.ogg");
    ingameMusic = sound.CreateStream("../data/audio/ingame.ogg");
    sound.PlaySound(scaryMusic);
}

StateHandler::~StateHandler()
{
    if (gameInputInstance)
    {
        gameInputInstance->SetFrameObserver(boost::function<void (const ReplayFrame&)>());
        if (IsReplaying())
            gameInputInstance->StopPlayback();
    }
    // A game in progress is saved while its world is still there.
    recorder.reset();
    RuleSystem::Leave(this);
    LeaveFrameLoop(this, calledByFrameLoop);
    ReleaseGui(logoGui);
}

std::uint8_t StateHandler::GetPriority()
{
    return 128;
}

bool StateHandler::FrameStarted(float seconds)
{
    calledByFrameLoop = true;

    // A skip is the moment Return or Space goes down: holding it skips once.
    const bool skipKeyDown = IsGameKeyDown(OIS::KC_RETURN) || IsGameKeyDown(OIS::KC_SPACE);
    const bool skipPress = skipKeyDown && !skipKeyHeld;
    skipKeyHeld = skipKeyDown;
    // The moment the window loses the keyboard focus (the player switched to another window).
    const bool hasWindowFocus = !gameInputInstance || gameInputInstance->HasWindowFocus();
    const bool focusLost = hadWindowFocus && !hasWindowFocus;
    hadWindowFocus = hasWindowFocus;

    logoTime += seconds;
    if (logoTime < logosEnd)
    {
        SetLogoAlpha("Logo.Quillmark", LogoAlpha(logoTime, -1.0f, 9.0f, 1.0f));
        SetLogoAlpha("Logo.Voltaro", LogoAlpha(logoTime, 7.0f, 16.0f, 1.0f));
        if (skipPress)
        {
            if (logoTime < firstSkipTarget)
                logoTime = firstSkipTarget;
            else if (logoTime < secondSkipTarget)
                logoTime = secondSkipTarget;
        }
        return true;
    }
    if (!logosDone)
        EndLogos();

    // The in-game music moves towards its target volume.
    Engine::SoundSystem& sound = *Engine::SoundSystem::GetSingleton();
    const float volume = sound.GetVolume(ingameMusic);
    const float step = seconds * musicRampPerSecond;
    if (musicTarget > volume)
        sound.SetVolume(ingameMusic, std::min(volume + step, musicTarget));
    else if (musicTarget < volume)
        sound.SetVolume(ingameMusic, std::max(volume - step, musicTarget));

    // Escape leaves a game or the high-score view, but not the dying or the name entry. A game
    // left without focus pauses as if Escape had been pressed: keys no longer reach it.
    const bool hudBusy = hudInstance && (hudInstance->IsNameEntryOpen() || hudInstance->IsDead());
    const bool leave = IsGameKeyDown(OIS::KC_ESCAPE) || (focusLost && mainLoopRunner->simulationRunning);
    if (leave && !mainMenu->IsVisible() && !gameOverMenu->IsVisible() && !hudBusy)
        ReturnToMenu();
    return true;
}

bool StateHandler::FrameEnded(float)
{
    return true;
}

void StateHandler::EndLogos()
{
    logosDone = true;
    logo1->hide();
    logo2->hide();
    // The GUI's overlay and the elements it made (the high-score view) stay.
    logoGui.reset();
    Engine::SoundSystem& sound = *Engine::SoundSystem::GetSingleton();
    sound.StopSound(scaryMusic);
    sound.PlaySound(menuMusic);
    mainMenu->Show();
}

void StateHandler::OnEntityKilled(Engine::Entity* entity)
{
    if (entity->GetType() != playerType)
        return;
    mainMenu->SetFirstItemCaption("Play");
    playerDead = true;
}

void StateHandler::OnEntityDamaged(Engine::Entity*, int)
{
}

void StateHandler::StartGame()
{
    mainMenu->Hide();
    if (gameInProgress)
    {
        mainLoopRunner->simulationRunning = true;
        logicRunner->Resume();
    }
    else
    {
        // Started between frames, so that a recording begins exactly where its replay will.
        newGamePending = true;
    }
    mainMenu->SetFirstItemCaption("Continue");
    musicTarget = ingameMusicVolume;
    Engine::SoundSystem& sound = *Engine::SoundSystem::GetSingleton();
    sound.StopSound(menuMusic);
    sound.PlaySound(ingameMusic);
}

void StateHandler::OnFrameStart(const ReplayFrame& frame)
{
    if (newGamePending)
    {
        const std::uint32_t seed = GameRandom::NewSeed();
        BeginNewGame(seed);
        const std::vector<std::pair<std::string, std::string>> settings = {
            {"arena", LogicRunner::GetArenaFile()}, {"lowestHighScore", std::to_string(highScores.Lowest())}};
        recorder->Begin(seed, settings, gameInputInstance->KeysDown(), gameInputInstance->HasWindowFocus());
    }
    recorder->OnFrame(frame);
}

void StateHandler::BeginNewGame(std::uint32_t seed)
{
    newGamePending = false;
    // Nothing of the last game carries into this one: a replay starts from the same state.
    GameRandom::Seed(seed);
    AI_Zombie::ResetStunTimer();
    mainLoopRunner->NewGame();
    UI_Menu::ResetKeyRepeat();
    if (bonusHandlerInstance)
        bonusHandlerInstance->EndAll();
    logicRunner->BuildArena();
    mainLoopRunner->simulationRunning = true;
    logicRunner->Resume();
    gameInProgress = true;
    playerDead = false;
}

void StateHandler::StartReplay(const Replay& replay, const std::string& fileName, boost::function<void ()> ended,
                               bool stopAtDifference, bool paceToRecordedTimes)
{
    if (!gameInputInstance)
        Engine::ThrowError("StateHandler::StartReplay", "There is no game input to play the replay '" + fileName + "' through");
    // A replay already playing lets go of the input before its player goes.
    gameInputInstance->StopPlayback();
    if (replay.Setting("arena") != LogicRunner::GetArenaFile())
        Engine::LogWarning("StateHandler::StartReplay", "The replay '" + fileName + "' was recorded in the arena '" +
                                                            replay.Setting("arena") + "'; it will not play the same");
    if (replay.gameVersion != GORVANE_VERSION)
        Engine::LogWarning("StateHandler::StartReplay", "The replay '" + fileName + "' was recorded by version " +
                                                            replay.gameVersion + " of the game");
    // A game in progress ends here: it is saved as it is.
    recorder->Stop();
    if (!logosDone)
    {
        logoTime = logosEnd;
        EndLogos();
    }
    replayLowestHighScore = std::atoi(replay.Setting("lowestHighScore").c_str());
    replayEnded = ended;
    replayPlayer.reset(new ReplayPlayer(*logicRunner, replay, fileName));
    replayPlayer->SetEndCallback([this] { OnReplayEnded(); });
    replayPlayer->stopAtDifference = stopAtDifference;
    replayPlayer->paceToRecordedTimes = paceToRecordedTimes;
    gameInProgress = false;
    StartGame();
    newGamePending = false;
    BeginNewGame(replay.seed);
    // The window's focus as the recorded game began: only a recorded change pauses it.
    hadWindowFocus = replay.focus;
    ReplayPlayer* player = replayPlayer.get();
    gameInputInstance->PlayFrom([player](ReplayFrame& frame) { return player->NextFrame(frame); }, replay.keysHeld,
                                replay.focus);
}

void StateHandler::OnReplayEnded()
{
    // A recording that ended during play (the program was closed) leaves the game paused.
    if (mainLoopRunner->simulationRunning)
        ReturnToMenu();
    if (replayEnded)
        replayEnded();
}

bool StateHandler::IsReplaying() const
{
    return replayPlayer && !replayPlayer->IsFinished();
}

void StateHandler::ReturnToMenu()
{
    const bool fromHighScores = highScoreList->isVisible();
    if (playerDead && gameInProgress)
    {
        // After the death (and the name entry): the game is over.
        gameInProgress = false;
        recorder->End();
    }
    highScoreList->hide();
    highScoreCaption->hide();
    mainLoopRunner->simulationRunning = false;
    logicRunner->Pause();
    mainMenu->Show();
    musicTarget = fullVolume;
    // Coming back from the high-score view, the menu music is already playing.
    if (!fromHighScores)
    {
        Engine::SoundSystem& sound = *Engine::SoundSystem::GetSingleton();
        sound.StopSound(ingameMusic);
        sound.PlaySound(menuMusic);
    }
}

void StateHandler::ShowHighScores()
{
    mainMenu->Hide();
    highScoreCaption->show();
    highScoreList->show();
    highScoreList->setCaption(GetHighScoreText());
}

std::string StateHandler::GetHighScoreText() const
{
    std::string text;
    int rank = 1;
    for (const HighScoreEntry& entry : highScores.GetEntries())
        text += std::to_string(rank++) + ". " + entry.name + " - " + std::to_string(entry.score) + "\n";
    return text;
}

bool StateHandler::IsHighScoreViewVisible() const
{
    return highScoreList->isVisible();
}

int StateHandler::LowestHighScore() const
{
    return IsReplaying() ? replayLowestHighScore : highScores.Lowest();
}

void StateHandler::AddHighScore(const std::string& name, int score)
{
    if (IsReplaying())
    {
        replayPlayer->EnteredHighScores(name, score);
        return;
    }
    const std::size_t rank = highScores.Add(name, score);
    highScores.Save(highScoreFile);
    if (rank > 0)
        recorder->EnteredHighScores(name, score, rank);
}

float StateHandler::LogoAlpha(float t, float start, float end, float ramp)
{
    if (t < start || t > end)
        return 0.0f;
    if (t < start + ramp)
        return (t - start) / ramp;
    if (t > end - ramp)
        return (end - t) / ramp;
    return 1.0f;
}
