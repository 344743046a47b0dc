#include "engine/physics/sdk/PhysicsShape.h"

#include <cmath>

#include <btBulletCollisionCommon.h>
#include <BulletCollision/CollisionShapes/btHeightfieldTerrainShape.h>
#include <BulletCollision/CollisionDispatch/btInternalEdgeUtility.h>
#include <BulletCollision/CollisionShapes/btTriangleInfoMap.h>
#include <LinearMath/btConvexHullComputer.h>
#include <OgreMath.h>

#include "engine/core/Error.h"
#include "engine/physics/sdk/BulletConversions.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsConvexMesh.h"
#include "engine/physics/sdk/PhysicsHeightField.h"

namespace Engine
{
    namespace
    {
        bool Positive(float v) { return std::isfinite(v) && v > 0.0f; }
    }

    PhysicsShape::PhysicsShape(PhysicsActor& actor, const ShapeDesc& shapeDesc, unsigned serial)
        : actor(actor), desc(shapeDesc), serial(serial), collisionShape(nullptr)
    {
        const char* where = "Engine::PhysicsShape::PhysicsShape";
        switch (desc.type)
        {
        case ShapeType::PLANE:
        {
            Ogre::Vector3 normal = desc.normal;
            if (normal.normalise() <= 0.0f)
                ThrowError(where, "A plane needs a normal");
            collisionShape = new btStaticPlaneShape(ToBtVector3(normal), desc.distance);
            break;
        }
        case ShapeType::SPHERE:
            if (!Positive(desc.radius))
                ThrowError(where, "A sphere needs a positive radius");
            collisionShape = new btSphereShape(desc.radius);
            break;
        case ShapeType::BOX:
            if (!Positive(desc.dimensions.x) || !Positive(desc.dimensions.y) || !Positive(desc.dimensions.z))
                ThrowError(where, "A box needs positive half extents");
            collisionShape = new btBoxShape(ToBtVector3(desc.dimensions));
            break;
        case ShapeType::CAPSULE:
            if (!Positive(desc.radius) || !std::isfinite(desc.height) || desc.height < 0.0f)
                ThrowError(where, "A capsule needs a positive radius and a height of at least 0");
            collisionShape = new btCapsuleShape(desc.radius, desc.height);
            break;
        case ShapeType::CONVEX:
        {
            if (!desc.convexMesh)
                ThrowError(where, "A convex shape needs a convex mesh");
            // Bullet keeps convex hulls apart by a margin around their points. The hull is
            // shrunk by that margin first so that its rounded outside is the mesh's own surface.
            const std::vector<Ogre::Vector3>& points = desc.convexMesh->GetPoints();
            const btScalar wantedMargin = desc.skinWidth >= 0.0f ? std::max(desc.skinWidth, 0.001f) : CONVEX_DISTANCE_MARGIN;
            btConvexHullComputer shrunk;
            const btScalar margin = shrunk.compute(&points[0].x, sizeof(Ogre::Vector3), static_cast<int>(points.size()),
                                                   wantedMargin, 0.25f);
            btConvexHullShape* hull = new btConvexHullShape();
            if (margin > 0.0f && shrunk.vertices.size() >= 4)
            {
                for (int i = 0; i < shrunk.vertices.size(); ++i)
                    hull->addPoint(shrunk.vertices[i], false);
                hull->setMargin(margin);
            }
            else
            {
                // Too thin to shrink: the points themselves with a hair of margin.
                for (const Ogre::Vector3& p : points)
                    hull->addPoint(ToBtVector3(p), false);
                hull->setMargin(0.001f);
            }
            hull->recalcLocalAabb();
            collisionShape = hull;
            ++desc.convexMesh->references;
            break;
        }
        case ShapeType::HEIGHT_FIELD:
        {
            PhysicsHeightField* field = desc.heightField;
            if (!field || field->GetRows() < 2 || field->GetColumns() < 2)
                ThrowError(where, "A height field shape needs a height field of at least 2 x 2 samples");
            if (!Positive(desc.rowScale) || !Positive(desc.columnScale))
                ThrowError(where, "A height field shape needs positive row and column scales");
            if (!std::isfinite(desc.heightScale))
                ThrowError(where, "A height field shape needs a finite height scale");
            // Bullet reads the samples in place with x (rows) fastest and puts the grid's centre
            // (half the sample range, half the height range) at the shape's origin.
            const btScalar minHeight = field->minHeight;
            const btScalar maxHeight = std::max<btScalar>(field->maxHeight, minHeight + 1);
            btHeightfieldTerrainShape* terrain = new btHeightfieldTerrainShape(
                static_cast<int>(field->GetRows()), static_cast<int>(field->GetColumns()), field->heights.data(),
                1.0f, minHeight, maxHeight, 1, PHY_SHORT, false);
            terrain->setLocalScaling(btVector3(desc.rowScale, desc.heightScale, desc.columnScale));
            // Bodies sliding or landing across two triangles must not catch on the edge between
            // them: contacts there are bent back to the surface's normal (see PhysicsScene).
            edgeInfo = new btTriangleInfoMap();
            btGenerateInternalEdgeInfo(terrain, edgeInfo);
            collisionShape = terrain;
            collisionOffset.position = Ogre::Vector3(
                0.5f * (field->GetRows() - 1) * desc.rowScale,
                0.5f * (minHeight + maxHeight) * desc.heightScale,
                0.5f * (field->GetColumns() - 1) * desc.columnScale);
            ++field->references;
            break;
        }
        }
        collisionShape->setUserPointer(this);
        if (desc.skinWidth >= 0.0f && desc.type != ShapeType::PLANE && desc.type != ShapeType::HEIGHT_FIELD &&
            desc.type != ShapeType::CONVEX)
            collisionShape->setMargin(std::max(desc.skinWidth, 0.001f));
    }

    PhysicsShape::~PhysicsShape()
    {
        delete triggerObject;
        delete collisionShape;
        delete edgeInfo;
        if (desc.type == ShapeType::CONVEX && desc.convexMesh)
            --desc.convexMesh->references;
        if (desc.type == ShapeType::HEIGHT_FIELD && desc.heightField)
            --desc.heightField->references;
    }

    void PhysicsShape::SetFlag(unsigned flag, bool value)
    {
        const bool wasTrigger = IsTrigger();
        desc.flags = value ? (desc.flags | flag) : (desc.flags & ~flag);
        if (wasTrigger != IsTrigger())
            actor.RebuildCollision();
    }

    Pose PhysicsShape::GetCollisionPose() const
    {
        Pose pose = desc.localPose;
        pose.position += pose.orientation * collisionOffset.position;
        pose.orientation = pose.orientation * collisionOffset.orientation;
        return pose;
    }

    Pose PhysicsShape::GetGlobalPose() const
    {
        const Pose actorPose = actor.GetGlobalPose();
        Pose pose;
        pose.position = actorPose.position + actorPose.orientation * desc.localPose.position;
        pose.orientation = actorPose.orientation * desc.localPose.orientation;
        return pose;
    }

    Ogre::AxisAlignedBox PhysicsShape::GetWorldBounds() const
    {
        const Pose actorPose = actor.GetGlobalPose();
        const btTransform world = ToBtTransform(actorPose) * ToBtTransform(GetCollisionPose());
        btVector3 minimum, maximum;
        collisionShape->getAabb(world, minimum, maximum);
        return Ogre::AxisAlignedBox(ToVector3(minimum), ToVector3(maximum));
    }

    float PhysicsShape::GetVolume() const
    {
        switch (desc.type)
        {
        case ShapeType::SPHERE:
            return 4.0f / 3.0f * Ogre::Math::PI * desc.radius * desc.radius * desc.radius;
        case ShapeType::BOX:
            return 8.0f * desc.dimensions.x * desc.dimensions.y * desc.dimensions.z;
        case ShapeType::CAPSULE:
            return Ogre::Math::PI * desc.radius * desc.radius * (desc.height + 4.0f / 3.0f * desc.radius);
        case ShapeType::CONVEX:
            return desc.convexMesh->GetVolume();
        case ShapeType::PLANE:
        case ShapeType::HEIGHT_FIELD:
            break;
        }
        return 0.0f;
    }
}
