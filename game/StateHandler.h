#pragma once
#include "HighScoreTable.h"
#include "IRuleSystemListener.h"
#include "engine/core/IUpdateListener.h"

#include <memory>
#include <string>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

namespace Ogre { class OverlayElement; }
namespace OverlayKit { class GUI; }
class LogicRunner;
class MainLoopRunner;
class ReplayPlayer;
class ReplayRecorder;
class UI_Menu;
struct Replay;
struct ReplayFrame;

/// Runs everything around a game: the two start-up logos over the scary music, the main menu,
/// starting, pausing and resuming a game, the return to the menu after a death, the high-score
/// table and its file, and the music of each phase. Every game is recorded from "Play" on (kept
/// beside the high-score file), and a recorded game can be played back instead of the devices.
/// Owns the two runners, the menus, the recorder and the player of a replay; made once by the
/// entry point after the engine and the game's input are running (stateHandlerInstance).
class StateHandler : public Engine::IUpdateListener, public IRuleSystemListener
{
public:
    /// Creates the runners (the arena waits for "Play"), makes the menus, loads the high scores from
    /// `highScoreFile` and starts the logos and their music.
    explicit StateHandler(const std::string& highScoreFile = "highscores.dat");
    ~StateHandler();
    StateHandler(const StateHandler&) = delete;
    StateHandler& operator=(const StateHandler&) = delete;

    std::uint8_t GetPriority() override;
    /// The logos, the phase's music volume, and Escape or the window's loss of focus.
    bool FrameStarted(float seconds) override;
    bool FrameEnded(float seconds) override;

    /// The player's death: the next "Play" builds a new arena.
    void OnEntityKilled(Engine::Entity* entity) override;
    void OnEntityDamaged(Engine::Entity* entity, int health) override;

    /// "Play" / "Continue": a new game (a fresh arena, a new seed) starts with the next frame
    /// unless one is paused, which then goes on.
    void StartGame();
    /// Plays the recorded game instead of the devices, from the next frame: the logos and the
    /// menu are skipped, and the end of the recording returns to the menu (the devices take over)
    /// and calls `ended` (at the first difference already, with `stopAtDifference`). Paced, it
    /// runs no faster than the recorded game did (for watching). The
    /// high-score table is not touched by the replayed game.
    void StartReplay(const Replay& replay, const std::string& fileName,
                     boost::function<void ()> ended = boost::function<void ()>(), bool stopAtDifference = false,
                     bool paceToRecordedTimes = false);
    /// Pauses the game and shows the main menu (also from the high-score view).
    void ReturnToMenu();
    /// "High scores": the table instead of the menu.
    void ShowHighScores();

    /// The score a new entry must beat: 0 while the table has room.
    int LowestHighScore() const;
    /// Adds the entry to the table and saves it (a replayed game's entry is only compared).
    void AddHighScore(const std::string& name, int score);

    /// Alpha of a logo shown from `start` to `end` with fades of `ramp` seconds, at time t.
    static float LogoAlpha(float t, float start, float end, float ramp);

    MainLoopRunner& GetMainLoopRunner() { return *mainLoopRunner; }
    LogicRunner& GetLogicRunner() { return *logicRunner; }
    UI_Menu& GetMainMenu() { return *mainMenu; }
    UI_Menu& GetGameOverMenu() { return *gameOverMenu; }
    const HighScoreTable& GetHighScores() const { return highScores; }
    bool IsHighScoreViewVisible() const;
    std::string GetHighScoreText() const;
    bool AreLogosDone() const { return logosDone; }
    float GetLogoTime() const { return logoTime; }
    float GetMusicTarget() const { return musicTarget; }
    int GetMenuMusic() const { return menuMusic; }
    int GetIngameMusic() const { return ingameMusic; }
    int GetScaryMusic() const { return scaryMusic; }
    /// The replay played last, or null.
    const ReplayPlayer* GetReplayPlayer() const { return replayPlayer.get(); }
    /// A recorded game is being played back.
    bool IsReplaying() const;

private:
    void EndLogos();
    /// Before a frame's input takes effect: a new game starts, and the recorder sees the frame.
    void OnFrameStart(const ReplayFrame& frame);
    void BeginNewGame(std::uint32_t seed);
    void OnReplayEnded();

    std::unique_ptr<MainLoopRunner> mainLoopRunner;
    std::unique_ptr<LogicRunner> logicRunner;
    std::unique_ptr<UI_Menu> mainMenu;
    std::unique_ptr<UI_Menu> gameOverMenu;
    int menuMusic;
    int ingameMusic;
    int scaryMusic;
    float musicTarget;
    float logoTime;
    bool playerDead;      // the game's player died: the game ends with the return to the menu
    bool gameInProgress;  // started and not ended: "Continue" goes on with it
    bool newGamePending;  // "Play" was chosen: the game starts before the next frame
    bool logosDone;
    bool skipKeyHeld;
    bool hadWindowFocus;  // as of the last frame: a game pauses when the window loses it
    HighScoreTable highScores;
    std::string highScoreFile;
    Ogre::OverlayElement* logo1;
    Ogre::OverlayElement* logo2;
    Ogre::OverlayElement* highScoreList;
    Ogre::OverlayElement* highScoreCaption;
    std::unique_ptr<OverlayKit::GUI> logoGui;  // only while the logos run
    bool calledByFrameLoop;
    std::unique_ptr<ReplayRecorder> recorder;    // after the runners: saves the game it records as it goes
    std::unique_ptr<ReplayPlayer> replayPlayer;
    boost::function<void ()> replayEnded;
    int replayLowestHighScore;
};

/// The game's one state handler, made by the entry point and reset when the frame loop ends.
extern boost::shared_ptr<StateHandler> stateHandlerInstance;
