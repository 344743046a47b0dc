#pragma once
#include "GameTest.h"

#include "game/LogicRunner.h"
#include "game/MainLoopRunner.h"

#include "engine/core/Application.h"

#include <OgreVector.h>

#include <boost/shared_ptr.hpp>

#include <cstddef>
#include <memory>
#include <vector>

namespace Engine { class Entity; }
class PlayerController;

namespace Test
{
    /// How one game went for the bot.
    struct BotGame
    {
        float survivedSeconds = 0.0f;    // from "Play" to the player's death, or the limit
        bool died = false;
        float firstHitSeconds = -1.0f;   // first damage taken, -1 if none
        int kills = 0;
        float score = 0.0f;
        int grenadesThrown = 0;
    };

    /// The game as "Play" starts it: every controller of the game registered, the real arena
    /// built, the runners in the frame loop, the simulation running and the game view live.
    /// `Now` counts the seconds of game time since then; nothing is drawn. Not a fixture of its
    /// own: the engine makes one application per process, so every game is played in a child
    /// process (InChildProcess), which lets one test compare several games.
    class ArenaGame : public GameTest
    {
    public:
        /// `throughMenu`: the whole game as the entry point makes it (the state handler, its
        /// high scores, recordings and menus in the test's folder), left in the main menu past
        /// the logos; "Play" is the caller's key press.
        explicit ArenaGame(bool throughMenu = false) : throughMenu(throughMenu) {}
        void TestBody() override {}
        void SetUp() override;
        void TearDown() override;

        /// One frame of `seconds` (GameTest::Step) that also advances `Now`.
        void Play(float seconds);
        using GameTest::KeyDown;
        using GameTest::KeyUp;
        using GameTest::Step;
        using GameTest::Tap;
        using GameTest::Wheel;
        using GameTest::dir;

        boost::shared_ptr<Engine::Entity> Player() const;
        /// The player's controller, or null once the player is dead.
        PlayerController* Controller() const;
        bool PlayerAlive() const;
        /// The player's health, 0 once it is dead.
        int PlayerHealth() const;
        /// The living zombies of every variant.
        std::vector<boost::shared_ptr<Engine::Entity>> Zombies() const;
        /// Kills of anything but the player since "Play", and the HUD's score.
        int Kills() const;
        float Score() const;

        /// The bot plays frames of `frame` seconds until the player dies or `limitSeconds` pass.
        BotGame PlayBot(float frame, float limitSeconds);
        /// Frames of `frame` seconds with nobody at the keys, until the player is first hit
        /// (the time returned) or `limitSeconds` pass (-1).
        float StandStill(float frame, float limitSeconds);

        double Now = 0.0;

    private:
        bool throughMenu;
        LogicRunner* logic = nullptr;
        std::unique_ptr<LogicRunner> ownLogic;  // without the state handler
        MainLoopRunner mainLoop;
    };

    /// Runs `play` on a fresh game in a child process and copies `size` bytes of its result
    /// back; false when the child failed (a failed check inside it, a crash).
    bool RunInChildProcess(void (*play)(ArenaGame& game, void* result), void* result, std::size_t size);

    template <class Result>
    struct ChildPlay
    {
        static Result (*play)(ArenaGame&);
        static void Run(ArenaGame& game, void* result) { *static_cast<Result*>(result) = play(game); }
    };
    template <class Result>
    Result (*ChildPlay<Result>::play)(ArenaGame&) = nullptr;

    /// Plays one game in a child process and hands back what `play` made of it: a plain struct,
    /// copied as bytes. The caller must not have started an application of its own.
    template <class Result>
    Result InChildProcess(Result (*play)(ArenaGame& game))
    {
        ChildPlay<Result>::play = play;
        Result result{};
        if (!RunInChildProcess(&ChildPlay<Result>::Run, &result, sizeof result))
            ADD_FAILURE() << "the game played in a child process failed";
        return result;
    }

    /// A player who plays the game only through the keys, as a person at the keyboard would,
    /// reading where the zombies are: turns towards the nearest one and fires when it is in line,
    /// takes the shotgun for close work once it has it, walks to a pick-up while nobody is close,
    /// and throws a grenade when crowded. Deterministic: its choices depend only on the scene.
    class PlayerBot
    {
    public:
        explicit PlayerBot(ArenaGame& game) : game(game) {}
        /// Decides and presses or releases keys for the coming frame of `seconds`.
        void Act(float seconds);
        /// Lets go of every key it holds.
        void ReleaseAll();

        int grenadesThrown = 0;
        /// Nobody closer than this: time to fetch a pick-up.
        float calmDistance = 7.0f;

    private:
        void Hold(unsigned long keysym, bool down);
        void Aim(const Ogre::Vector3& from, const Ogre::Vector3& facing, const Ogre::Vector3& at, float seconds,
                 float& angleDegrees);

        ArenaGame& game;
        std::vector<unsigned long> held;
        double lastSwitch = -1.0;
        double chargeStarted = -1.0;     // holding the fire key with the grenade in hand since
        bool switchTapped = false;
        bool fireTapped = false;
    };
}
