#include "GameStateTest.h"

#include "game/LogicRunner.h"
#include "game/RuleSystem.h"
#include "game/StateHandler.h"
#include "game/UI_Hud.h"

#include "engine/logic/ControllerEC.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"
#include "engine/sound/SoundSystem.h"

#include <X11/keysym.h>

namespace Test
{
    void GameStateTest::SetUp()
    {
        GameTest::SetUp();
        Engine::ControllerEC::DisableLoading(true);
        highScoreFile = dir.File("highscores.dat");
        stateHandlerInstance.reset(new StateHandler(highScoreFile));
    }

    void GameStateTest::TearDown()
    {
        // As at the end of the game: the state handler while the renderer is still there.
        stateHandlerInstance.reset();
        GameTest::TearDown();
    }

    StateHandler& GameStateTest::State()
    {
        return *stateHandlerInstance;
    }

    UI_Hud& GameStateTest::Hud()
    {
        return *hudInstance;
    }

    void GameStateTest::SkipLogos()
    {
        Step(16.0f);
        Step(0.01f);
    }

    void GameStateTest::Press(unsigned long keysym)
    {
        KeyDown(keysym);
        Step(0.01f);
        KeyUp(keysym);
        Step(0.01f);
    }

    boost::shared_ptr<Engine::Entity> GameStateTest::Zombie(float x, float z)
    {
        return Engine::Scene::GetSingleton()->CreateEntity("Character.Zombie1", Ogre::Vector3(x, 0.0f, z));
    }

    void GameStateTest::Kill(Engine::Entity& entity)
    {
        ruleSystem->ApplyDamage(&entity, 10000, Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_Z);
    }

    boost::shared_ptr<Engine::Entity> GameStateTest::Player()
    {
        return State().GetLogicRunner().GetPlayer().lock();
    }

    float GameStateTest::Volume(int sound)
    {
        return Engine::SoundSystem::GetSingleton()->GetVolume(sound);
    }
}
