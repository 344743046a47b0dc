#pragma once
#include "HighScoreTable.h"
#include "IRuleSystemListener.h"
#include "engine/core/IUpdateListener.h"

#include <memory>
#include <string>

#include <boost/shared_ptr.hpp>

namespace Ogre { class OverlayElement; }
namespace OverlayKit { class GUI; }
class LogicRunner;
class MainLoopRunner;
class UI_Menu;

/// Runs everything around a game: the two start-up logos over the scary music, the main menu,
/// starting, pausing and resuming a game, the return to the menu after a death, the high-score
/// table and its file, and the music of each phase. Owns the two runners and the menus; made
/// once by the entry point after the engine is running (stateHandlerInstance).
class StateHandler : public Engine::IUpdateListener, public IRuleSystemListener
{
public:
    /// Creates the runners and builds the arena, makes the menus, loads the high scores from
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

    /// "Play" / "Continue": a new arena after a death, else the paused game goes on.
    void StartGame();
    /// Pauses the game and shows the main menu (also from the high-score view).
    void ReturnToMenu();
    /// "High scores": the table instead of the menu.
    void ShowHighScores();

    /// The score a new entry must beat: 0 while the table has room.
    int LowestHighScore() const;
    /// Adds the entry to the table and saves it.
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

private:
    void EndLogos();

    std::unique_ptr<MainLoopRunner> mainLoopRunner;
    std::unique_ptr<LogicRunner> logicRunner;
    std::unique_ptr<UI_Menu> mainMenu;
    std::unique_ptr<UI_Menu> gameOverMenu;
    int menuMusic;
    int ingameMusic;
    int scaryMusic;
    float musicTarget;
    float logoTime;
    bool arenaReady;
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
};

/// The game's one state handler, made by the entry point and reset when the frame loop ends.
extern boost::shared_ptr<StateHandler> stateHandlerInstance;
