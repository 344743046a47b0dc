#include "GameTest.h"

#include "game/LogicRunner.h"
#include "game/MainLoopRunner.h"
#include "game/RuleSystem.h"

#include "engine/core/Application.h"
#include "engine/logic/ControllerEC.h"
#include "engine/logic/ControllerManager.h"
#include "engine/logic/IController.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/Scene.h"

#include <OIS.h>
#include <Ogre.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace
{
    class CountingController : public Engine::IController
    {
    public:
        explicit CountingController(int& updates) : updates(updates) {}
        bool Update(float, boost::shared_ptr<Engine::Entity>) override { ++updates; return true; }
        void OnAttach(boost::shared_ptr<Engine::Entity>) override {}
        void OnDetach(boost::shared_ptr<Engine::Entity>) override {}

    private:
        int& updates;
    };

    // The runners on the built arena, as a game has them. The arena's templates attach the
    // game's controllers, which these tests leave out.
    class RunnerTest : public Test::GameTest
    {
    protected:
        void SetUp() override
        {
            GameTest::SetUp();
            Engine::ControllerEC::DisableLoading(true);
            logic.reset(new LogicRunner);
            logic->BuildArena();
            application->AddUpdateListener(logic.get());
            application->AddUpdateListener(&mainLoop);
            AddVictimTemplate();
        }

        // A killable entity without a controller; building an arena removes the template again.
        static void AddVictimTemplate()
        {
            const boost::shared_ptr<Engine::EntityTemplate> target =
                Engine::Scene::GetSingleton()->GetEntityTemplateManager().CreateTemplate("", "Test.Zombie");
            target->SetAttribute("NoDisable", true);
            target->SetAttribute("Health", "10");
        }
        void TearDown() override
        {
            logic.reset();
            GameTest::TearDown();
        }

        static unsigned int PickUps()
        {
            return Engine::Scene::GetSingleton()->GetEntityCount("Object.QuestionMark");
        }

        // Kills through the rules, as a weapon would; the scene then takes in what was dropped.
        void Kill(int count)
        {
            Engine::Scene& scene = *Engine::Scene::GetSingleton();
            std::vector<boost::shared_ptr<Engine::Entity> > victims;
            for (int i = 0; i < count; ++i)
                victims.push_back(scene.CreateEntity("Test.Zombie", Ogre::Vector3(3.0f, 0.0f, 3.0f)));
            scene.Update(0.0f);
            for (const boost::shared_ptr<Engine::Entity>& victim : victims)
                victim->TakeDamage(10, Ogre::Vector3::ZERO, Ogre::Vector3::ZERO);
            scene.Update(0.0f);
        }

        Ogre::Vector3 CameraPosition() const { return logic->GetCamera()->getDerivedPosition(); }

        /// The game's camera moved to `from` and turned to look straight down.
        void LookStraightDown(const Ogre::Vector3& from)
        {
            Ogre::Camera* camera = logic->GetCamera();
            camera->setOrientation(Ogre::Quaternion::IDENTITY);
            camera->getParentSceneNode()->setPosition(from);
            camera->getParentSceneNode()->setOrientation(Ogre::Quaternion(Ogre::Degree(-90.0f), Ogre::Vector3::UNIT_X));
            ASSERT_TRUE(camera->getDerivedDirection().positionEquals(Ogre::Vector3::NEGATIVE_UNIT_Y, 1e-4f));
        }

        /// The frame drawn last, drawn again without swapping and read back as RGBA bytes.
        std::vector<std::uint8_t> Picture() const
        {
            Ogre::RenderWindow* window = application->GetRenderWindow();
            window->update(false);
            const unsigned int width = window->getWidth(), height = window->getHeight();
            std::vector<std::uint8_t> pixels(std::size_t(width) * height * 4);
            Ogre::PixelBox box(width, height, 1, Ogre::PF_BYTE_RGBA, pixels.data());
            window->copyContentsToMemory(Ogre::Box(0, 0, width, height), box, Ogre::RenderTarget::FB_BACK);
            return pixels;
        }

        /// The mean brightness (0..255) of the 7 x 7 pixels around where a world point shows.
        double BrightnessAt(const std::vector<std::uint8_t>& pixels, const Ogre::Vector3& point) const
        {
            Ogre::Camera* camera = logic->GetCamera();
            const Ogre::Vector3 onScreen = camera->getProjectionMatrix() * (camera->getViewMatrix() * point);
            Ogre::RenderWindow* window = application->GetRenderWindow();
            const int width = static_cast<int>(window->getWidth()), height = static_cast<int>(window->getHeight());
            const int cx = static_cast<int>((onScreen.x + 1.0f) * 0.5f * width);
            const int cy = static_cast<int>((1.0f - onScreen.y) * 0.5f * height);
            double sum = 0.0;
            int count = 0;
            for (int y = std::max(cy - 3, 0); y <= std::min(cy + 3, height - 1); ++y)
                for (int x = std::max(cx - 3, 0); x <= std::min(cx + 3, width - 1); ++x)
                {
                    const std::size_t i = (std::size_t(y) * width + x) * 4;
                    sum += (pixels[i] + pixels[i + 1] + pixels[i + 2]) / 3.0;
                    ++count;
                }
            return count ? sum / count : 0.0;
        }

        std::unique_ptr<LogicRunner> logic;
        MainLoopRunner mainLoop;
    };
}

TEST_F(RunnerTest, OutsideAGameNeitherPhysicsNorControllersRunButTheSceneStreamsEveryFrame)
{
    Engine::Scene& scene = *Engine::Scene::GetSingleton();
    const boost::shared_ptr<Engine::Entity> ball = scene.CreateEntity("Bullet.Grenade", Ogre::Vector3(0.0f, 5.0f, 0.0f));
    int updates = 0;
    Engine::ControllerManager::GetSingleton()->RegisterController("Test.Counting", [&updates] {
        return boost::shared_ptr<Engine::IController>(new CountingController(updates));
    });
    Engine::ControllerManager::GetSingleton()->AttachController("Test.Counting", ball);
    // Streaming enables what may be disabled once it is near a camera.
    scene.GetEntityTemplateManager().CreateTemplate("", "Test.Streamed");
    const boost::shared_ptr<Engine::Entity> streamed = scene.CreateEntity("Test.Streamed", Ogre::Vector3::ZERO);
    ASSERT_FALSE(streamed->IsEnabled());

    Step(0.01f);
    EXPECT_TRUE(streamed->IsEnabled());
    Run(1.0f);
    EXPECT_FLOAT_EQ(ball->GetSceneNode()->getPosition().y, 5.0f);
    EXPECT_EQ(updates, 0);

    mainLoop.simulationRunning = true;
    Run(1.0f);
    EXPECT_LT(ball->GetSceneNode()->getPosition().y, 4.0f);
    EXPECT_GE(updates, 59);

    // Paused again: everything stands where it was.
    mainLoop.simulationRunning = false;
    Step(1.0f / 60.0f);  // the step started during the game is collected in this frame
    const float stopped = ball->GetSceneNode()->getPosition().y;
    const int updatesWhenStopped = updates;
    Run(0.5f);
    EXPECT_FLOAT_EQ(ball->GetSceneNode()->getPosition().y, stopped);
    EXPECT_EQ(updates, updatesWhenStopped);
}

TEST_F(RunnerTest, DuringAGameEntitiesAreStreamedOnlyOnceAFifthOfTheFrameTimeExceedsATenth)
{
    mainLoop.simulationRunning = true;
    Step(0.2f);  // streams, and starts the count afresh
    Engine::Scene& scene = *Engine::Scene::GetSingleton();
    scene.GetEntityTemplateManager().CreateTemplate("", "Test.Streamed");
    const boost::shared_ptr<Engine::Entity> streamed = scene.CreateEntity("Test.Streamed", Ogre::Vector3::ZERO);
    Step(0.03f);
    Step(0.03f);
    Step(0.03f);
    EXPECT_FALSE(streamed->IsEnabled());  // 0.09 s
    Step(0.03f);
    EXPECT_TRUE(streamed->IsEnabled());   // 0.12 s

    // The count starts again from nothing after streaming.
    streamed->Disable();
    Step(0.05f);
    Step(0.05f);
    EXPECT_FALSE(streamed->IsEnabled());  // exactly 0.1 s is not more than 0.1 s
    Step(0.01f);
    EXPECT_TRUE(streamed->IsEnabled());
}

TEST_F(RunnerTest, EveryTwentiethKillDropsOnePickUpThePlayersDeathDoesNotCountAndANewArenaStartsAgain)
{
    Kill(19);
    EXPECT_EQ(PickUps(), 0u);
    const boost::shared_ptr<Engine::Entity> player = logic->GetPlayer().lock();
    ASSERT_TRUE(player);
    player->TakeDamage(1000, Ogre::Vector3::ZERO, Ogre::Vector3::ZERO);
    EXPECT_EQ(logic->GetKillCount(), 19);
    Kill(1);
    EXPECT_EQ(PickUps(), 1u);
    Kill(19);
    EXPECT_EQ(PickUps(), 1u);
    Kill(1);
    EXPECT_EQ(PickUps(), 2u);

    // Dropped in the middle of the arena, one unit above what lies below.
    const boost::shared_ptr<Engine::Entity> pickUp =
        Engine::Scene::GetSingleton()->FindClosestEntityByType("Object.QuestionMark", Ogre::Vector3::ZERO);
    ASSERT_TRUE(pickUp);
    const Ogre::Vector3 where = pickUp->GetSceneNode()->getPosition();
    EXPECT_GE(where.x, -7.0f);
    EXPECT_LE(where.x, 6.91f);
    EXPECT_GE(where.z, -7.0f);
    EXPECT_LE(where.z, 6.91f);
    EXPECT_GE(where.y, 0.99f);

    logic->BuildArena();
    EXPECT_EQ(logic->GetKillCount(), 0);
    AddVictimTemplate();
    Kill(10);
    logic->BuildArena();
    AddVictimTemplate();
    Kill(19);
    EXPECT_EQ(PickUps(), 0u);
}

TEST_F(RunnerTest, TheWheelLowersTheCameraToTheFloorAndNoFurtherAndRaisesItAgain)
{
    mainLoop.simulationRunning = true;
    logic->Resume();
    Run(6.0f);
    EXPECT_NEAR(CameraPosition().y, 8.0f, 0.2f);

    // Ten notches forward in one frame would take it 20 units down.
    Wheel(10);
    Run(8.0f);
    EXPECT_NEAR(CameraPosition().y, 0.0f, 0.05f);

    Wheel(-3);
    Run(8.0f);
    EXPECT_NEAR(CameraPosition().y, 6.0f, 0.2f);

    // Paused, the camera stays where it is whatever the wheel does.
    logic->Pause();
    const Ogre::Vector3 before = CameraPosition();
    Wheel(5);
    Run(1.0f);
    EXPECT_EQ(CameraPosition(), before);
}

TEST_F(RunnerTest, TheBuiltArenaHoldsAPlayerWithFullHealthAndTheCameraFollowsIt)
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

TEST_F(RunnerTest, KeysSentToTheWindowReachTheGamesKeyboard)
{
    KeyDown(XK_Up);
    EXPECT_TRUE(application->GetKeyboard()->isKeyDown(OIS::KC_UP));
    KeyUp(XK_Up);
    EXPECT_FALSE(application->GetKeyboard()->isKeyDown(OIS::KC_UP));
    KeyDown(XK_Control_R);
    EXPECT_TRUE(application->GetKeyboard()->isKeyDown(OIS::KC_RCONTROL));
    KeyUp(XK_Control_R);
}

TEST_F(RunnerTest, TheStarsShowOverheadToACameraOnTheFloorLookingUp)
{
    // The camera wheeled down to the floor beside the player, turned to look straight up.
    Ogre::Camera* camera = logic->GetCamera();
    camera->setOrientation(Ogre::Quaternion::IDENTITY);
    camera->getParentSceneNode()->setPosition(3.0f, 1.0f, 3.0f);
    camera->getParentSceneNode()->setOrientation(Ogre::Quaternion(Ogre::Degree(90.0f), Ogre::Vector3::UNIT_X));
    ASSERT_TRUE(camera->getDerivedDirection().positionEquals(Ogre::Vector3::UNIT_Y, 1e-4f));
    Draw(1.0f / 60.0f);

    // Every pixel of the starry texture has some colour; the empty background is black.
    const std::vector<std::uint8_t> pixels = Picture();
    std::size_t black = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4)
        black += pixels[i] == 0 && pixels[i + 1] == 0 && pixels[i + 2] == 0 ? 1 : 0;
    EXPECT_LT(black, pixels.size() / 4 / 100) << black << " of " << pixels.size() / 4 << " pixels are black";
}

// The floor's shadow is projected with the shadow camera's own matrix: seen from straight above,
// a projection that took its planes from the wrong transform put the shadows some 4 units off
// their casters, towards the moon.
TEST_F(RunnerTest, ACrateInTheOpenYardCastsADarkPatchOnTheFloorOnTheSideAwayFromTheMoon)
{
    // A crate alone in the open yard, away from the walls, pillars and braziers, seen from
    // straight above.
    const Ogre::Vector3 crate(-2.0f, 0.0f, -6.0f);
    Engine::Scene::GetSingleton()->CreateEntity("Arena.Crate", crate);
    Engine::Scene::GetSingleton()->Update(0.0f);
    LookStraightDown(crate + Ogre::Vector3(0.0f, 9.0f, 0.0f));
    Draw(1.0f / 60.0f);

    // The moon shines down along (0.35, -1, 0.55): the shadow lies on the floor past the crate
    // along (0.35, 0, 0.55), as long as the crate is high times that slope.
    Ogre::SceneNode* node = nullptr;
    for (const auto& entity : Engine::Scene::GetSingleton()->GetEntities())
        if (entity->GetType() == "Arena.Crate" && entity->GetSceneNode()->getPosition().positionEquals(crate, 0.01f))
            node = entity->GetSceneNode();
    ASSERT_NE(node, nullptr);
    const Ogre::AxisAlignedBox bounds = node->getAttachedObject(0)->getWorldBoundingBox(true);
    const Ogre::Vector3 away = Ogre::Vector3(0.35f, 0.0f, 0.55f).normalisedCopy();
    const Ogre::Vector3 half = bounds.getHalfSize();
    const float edge = std::min(half.x / away.x, half.z / away.z);
    const float reach = edge + 0.5f * bounds.getMaximum().y * Ogre::Vector3(0.35f, 0.0f, 0.55f).length();

    const std::vector<std::uint8_t> pixels = Picture();
    const double shaded = BrightnessAt(pixels, crate + away * reach);
    const double lit = BrightnessAt(pixels, crate - away * reach);
    EXPECT_GT(lit, 10.0) << "the floor on the moon's side is too dark to tell";
    EXPECT_LT(shaded, lit * 0.5) << "no shadow beside the crate: " << shaded << " against " << lit;
}

TEST_F(RunnerTest, ABloodSplatSprayedInTheYardShowsRedNotTheGreyOfAnUntexturedQuad)
{
    // Seen from straight above, a few frames into the spray.
    const Ogre::Vector3 at(-2.0f, 1.0f, -6.0f);
    LookStraightDown(at + Ogre::Vector3(0.0f, 5.0f, 0.0f));
    Engine::Scene& scene = *Engine::Scene::GetSingleton();
    const boost::shared_ptr<Engine::Entity> blood = scene.CreateEntity("Particle.BloodSplat", at);
    blood->GetSceneNode()->setDirection(Ogre::Vector3::UNIT_X, Ogre::Node::TS_WORLD);
    for (int i = 0; i < 6; ++i)
    {
        scene.Update(0.02f);
        Draw(0.02f);
    }

    // Drawn with the particles' own material the drops are red; with an empty one they were
    // flat squares of the ambient light's grey.
    const std::vector<std::uint8_t> pixels = Picture();
    std::size_t red = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4)
        red += pixels[i] > 100 && pixels[i] > 3 * pixels[i + 1] && pixels[i] > 3 * pixels[i + 2] ? 1 : 0;
    EXPECT_GT(red, 100u) << "the splat shows no red";
}
