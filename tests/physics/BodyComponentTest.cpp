#include <boost/make_shared.hpp>
#include <gtest/gtest.h>
#include <OgreMovableObject.h>
#include <OgreSceneNode.h>

#include "engine/physics/BodyEC.h"
#include "engine/physics/ActorEC.h"
#include "engine/physics/BoxSensorEC.h"
#include "engine/physics/SimulationActor.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/physics/sdk/PhysicsShape.h"
#include "engine/scene/EntityComponentFactory.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/Scene.h"
#include "tests/physics/BodyFixture.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/LogCapture.h"

using Engine::BodyEC;
using Engine::Entity;
using Engine::SimulationEntity;
using Ogre::Vector3;

namespace
{
    const char* const templates =
        "<Entities>\n"
        "  <Crate><Body Shape='Box' Static='false'/></Crate>\n"
        "  <Heavy><Body Shape='Sphere' Static='false' Density='5' Group='4' FreezeRot='1 0 1'"
        " DisableGravity='true'/></Heavy>\n"
        "  <Post><Body Shape='Capsule' Static='true' FreezeRot='0 0 0' DisableGravity='false'/></Post>\n"
        "  <Lower><Body Shape='box' Static='false'/></Lower>\n"
        "  <Empty><Body Shape='' Static='false'/></Empty>\n"
        "  <Unfixed><Body Shape='Box'/></Unfixed>\n"
        "  <Shapeless><Body Static='true'/></Shapeless>\n"
        "  <Rock><Body Shape='Convex' Static='false'/></Rock>\n"
        "  <Watcher><BoxSensor Size='2 2 2' Position='0 0 3'/><Body Shape='Box' Static='true'/></Watcher>\n"
        "  <Lonely><BoxSensor Size='1 1 1'/></Lonely>\n"
        "  <Sizeless><Body Shape='Box' Static='true'/><BoxSensor Position='1 0 0'/></Sizeless>\n"
        "  <Guard><BoxSensor Size='3 3 3'/><Actor/></Guard>\n"
        "  <Rider><Actor/><Body Shape='Box' Static='false'/><BoxSensor Size='2 2 2'/></Rider>\n"
        "</Entities>\n";

    class BodyComponent : public Test::BodyFixture
    {
    protected:
        void SetUp() override
        {
            BodyFixture::SetUp();
            WriteData("bodies.xml", templates);
            GetScene().GetEntityTemplateManager().AddFile("bodies.xml");
        }

        /// A disabled entity of the type with a unit box as bounds.
        boost::shared_ptr<Entity> Typed(const std::string& type, const Vector3& position = Vector3(0, 5, 0))
        {
            const boost::shared_ptr<Entity> entity =
                Entity::Create(GetScene(), type + std::to_string(entities.size()), type, position);
            entity->NotifyBoundsAffector(Ogre::AxisAlignedBox(Vector3(-0.5f), Vector3(0.5f)));
            entities.push_back(entity);
            return entity;
        }

        static boost::shared_ptr<SimulationEntity> BodyOf(const Entity& entity)
        {
            const boost::shared_ptr<BodyEC> body = boost::dynamic_pointer_cast<BodyEC>(entity.GetComponent("Body"));
            return body ? body->GetSimulationEntity() : boost::shared_ptr<SimulationEntity>();
        }
    };
}

TEST_F(BodyComponent, BodyAttributesAndTheirDefaults)
{
    Engine::EntityComponentFactory& factory = Engine::EntityComponentFactory::GetSingleton();
    EXPECT_TRUE(factory.IsRegistered("Body"));
    EXPECT_TRUE(factory.IsRegistered("BoxSensor"));
    EXPECT_TRUE(factory.Create("Body")->IsAffector());
    EXPECT_TRUE(factory.Create("BoxSensor")->IsAffector());

    const boost::shared_ptr<Entity> crate = Typed("Crate");
    EXPECT_FALSE(boost::dynamic_pointer_cast<BodyEC>(factory.Create("Body"))->GetSimulationEntity());
    crate->Enable();
    const boost::shared_ptr<SimulationEntity> body = BodyOf(*crate);
    ASSERT_TRUE(body);
    EXPECT_FALSE(body->IsStatic());
    EXPECT_EQ(body->GetGroup(), 0);
    EXPECT_FLOAT_EQ(body->GetNxActor()->GetMass(), 2.0f);   // density 2 times a unit box
    EXPECT_EQ(body->GetNxActor()->ReadBodyFlags(), 0u);
    EXPECT_EQ(world->GetEntityCount(), 1u);

    const boost::shared_ptr<Entity> heavy = Typed("Heavy", Vector3(5, 5, 0));
    heavy->Enable();
    const boost::shared_ptr<SimulationEntity> ball = BodyOf(*heavy);
    EXPECT_EQ(ball->GetGroup(), 4);
    EXPECT_EQ(ball->GetNxActor()->GetShapes().at(0)->GetType(), Engine::ShapeType::SPHERE);
    EXPECT_NEAR(ball->GetNxActor()->GetMass(), 5.0f * 4.0f / 3.0f * Ogre::Math::PI * 0.125f, 1e-3f);
    EXPECT_EQ(ball->GetNxActor()->ReadBodyFlags(), 16u | 64u | 1u);

    const boost::shared_ptr<Entity> post = Typed("Post", Vector3(10, 5, 0));
    post->Enable();
    EXPECT_TRUE(BodyOf(*post)->IsStatic());
    EXPECT_EQ(BodyOf(*post)->GetNxActor()->GetShapes().at(0)->GetType(), Engine::ShapeType::CAPSULE);
    EXPECT_EQ(BodyOf(*post)->GetNxActor()->ReadBodyFlags(), 0u);
}

TEST_F(BodyComponent, BodiesFindTheirEntityUntilUnloaded)
{
    const boost::shared_ptr<Entity> crate = Typed("Crate", Vector3(0, 0, 0));
    crate->Enable();
    Vector3 hit;
    const Ogre::Ray down(Vector3(0, 10, 0), Vector3::NEGATIVE_UNIT_Y);
    EXPECT_EQ(world->RaycastEntity(down, hit, 100), crate);
    EXPECT_NEAR(hit.y, 0.5f, 0.05f);

    // Held elsewhere, the body outlives the component but no longer stands for the entity.
    const boost::shared_ptr<SimulationEntity> kept = BodyOf(*crate);
    crate->Disable();
    EXPECT_EQ(kept->GetUserData(), nullptr);
    EXPECT_FALSE(world->RaycastEntity(down, hit, 100));
    EXPECT_TRUE(world->RaycastPosition(down, hit, 100));

    // A re-enabled entity gets a new body; the old one goes when let go.
    crate->Enable();
    EXPECT_NE(BodyOf(*crate), kept);
    EXPECT_EQ(world->GetEntityCount(), 2u);
}

TEST_F(BodyComponent, BadBodyAttributesFailTheLoadWithoutABody)
{
    const unsigned actors = world->GetNxScene()->GetActorCount();
    EXPECT_EQ(::Test::ErrorOf([&] { Typed("Lower")->Enable(); }),
              "Error in Engine::BodyEC::Load(). Lower component 'Body' attribute 'Shape' value 'box' is invalid or not supported.");
    EXPECT_EQ(::Test::ErrorOf([&] { Typed("Empty")->Enable(); }),
              "Error in Engine::BodyEC::Load(). Empty component 'Body' attribute 'Shape' value '' is invalid or not supported.");
    EXPECT_EQ(::Test::ErrorOf([&] { Typed("Unfixed")->Enable(); }),
              "Error in Engine::BodyEC::Load(). Unfixed component 'Body' has no attribute named 'Static'.");
    EXPECT_EQ(::Test::ErrorOf([&] { Typed("Shapeless")->Enable(); }),
              "Error in Engine::BodyEC::Load(). Shapeless component 'Body' has no attribute named 'Shape'.");
    EXPECT_EQ(::Test::ErrorOf([&] { Typed("Rock")->Enable(); }),
              "Error in Engine::BodyEC::Load(). Bodies with a 'Convex' shape can only be attached to entites with a 'Mesh' component.");
    EXPECT_EQ(world->GetEntityCount(), 0u);
    EXPECT_EQ(world->GetNxScene()->GetActorCount(), actors);

    Engine::Simulation::ReleaseSingleton();
    world.reset();
    EXPECT_EQ(::Test::ErrorOf([&] { Typed("Crate")->Enable(); }),
              "Error in Engine::BodyEC::Load(). No physics world exists for the body of Crate.");
}

TEST_F(BodyComponent, SensorWaitsForTheBodyThenAttachesToIt)
{
    ::Test::LogCapture log;
    const boost::shared_ptr<Entity> watcher = Typed("Watcher");
    watcher->Enable();
    EXPECT_EQ(log.Count("Unable to load component 'BoxSensor', retrying..."), 1);
    ASSERT_TRUE(watcher->HasComponent("BoxSensor"));
    const std::vector<Engine::PhysicsShape*>& shapes = BodyOf(*watcher)->GetNxActor()->GetShapes();
    ASSERT_EQ(shapes.size(), 2u);
    EXPECT_TRUE(shapes[1]->IsTrigger());
    EXPECT_EQ(shapes[1]->GetDimensions(), Vector3(1, 1, 1));
    EXPECT_EQ(shapes[1]->GetLocalPose().position, Vector3(0, 0, 3));
    EXPECT_EQ(shapes[1]->GetLocalPose().orientation, Ogre::Quaternion::IDENTITY);

    // Without a body the sensor gives up after three tries; the entity enables without it.
    const boost::shared_ptr<Entity> lonely = Typed("Lonely", Vector3(20, 0, 0));
    lonely->Enable();
    EXPECT_TRUE(lonely->IsEnabled());
    EXPECT_FALSE(lonely->HasComponent("BoxSensor"));
    EXPECT_EQ(log.Count("Unable to load component 'BoxSensor', tried 3 times but failed."), 1);

    EXPECT_EQ(::Test::ErrorOf([&] { Typed("Sizeless", Vector3(40, 0, 0))->Enable(); }),
              "Error in Engine::BoxSensorEC::Load(). Sizeless component 'BoxSensor' has no attribute named 'Size'.");

    // A sensor component on an entity without a body refuses to load.
    Engine::BoxSensorEC orphan;
    const boost::shared_ptr<Entity> bare = Make(Vector3(60, 0, 0), Vector3(1));
    orphan.SetOwner(bare);
    Engine::EntityTemplate element("BoxSensor");
    element.SetAttribute("Size", "1 1 1");
    EXPECT_EQ(orphan.CheckLoadStatus(*bare), Engine::NotReady);
    EXPECT_EQ(::Test::ErrorOf([&] { orphan.Load(GetScene(), element); }),
              "Error in Engine::BoxSensorEC::Load().  component 'BoxSensor' can only be attached to entities with a "
              "'Body' or 'Actor' component");
}

TEST_F(BodyComponent, VisualisedSensorsDrawALineThatGoesWithThem)
{
    Engine::BoxSensorEC::Visualize(true);
    const boost::shared_ptr<Entity> watcher = Typed("Watcher");
    watcher->Enable();
    Engine::BoxSensorEC::Visualize(false);
    Ogre::SceneNode* node = watcher->GetSceneNode();
    int lines = 0;
    for (unsigned short i = 0; i < node->numAttachedObjects(); ++i)
        lines += node->getAttachedObject(i)->getName().compare(0, 9, "DebugLine") == 0 ? 1 : 0;
    EXPECT_EQ(lines, 1);
    watcher->Disable();
    EXPECT_EQ(node->numAttachedObjects(), 0u);
}

TEST_F(BodyComponent, SensorGoesOnTheCharacterWhenThereIsNoBodyAndOnTheBodyWhenThereAreBoth)
{
    const auto triggers = [](Engine::PhysicsActor* actor) {
        int count = 0;
        for (Engine::PhysicsShape* shape : actor->GetShapes())
            count += shape->IsTrigger() ? 1 : 0;
        return count;
    };
    const auto characterOf = [](const Entity& entity) {
        return boost::dynamic_pointer_cast<Engine::ActorEC>(entity.GetComponent("Actor"))->GetActor();
    };

    const boost::shared_ptr<Entity> guard = Typed("Guard");
    guard->Enable();
    ASSERT_TRUE(guard->HasComponent("BoxSensor"));
    EXPECT_EQ(triggers(characterOf(*guard)->GetNxActor()), 1);

    const boost::shared_ptr<Entity> rider = Typed("Rider", Vector3(20, 5, 0));
    rider->Enable();
    ASSERT_TRUE(rider->HasComponent("BoxSensor"));
    EXPECT_EQ(triggers(BodyOf(*rider)->GetNxActor()), 1);
    EXPECT_EQ(triggers(characterOf(*rider)->GetNxActor()), 0);
}
