#include "GameTest.h"

#include "game/Ability_Grenade.h"
#include "game/Ability_Pistol.h"
#include "game/Ability_Shotgun.h"
#include "game/GameSounds.h"
#include "game/LogicRunner.h"
#include "game/MainLoopRunner.h"
#include "game/PlayerController.h"
#include "game/RuleSystem.h"

#include "engine/core/Application.h"
#include "engine/logic/ControllerEC.h"
#include "engine/logic/ControllerManager.h"
#include "engine/physics/BodyEC.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/MeshEC.h"
#include "engine/scene/Scene.h"
#include "engine/sound/SoundSystem.h"

#include <Ogre.h>
#include <X11/keysym.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <vector>

namespace
{
    constexpr float frame = 1.0f / 60.0f;

    /// Stands in for the behaviours of the arena's other entities, which these tests leave out:
    /// spawn points that spawn nothing, zombies that stand still, grenades that never explode.
    class StillController : public Engine::IController
    {
    public:
        bool Update(float, boost::shared_ptr<Engine::Entity>) override { return true; }
        void OnAttach(boost::shared_ptr<Engine::Entity>) override {}
        void OnDetach(boost::shared_ptr<Engine::Entity>) override {}
    };

    /// The real arena with the real player controller, the physics running and the game view live.
    class PlayerTest : public Test::GameTest
    {
    protected:
        void SetUp() override
        {
            GameTest::SetUp();
            Engine::ControllerManager& controllers = *Engine::ControllerManager::GetSingleton();
            controllers.RegisterController("Player", &::Test::MakeController<PlayerController>);
            for (const char* other : {"Bonus", "SpawnPoint", "Cannon", "Grenade", "Zombie"})
                controllers.RegisterController(other, &::Test::MakeController<StillController>);
            ::Test::StartPlay(*application, logic, mainLoop);
            Step(frame);   // the controller takes up its first weapon
        }
        void TearDown() override
        {
            logic.reset();
            GameTest::TearDown();
        }

        boost::shared_ptr<Engine::Entity> Player() const { return logic->GetPlayer().lock(); }
        boost::shared_ptr<PlayerController> Controller() const
        {
            const boost::shared_ptr<Engine::ControllerEC> component =
                boost::dynamic_pointer_cast<Engine::ControllerEC>(Player()->GetComponent("Controller"));
            return boost::dynamic_pointer_cast<PlayerController>(component->GetController());
        }
        Ogre::Vector3 PlayerPosition() const { return Player()->GetSceneNode()->getPosition(); }
        Ogre::Vector3 Facing() const { return Player()->GetSceneNode()->getOrientation() * Ogre::Vector3::UNIT_Z; }
        unsigned Count(const std::string& type) const { return Engine::Scene::GetSingleton()->GetEntityCount(type); }

        /// An entity of the arena's templates, enabled, in front of the standing player.
        boost::shared_ptr<Engine::Entity> Place(const std::string& type, float distance)
        {
            const boost::shared_ptr<Engine::Entity> entity =
                Engine::Scene::GetSingleton()->CreateEntity(type, PlayerPosition() + Facing() * distance);
            entity->Enable();
            Step(frame);
            return entity;
        }

        /// A key held for one frame.
        void Press(unsigned long keysym)
        {
            KeyDown(keysym);
            Step(frame);
            KeyUp(keysym);
        }
        /// One press of the fire key, long enough for the shot and its effects to arrive.
        void Fire()
        {
            Press(XK_Control_R);
            Step(frame);
            Step(frame);
        }

        /// Kills `count` zombies through the rule system.
        void Kill(int count)
        {
            for (int i = 0; i < count; ++i)
            {
                const boost::shared_ptr<Engine::Entity> zombie =
                    Engine::Scene::GetSingleton()->CreateEntity("Character.Zombie1", Ogre::Vector3(0.0f, 0.0f, 8.0f));
                zombie->TakeDamage(1000, Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_Z);
            }
            Step(frame);
        }

        std::unique_ptr<LogicRunner> logic;
        MainLoopRunner mainLoop;
    };

    template <class Ability>
    bool Is(const boost::shared_ptr<IAbility>& ability)
    {
        return boost::dynamic_pointer_cast<Ability>(ability) != nullptr;
    }

    bool InHand(const char* weapon)
    {
        Ogre::SceneManager* sceneManager = Engine::Scene::GetSingleton()->GetSceneManager();
        return sceneManager->hasEntity(weapon) && sceneManager->getEntity(weapon)->isParentTagPoint();
    }
}

TEST_F(PlayerTest, ThePlayerStartsWithThePistolInHandAndItsWalk)
{
    const boost::shared_ptr<PlayerController> controller = Controller();
    ASSERT_TRUE(controller);
    ASSERT_EQ(controller->GetAbilities().size(), 2u);
    EXPECT_TRUE(Is<Ability_Pistol>(controller->GetCurrentAbility()));
    EXPECT_TRUE(Is<Ability_Grenade>(controller->GetAbilities()[1]));
    EXPECT_EQ(Player()->GetAttributeInt("GrenadeCount"), 0);
    EXPECT_TRUE(InHand("Pistol"));

    Ogre::Entity* mesh =
        boost::dynamic_pointer_cast<Engine::MeshEC>(Player()->GetComponent("Mesh"))->GetMesh();
    EXPECT_TRUE(mesh->getAnimationState("Walk_Pistol")->getEnabled());
    EXPECT_TRUE(mesh->getAnimationState("Walk_Pistol")->getLoop());
    EXPECT_FALSE(mesh->getAnimationState("Walk1")->getEnabled());
    // Standing still, the walk does not play.
    const float pose = mesh->getAnimationState("Walk_Pistol")->getTimePosition();
    Run(0.5f);
    EXPECT_EQ(mesh->getAnimationState("Walk_Pistol")->getTimePosition(), pose);
}

TEST_F(PlayerTest, TheFireKeyFiresOncePerPressAndNotAgainWithinTheReload)
{
    KeyDown(XK_Control_R);
    Run(1.0f);   // held: one shot only
    EXPECT_EQ(Count("Particle.PistolSpark"), 1u);

    KeyUp(XK_Control_R);
    Step(frame);
    KeyDown(XK_Control_R);
    Step(frame);
    Step(frame);
    EXPECT_EQ(Count("Particle.PistolSpark"), 2u);   // pressed again after the reload

    KeyUp(XK_Control_R);
    Run(0.1f);
    KeyDown(XK_Control_R);
    Run(0.1f);
    EXPECT_EQ(Count("Particle.PistolSpark"), 2u);   // pressed again 0.13 s after the shot: still reloading

    KeyUp(XK_Control_R);
    Run(0.3f);
    KeyDown(XK_Control_R);
    Run(0.1f);
    EXPECT_EQ(Count("Particle.PistolSpark"), 3u);
    KeyUp(XK_Control_R);
}

TEST_F(PlayerTest, TheNextWeaponKeySwitchesAtMostEveryFifthOfASecondSkippingWhatCannotBeUsed)
{
    const boost::shared_ptr<PlayerController> controller = Controller();
    Ogre::Entity* mesh =
        boost::dynamic_pointer_cast<Engine::MeshEC>(Player()->GetComponent("Mesh"))->GetMesh();

    // No grenades: the grenade is skipped and the switch wraps to the pistol.
    KeyDown(XK_Shift_R);
    for (int i = 0; i < 60; ++i)
    {
        Step(frame);
        EXPECT_TRUE(Is<Ability_Pistol>(controller->GetCurrentAbility()));
    }
    KeyUp(XK_Shift_R);
    EXPECT_TRUE(InHand("Pistol"));

    // With grenades, held for a second: pistol, grenade, pistol, ... with 0.2 s or more between.
    Player()->SetAttributeInt("GrenadeCount", 3);
    Run(0.3f);
    KeyDown(XK_Shift_R);
    std::vector<float> switches;
    boost::shared_ptr<IAbility> last = controller->GetCurrentAbility();
    for (int i = 1; i <= 60; ++i)
    {
        Step(frame);
        if (controller->GetCurrentAbility() != last)
        {
            switches.push_back(i * frame);
            last = controller->GetCurrentAbility();
            if (switches.size() % 2 == 1)
            {
                EXPECT_TRUE(Is<Ability_Grenade>(last));
                EXPECT_FALSE(InHand("Pistol"));
                EXPECT_TRUE(mesh->getAnimationState("Walk1")->getEnabled());
                EXPECT_FALSE(mesh->getAnimationState("Walk_Pistol")->getEnabled());
            }
            else
            {
                EXPECT_TRUE(Is<Ability_Pistol>(last));
                EXPECT_TRUE(InHand("Pistol"));
                EXPECT_TRUE(mesh->getAnimationState("Walk_Pistol")->getEnabled());
            }
        }
    }
    KeyUp(XK_Shift_R);
    ASSERT_GE(switches.size(), 4u);
    EXPECT_LE(switches.size(), 5u);
    for (std::size_t i = 1; i < switches.size(); ++i)
        EXPECT_GE(switches[i] - switches[i - 1], 0.2f);

    // The shotgun third and no grenades: from the pistol straight to the shotgun.
    while (!Is<Ability_Pistol>(controller->GetCurrentAbility()))
    {
        Press(XK_Shift_R);
        Run(0.25f);
    }
    Player()->SetAttributeInt("GrenadeCount", 0);
    const boost::shared_ptr<Ability_Shotgun> shotgun = boost::make_shared<Ability_Shotgun>();
    shotgun->Attach(Player().get());
    controller->AddAbility(shotgun);
    Press(XK_Shift_R);
    EXPECT_TRUE(Is<Ability_Shotgun>(controller->GetCurrentAbility()));
    EXPECT_TRUE(InHand("Shotgun"));
    EXPECT_FALSE(InHand("Pistol"));
    EXPECT_TRUE(mesh->getAnimationState("Walk_Shotgun")->getEnabled());
}

TEST_F(PlayerTest, GrenadesAreThrownHarderTheLongerTheKeyIsHeldAndRunOut)
{
    Player()->SetAttributeInt("GrenadeCount", 2);
    Run(0.25f);
    Press(XK_Shift_R);
    ASSERT_TRUE(Is<Ability_Grenade>(Controller()->GetCurrentAbility()));
    const Ogre::Vector3 feet = PlayerPosition();

    // Released at once: dropped from the hand, one unit in front, with no push.
    KeyDown(XK_Control_R);
    Step(frame);
    KeyUp(XK_Control_R);
    Step(frame);
    Step(frame);
    ASSERT_EQ(Count("Bullet.Grenade"), 1u);
    EXPECT_EQ(Player()->GetAttributeInt("GrenadeCount"), 1);
    const boost::shared_ptr<Engine::Entity> dropped =
        Engine::Scene::GetSingleton()->FindClosestEntityByType("Bullet.Grenade", feet);
    Run(2.0f);
    const Ogre::Vector3 drop = dropped->GetSceneNode()->getPosition() - feet;
    EXPECT_LT(Ogre::Vector2(drop.x, drop.z).length(), 1.5f);

    // Held for a second: thrown far along the facing.
    KeyDown(XK_Control_R);
    Run(1.0f);
    KeyUp(XK_Control_R);
    Step(frame);
    Step(frame);
    ASSERT_EQ(Count("Bullet.Grenade"), 2u);
    EXPECT_EQ(Player()->GetAttributeInt("GrenadeCount"), 0);
    boost::shared_ptr<Engine::Entity> thrown;
    for (const auto& entity : Engine::Scene::GetSingleton()->GetEntities())
        if (entity->GetType() == "Bullet.Grenade" && entity != dropped)
            thrown = entity;
    ASSERT_TRUE(thrown);
    Run(2.0f);
    const Ogre::Vector3 flight = thrown->GetSceneNode()->getPosition() - feet;
    EXPECT_GT(flight.z, drop.z + 1.0f);
    EXPECT_NEAR(flight.x, 0.0f, 0.5f);

    // None left: nothing is thrown.
    Fire();
    EXPECT_EQ(Count("Bullet.Grenade"), 2u);
    EXPECT_EQ(Player()->GetAttributeInt("GrenadeCount"), 0);
}

TEST_F(PlayerTest, ForwardWalksThreeUnitsASecondAlongTheFacingAndWinsOverBackward)
{
    KeyDown(XK_Up);
    Run(1.0f);
    KeyUp(XK_Up);
    Step(frame);
    EXPECT_NEAR(PlayerPosition().z, 3.0f, 0.1f);
    EXPECT_NEAR(PlayerPosition().x, 0.0f, 0.01f);

    // A quarter turn to the right at 200 degrees a second, then forward along the new facing.
    KeyDown(XK_Right);
    Run(0.45f);
    KeyUp(XK_Right);
    EXPECT_TRUE(Facing().positionEquals(Ogre::Vector3::NEGATIVE_UNIT_X, 0.01f)) << Facing();
    const Ogre::Vector3 start = PlayerPosition();
    KeyDown(XK_Up);
    KeyDown(XK_Down);
    Run(1.0f);
    KeyUp(XK_Up);
    Step(frame);
    EXPECT_NEAR((PlayerPosition() - start).dotProduct(Facing()), 3.0f, 0.1f);

    // Backward alone: 2.4 units a second.
    const Ogre::Vector3 back = PlayerPosition();
    Run(1.0f);
    KeyUp(XK_Down);
    Step(frame);
    EXPECT_NEAR((PlayerPosition() - back).dotProduct(Facing()), -2.4f, 0.1f);
}

TEST_F(PlayerTest, FootstepsSoundEverySixTenthsOfASecondWhileWalkingAndNotStandingStill)
{
    Engine::SoundSystem& sound = *Engine::SoundSystem::GetSingleton();
    ASSERT_TRUE(sound.IsLoopback());
    const int mixPerFrame = static_cast<int>(sound.GetOutputRate() * frame);
    // The steps' starts, in simulated time: the mix is rendered frame by frame along with it.
    std::vector<float> steps;
    float time = 0.0f;
    auto walk = [&](float seconds) {
        for (float passed = 0.0f; passed + frame * 0.5f < seconds; passed += frame)
        {
            const bool wasPlaying = sound.GetVolume(gameSounds[SoundFootstep]) > 0.0f;
            Step(frame);
            sound.RenderLoopback(mixPerFrame);
            time += frame;
            if (!wasPlaying && sound.GetVolume(gameSounds[SoundFootstep]) > 0.0f)
                steps.push_back(time);
        }
    };

    walk(1.0f);
    EXPECT_TRUE(steps.empty());

    KeyDown(XK_Up);
    walk(3.1f);
    KeyUp(XK_Up);
    ASSERT_EQ(steps.size(), 5u);
    for (std::size_t i = 1; i < steps.size(); ++i)
        EXPECT_NEAR(steps[i] - steps[i - 1], 0.6f, frame + 0.001f);

    steps.clear();
    walk(1.0f);
    EXPECT_TRUE(steps.empty());

    // Backward the walk is slower and so are the steps.
    KeyDown(XK_Down);
    walk(2.0f);
    KeyUp(XK_Down);
    ASSERT_GE(steps.size(), 3u);
    for (std::size_t i = 1; i < steps.size(); ++i)
        EXPECT_NEAR(steps[i] - steps[i - 1], 0.48f, frame + 0.001f);
}

TEST_F(PlayerTest, PowerRefillsTenPointsASecondUpToTheMaximum)
{
    Player()->SetAttributeInt("Power", 50);
    Run(1.0f);
    EXPECT_NEAR(Player()->GetAttributeInt("Power"), 60, 1);
    Player()->SetAttributeInt("Power", 97);
    Run(2.0f);
    EXPECT_EQ(Player()->GetAttributeInt("Power"), 100);
}

TEST_F(PlayerTest, PistolShotsHurtCharactersThroughTheRulesPushCratesAndBloodyCorpses)
{
    // A zombie three units ahead loses 10 health.
    const boost::shared_ptr<Engine::Entity> zombie = Place("Character.Zombie1", 3.0f);
    ASSERT_EQ(zombie->GetAttributeInt("Health"), 30);
    Fire();
    EXPECT_EQ(zombie->GetAttributeInt("Health"), 20);
    EXPECT_EQ(Count("Particle.Spark"), 1u);
    zombie->Destroy();
    Run(0.4f);

    // A crate that moves is pushed away.
    boost::shared_ptr<Engine::EntityTemplate> crateTemplate =
        Engine::Scene::GetSingleton()->GetEntityTemplateManager().CreateTemplate("", "Test.Crate");
    crateTemplate->AddComponent("Mesh", {{"File", "Arena.Crate.mesh"}, {"CastShadows", "false"}});
    crateTemplate->AddComponent("Body", {{"Shape", "Box"}, {"Static", "false"}, {"Density", "1"}});
    const boost::shared_ptr<Engine::Entity> crate = Place("Test.Crate", 1.6f);
    Run(0.5f);   // settled
    const Ogre::Vector3 before = crate->GetSceneNode()->getPosition();
    Fire();
    Run(0.5f);
    EXPECT_GT(crate->GetSceneNode()->getPosition().z - before.z, 0.05f);
    EXPECT_EQ(Count("Particle.Spark"), 2u);
    EXPECT_EQ(Count("Particle.BloodSplat"), 0u);
    crate->Destroy();

    // A body of group 1 (a corpse) bleeds.
    Place("Character.DeadZombie", 1.5f);
    Run(0.3f);
    Fire();
    EXPECT_EQ(Count("Particle.BloodSplat"), 1u);
    EXPECT_EQ(Count("Particle.Spark"), 2u);
}

TEST_F(PlayerTest, TheShotgunFansTenPelletsWithinTwentyDegrees)
{
    const boost::shared_ptr<Ability_Shotgun> shotgun = boost::make_shared<Ability_Shotgun>();
    shotgun->Attach(Player().get());
    Controller()->AddAbility(shotgun);
    Run(0.25f);
    Press(XK_Shift_R);
    ASSERT_TRUE(Is<Ability_Shotgun>(Controller()->GetCurrentAbility()));

    Place("Arena.Wall", 3.0f);
    const Ogre::Vector3 origin = PlayerPosition() + Ogre::Vector3(0.0f, 1.0f, 0.0f);
    Fire();
    std::vector<float> angles;
    for (const auto& entity : Engine::Scene::GetSingleton()->GetEntities())
    {
        if (entity->GetType() != "Particle.Spark")
            continue;
        const Ogre::Vector3 hit = entity->GetSceneNode()->getPosition() - origin;
        angles.push_back(Ogre::Math::ATan2(hit.x, hit.z).valueDegrees());
    }
    ASSERT_EQ(angles.size(), 10u);
    const auto range = std::minmax_element(angles.begin(), angles.end());
    EXPECT_GE(*range.first, -20.01f);
    EXPECT_LE(*range.second, 20.01f);
    EXPECT_GT(*range.second - *range.first, 5.0f);   // spread, not one ray ten times

    // Reloading for 1.2 s.
    Run(1.0f);
    Fire();
    EXPECT_EQ(Count("Particle.Spark"), 10u);
    Run(0.3f);
    Fire();
    EXPECT_EQ(Count("Particle.Spark"), 20u);
}

TEST_F(PlayerTest, TheShotgunComesWithTheTwentyFifthKillOncePerLife)
{
    Kill(24);
    EXPECT_EQ(Controller()->GetAbilities().size(), 2u);
    Kill(1);
    ASSERT_EQ(Controller()->GetAbilities().size(), 3u);
    EXPECT_TRUE(Is<Ability_Shotgun>(Controller()->GetAbilities()[2]));
    Kill(30);
    EXPECT_EQ(Controller()->GetAbilities().size(), 3u);

    // The player's death starts the count again; the next player starts with pistol and grenades.
    Player()->TakeDamage(1000, PlayerPosition(), Ogre::Vector3::UNIT_Z);
    Run(0.1f);
    logic->BuildArena();
    Step(frame);
    ASSERT_TRUE(Player());
    EXPECT_EQ(Controller()->GetAbilities().size(), 2u);
    EXPECT_TRUE(InHand("Pistol"));
    Kill(24);
    EXPECT_EQ(Controller()->GetAbilities().size(), 2u);
    Kill(1);
    EXPECT_EQ(Controller()->GetAbilities().size(), 3u);
}

TEST_F(PlayerTest, TheKilledPlayerFallsAsARagdollPushedByTheBlowWithADeathCry)
{
    KeyDown(XK_Right);
    Run(0.45f);   // facing -x
    KeyUp(XK_Right);
    const Ogre::Vector3 where = PlayerPosition();
    const Ogre::Quaternion facing = Player()->GetSceneNode()->getOrientation();

    Player()->TakeDamage(1000, where + Ogre::Vector3(0.0f, 0.9f, 0.0f), Ogre::Vector3(0.0f, 0.0f, 10.0f));
    EXPECT_GT(Engine::SoundSystem::GetSingleton()->GetVolume(gameSounds[SoundDeath]), 0.0f);
    Step(frame);
    EXPECT_FALSE(Player());
    ASSERT_EQ(Count("Character.DeadPlayer"), 1u);
    const boost::shared_ptr<Engine::Entity> corpse =
        Engine::Scene::GetSingleton()->FindClosestEntityByType("Character.DeadPlayer", where);
    EXPECT_TRUE(corpse->GetSceneNode()->getOrientation().equals(facing, Ogre::Degree(5.0f)));
    Run(1.0f);
    EXPECT_GT(corpse->GetSceneNode()->getPosition().z - where.z, 0.5f);   // thrown along the blow
}
