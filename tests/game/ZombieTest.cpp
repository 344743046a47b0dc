#include "GameTest.h"

#include "game/AI_Zombie.h"
#include "game/LogicRunner.h"
#include "game/MainLoopRunner.h"
#include "game/SpawnPointController.h"

#include "engine/core/Application.h"
#include "engine/logic/ControllerEC.h"
#include "engine/logic/ControllerManager.h"
#include "engine/logic/Event.h"
#include "engine/logic/IEventListener.h"
#include "engine/physics/BodyEC.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/scene/Entity.h"
#include "engine/scene/MeshEC.h"
#include "engine/scene/Scene.h"

#include <boost/pointer_cast.hpp>
#include <Ogre.h>

#include <map>
#include <stdexcept>

using Engine::Entity;

namespace
{
    /// The real arena, its spawn grates running, and the player from its template but without
    /// a controller of its own: it stands where it was put.
    class ZombieTest : public Test::GameTest
    {
    protected:
        void SetUp() override
        {
            GameTest::SetUp();
            Engine::ControllerManager& controllers = *Engine::ControllerManager::GetSingleton();
            controllers.RegisterController("SpawnPoint", &::Test::MakeController<SpawnPointController>);
            controllers.RegisterController("Zombie", &::Test::MakeController<AI_Zombie>);
            // No controller for the player: the arena is built without any. The grates get theirs
            // when streaming switches them on.
            Engine::ControllerEC::DisableLoading(true);
            logic.reset(new LogicRunner);
            logic->BuildArena();
            Engine::ControllerEC::DisableLoading(false);
            application->AddUpdateListener(logic.get());
            application->AddUpdateListener(&mainLoop);
            mainLoop.simulationRunning = true;
            logic->Resume();
            player = logic->GetPlayer().lock();
        }
        void TearDown() override
        {
            player.reset();
            logic.reset();
            GameTest::TearDown();
            Engine::ControllerEC::DisableLoading(false);
        }

        Engine::Scene& GetScene() { return *Engine::Scene::GetSingleton(); }

        std::vector<boost::shared_ptr<Entity>> OfType(const std::string& type)
        {
            std::vector<boost::shared_ptr<Entity>> found;
            for (const auto& entity : GetScene().GetEntities())
                if (entity->GetType() == type)
                    found.push_back(entity);
            return found;
        }
        int ZombieCount()
        {
            return static_cast<int>(OfType("Character.Zombie1").size() + OfType("Character.Zombie2").size() +
                                    OfType("Character.Zombie3").size());
        }
        /// A zombie of the variant standing at `position`, its controller attached at the next frame.
        boost::shared_ptr<Entity> Zombie(int variant, const Ogre::Vector3& position)
        {
            const boost::shared_ptr<Entity> zombie =
                GetScene().CreateEntity("Character.Zombie" + std::to_string(variant), position);
            zombie->SetAttributeInt("Speed", 20 * (6 - variant));
            zombie->Enable();
            return zombie;
        }
        static AI_Zombie& Brain(const boost::shared_ptr<Entity>& zombie)
        {
            const auto component = boost::dynamic_pointer_cast<Engine::ControllerEC>(zombie->GetComponent("Controller"));
            const auto brain = boost::dynamic_pointer_cast<AI_Zombie>(component->GetController());
            if (!brain)
                throw std::runtime_error("zombie without its controller");
            return *brain;
        }
        static Ogre::Vector3 Where(const boost::shared_ptr<Entity>& entity)
        {
            return entity->GetSceneNode()->getPosition();
        }
        static float Flat(const Ogre::Vector3& a, const Ogre::Vector3& b)
        {
            return Ogre::Vector2(a.x - b.x, a.z - b.z).length();
        }

        std::unique_ptr<LogicRunner> logic;
        MainLoopRunner mainLoop;
        boost::shared_ptr<Entity> player;
    };

    constexpr float frame = 1.0f / 60.0f;
}

TEST_F(ZombieTest, EachGrateReleasesItsFirstZombieAfterFiveSecondsAndTheNextFifteenLessRootOfAQuarterTimeLater)
{
    const float frameTime = 0.05f;
    const auto runUntil = [&](int zombies) {
        float passed = 0.0f;
        while (ZombieCount() < zombies && passed < 30.0f)
        {
            Step(frameTime);
            passed += frameTime;
        }
        return passed;
    };
    // The grates' controllers come with their entities, which the first streaming pass (at
    // most 0.15 s in) switches on.
    const float first = runUntil(1);
    EXPECT_GE(first, 5.0f);
    EXPECT_LE(first, 5.2f);
    const int grates = static_cast<int>(OfType("Arena.SpawnPoint").size());
    EXPECT_EQ(ZombieCount(), grates);
    for (const auto& zombie : OfType("Character.Zombie1"))
    {
        // Out of a grate near the walls, one unit over the ground, with the variant's values.
        EXPECT_GT(Flat(Where(zombie), Ogre::Vector3::ZERO), 21.0f);
        EXPECT_LT(Flat(Where(zombie), Ogre::Vector3::ZERO), 30.0f);
        EXPECT_GT(Where(zombie).y, 0.0f);
        EXPECT_LT(Where(zombie).y, 1.01f);
        EXPECT_EQ(zombie->GetAttributeInt("Health"), 30);
        EXPECT_EQ(zombie->GetAttributeInt("Speed"), 100);
    }

    // Released 5 s into its run: the next 15 - sqrt(5 / 4) = 13.88 s later.
    const float second = runUntil(grates + 1);
    EXPECT_NEAR(second, 15.0f - std::sqrt(5.0f / 4.0f), 0.11f);
    EXPECT_EQ(ZombieCount(), 2 * grates);
}

TEST_F(ZombieTest, LaterVariantsJoinAfterOneAndTwoHundredSecondsWithEqualChances)
{
    // Each grate controller run once far into the game releases one zombie, from a real
    // grate of the arena: many grates give many draws.
    const boost::shared_ptr<Entity> grate = OfType("Arena.SpawnPoint").front();
    const auto draw = [&](float elapsed, int times) {
        for (int i = 0; i < times; ++i)
        {
            SpawnPointController spawner;
            spawner.Update(elapsed, grate);
            // Late by far more than an interval: the next one comes within an interval.
            EXPECT_GE(spawner.GetCountdown(), 0.0f);
            EXPECT_LE(spawner.GetCountdown(), 15.0f - std::sqrt(elapsed / 4.0f) + 1e-4f);
        }
        GetScene().Update(0.0f);   // the new zombies join the scene
        std::map<int, int> counts;
        for (int variant = 1; variant <= 3; ++variant)
            for (const auto& zombie : OfType("Character.Zombie" + std::to_string(variant)))
            {
                ++counts[variant];
                EXPECT_EQ(zombie->GetAttributeInt("Health"), 30 * variant);
                EXPECT_EQ(zombie->GetAttributeInt("Speed"), 20 * (6 - variant));
                zombie->Destroy();
            }
        GetScene().Update(0.0f);
        return counts;
    };

    EXPECT_EQ(draw(100.0f, 200), (std::map<int, int>{{1, 200}}));
    const std::map<int, int> two = draw(200.0f, 600);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_NEAR(two.at(1), 300, 60);
    EXPECT_NEAR(two.at(2), 300, 60);
    const std::map<int, int> three = draw(200.5f, 900);
    ASSERT_EQ(three.size(), 3u);
    for (const auto& count : three)
        EXPECT_NEAR(count.second, 300, 60);

    // After 900 s the interval is gone: a zombie every frame.
    SpawnPointController late;
    late.Update(901.0f, grate);
    late.Update(frame, grate);
    late.Update(frame, grate);
    GetScene().Update(0.0f);
    EXPECT_EQ(ZombieCount(), 3);
}

TEST_F(ZombieTest, AZombieWalksUpToTheStandingPlayerAndPunchesEveryThreeTenthsOfStepTimeForFifteen)
{
    const boost::shared_ptr<Entity> zombie = Zombie(1, Ogre::Vector3(0, 0, 6));
    int frames = 0;
    while (player->GetAttributeInt("Health") == 100 && frames < 600)
    {
        Step(frame);
        ++frames;
    }
    ASSERT_EQ(player->GetAttributeInt("Health"), 85) << "no punch within 10 s";
    // 5 units, less the reach, at 2.5 x the half-unit wish: about 3.5 s.
    EXPECT_GT(frames, 180);
    EXPECT_LT(frames, 300);
    EXPECT_LT(Flat(Where(zombie), Where(player)), 1.3f);
    // It faces the player, upright.
    const Ogre::Vector3 facing = zombie->GetSceneNode()->getOrientation() * Ogre::Vector3::UNIT_Z;
    EXPECT_GT(facing.dotProduct((Where(player) - Where(zombie)).normalisedCopy()), 0.9f);
    EXPECT_NEAR((zombie->GetSceneNode()->getOrientation() * Ogre::Vector3::UNIT_Y).y, 1.0f, 1e-3f);

    // Frames of 1/32 s: every frame is a decision, and 0.3 s do not fall on a frame. The time
    // past each punch counts towards the next, so punches come every 9.6 frames on average:
    // 9 or 10 frames apart, never the 10 that dropping the rest would make every time.
    player->SetAttributeInt("Health", 1000);
    std::vector<int> punches;
    for (int i = 1; i <= 96; ++i)
    {
        const int before = player->GetAttributeInt("Health");
        Step(1.0f / 32.0f);
        if (player->GetAttributeInt("Health") != before)
        {
            EXPECT_EQ(before - player->GetAttributeInt("Health"), 15);
            punches.push_back(i);
        }
    }
    ASSERT_GE(punches.size(), 9u);
    ASSERT_LE(punches.size(), 11u);
    for (std::size_t i = 1; i < punches.size(); ++i)
    {
        EXPECT_GE(punches[i] - punches[i - 1], 9);
        EXPECT_LE(punches[i] - punches[i - 1], 10);
    }
    EXPECT_NEAR(static_cast<float>(punches.back() - punches.front()) / (punches.size() - 1), 9.6f, 0.2f);
    EXPECT_LT(Flat(Where(zombie), Where(player)), 1.3f);   // it stood its ground
    Step(1.0f / 32.0f);   // the last pool joins the scene
    EXPECT_EQ(OfType("Particle.Blood").size(), punches.size() + 1);   // a pool under the player for every punch
}

TEST_F(ZombieTest, AHurtZombieStandsStillForOneAndAHalfSecondsAndStunnedCrowdsShareTheTimer)
{
    const boost::shared_ptr<Entity> zombie = Zombie(1, Ogre::Vector3(0, 0, 8));
    Run(0.5f);
    zombie->TakeDamage(1, Where(zombie) + Ogre::Vector3(0, 1, 0), Ogre::Vector3(0, 0, 1));
    ASSERT_TRUE(Brain(zombie).IsStunned());
    Run(0.3f);   // the walk it had begun runs out
    const Ogre::Vector3 stood = Where(zombie);
    Run(1.1f);
    EXPECT_TRUE(Brain(zombie).IsStunned());
    EXPECT_LT(Flat(Where(zombie), stood), 0.01f);
    Run(0.2f);
    EXPECT_FALSE(Brain(zombie).IsStunned());
    Run(0.5f);
    EXPECT_GT(Flat(Where(zombie), stood), 0.2f);

    // Three hurt at once run the shared timer three times as fast: the first is up after 0.5 s.
    const boost::shared_ptr<Entity> second = Zombie(1, Ogre::Vector3(6, 0, 0));
    const boost::shared_ptr<Entity> third = Zombie(1, Ogre::Vector3(-6, 0, 0));
    Step(frame);
    for (const auto& hurt : {zombie, second, third})
        hurt->TakeDamage(1, Where(hurt), Ogre::Vector3(0, 0, 1));
    Run(0.45f);
    EXPECT_TRUE(Brain(zombie).IsStunned() && Brain(second).IsStunned() && Brain(third).IsStunned());
    Run(0.1f);
    EXPECT_FALSE(Brain(zombie).IsStunned() && Brain(second).IsStunned() && Brain(third).IsStunned());
}

TEST_F(ZombieTest, HitTwiceWithinHalfASecondAZombieBleedsOnceButSplattersTwice)
{
    player->Destroy();   // nobody to hunt or punch: no other blood
    const boost::shared_ptr<Entity> zombie = Zombie(3, Ogre::Vector3(0, 0, 5));
    Step(frame);
    zombie->TakeDamage(5, Where(zombie) + Ogre::Vector3(0, 1, 0), Ogre::Vector3(1, 0, 0));
    Run(0.3f);
    zombie->TakeDamage(5, Where(zombie) + Ogre::Vector3(0, 1, 0), Ogre::Vector3(1, 0, 0));
    Step(frame);
    EXPECT_EQ(OfType("Particle.Blood").size(), 1u);
    ASSERT_EQ(OfType("Particle.BloodSplat").size(), 2u);
    // The splat sprays back along the hit.
    const Ogre::Vector3 spray = OfType("Particle.BloodSplat").front()->GetSceneNode()->getOrientation() *
                                Ogre::Vector3::NEGATIVE_UNIT_Z;
    EXPECT_NEAR(spray.x, -1.0f, 1e-3f);
    EXPECT_EQ(zombie->GetAttributeInt("Health"), 80);

    Run(0.3f);   // 0.6 s after the first hit
    zombie->TakeDamage(5, Where(zombie), Ogre::Vector3(1, 0, 0));
    Step(frame);
    EXPECT_EQ(OfType("Particle.Blood").size(), 2u);
    // Splats are gone after 2 s, blood after 45 s.
    Run(2.1f, 0.1f);
    EXPECT_EQ(OfType("Particle.BloodSplat").size(), 0u);
    Run(43.5f, 0.5f);
    EXPECT_EQ(OfType("Particle.Blood").size(), 0u);
}

TEST_F(ZombieTest, ABodyWithMomentumBelowFourDoesNoHarmButAFastCrateHurts)
{
    player->Destroy();   // the zombie stands where it is
    const boost::shared_ptr<Entity> zombie = Zombie(3, Ogre::Vector3(0, 0, 6));
    Run(0.5f);

    // Counts the crates that touch the zombie, as the zombie hears of them.
    struct Touches : Engine::IEventListener
    {
        void OnEvent(int type, boost::shared_ptr<Engine::Event> event) override
        {
            if (type == Engine::CONTACT_START && event->GetTarget()->GetType() == "Arena.CrateLoose")
                ++count;
        }
        int count = 0;
    } touches;
    zombie->GetEventQueue().AddListener(&touches, Engine::CONTACT_START);

    // A crate sliding in from the side, glancing off the zombie's capsule.
    const auto slide = [&](float impulse) {
        const boost::shared_ptr<Entity> crate =
            GetScene().CreateEntity("Arena.CrateLoose", Where(zombie) + Ogre::Vector3(-2.0f, 0.4f, 0.3f));
        crate->Enable();
        Step(frame);
        const auto body = boost::dynamic_pointer_cast<Engine::BodyEC>(crate->GetComponent("Body"))->GetSimulationEntity();
        body->AddImpulse(Ogre::Vector3(impulse, 0, 0), Engine::SimulationEntity::GLOBAL);
        return crate;
    };
    const boost::shared_ptr<Entity> slow = slide(3.9f);
    Run(1.5f);
    EXPECT_GE(touches.count, 1);
    EXPECT_EQ(zombie->GetAttributeInt("Health"), 90);
    slow->Destroy();
    Run(2.0f);   // the stagger of any hit would be over by now

    touches.count = 0;
    slide(80.0f);
    Run(0.5f);
    EXPECT_GE(touches.count, 1);
    EXPECT_LT(zombie->GetAttributeInt("Health"), 90);
    EXPECT_TRUE(Brain(zombie).IsStunned());
    zombie->GetEventQueue().RemoveListener(&touches, -1);
}

TEST_F(ZombieTest, AZombieShotDeadBecomesACorpseInItsVariantsColoursThatIsGoneThirtySecondsLater)
{
    const boost::shared_ptr<Entity> zombie = Zombie(2, Ogre::Vector3(0, 0, 7));
    Run(0.5f);
    // The pistol's way: a ray from the player's chest to the first entity, then damage.
    Ogre::Vector3 hit;
    const Ogre::Vector3 muzzle = Where(player) + Ogre::Vector3(0, 1.2f, 0.7f);
    const boost::shared_ptr<Entity> shot =
        Engine::Simulation::GetSingleton()->RaycastEntity(Ogre::Ray(muzzle, Ogre::Vector3::UNIT_Z), hit, 100.0f);
    ASSERT_EQ(shot, zombie);
    const Ogre::Vector3 fell = Where(zombie);
    shot->TakeDamage(60, hit, Ogre::Vector3(0, 0, 100));   // unit direction x 100
    Step(frame);

    EXPECT_TRUE(OfType("Character.Zombie2").empty());
    const std::vector<boost::shared_ptr<Entity>> corpses = OfType("Character.DeadZombie");
    ASSERT_EQ(corpses.size(), 1u);
    const boost::shared_ptr<Entity> corpse = corpses.front();
    EXPECT_LT(Flat(Where(corpse), fell), 0.3f);
    Ogre::Entity* body = boost::dynamic_pointer_cast<Engine::MeshEC>(corpse->GetComponent("Mesh"))->GetMesh();
    EXPECT_EQ(body->getSubEntity(0)->getMaterialName(), "Character.Zombie2");
    Ogre::AnimationState* pose = body->getAnimationState("Attacked2");
    EXPECT_TRUE(pose->getEnabled());
    EXPECT_FLOAT_EQ(pose->getTimePosition(), 0.5f);
    EXPECT_GE(OfType("Particle.BloodSplat").size(), 1u);

    Run(1.0f);
    // Nudged along the shot, by the shot alone: the dead zombie's capsule, still there for the
    // frame, lets bodies through.
    EXPECT_GT(Where(corpse).z, fell.z + 0.01f);
    EXPECT_FLOAT_EQ(pose->getTimePosition(), 0.5f);
    Run(28.5f, 0.1f);
    EXPECT_EQ(OfType("Character.DeadZombie").size(), 1u);
    Run(1.0f, 0.1f);
    EXPECT_TRUE(OfType("Character.DeadZombie").empty());
}

TEST_F(ZombieTest, ZombiesNeitherWalkThroughWallsNorThroughEachOther)
{
    player->SetAttributeInt("Health", 1000000);   // it must outlive the crowd
    // One outside the north wall, eight around the player inside.
    const boost::shared_ptr<Entity> outside = Zombie(1, Ogre::Vector3(0, 0, 26.5f));
    std::vector<boost::shared_ptr<Entity>> crowd;
    for (int i = 0; i < 8; ++i)
    {
        const Ogre::Radian angle(Ogre::Math::TWO_PI * i / 8.0f);
        crowd.push_back(Zombie(1 + i % 3, Ogre::Vector3(6.0f * Ogre::Math::Cos(angle), 0, 6.0f * Ogre::Math::Sin(angle))));
    }
    Run(10.0f);

    EXPECT_GT(Where(outside).z, 24.6f);
    EXPECT_LT(Flat(Where(outside), Ogre::Vector3(0, 0, 26.5f)), 6.0f);
    crowd.push_back(player);
    int near = 0;
    for (std::size_t i = 0; i < crowd.size(); ++i)
    {
        for (std::size_t j = i + 1; j < crowd.size(); ++j)
            EXPECT_GT(Flat(Where(crowd[i]), Where(crowd[j])), 0.9f) << i << " and " << j;
        if (i + 1 < crowd.size() && Flat(Where(crowd[i]), Where(player)) < 2.5f)
            ++near;
    }
    EXPECT_GE(near, 4);   // the crowd closed in
    EXPECT_LT(player->GetAttributeInt("Health"), 1000000);
}
