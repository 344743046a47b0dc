#include <gtest/gtest.h>

#include "engine/physics/sdk/PhysicsHeightField.h"
#include "tests/physics/PhysicsTestWorld.h"

using namespace Engine;

namespace
{
    const Ogre::Ray Down(const Ogre::Vector3& from) { return Ogre::Ray(from, Ogre::Vector3::NEGATIVE_UNIT_Y); }
}

TEST(PhysicsQueries, RayFindsTheClosestShapeThatTakesRays)
{
    ::Test::PhysicsTestWorld world;
    PhysicsActor* plane = world.Plane();
    PhysicsActor* low = world.Box(Ogre::Vector3(0, 1, 0), Ogre::Vector3(0.5f), false);
    PhysicsActor* high = world.Box(Ogre::Vector3(0, 4, 0));
    PhysicsActor* ghost = world.Box(Ogre::Vector3(0, 6, 0), Ogre::Vector3(0.5f), true,
                                    ShapeFlag::VISUALIZATION | ShapeFlag::DISABLE_RAYCASTING);
    PhysicsActor* sensor = world.Box(Ogre::Vector3(0, 8, 0), Ogre::Vector3(0.5f), false, ShapeFlag::TRIGGER_ENABLE);
    ASSERT_TRUE(plane && low && high && ghost && sensor);

    RaycastHit hit;
    PhysicsShape* shape = world.scene->RaycastClosestShape(Down(Ogre::Vector3(0, 10, 0)), ShapesType::ALL, hit);
    ASSERT_EQ(shape, high->GetShapes()[0]);
    EXPECT_NEAR(hit.worldImpact.y, 4.5f, 1e-4f);
    EXPECT_NEAR(hit.distance, 5.5f, 1e-4f);
    EXPECT_NEAR(hit.worldNormal.y, 1.0f, 1e-4f);
    EXPECT_TRUE(hit.valid);

    EXPECT_EQ(world.scene->RaycastClosestShape(Down(Ogre::Vector3(0, 10, 0)), ShapesType::STATIC, hit), low->GetShapes()[0]);
    EXPECT_EQ(world.scene->RaycastClosestShape(Down(Ogre::Vector3(0, 10, 0)), ShapesType::ALL, hit, 0xFFFFFFFF, 5.0f), nullptr);
    EXPECT_FALSE(hit.valid);
    // A shape group outside the mask is passed through.
    EXPECT_EQ(world.scene->RaycastClosestShape(Down(Ogre::Vector3(0, 10, 0)), ShapesType::ALL, hit, ~1u), nullptr);

    // Switching ray casts off and on at run time.
    high->GetShapes()[0]->SetFlag(ShapeFlag::DISABLE_RAYCASTING, true);
    EXPECT_EQ(world.scene->RaycastClosestShape(Down(Ogre::Vector3(0, 10, 0)), ShapesType::ALL, hit), low->GetShapes()[0]);
    high->GetShapes()[0]->SetFlag(ShapeFlag::DISABLE_RAYCASTING, false);
    EXPECT_EQ(world.scene->RaycastClosestShape(Down(Ogre::Vector3(0, 10, 0)), ShapesType::ALL, hit), high->GetShapes()[0]);

    // A moved actor is found where it now is, before any step.
    high->SetGlobalPosition(Ogre::Vector3(30, 4, 0));
    EXPECT_EQ(world.scene->RaycastClosestShape(Down(Ogre::Vector3(30, 10, 0)), ShapesType::DYNAMIC, hit), high->GetShapes()[0]);
}

TEST(PhysicsQueries, EndlessRayKeepsItsPrecision)
{
    ::Test::PhysicsTestWorld world;
    PhysicsActor* plane = world.Plane();
    RaycastHit hit;
    for (float height : {0.25f, 3.0f, 750.0f})
    {
        ASSERT_EQ(world.scene->RaycastClosestShape(Down(Ogre::Vector3(12.5f, height, -40.0f)), ShapesType::ALL, hit,
                                                   0xFFFFFFFF, FLT_MAX), plane->GetShapes()[0]);
        EXPECT_NEAR(hit.worldImpact.y, 0.0f, 1e-4f);
        EXPECT_NEAR(hit.worldImpact.x, 12.5f, 1e-4f);
        EXPECT_NEAR(hit.distance, height, 1e-3f);
    }
    EXPECT_EQ(world.scene->RaycastClosestShape(Ogre::Ray(Ogre::Vector3(0, 5, 0), Ogre::Vector3::ZERO),
                                               ShapesType::ALL, hit), nullptr);
}

TEST(PhysicsQueries, SphereOverlapReportsMovingSolidShapesUpToTheBuffer)
{
    ::Test::PhysicsTestWorld world;
    world.Plane();
    world.Box(Ogre::Vector3(0, 0, 0), Ogre::Vector3(0.5f), false);
    PhysicsActor* near = world.Box(Ogre::Vector3(1, 0, 0));
    world.Box(Ogre::Vector3(10, 0, 0));
    world.Box(Ogre::Vector3(-1, 0, 0), Ogre::Vector3(0.5f), true, ShapeFlag::TRIGGER_ENABLE);

    PhysicsShape* shapes[8] = {};
    ASSERT_EQ(world.scene->OverlapSphereShapes(Ogre::Sphere(Ogre::Vector3::ZERO, 1.0f), ShapesType::DYNAMIC, 8, shapes), 1u);
    EXPECT_EQ(shapes[0], near->GetShapes()[0]);
    EXPECT_EQ(world.scene->OverlapSphereShapes(Ogre::Sphere(Ogre::Vector3::ZERO, 1.0f), ShapesType::ALL, 8, shapes), 3u);

    // An actor of two shapes counts once per overlapping shape.
    ShapeDesc extra;
    extra.localPose.position = Ogre::Vector3(0, 1, 0);
    extra.dimensions = Ogre::Vector3(0.25f);
    ASSERT_TRUE(near->CreateShape(extra));
    EXPECT_EQ(near->GetGlobalPosition(), Ogre::Vector3(1, 0, 0));
    EXPECT_EQ(world.scene->OverlapSphereShapes(Ogre::Sphere(Ogre::Vector3(1, 0.5f, 0), 0.6f), ShapesType::DYNAMIC, 8, shapes), 2u);
    EXPECT_NE(shapes[0], shapes[1]);

    std::vector<PhysicsActor*> crowd;
    for (int i = 0; i < 20; ++i)
        crowd.push_back(world.Sphere(Ogre::Vector3(50 + 0.1f * i, 0, 0), 0.2f));
    EXPECT_EQ(world.scene->OverlapSphereShapes(Ogre::Sphere(Ogre::Vector3(51, 0, 0), 3.0f), ShapesType::DYNAMIC, 5, shapes), 5u);
    EXPECT_EQ(world.scene->OverlapSphereShapes(Ogre::Sphere(Ogre::Vector3(51, 0, 0), 0.0f), ShapesType::DYNAMIC, 5, shapes), 0u);
}

TEST(PhysicsQueries, HeightFieldSamplesSitWhereTheyBelong)
{
    ::Test::PhysicsTestWorld world;
    HeightFieldDesc fieldDesc;
    fieldDesc.rows = 3;
    fieldDesc.columns = 4;
    for (unsigned row = 0; row < 3; ++row)
        for (unsigned column = 0; column < 4; ++column)
        {
            HeightFieldSample sample;
            sample.height = static_cast<short>(100 * row + 10 * column);
            fieldDesc.samples.push_back(sample);
        }
    PhysicsHeightField* field = world.sdk->CreateHeightField(fieldDesc);
    ASSERT_TRUE(field);
    EXPECT_EQ(world.sdk->CreateHeightField(HeightFieldDesc()), nullptr);

    ActorDesc desc;
    ShapeDesc shape;
    shape.type = ShapeType::HEIGHT_FIELD;
    shape.heightField = field;
    shape.heightScale = 0.01f;
    shape.rowScale = 2.0f;
    shape.columnScale = 3.0f;
    desc.shapes.push_back(shape);
    desc.globalPose.position = Ogre::Vector3(5, 0, 5);
    PhysicsActor* terrain = world.scene->CreateActor(desc);
    ASSERT_TRUE(terrain);
    EXPECT_FALSE(world.sdk->ReleaseHeightField(*field));   // still in use

    RaycastHit hit;
    for (unsigned row = 0; row < 3; ++row)
        for (unsigned column = 0; column < 4; ++column)
        {
            // Samples on the border are probed a hair inside it.
            const float inX = row == 0 ? 1e-3f : (row == 2 ? -1e-3f : 0.0f);
            const float inZ = column == 0 ? 1e-3f : (column == 3 ? -1e-3f : 0.0f);
            const Ogre::Vector3 above(5 + 2.0f * row + inX, 50, 5 + 3.0f * column + inZ);
            ASSERT_EQ(world.scene->RaycastClosestShape(Down(above), ShapesType::ALL, hit), terrain->GetShapes()[0]);
            EXPECT_NEAR(hit.worldImpact.y, 0.01f * (100 * row + 10 * column), 1e-3f) << row << "," << column;
        }
    // Outside the grid there is nothing.
    EXPECT_EQ(world.scene->RaycastClosestShape(Down(Ogre::Vector3(4, 50, 6)), ShapesType::ALL, hit), nullptr);

    // A dynamic actor cannot carry a height field.
    BodyDesc body;
    desc.body = &body;
    EXPECT_EQ(world.scene->CreateActor(desc), nullptr);
    world.scene->ReleaseActor(*terrain);
    EXPECT_TRUE(world.sdk->ReleaseHeightField(*field));
}
