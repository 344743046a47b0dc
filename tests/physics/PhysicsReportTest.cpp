#include <algorithm>

#include <gtest/gtest.h>

#include "engine/physics/sdk/PhysicsJoint.h"
#include "tests/physics/PhysicsTestWorld.h"

using namespace Engine;

TEST(PhysicsReports, TouchStartsOnceWhileAPairStaysInContact)
{
    ::Test::PhysicsTestWorld world;
    world.scene->SetActorGroupPairFlags(0, 0, ContactPairFlag::NOTIFY_ON_START_TOUCH);
    PhysicsActor* plane = world.Plane();
    PhysicsActor* box = world.Box(Ogre::Vector3(0, 1.5f, 0));
    world.Frames(180);
    ASSERT_EQ(world.log.contacts.size(), 1u);
    EXPECT_EQ(world.log.contacts[0].events, ContactPairFlag::NOTIFY_ON_START_TOUCH);
    // The earlier-made actor comes first.
    EXPECT_EQ(world.log.contacts[0].a, plane);
    EXPECT_EQ(world.log.contacts[0].b, box);

    // Lifted away and dropped again: a new touch, still no end report (not asked for).
    box->SetGlobalPosition(Ogre::Vector3(0, 3, 0));
    world.Frames(120);
    EXPECT_EQ(world.log.Count(ContactPairFlag::NOTIFY_ON_START_TOUCH), 2);
    EXPECT_EQ(world.log.Count(ContactPairFlag::NOTIFY_ON_END_TOUCH), 0);

    world.scene->SetActorGroupPairFlags(0, 0, ContactPairFlag::NOTIFY_ON_START_TOUCH | ContactPairFlag::NOTIFY_ON_END_TOUCH);
    box->SetGlobalPosition(Ogre::Vector3(0, 3, 0));
    world.Frames(5);
    EXPECT_EQ(world.log.Count(ContactPairFlag::NOTIFY_ON_END_TOUCH), 1);

    // Groups without flags report nothing; ignored pairs pass through each other.
    world.log.contacts.clear();
    box->SetGroup(3);
    world.Frames(120);
    EXPECT_TRUE(world.log.contacts.empty());
    EXPECT_NEAR(box->GetGlobalPosition().y, 0.5f, 0.02f);
    world.scene->SetActorGroupPairFlags(0, 3, ContactPairFlag::IGNORE_PAIR);
    box->SetGroup(3);
    world.Frames(60);
    EXPECT_LT(box->GetGlobalPosition().y, -1.0f);
}

TEST(PhysicsReports, TouchStartsOnlyAtTouchingDistance)
{
    // Floating boxes gliding a hair over the plane and over a static floor keep their speed and
    // touch nothing; a box set down on the plane touches it once.
    ::Test::PhysicsTestWorld world;
    world.scene->SetActorGroupPairFlags(0, 0, ContactPairFlag::NOTIFY_ON_START_TOUCH);
    world.Plane();
    world.Box(Ogre::Vector3(0, 0.5f, 20), Ogre::Vector3(20, 0.5f, 2), false);
    struct Glide { float gap; float floor; float z; };
    std::vector<PhysicsActor*> gliders;
    for (const Glide& glide : {Glide{0.01f, 0, 0}, Glide{0.05f, 0, 5}, Glide{0.01f, 1, 19}, Glide{0.05f, 1, 21}})
    {
        gliders.push_back(world.Box(Ogre::Vector3(-10, glide.floor + 0.5f + glide.gap, glide.z)));
        gliders.back()->RaiseBodyFlag(BodyFlag::DISABLE_GRAVITY);
        gliders.back()->SetLinearVelocity(Ogre::Vector3(5, 0, 0));
    }
    world.Frames(120);
    EXPECT_TRUE(world.log.contacts.empty()) << world.log.contacts.size() << " touches";
    for (PhysicsActor* glider : gliders)
        EXPECT_NEAR(glider->GetLinearVelocity().x, 5.0f, 1e-3f);

    world.Box(Ogre::Vector3(0, 0.5f, -10));
    world.Frames(60);
    EXPECT_EQ(world.log.contacts.size(), 1u);
}

TEST(PhysicsReports, ReportsComeInCreationOrderAndSkipReleasedActors)
{
    ::Test::PhysicsTestWorld world;
    world.scene->SetActorGroupPairFlags(0, 0, ContactPairFlag::NOTIFY_ON_START_TOUCH);
    world.Plane();
    std::vector<PhysicsActor*> boxes;
    for (int i = 0; i < 6; ++i)
        boxes.push_back(world.Box(Ogre::Vector3(2.0f * i, 0.5f, 0)));
    // The first report's callback releases the last box: its own report must not arrive.
    world.log.onContact = [&](PhysicsActor&, PhysicsActor&)
    {
        if (boxes.back())
        {
            world.scene->ReleaseActor(*boxes.back());
            boxes.back() = nullptr;
        }
    };
    world.Frame();
    ASSERT_EQ(world.log.contacts.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(world.log.contacts[i].b, boxes[i]);
    EXPECT_EQ(world.scene->GetActorCount(), 6u);
}

TEST(PhysicsReports, TriggersReportEnterAndLeaveButNotEachOther)
{
    ::Test::PhysicsTestWorld world;
    PhysicsActor* gate = world.Box(Ogre::Vector3(0, 5, 0), Ogre::Vector3(2, 0.5f, 2), false,
                                   ShapeFlag::TRIGGER_ON_ENTER | ShapeFlag::TRIGGER_ON_LEAVE);
    PhysicsActor* inner = world.Box(Ogre::Vector3(0, 5, 0), Ogre::Vector3(1), false, ShapeFlag::TRIGGER_ENABLE);
    PhysicsActor* ball = world.Sphere(Ogre::Vector3(0, 8, 0), 0.25f);
    world.Frames(90);
    // The inner trigger (all bits) sees the ball come, stay and go; neither trigger sees the other.
    std::vector<::Test::ReportLog::Trigger> innerReports;
    for (const auto& report : world.log.triggers)
    {
        EXPECT_EQ(report.other, ball->GetShapes()[0]);
        if (report.trigger == inner->GetShapes()[0])
            innerReports.push_back(report);
    }
    ASSERT_GE(innerReports.size(), 3u);
    EXPECT_EQ(innerReports.front().status, TriggerStatus::ENTER);
    EXPECT_EQ(innerReports[1].status, TriggerStatus::STAY);
    EXPECT_EQ(innerReports.back().status, TriggerStatus::LEAVE);
    world.log.triggers.erase(std::remove_if(world.log.triggers.begin(), world.log.triggers.end(),
                                            [&](const ::Test::ReportLog::Trigger& report)
                                            { return report.trigger != gate->GetShapes()[0]; }),
                             world.log.triggers.end());
    ASSERT_EQ(world.log.triggers.size(), 2u);
    EXPECT_EQ(world.log.triggers[0].trigger, gate->GetShapes()[0]);
    EXPECT_EQ(world.log.triggers[0].other, ball->GetShapes()[0]);
    EXPECT_EQ(world.log.triggers[0].status, TriggerStatus::ENTER);
    EXPECT_EQ(world.log.triggers[1].status, TriggerStatus::LEAVE);
    EXPECT_TRUE(world.log.contacts.empty());   // triggers never touch
}

TEST(PhysicsReports, SensorOnAMovingActorStaysWithIt)
{
    ::Test::PhysicsTestWorld world;
    world.scene->SetGravity(Ogre::Vector3::ZERO);
    PhysicsActor* carrier = world.Box(Ogre::Vector3(0, 0, 0));
    ShapeDesc sensor;
    sensor.dimensions = Ogre::Vector3(0.5f);
    sensor.localPose.position = Ogre::Vector3(0, 0, 2);
    sensor.flags = ShapeFlag::TRIGGER_ENABLE | ShapeFlag::DISABLE_RAYCASTING;
    PhysicsShape* trigger = carrier->CreateShape(sensor);
    ASSERT_TRUE(trigger);
    EXPECT_NEAR(carrier->GetMass(), 1.0f, 1e-5f);
    PhysicsActor* post = world.Box(Ogre::Vector3(10, 0, 2), Ogre::Vector3(0.25f), false);
    carrier->SetLinearVelocity(Ogre::Vector3(5, 0, 0));
    world.Frames(150);
    int enters = 0, stays = 0, leaves = 0;
    for (const auto& report : world.log.triggers)
    {
        EXPECT_EQ(report.trigger, trigger);
        EXPECT_EQ(report.other, post->GetShapes()[0]);
        enters += report.status == TriggerStatus::ENTER;
        stays += report.status == TriggerStatus::STAY;
        leaves += report.status == TriggerStatus::LEAVE;
    }
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 1);
    EXPECT_GT(stays, 0);
    EXPECT_NEAR(trigger->GetGlobalPose().position.z, 2.0f, 1e-4f);
    EXPECT_NEAR(carrier->GetGlobalPosition().x, 12.5f, 1e-3f);   // the post never stopped it
}

TEST(PhysicsReports, FixedJointHoldsUntilItsForceIsExceeded)
{
    ::Test::PhysicsTestWorld world;
    PhysicsActor* strong = world.Box(Ogre::Vector3(0, 5, 0));
    PhysicsActor* weak = world.Box(Ogre::Vector3(5, 5, 0));
    FixedJointDesc desc;
    desc.actor1 = strong;
    desc.maxForce = 100.0f;           // holds 1 kg under gravity
    PhysicsJoint* holding = world.scene->CreateFixedJoint(desc);
    desc.actor1 = weak;
    desc.maxForce = 2.0f;             // does not
    ASSERT_TRUE(holding && world.scene->CreateFixedJoint(desc));
    EXPECT_EQ(world.scene->CreateFixedJoint(FixedJointDesc()), nullptr);

    world.Frames(60);
    EXPECT_EQ(world.log.breaks, 1);
    ASSERT_EQ(world.scene->GetJoints().size(), 1u);       // released on the notify's answer
    EXPECT_EQ(world.scene->GetJoints()[0], holding);
    EXPECT_NEAR(strong->GetGlobalPosition().y, 5.0f, 0.05f);
    EXPECT_LT(weak->GetGlobalPosition().y, 3.0f);

    // A joint kept after breaking has no effect; releasing its actor leaves it without one.
    world.log.releaseBrokenJoints = false;
    strong->AddForce(Ogre::Vector3(0, 1e5f, 0), ForceMode::IMPULSE);
    world.Frames(2);
    EXPECT_EQ(world.log.breaks, 2);
    EXPECT_TRUE(holding->IsBroken());
    world.scene->ReleaseActor(*strong);
    EXPECT_EQ(holding->GetActor1(), nullptr);
    world.Frames(2);
    world.scene->ReleaseJoint(*holding);
    EXPECT_TRUE(world.scene->GetJoints().empty());
}

TEST(PhysicsReports, SleepAndWakeAreReported)
{
    ::Test::PhysicsTestWorld world;
    world.Plane();
    PhysicsActor* box = world.Box(Ogre::Vector3(0, 0.5f, 0));
    world.Frames(300);
    EXPECT_TRUE(box->IsSleeping());
    EXPECT_EQ(world.log.slept, 1u);
    box->WakeUp();
    world.Frame();
    EXPECT_EQ(world.log.woken, 1u);
}
