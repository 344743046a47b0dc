#include "GameTest.h"

#include "game/BonusController.h"
#include "game/BonusHandler.h"
#include "game/CannonController.h"
#include "game/GameSounds.h"
#include "game/GrenadeController.h"
#include "game/LogicRunner.h"
#include "game/MainLoopRunner.h"
#include "game/UI_Hud.h"

#include "engine/core/Application.h"
#include "engine/logic/ControllerEC.h"
#include "engine/logic/ControllerManager.h"
#include "engine/logic/Event.h"
#include "engine/physics/ActorEC.h"
#include "engine/physics/BodyEC.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/SimulationActor.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/scene/Entity.h"
#include "engine/scene/Scene.h"
#include "engine/sound/SoundSystem.h"

#include <Ogre.h>
#include <OgreOverlayElement.h>

#include <vector>

namespace
{
    constexpr float frame = 1.0f / 60.0f;

    /// The real arena with its player, physics running, the pick-up and projectile controllers
    /// registered. The spawn grates are taken out and the zombies and the player a test places
    /// have no brains: the test moves them itself.
    class PickUpsTest : public Test::GameTest
    {
    protected:
        void SetUp() override
        {
            GameTest::SetUp();
            Engine::ControllerManager& controllers = *Engine::ControllerManager::GetSingleton();
            controllers.RegisterController("Bonus", &::Test::MakeController<BonusController>);
            controllers.RegisterController("Cannon", &::Test::MakeController<CannonController>);
            controllers.RegisterController("Grenade", &::Test::MakeController<GrenadeController>);

            Engine::ControllerEC::DisableLoading(true);
            logic.reset(new LogicRunner);
            logic->BuildArena();
            for (const boost::shared_ptr<Engine::Entity>& entity : scene().GetEntities())
                if (entity->GetType() == "Arena.SpawnPoint")
                    entity->Destroy();
            Engine::ControllerEC::DisableLoading(false);

            application->AddUpdateListener(logic.get());
            application->AddUpdateListener(&mainLoop);
            mainLoop.simulationRunning = true;
            logic->Resume();
            player = logic->GetPlayer().lock();
            // What the grenade ability gives the player when it is equipped.
            player->SetAttributeInt("GrenadeCount", 0);
            Step(frame);
        }
        void TearDown() override
        {
            logic.reset();
            GameTest::TearDown();
        }

        static Engine::Scene& scene() { return *Engine::Scene::GetSingleton(); }

        /// An entity of the template, enabled at once; characters come without their controller.
        boost::shared_ptr<Engine::Entity> Place(const std::string& type, const Ogre::Vector3& position)
        {
            const bool character = type.compare(0, 10, "Character.") == 0;
            Engine::ControllerEC::DisableLoading(character);
            const boost::shared_ptr<Engine::Entity> entity = scene().CreateEntity(type, position);
            if (!entity->IsEnabled())
                entity->Enable();
            Engine::ControllerEC::DisableLoading(false);
            return entity;
        }

        static Ogre::Vector3 PositionOf(const boost::shared_ptr<Engine::Entity>& entity)
        {
            return entity->GetSceneNode()->getPosition();
        }

        /// Walks the character towards the target (on the ground) at 4 units a second until it is
        /// within 0.1 of it or `seconds` have passed; returns the least horizontal distance it came
        /// to `watch`.
        float Walk(const boost::shared_ptr<Engine::Entity>& character, Ogre::Vector3 target, float seconds,
                   Ogre::Vector3 watch = Ogre::Vector3::ZERO)
        {
            const boost::shared_ptr<Engine::ActorEC> actor =
                boost::dynamic_pointer_cast<Engine::ActorEC>(character->GetComponent("Actor"));
            target.y = 0.0f;
            watch.y = 0.0f;
            float closest = 1e9f;
            for (float passed = 0.0f; passed < seconds; passed += frame)
            {
                Ogre::Vector3 here = PositionOf(character);
                here.y = 0.0f;
                closest = std::min(closest, here.distance(watch));
                const Ogre::Vector3 way = target - here;
                if (way.length() < 0.1f)
                    break;
                actor->GetActor()->Move(way.normalisedCopy() * std::min(4.0f * frame, way.length()));
                Step(frame);
            }
            return closest;
        }

        /// Whether the sound has played since the last call (a play in progress is stopped, so
        /// that the next one shows).
        static bool Played(GameSound sound)
        {
            Engine::SoundSystem& sounds = *Engine::SoundSystem::GetSingleton();
            const bool playing = sounds.GetVolume(gameSounds[sound]) > 0.0f;
            sounds.StopSound(gameSounds[sound]);
            return playing;
        }

        std::unique_ptr<LogicRunner> logic;
        MainLoopRunner mainLoop;
        boost::shared_ptr<Engine::Entity> player;
    };
}

TEST_F(PickUpsTest, OnlyThePlayerTakesAPickUpAndGetsOneMoreGrenadeEachTimeWithoutLimit)
{
    const Ogre::Vector3 spot(3.0f, 1.0f, 0.0f);
    boost::weak_ptr<Engine::Entity> pickUp = Place("Object.QuestionMark", spot);
    Run(0.5f);
    ASSERT_TRUE(pickUp.lock());
    const Ogre::Quaternion before = pickUp.lock()->GetSceneNode()->getOrientation();
    Run(1.0f);
    // A quarter turn a second about its upright axis.
    const Ogre::Radian turned = (before.Inverse() * pickUp.lock()->GetSceneNode()->getOrientation()).getYaw();
    EXPECT_NEAR(Ogre::Degree(turned).valueDegrees(), 90.0f, 1.5f);

    // A zombie walks into it and a crate falls through its box from above: it stays.
    const boost::shared_ptr<Engine::Entity> zombie = Place("Character.Zombie1", Ogre::Vector3(3.0f, 0.0f, 4.0f));
    EXPECT_LT(Walk(zombie, Ogre::Vector3(3.0f, 0.0f, -4.0f), 3.0f, spot), 0.8f);
    Place("Arena.CrateLoose", spot + Ogre::Vector3(0.3f, 2.5f, 0.0f));
    Run(2.0f);
    Played(SoundHit2);
    ASSERT_TRUE(pickUp.lock());
    EXPECT_EQ(player->GetAttributeInt("GrenadeCount"), 0);
    EXPECT_EQ(scene().GetEntityCount("Particle.PowerUp"), 0u);

    // The player walks into it: chime, sparkle, one grenade, the pick-up gone.
    Walk(player, spot, 2.0f);
    Step(frame);
    EXPECT_FALSE(pickUp.lock());
    EXPECT_EQ(player->GetAttributeInt("GrenadeCount"), 1);
    EXPECT_EQ(scene().GetEntityCount("Particle.PowerUp"), 1u);
    EXPECT_TRUE(Played(SoundHit2));
    ASSERT_TRUE(hudInstance);
    ASSERT_FALSE(hudInstance->GetFloatingTexts().empty());
    const UI_Hud::FloatingText& text = hudInstance->GetFloatingTexts().back();
    EXPECT_EQ(text.element->getCaption(), "Got a grenade!");
    EXPECT_GE(text.age, 0.0f);   // shown at once
    Run(5.1f);
    EXPECT_EQ(scene().GetEntityCount("Particle.PowerUp"), 0u);

    // However many grenades the player carries, a pick-up adds one; one that was streamed out
    // and back in gives its grenade once, like any other.
    player->SetAttributeInt("GrenadeCount", 99);
    const Ogre::Vector3 second(-3.0f, 1.0f, -1.0f);
    pickUp = Place("Object.QuestionMark", second);
    Run(0.2f);
    pickUp.lock()->Disable();
    Step(frame);
    pickUp.lock()->Enable();
    Run(0.2f);
    Walk(player, second, 4.0f);
    Run(0.2f);
    EXPECT_FALSE(pickUp.lock());
    EXPECT_EQ(player->GetAttributeInt("GrenadeCount"), 100);
}

TEST_F(PickUpsTest, TheTwentiethKillDropsAPickUpOntoTheGroundInsideTheArena)
{
    // Nineteen kills drop nothing, the twentieth one pick-up that floats one unit up, where the
    // player can walk into it.
    for (int kill = 1; kill <= 20; ++kill)
    {
        const boost::shared_ptr<Engine::Entity> zombie =
            Place("Character.Zombie1", Ogre::Vector3(-2.0f + 0.2f * kill, 0.0f, 5.0f));
        Step(frame);
        zombie->TakeDamage(100, PositionOf(zombie), Ogre::Vector3::UNIT_Z);
        Step(frame);
        EXPECT_EQ(scene().GetEntityCount("Object.QuestionMark"), kill < 20 ? 0u : 1u) << "after kill " << kill;
    }
    Run(1.0f);
    ASSERT_EQ(scene().GetEntityCount("Object.QuestionMark"), 1u);
    const boost::shared_ptr<Engine::Entity> pickUp = scene().FindClosestEntityByType("Object.QuestionMark", Ogre::Vector3::ZERO);
    const Ogre::Vector3 where = PositionOf(pickUp);
    EXPECT_GE(where.y, 0.99f);   // one unit over the floor, or over a crate it fell on
    EXPECT_LE(where.y, 2.0f);
    EXPECT_LE(std::abs(where.x), 7.0f);
    EXPECT_LE(std::abs(where.z), 7.0f);

    Walk(player, where, 6.0f);
    Run(0.2f);
    EXPECT_EQ(scene().GetEntityCount("Object.QuestionMark"), 0u);
    EXPECT_EQ(player->GetAttributeInt("GrenadeCount"), 1);
}

TEST_F(PickUpsTest, EveryPointWhereAPickUpCanDropIsOpenFloor)
{
    // The drop zone, -7 to 6.9 in steps of 0.1 on both axes, holds nothing the ground ray could
    // land on but the floor: no pick-up ends up on a crate or in a pillar, out of reach.
    Run(0.5f);   // everything streamed in
    // The player standing in the middle is no furniture.
    boost::dynamic_pointer_cast<Engine::ActorEC>(player->GetComponent("Actor"))->GetActor()->DisableRaycasting();
    const Engine::Simulation& simulation = *Engine::Simulation::GetSingleton();
    int blocked = 0;
    Ogre::Vector3 first;
    for (int i = 0; i < 140; ++i)
        for (int j = 0; j < 140; ++j)
        {
            Ogre::Vector3 point(i / 10.0f - 7.0f, 0.0f, j / 10.0f - 7.0f);
            simulation.RaycastHeight(point, 1.0f, 10000.0f);
            if (std::abs(point.y - 1.0f) > 0.05f && blocked++ == 0)
                first = point;
        }
    EXPECT_EQ(blocked, 0) << "the first at " << first;
}

TEST_F(PickUpsTest, AGrenadeExplodesAfterThreeSecondsHurtingWhatIsWithinFourUnitsAndThrowingBodiesOutwards)
{
    // Zombies (90 health) around the spot where the grenade will lie, just inside and just
    // outside the blast; the player stands three units away; two loose crates close by.
    const Ogre::Vector3 spot(0.0f, 0.0f, 6.0f);
    const float distances[] = {1.5f, 3.8f, 4.2f, 5.5f};
    std::vector<boost::shared_ptr<Engine::Entity>> zombies;
    for (int i = 0; i < 4; ++i)
    {
        const Ogre::Radian angle(Ogre::Math::TWO_PI * i / 4.0f + 0.4f);
        zombies.push_back(Place("Character.Zombie3", spot + Ogre::Vector3(Ogre::Math::Cos(angle), 0.0f,
                                                                            Ogre::Math::Sin(angle)) * distances[i]));
    }
    const boost::shared_ptr<Engine::Entity> crates[] = {Place("Arena.CrateLoose", spot + Ogre::Vector3(1.0f, 0.0f, -1.73f)),
                                                        Place("Arena.CrateLoose", spot + Ogre::Vector3(-2.07f, 0.0f, 0.75f))};
    Run(1.0f);   // everything settles

    // Thrown from a little height, it lands and lies still; a second one, high up, is still
    // falling through empty air when its time is up.
    const boost::weak_ptr<Engine::Entity> grenade = Place("Bullet.Grenade", spot + Ogre::Vector3(0.0f, 0.5f, 0.0f));
    const boost::weak_ptr<Engine::Entity> airborne = Place("Bullet.Grenade", Ogre::Vector3(-5.0f, 60.0f, -5.0f));
    Ogre::Vector3 centre;
    Ogre::Vector3 crateBefore[2];
    float seconds = 0.0f;
    while (zombies[0]->GetAttributeInt("Health") == 90 && seconds < 4.0f)
    {
        ASSERT_TRUE(grenade.lock());
        centre = PositionOf(grenade.lock());
        for (int i = 0; i < 2; ++i)
            crateBefore[i] = PositionOf(crates[i]);
        Step(frame);
        seconds += frame;
    }
    // It went off in the first frame after three seconds of its updates (the first one comes
    // the frame after it was placed), and so did the one in the air.
    EXPECT_NEAR(seconds, 3.0f + frame, 1.5f * frame);
    EXPECT_TRUE(Played(SoundExplosion));
    Step(frame);
    EXPECT_FALSE(grenade.lock());
    EXPECT_FALSE(airborne.lock());
    EXPECT_EQ(scene().GetEntityCount("Particle.Grenade"), 2u);

    for (const boost::shared_ptr<Engine::Entity>& zombie : zombies)
    {
        const float distance = PositionOf(zombie).distance(centre);
        EXPECT_EQ(zombie->GetAttributeInt("Health"), distance < 4.0f ? 60 : 90) << "zombie " << distance << " away";
    }
    EXPECT_EQ(player->GetAttributeInt("Health"), 100);   // the player is far away

    Run(0.5f);
    for (int i = 0; i < 2; ++i)
    {
        const Ogre::Vector3 away = PositionOf(crates[i]) - crateBefore[i];
        const Ogre::Vector3 outwards = (crateBefore[i] - centre).normalisedCopy();
        EXPECT_GT(Ogre::Vector2(away.x, away.z).length(), 0.5f) << "crate " << i;
        EXPECT_GT(away.dotProduct(outwards), 0.8f * away.length()) << "crate " << i;
    }
    Run(10.0f);
    EXPECT_EQ(scene().GetEntityCount("Particle.Grenade"), 0u);   // the smoke clears after ten seconds
}

TEST_F(PickUpsTest, AGrenadeClicksOnEveryBounceButNeverTwiceWithinAQuarterOfASecond)
{
    // Dropped onto a crate in the corner it clicks on the real touch.
    const boost::shared_ptr<Engine::Entity> crate = scene().FindClosestEntityByType("Arena.Crate", Ogre::Vector3(-10.9f, 0.0f, -9.5f));
    const boost::weak_ptr<Engine::Entity> grenade = Place("Bullet.Grenade", PositionOf(crate) + Ogre::Vector3(0.0f, 3.0f, 0.0f));
    bool clicked = false;
    for (int i = 0; i < 60 && !clicked; ++i)
    {
        Step(frame);
        clicked = Played(SoundHit);
    }
    EXPECT_TRUE(clicked);

    // Then it is shaken against it every frame for a second: four clicks, a quarter of a second
    // (fifteen frames) apart at the least.
    std::vector<int> clickFrames;
    for (int i = 0; i < 60; ++i)
    {
        grenade.lock()->GetEventQueue().PostEvent(i % 2 ? Engine::CONTACT_START : Engine::HIT_ACTOR,
                                                  boost::shared_ptr<Engine::Event>(new Engine::Event(grenade, crate)));
        Step(frame);
        if (Played(SoundHit))
            clickFrames.push_back(i);
    }
    ASSERT_GE(clickFrames.size(), 3u);
    EXPECT_LE(clickFrames.size(), 4u);
    for (std::size_t i = 1; i < clickFrames.size(); ++i)
    {
        EXPECT_GE(clickFrames[i] - clickFrames[i - 1], 15);
        EXPECT_LE(clickFrames[i] - clickFrames[i - 1], 16);
    }
}

TEST_F(PickUpsTest, ACannonBallExplodesOnceOnItsFirstTouchAndOtherwiseVanishesAfterThreeSeconds)
{
    // One falls onto bare ground beside a zombie it never reaches: it lies there and goes
    // after three seconds without a blast.
    const boost::shared_ptr<Engine::Entity> bystander = Place("Character.Zombie3", Ogre::Vector3(-4.0f, 0.0f, 6.0f));
    const boost::weak_ptr<Engine::Entity> dud = Place("Bullet.Cannon", Ogre::Vector3(-2.5f, 1.0f, 6.0f));
    Run(2.9f);
    EXPECT_TRUE(dud.lock());
    Run(0.2f);
    EXPECT_FALSE(dud.lock());
    EXPECT_EQ(scene().GetEntityCount("Particle.Grenade"), 0u);
    EXPECT_EQ(bystander->GetAttributeInt("Health"), 90);

    // One fired at a loose crate explodes as it meets it: the zombie beside the crate takes the
    // blast once, the crate is thrown away from it.
    const boost::shared_ptr<Engine::Entity> crate = Place("Arena.CrateLoose", Ogre::Vector3(2.0f, 0.0f, 6.0f));
    const boost::shared_ptr<Engine::Entity> zombie = Place("Character.Zombie3", Ogre::Vector3(1.5f, 0.0f, 7.3f));
    Run(0.5f);
    const Ogre::Vector3 crateBefore = PositionOf(crate);
    boost::shared_ptr<Engine::Entity> shot = Place("Bullet.Cannon", crateBefore + Ogre::Vector3(-1.2f, 0.4f, 0.0f));
    boost::dynamic_pointer_cast<Engine::BodyEC>(shot->GetComponent("Body"))
        ->GetSimulationEntity()
        ->AddImpulse(Ogre::Vector3(2.0f, 0.0f, 0.0f), Engine::SimulationEntity::GLOBAL);
    const boost::weak_ptr<Engine::Entity> ball = shot;
    shot.reset();
    float seconds = 0.0f;
    while (ball.lock() && seconds < 2.0f)
    {
        Step(frame);
        seconds += frame;
    }
    EXPECT_LT(seconds, 0.5f);
    EXPECT_EQ(scene().GetEntityCount("Particle.Grenade"), 1u);
    EXPECT_EQ(zombie->GetAttributeInt("Health"), 60);
    Run(0.5f);
    EXPECT_GT(PositionOf(crate).x - crateBefore.x, 0.3f);

    // A sensor crossing and a touch reported by the same step blow it up once.
    const boost::shared_ptr<Engine::Entity> target = Place("Character.Zombie3", Ogre::Vector3(-4.5f, 0.0f, 3.0f));
    shot = Place("Bullet.Cannon", Ogre::Vector3(-6.0f, 0.3f, 3.0f));
    Step(frame);
    shot->GetEventQueue().PostEvent(Engine::SENSOR_ENTER, boost::shared_ptr<Engine::Event>(new Engine::Event(shot, target)));
    shot->GetEventQueue().PostEvent(Engine::CONTACT_START, boost::shared_ptr<Engine::Event>(new Engine::Event(shot, target)));
    Run(2.0f * frame);
    EXPECT_EQ(target->GetAttributeInt("Health"), 60);
    EXPECT_EQ(scene().GetEntityCount("Particle.Grenade"), 2u);
}

TEST_F(PickUpsTest, TheBonusHandlerEndsRunOutEffectsInOrderRestoringGravityAndLight)
{
    BonusHandler handler;
    Engine::PhysicsScene& physics = *Engine::Simulation::GetSingleton()->GetNxScene();
    Ogre::Viewport* viewport = application->GetRenderWindow()->getViewport(0);
    Ogre::CompositorManager& compositors = Ogre::CompositorManager::getSingleton();
    const auto darkened = [&] { return compositors.getCompositorChain(viewport)->getCompositor("Darken")->getEnabled(); };
    compositors.setCompositorEnabled(viewport, "Darken", true);
    Engine::Simulation::GetSingleton()->SetGravity(Ogre::Vector3(0.0f, -2.0f, 0.0f));

    // Three effects that run out in the same frame, one after the other, and one later.
    handler.AddEffect(-1, 0.05f);
    handler.AddEffect(BonusHandler::LowGravity, 0.1f);
    handler.AddEffect(BonusHandler::Darkness, 0.1f);
    handler.AddEffect(BonusHandler::HighGravity, 0.45f);
    Step(0.1f);
    ASSERT_EQ(handler.GetEffects().size(), 1u);
    EXPECT_EQ(handler.GetEffects()[0].kind, BonusHandler::HighGravity);
    EXPECT_NEAR(handler.GetEffects()[0].remaining, 0.35f, 1e-5f);   // counted down in the same pass
    EXPECT_FALSE(darkened());
    // The physics step was running when the effect ended: the gravity changed once it was over.
    EXPECT_EQ(physics.GetGravity(), Ogre::Vector3(0.0f, -9.81f, 0.0f));

    Engine::Simulation::GetSingleton()->SetGravity(Ogre::Vector3(0.0f, -30.0f, 0.0f));
    Run(0.3f, 0.1f);
    EXPECT_EQ(physics.GetGravity(), Ogre::Vector3(0.0f, -30.0f, 0.0f));
    Step(0.1f);
    EXPECT_TRUE(handler.GetEffects().empty());
    EXPECT_EQ(physics.GetGravity(), Ogre::Vector3(0.0f, -9.81f, 0.0f));

    // A falling crate feels the restored gravity: a second's fall from rest is about 4.9 units.
    const boost::shared_ptr<Engine::Entity> crate = Place("Arena.CrateLoose", Ogre::Vector3(0.0f, 20.0f, 6.0f));
    Step(frame);
    const float top = PositionOf(crate).y;
    Run(1.0f);
    EXPECT_NEAR(top - PositionOf(crate).y, 4.9f, 0.3f);
}
