#pragma once
#include "GameTest.h"

#include <string>

namespace Engine { class Entity; }
class StateHandler;
class UI_Hud;

namespace Test
{
    /// The game as the entry point starts it: the state handler (runners, arena, menus, logos,
    /// music) in stateHandlerInstance, its high scores in the test's folder. The arena's
    /// controllers are not loaded: these tests are about what surrounds play.
    class GameStateTest : public GameTest
    {
    protected:
        void SetUp() override;
        void TearDown() override;

        StateHandler& State();
        UI_Hud& Hud();
        /// One long frame past the logos: the main menu shows.
        void SkipLogos();
        /// A key held for one short frame, then released and another frame run.
        void Press(unsigned long keysym);
        /// A zombie of the arena's templates standing at the point.
        boost::shared_ptr<Engine::Entity> Zombie(float x, float z);
        /// Damage through the rule system, as a weapon deals it.
        void Kill(Engine::Entity& entity);
        boost::shared_ptr<Engine::Entity> Player();
        float Volume(int sound);

        std::string highScoreFile;
    };
}
