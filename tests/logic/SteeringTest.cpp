#include "engine/logic/ProximityDatabase.h"
#include "engine/logic/Steerable.h"
#include "engine/scene/Entity.h"
#include "tests/support/SceneTest.h"

#include <OgreSceneNode.h>
#include <gtest/gtest.h>

using Engine::Entity;
using Engine::ProximityDatabase;
using Engine::Steerable;

namespace
{
    void ExpectVector(const Ogre::Vector3& actual, const Ogre::Vector3& expected)
    {
        EXPECT_NEAR(actual.x, expected.x, 1e-5f);
        EXPECT_NEAR(actual.y, expected.y, 1e-5f);
        EXPECT_NEAR(actual.z, expected.z, 1e-5f);
    }

    // Entities of a real scene, placed by hand: the helpers read node positions and bounds.
    class SteeringSceneTest : public Test::SceneTest
    {
    protected:
        boost::shared_ptr<Entity> Place(const Ogre::Vector3& position, const Ogre::Vector3& halfSize = Ogre::Vector3(0.5f))
        {
            const boost::shared_ptr<Entity> entity = Entity::Create(GetScene(), "E" + std::to_string(made.size()));
            entity->GetSceneNode()->setPosition(position);
            entity->NotifyBoundsAffector(Ogre::AxisAlignedBox(-halfSize, halfSize));
            made.push_back(entity);
            return entity;
        }
        std::vector<boost::shared_ptr<Entity>> made;
    };
}

TEST(SteerableTest, ADefaultAgentFacesNegativeZAndTheConesStopShortOfTheirEdge)
{
    Steerable agent;
    EXPECT_TRUE(agent.IsAhead(Ogre::Vector3(0, 0, -10)));
    EXPECT_TRUE(agent.IsBehind(Ogre::Vector3(0, 0, 10)));
    EXPECT_FALSE(agent.IsAhead(Ogre::Vector3(10, 0, 0)));
    EXPECT_FALSE(agent.IsBehind(Ogre::Vector3(10, 0, 0)));
    // 50 degrees off the axis is outside the 45-degree cone, 40 degrees inside.
    const float off50 = std::tan(Ogre::Degree(50).valueRadians()), off40 = std::tan(Ogre::Degree(40).valueRadians());
    EXPECT_FALSE(agent.IsAhead(Ogre::Vector3(off50, 0, -1)));
    EXPECT_TRUE(agent.IsAhead(Ogre::Vector3(off40, 0, -1)));

    // A zombie faces +Z in its own space; turned half round it faces -Z in the world.
    Steerable turned(Ogre::Vector3::UNIT_Z);
    turned.UpdatePosition(Ogre::Vector3(5, 0, 5));
    EXPECT_TRUE(turned.IsAhead(Ogre::Vector3(5, 0, 9)));
    turned.UpdateOrientation(Ogre::Quaternion(Ogre::Degree(180), Ogre::Vector3::UNIT_Y));
    EXPECT_TRUE(turned.IsBehind(Ogre::Vector3(5, 0, 9)));
    EXPECT_TRUE(turned.IsAhead(Ogre::Vector3(5, 0, 1)));
}

TEST(SteerableTest, SeekFleeAndArriveIgnoreHowFarTheTargetIsAndSubtractTheVelocity)
{
    Steerable agent;
    agent.UpdatePosition(Ogre::Vector3(1, 0, 1));
    ExpectVector(agent.Seek(Ogre::Vector3(1, 0, 11)), Ogre::Vector3(0, 0, 1));
    ExpectVector(agent.Flee(Ogre::Vector3(1, 0, 11)), Ogre::Vector3(0, 0, -1));

    ExpectVector(agent.Arrive(Ogre::Vector3(1, 0, 1), 2.0f), Ogre::Vector3::ZERO);
    ExpectVector(agent.Arrive(Ogre::Vector3(2, 0, 1), 2.0f), Ogre::Vector3(0.5f, 0, 0));
    ExpectVector(agent.Arrive(Ogre::Vector3(101, 0, 1), 2.0f), Ogre::Vector3(0.5f, 0, 0));
    ExpectVector(agent.Arrive(Ogre::Vector3(101, 0, 1), 0.5f), Ogre::Vector3(1, 0, 0));

    agent.UpdateVelocity(Ogre::Vector3(0.25f, 0, 2));
    EXPECT_EQ(agent.GetVelocity(), Ogre::Vector3(0.25f, 0, 2));
    ExpectVector(agent.Seek(Ogre::Vector3(1, 0, 11)), Ogre::Vector3(-0.25f, 0, -1));
    ExpectVector(agent.Arrive(Ogre::Vector3(101, 0, 1), 2.0f), Ogre::Vector3(0.25f, 0, -2));
    // Standing on the target: no wish to move at all, whatever the velocity.
    ExpectVector(agent.Arrive(Ogre::Vector3(1, 0, 1), 2.0f), Ogre::Vector3::ZERO);

    // Copies carry every member.
    Steerable copy(Ogre::Vector3::UNIT_X);
    copy = agent;
    ExpectVector(copy.Seek(Ogre::Vector3(1, 0, 11)), Ogre::Vector3(-0.25f, 0, -1));
    EXPECT_TRUE(copy.IsAhead(Ogre::Vector3(1, 0, -5)));
}

TEST(SteerableTest, WanderStaysWithinTheDeviationAndDrawsAfreshEachCall)
{
    Steerable agent(Ogre::Vector3::UNIT_Z);
    agent.UpdateOrientation(Ogre::Quaternion(Ogre::Degree(90), Ogre::Vector3::UNIT_Y));  // facing +X
    agent.UpdateVelocity(Ogre::Vector3(0, 0, 1));
    Ogre::Vector3 first = agent.Wander(Ogre::Degree(30)) + agent.GetVelocity();
    bool varied = false;
    for (int i = 0; i < 50; ++i)
    {
        const Ogre::Vector3 wish = agent.Wander(Ogre::Degree(30)) + agent.GetVelocity();
        EXPECT_NEAR(wish.length(), 1.0f, 1e-5f);
        EXPECT_GE(wish.dotProduct(Ogre::Vector3::UNIT_X), std::cos(Ogre::Degree(30).valueRadians()) - 1e-5f);
        varied = varied || !wish.positionEquals(first, 1e-4f);
    }
    EXPECT_TRUE(varied);
}

TEST(SteerableTest, GroupBehavioursAreZeroForAnyList)
{
    Steerable agent;
    agent.UpdateVelocity(Ogre::Vector3(1, 2, 3));
    std::vector<Entity*> none, some(3, nullptr);
    for (const std::vector<Entity*>* list : {&none, &some})
    {
        EXPECT_EQ(agent.AvoidEntities(*list), Ogre::Vector3::ZERO);
        EXPECT_EQ(agent.Separation(*list), Ogre::Vector3::ZERO);
        EXPECT_EQ(agent.Alignment(*list), Ogre::Vector3::ZERO);
        EXPECT_EQ(agent.Cohesion(*list), Ogre::Vector3::ZERO);
    }
}

TEST_F(SteeringSceneTest, AvoidEntityStepsSidewaysAwayOnlyWithinTheEntitysReach)
{
    Steerable agent;   // facing -Z, so its right is +X and UNIT_Y x facing is -X
    agent.UpdateVelocity(Ogre::Vector3(0, 0, -0.5f));
    // Half size (0.5, 0.5, 0.5): reach squared 1.5.
    const boost::shared_ptr<Entity> left = Place(Ogre::Vector3(-0.5f, 0, -0.5f));
    ExpectVector(agent.AvoidEntity(*left), Ogre::Vector3(1, 0, 0.5f));
    const boost::shared_ptr<Entity> right = Place(Ogre::Vector3(0.5f, 0, -0.5f));
    ExpectVector(agent.AvoidEntity(*right), Ogre::Vector3(-1, 0, 0.5f));
    // Dead ahead the dot product is 0: it steers towards UNIT_Y x facing.
    const boost::shared_ptr<Entity> ahead = Place(Ogre::Vector3(0, 0, -1));
    ExpectVector(agent.AvoidEntity(*ahead), Ogre::Vector3(-1, 0, 0.5f));

    const boost::shared_ptr<Entity> far = Place(Ogre::Vector3(-1.3f, 0, 0));   // 1.69 > 1.5
    EXPECT_EQ(agent.AvoidEntity(*far), Ogre::Vector3::ZERO);
    const boost::shared_ptr<Entity> big = Place(Ogre::Vector3(-1.3f, 0, 0), Ogre::Vector3(1.0f));
    ExpectVector(agent.AvoidEntity(*big), Ogre::Vector3(1, 0, 0.5f));
}

TEST_F(SteeringSceneTest, NeighboursAreFoundStrictlyInsideTheRadiusGroupByGroupAndAppended)
{
    ProximityDatabase database;
    const boost::shared_ptr<Entity> near = Place(Ogre::Vector3(1, 0, 0));
    const boost::shared_ptr<Entity> edge = Place(Ogre::Vector3(0, 0, 2));      // exactly on the sphere
    const boost::shared_ptr<Entity> inside = Place(Ogre::Vector3(0, 1.5f, 0));
    const boost::shared_ptr<Entity> outside = Place(Ogre::Vector3(5, 0, 0));
    database.AddEntity(inside.get(), 7);
    database.AddEntity(near.get(), 2);
    database.AddEntity(edge.get(), 2);
    database.AddEntity(outside.get(), 2);
    database.AddEntity(near.get(), 7);

    Entity* marker = outside.get();
    ProximityDatabase::EntityList found{marker};
    database.FindNeighbors(Ogre::Vector3::ZERO, 2.0f, found);
    EXPECT_EQ(found, (ProximityDatabase::EntityList{marker, near.get(), inside.get(), near.get()}));

    found.clear();
    database.FindNeighborsByGroup(Ogre::Vector3::ZERO, 2.0f, found, 2);
    EXPECT_EQ(found, ProximityDatabase::EntityList{near.get()});
    database.FindNeighborsByGroup(Ogre::Vector3::ZERO, 100.0f, found, 3);
    EXPECT_EQ(found, ProximityDatabase::EntityList{near.get()});

    // Copies hold their own lists.
    ProximityDatabase copy = database;
    copy.RemoveEntity(near.get(), 7);
    found.clear();
    database.FindNeighborsByGroup(Ogre::Vector3::ZERO, 2.0f, found, 7);
    EXPECT_EQ(found.size(), 2u);
}

TEST_F(SteeringSceneTest, RemovingTakesTheFirstOccurrenceOnlyAndIgnoresWhatIsNotThere)
{
    ProximityDatabase database;
    const boost::shared_ptr<Entity> a = Place(Ogre::Vector3(1, 0, 0));
    const boost::shared_ptr<Entity> b = Place(Ogre::Vector3(0, 1, 0));
    database.AddEntity(a.get(), 1);
    database.AddEntity(b.get(), 1);
    database.AddEntity(a.get(), 1);
    database.RemoveEntity(a.get(), 1);
    database.RemoveEntity(a.get(), 9);
    database.RemoveEntity(nullptr, 1);
    EXPECT_EQ(database.GetGroups().at(1), (ProximityDatabase::EntityList{b.get(), a.get()}));
    database.RemoveEntity(a.get(), 1);
    database.RemoveEntity(b.get(), 1);
    ASSERT_EQ(database.GetGroups().count(1), 1u);   // an emptied group stays
    EXPECT_TRUE(database.GetGroups().at(1).empty());
}
