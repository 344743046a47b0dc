#include "engine/physics/SimulationEntity.h"

#include <algorithm>
#include <cfloat>

#include <OgreEntity.h>
#include <OgreSceneNode.h>
#include <OgreStringConverter.h>

#include "engine/core/Error.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/physics/sdk/PhysicsShape.h"
#include "engine/scene/Entity.h"

namespace Engine
{
    namespace Detail
    {
        /// A convex shape made from the hull of the entity's mesh (the render entity its "Mesh"
        /// component hangs under the entity's node), cooked through the world's cache.
        Ogre::Entity* MeshOf(Entity& entity)
        {
            Ogre::SceneNode* node = entity.GetSceneNode();
            if (!entity.HasComponent("Mesh") || !node)
                return nullptr;
            for (unsigned short i = 0; i < node->numAttachedObjects(); ++i)
            {
                if (Ogre::Entity* mesh = dynamic_cast<Ogre::Entity*>(node->getAttachedObject(i)))
                    return mesh;
            }
            return nullptr;
        }

        ShapeDesc ConvexDescFromEntity(Simulation& world, Entity& entity)
        {
            Ogre::Entity* mesh = MeshOf(entity);
            if (!mesh)
                ThrowError("Engine::Detail::ConvexDescFromEntity",
                           "Can't extract a convex shape from an entity with no mesh");
            ShapeDesc desc;
            desc.type = ShapeType::CONVEX;
            desc.convexMesh = world.ConvexFromMesh(mesh->getMesh().get());
            return desc;
        }
    }

    namespace
    {
        /// The shapes of a body of the given kind, from the entity's bounds or mesh.
        std::vector<ShapeDesc> ShapesFor(Simulation& world, Entity& entity, SimulationEntity::Shape shape)
        {
            const Ogre::AxisAlignedBox& bounds = entity.GetBoundingBox();
            const Ogre::Vector3 size = bounds.getSize();
            const Ogre::Vector3 centre = bounds.getCenter();
            ShapeDesc desc;
            desc.localPose.position = centre;
            switch (shape)
            {
            case SimulationEntity::BOX:
                desc.type = ShapeType::BOX;
                desc.dimensions = size / 2;
                break;
            case SimulationEntity::CAPSULE:
                desc.type = ShapeType::CAPSULE;
                desc.radius = std::max(size.x, size.z) / 2;
                desc.height = std::max(size.y - 2 * desc.radius, 0.0f);
                break;
            case SimulationEntity::SPHERE:
                desc.type = ShapeType::SPHERE;
                desc.radius = std::max(std::max(size.x, size.y), size.z) / 2;
                break;
            case SimulationEntity::CONVEX:
                desc = Detail::ConvexDescFromEntity(world, entity);
                break;
            default:
                return std::vector<ShapeDesc>();
            }
            return std::vector<ShapeDesc>(1, desc);
        }
    }

    SimulationEntity::SimulationEntity(boost::shared_ptr<Simulation> world, Entity& entity, Shape shape,
                                       double density, int isStatic)
        : isStatic((isStatic & 1) != 0), node(entity.GetSceneNode()), owner(entity.GetInternalWeakPtr()), world(world)
    {
        const char* where = "Engine::SimulationEntity::SimulationEntity";
        if (!world)
            ThrowError(where, "No physics world to put the body of '" + entity.GetName() + "' into");

        ActorDesc desc;
        desc.shapes = ShapesFor(*world, entity, shape);
        desc.globalPose.position = node->_getDerivedPosition();
        desc.globalPose.orientation = node->_getDerivedOrientation();
        desc.density = static_cast<float>(density);
        BodyDesc body;
        body.linearDamping = 0.0f;
        body.angularDamping = 5.0f;
        if (!this->isStatic)
            desc.body = &body;

        actor = world->GetNxScene()->CreateActor(desc);
        if (!actor)
            ThrowError(where, "Can't build a body for entity '" + entity.GetName() + "'");
        syncedPosition = node->getPosition();
        syncedOrientation = node->getOrientation();
        world->AddEntity(this);
    }

    SimulationEntity::~SimulationEntity()
    {
        // A world that was reset since took the body's actor down with its old scene, and
        // forgot the body.
        if (world->HasEntity(this))
        {
            actor->GetScene().ReleaseActor(*actor);
            world->RemoveEntity(this);
        }
        actor = nullptr;
        world.reset();
    }

    void SimulationEntity::PreStep()
    {
        Ogre::SceneNode* node = Node();
        if (!node)
            return;
        const Ogre::Vector3& position = node->getPosition();
        const Ogre::Quaternion& orientation = node->getOrientation();
        if (position == syncedPosition && orientation == syncedOrientation)
            return;
        Pose pose;
        pose.position = node->_getDerivedPosition();
        pose.orientation = node->_getDerivedOrientation();
        actor->SetGlobalPose(pose);
        syncedPosition = position;
        syncedOrientation = orientation;
    }

    void SimulationEntity::PostStep()
    {
        const Pose pose = actor->GetGlobalPose();
        Ogre::SceneNode* node = Node();
        if (!node)
        {
            syncedPosition = pose.position;
            syncedOrientation = pose.orientation;
            return;
        }
        node->setPosition(pose.position);
        node->setOrientation(pose.orientation);
        syncedPosition = node->getPosition();
        syncedOrientation = node->getOrientation();
    }

    void SimulationEntity::AddForce(const Ogre::Vector3& force, TransformSpace space)
    {
        if (space == GLOBAL)
            actor->AddForce(force, ForceMode::FORCE);
        else
            actor->AddLocalForce(force, ForceMode::FORCE);
    }

    void SimulationEntity::AddImpulse(const Ogre::Vector3& impulse, TransformSpace space)
    {
        if (space == GLOBAL)
            actor->AddForce(impulse, ForceMode::IMPULSE);
        else if (space == LOCAL)
            actor->AddLocalForce(impulse, ForceMode::IMPULSE);
    }

    void SimulationEntity::AddForceAtPos(const Ogre::Vector3& force, const Ogre::Vector3& pos, TransformSpace space)
    {
        if (space == GLOBAL)
            actor->AddForceAtPos(force, pos, ForceMode::FORCE);
        else if (space == LOCAL)
            actor->AddForceAtLocalPos(force, pos, ForceMode::FORCE);
    }

    void SimulationEntity::AddImpulseAtPos(const Ogre::Vector3& impulse, const Ogre::Vector3& pos, TransformSpace space)
    {
        if (space == GLOBAL)
            actor->AddForceAtPos(impulse, pos, ForceMode::IMPULSE);
        else if (space == LOCAL)
            actor->AddForceAtLocalPos(impulse, pos, ForceMode::IMPULSE);
    }

    void SimulationEntity::SetLinearDampening(float damping)
    {
        actor->SetLinearDamping(damping);
    }

    void SimulationEntity::SetAngularDampening(float damping)
    {
        actor->SetAngularDamping(damping);
    }

    void SimulationEntity::SetPosition(const Ogre::Vector3& position)
    {
        if (Ogre::SceneNode* node = Node())
            node->setPosition(position);
        actor->SetGlobalPosition(position);
        syncedPosition = position;
    }

    void SimulationEntity::SetOrientation(const Ogre::Quaternion& orientation)
    {
        Ogre::SceneNode* node = Node();
        if (node)
            node->setOrientation(orientation);
        actor->SetGlobalOrientation(orientation);
        syncedOrientation = node ? node->getOrientation() : orientation;
    }

    const Ogre::Vector3& SimulationEntity::GetPosition() const
    {
        Ogre::SceneNode* node = Node();
        return node ? node->getPosition() : syncedPosition;
    }

    const Ogre::Quaternion& SimulationEntity::GetOrientation() const
    {
        Ogre::SceneNode* node = Node();
        return node ? node->getOrientation() : syncedOrientation;
    }

    Ogre::Vector3 SimulationEntity::GetLinearMomentum() const
    {
        return actor->GetLinearMomentum();
    }

    unsigned SimulationEntity::ToLayerFlags(BodyFlag flag)
    {
        static const unsigned bits[] = {
            Engine::BodyFlag::DISABLE_GRAVITY, Engine::BodyFlag::FROZEN_POS_X, Engine::BodyFlag::FROZEN_POS_Y,
            Engine::BodyFlag::FROZEN_POS_Z, Engine::BodyFlag::FROZEN_POS, Engine::BodyFlag::FROZEN_ROT_X,
            Engine::BodyFlag::FROZEN_ROT_Y, Engine::BodyFlag::FROZEN_ROT_Z, Engine::BodyFlag::FROZEN_ROT,
            Engine::BodyFlag::FROZEN, Engine::BodyFlag::KINEMATIC};
        const unsigned index = static_cast<unsigned>(flag);
        return index < sizeof bits / sizeof bits[0] ? bits[index] : index;
    }

    void SimulationEntity::EnableBodyFlag(BodyFlag flag)
    {
        actor->RaiseBodyFlag(ToLayerFlags(flag));
    }

    void SimulationEntity::DisableBodyFlag(BodyFlag flag)
    {
        actor->ClearBodyFlag(ToLayerFlags(flag));
    }

    void SimulationEntity::SetUserData(void* data)
    {
        actor->SetUserData(data);
    }

    void* SimulationEntity::GetUserData()
    {
        return actor->GetUserData();
    }

    void SimulationEntity::CreateBoxSensor(const Ogre::Vector3& size, const Ogre::Vector3& position,
                                           const Ogre::Quaternion& orientation)
    {
        ShapeDesc desc;
        desc.type = ShapeType::BOX;
        desc.dimensions = size / 2;
        desc.localPose.position = position;
        desc.localPose.orientation = orientation;
        desc.flags = ShapeFlag::TRIGGER_ENABLE | ShapeFlag::VISUALIZATION | ShapeFlag::DISABLE_RAYCASTING;
        if (!actor->CreateShape(desc))
            ThrowError("Engine::SimulationEntity::CreateBoxSensor", "Can't make a sensor box of size " +
                       Ogre::StringConverter::toString(size));
    }

    Ogre::AxisAlignedBox SimulationEntity::GetAABB(bool excludeTriggers)
    {
        Ogre::Vector3 minimum(FLT_MAX), maximum(-FLT_MAX);
        for (const PhysicsShape* shape : actor->GetShapes())
        {
            if (excludeTriggers && shape->IsTrigger())
                continue;
            const Ogre::AxisAlignedBox bounds = shape->GetWorldBounds();
            minimum.makeFloor(bounds.getMinimum());
            maximum.makeCeil(bounds.getMaximum());
        }
        // Set corner by corner: setExtents would refuse the inverted box of an empty merge.
        Ogre::AxisAlignedBox box;
        box.setMinimum(minimum);
        box.setMaximum(maximum);
        return box;
    }
}
