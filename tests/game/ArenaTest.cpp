#include "GameTest.h"

#include "game/LogicRunner.h"
#include "game/MainLoopRunner.h"

#include "engine/core/Application.h"
#include "engine/logic/ControllerEC.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"

#include <OIS.h>
#include <Ogre.h>
#include <X11/keysym.h>

namespace
{
    class ArenaTest : public Test::GameTest
    {
    protected:
        void SetUp() override
        {
            GameTest::SetUp();
            // The arena's templates attach the game's controllers; these tests are about the
            // arena and the runners alone.
            Engine::ControllerEC::DisableLoading(true);
            logic.reset(new LogicRunner);
            logic->BuildArena();
            application->AddUpdateListener(logic.get());
            application->AddUpdateListener(&mainLoop);
        }
        void TearDown() override
        {
            // The runners stay listeners to the end, as in the game: the application goes first.
            GameTest::TearDown();
            logic.reset();
        }

        std::unique_ptr<LogicRunner> logic;
        MainLoopRunner mainLoop;
    };
}

TEST_F(ArenaTest, TheBuiltArenaHoldsAPlayerWithFullHealthAndTheCameraFollowsIt)
{
    const boost::shared_ptr<Engine::Entity> player = logic->GetPlayer().lock();
    ASSERT_TRUE(player);
    EXPECT_EQ(player->GetType(), "Character.Player");
    EXPECT_EQ(player->GetAttributeInt("Health"), 100);
    EXPECT_EQ(player->GetAttributeInt("MaxPower"), 100);

    mainLoop.simulationRunning = true;
    logic->Resume();
    Run(3.0f);
    const Ogre::Vector3 camera = logic->GetCamera()->getDerivedPosition();
    EXPECT_NEAR(camera.y, 8.0f, 1.0f);            // eight units over the player
    EXPECT_LT(camera.distance(player->GetSceneNode()->getPosition()), 12.0f);
}

TEST_F(ArenaTest, KeysSentToTheWindowReachTheGamesKeyboard)
{
    KeyDown(XK_Up);
    EXPECT_TRUE(application->GetKeyboard()->isKeyDown(OIS::KC_UP));
    KeyUp(XK_Up);
    EXPECT_FALSE(application->GetKeyboard()->isKeyDown(OIS::KC_UP));
    KeyDown(XK_Control_R);
    EXPECT_TRUE(application->GetKeyboard()->isKeyDown(OIS::KC_RCONTROL));
    KeyUp(XK_Control_R);
}
