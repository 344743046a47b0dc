#include <deque>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "engine/physics/IJointListener.h"
#include "engine/physics/SimulationContactReport.h"
#include "engine/physics/SimulationSensorReport.h"
#include "engine/physics/SimulationUserNotify.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsJoint.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/physics/sdk/PhysicsShape.h"
#include "tests/physics/BodyFixture.h"

using Engine::Entity;
using Engine::SimulationEntity;
using Ogre::Vector3;

namespace
{
    /// Bodies that stand for their entity, each with an event log on its entity's queue.
    class Reports : public Test::BodyFixture
    {
    protected:
        struct Thing
        {
            boost::shared_ptr<Entity> entity;
            boost::shared_ptr<SimulationEntity> body;
            ::Test::EventLog* log;
        };

        void TearDown() override
        {
            things.clear();
            BodyFixture::TearDown();
        }

        Thing& Add(const Vector3& position, const Vector3& size, bool isStatic = false)
        {
            Thing thing;
            thing.entity = Make(position, size);
            thing.body = Body(*thing.entity, SimulationEntity::BOX, isStatic);
            owners.push_back(thing.entity);
            thing.body->SetUserData(&owners.back());
            logs.emplace_back();
            thing.log = &logs.back();
            thing.entity->GetEventQueue().AddListener(thing.log, -1);
            things.push_back(thing);
            return things.back();
        }

        /// Steps the world and hands every entity its events.
        void Run(int frames)
        {
            for (int i = 0; i < frames; ++i)
            {
                Frame();
                for (Thing& thing : things)
                {
                    if (thing.entity)
                        thing.entity->Update(1.0f / 60.0f);
                }
            }
        }

        std::deque<boost::weak_ptr<Entity>> owners;
        std::deque<::Test::EventLog> logs;
        std::deque<Thing> things;
    };

    struct JointOwner : Engine::IJointListener
    {
        bool OnJointBreak(float impulse, Engine::PhysicsJoint&) override
        {
            ++breaks;
            lastImpulse = impulse;
            return release;
        }
        int breaks = 0;
        float lastImpulse = 0.0f;
        bool release = true;
    };
}

TEST_F(Reports, TwoBodiesMeetingGetOneContactStartEachAboutTheOther)
{
    Thing& still = Add(Vector3(0, 5, 0), Vector3(1));
    Thing& moving = Add(Vector3(-3, 5, 0), Vector3(1));
    for (Thing* thing : {&still, &moving})
        thing->body->EnableBodyFlag(SimulationEntity::DISABLE_GRAVITY);
    moving.body->AddImpulse(Vector3(6, 0, 0), SimulationEntity::GLOBAL);
    Run(90);

    ASSERT_EQ(still.log->records.size(), 1u);
    EXPECT_EQ(still.log->records[0].type, Engine::CONTACT_START);
    EXPECT_EQ(still.log->records[0].origin, still.entity.get());
    EXPECT_EQ(still.log->records[0].target, moving.entity.get());
    ASSERT_EQ(moving.log->records.size(), 1u);
    EXPECT_EQ(moving.log->records[0].type, Engine::CONTACT_START);
    EXPECT_EQ(moving.log->records[0].origin, moving.entity.get());
    EXPECT_EQ(moving.log->records[0].target, still.entity.get());
}

TEST_F(Reports, TheGroundAndDeadEntitiesMakeNoContactEvents)
{
    world->EnableGroundPlane(true);
    Thing& crate = Add(Vector3(0, 0.6f, 0), Vector3(1));
    Run(60);
    EXPECT_TRUE(crate.log->records.empty());

    // Told directly: start before end, the first actor's entity first; nothing when either
    // side's entity is gone.
    Thing& other = Add(Vector3(5, 0.6f, 0), Vector3(1));
    Engine::SimulationContactReport report;
    report.OnContactNotify(*crate.body->GetNxActor(), *other.body->GetNxActor(),
                           Engine::ContactPairFlag::NOTIFY_ON_START_TOUCH | Engine::ContactPairFlag::NOTIFY_ON_END_TOUCH);
    crate.entity->Update(0);
    other.entity->Update(0);
    ASSERT_EQ(crate.log->records.size(), 2u);
    EXPECT_EQ(crate.log->records[0].type, Engine::CONTACT_START);
    EXPECT_EQ(crate.log->records[1].type, Engine::CONTACT_END);
    EXPECT_EQ(crate.log->records[1].target, other.entity.get());
    ASSERT_EQ(other.log->records.size(), 2u);
    EXPECT_EQ(other.log->records[1].origin, other.entity.get());

    other.entity.reset();
    entities.pop_back();
    report.OnContactNotify(*crate.body->GetNxActor(), *other.body->GetNxActor(),
                           Engine::ContactPairFlag::NOTIFY_ON_START_TOUCH);
    EXPECT_EQ(crate.entity->GetEventQueue().GetPendingCount(), 0u);
}

TEST_F(Reports, SensorsTellOnlyTheirOwnerOnceOnEntryAndOnceOnLeaving)
{
    // A sensor box floating above its static body, a second one overlapping it from afar, and
    // a crate falling through both onto the first body.
    Thing& watcher = Add(Vector3(0, 0, 0), Vector3(1), true);
    watcher.body->CreateBoxSensor(Vector3(4), Vector3(0, 7, 0), Ogre::Quaternion::IDENTITY);
    Thing& neighbour = Add(Vector3(30, 0, 0), Vector3(1), true);
    neighbour.body->CreateBoxSensor(Vector3(4), Vector3(-29, 7, 0), Ogre::Quaternion::IDENTITY);
    Thing& crate = Add(Vector3(0, 10, 0), Vector3(1));
    Run(150);

    ASSERT_EQ(watcher.log->Count(Engine::SENSOR_ENTER), 1);
    ASSERT_EQ(watcher.log->Count(Engine::SENSOR_LEAVE), 1);
    for (const ::Test::EventLog::Record& record : watcher.log->records)
    {
        EXPECT_EQ(record.origin, watcher.entity.get());
        EXPECT_EQ(record.target, crate.entity.get());
    }
    EXPECT_EQ(watcher.log->records[0].type, Engine::SENSOR_ENTER);
    EXPECT_EQ(neighbour.log->Count(Engine::SENSOR_ENTER), 1);
    EXPECT_EQ(crate.log->Count(Engine::SENSOR_ENTER) + crate.log->Count(Engine::SENSOR_LEAVE), 0);
    EXPECT_EQ(crate.log->Count(Engine::CONTACT_START), 1);   // landed on the watcher's body

    // The report itself ignores trigger-against-trigger and stay-only crossings.
    Engine::SimulationSensorReport report;
    Engine::PhysicsShape& sensor = *watcher.body->GetNxActor()->GetShapes().at(1);
    Engine::PhysicsShape& otherSensor = *neighbour.body->GetNxActor()->GetShapes().at(1);
    report.OnTrigger(sensor, otherSensor, Engine::TriggerStatus::ENTER);
    report.OnTrigger(sensor, *crate.body->GetNxActor()->GetShapes().at(0), Engine::TriggerStatus::STAY);
    EXPECT_EQ(watcher.entity->GetEventQueue().GetPendingCount(), 0u);
}

TEST_F(Reports, ABodyWhoseEntityDiesInsideASensorSendsNothingMore)
{
    Thing& watcher = Add(Vector3(0, 0, 0), Vector3(1), true);
    watcher.body->CreateBoxSensor(Vector3(10), Vector3(0, 10, 0), Ogre::Quaternion::IDENTITY);
    Thing& crate = Add(Vector3(0, 10, 0), Vector3(1));
    crate.body->EnableBodyFlag(SimulationEntity::DISABLE_GRAVITY);
    Thing& ghost = Add(Vector3(1, 12, 0), Vector3(1));
    ghost.body->EnableBodyFlag(SimulationEntity::DISABLE_GRAVITY);
    Run(2);
    EXPECT_EQ(watcher.log->Count(Engine::SENSOR_ENTER), 2);

    // One dies with its entity, the other's entity dies while its body lives on.
    crate.body.reset();
    crate.entity.reset();
    ghost.entity.reset();
    entities.clear();
    entities.push_back(watcher.entity);
    // A body kept after its entity went keeps its own pose: its node went with the entity.
    ghost.body->SetPosition(Vector3(50, 50, 0));
    Run(5);
    EXPECT_TRUE(ghost.body->GetPosition().positionEquals(Vector3(50, 50, 0), 1e-3f));
    EXPECT_EQ(watcher.log->records.size(), 2u);
    EXPECT_EQ(watcher.entity->GetEventQueue().GetPendingCount(), 0u);
}

TEST_F(Reports, BrokenJointsAskTheirOwnerWhetherToGo)
{
    Thing& hanging = Add(Vector3(0, 5, 0), Vector3(1));
    Thing& held = Add(Vector3(5, 5, 0), Vector3(1));
    Thing& loose = Add(Vector3(10, 5, 0), Vector3(1));
    Engine::PhysicsScene& scene = *world->GetNxScene();
    JointOwner releasing, keeping;
    keeping.release = false;
    const auto join = [&](Thing& thing, JointOwner* owner) {
        Engine::FixedJointDesc desc;
        desc.actor0 = thing.body->GetNxActor();
        desc.maxForce = 1.0f;
        desc.userData = owner;
        return scene.CreateFixedJoint(desc);
    };
    join(hanging, &releasing);
    Engine::PhysicsJoint* kept = join(held, &keeping);
    join(loose, nullptr);
    ASSERT_EQ(scene.GetJoints().size(), 3u);
    Run(10);

    EXPECT_EQ(releasing.breaks, 1);
    EXPECT_GT(releasing.lastImpulse, 0.0f);
    EXPECT_EQ(keeping.breaks, 1);
    ASSERT_EQ(scene.GetJoints().size(), 1u);   // only the one its owner kept
    EXPECT_EQ(scene.GetJoints()[0], kept);
    EXPECT_TRUE(kept->IsBroken());
    EXPECT_LT(hanging.body->GetPosition().y, 5.0f);

    Engine::SimulationUserNotify notify;
    EXPECT_TRUE(notify.OnJointBreak(1.0f, *kept) == false);   // its owner still says keep
}
