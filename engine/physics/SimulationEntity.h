#pragma once
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <OgreAxisAlignedBox.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

namespace Ogre { class Entity; class SceneNode; }

namespace Engine
{
    class Entity;
    class PhysicsActor;
    class Simulation;

    /// One rigid body of the physics world, built from the bounding box (or the mesh) of an
    /// entity and kept in step with the entity's scene node: the world pushes the node's pose
    /// into the body before each step (PreStep) and copies the body's pose back after it
    /// (PostStep). Registers itself with the world on construction and leaves it on destruction.
    ///
    /// Group and material id are the engine's own tags: they change nothing in the collisions.
    /// A body kept after its entity has gone keeps its own pose (the node went with the entity).
    /// Nothing here may be called while the world is stepping.
    class SimulationEntity
    {
    public:
        enum Shape { BOX = 0, CAPSULE = 1, CONVEX = 2, SPHERE = 3 };
        enum TransformSpace { GLOBAL = 0, LOCAL = 1 };
        enum BodyFlag
        {
            DISABLE_GRAVITY = 0,
            FROZEN_POS_X = 1,
            FROZEN_POS_Y = 2,
            FROZEN_POS_Z = 3,
            FROZEN_POS = 4,
            FROZEN_ROT_X = 5,
            FROZEN_ROT_Y = 6,
            FROZEN_ROT_Z = 7,
            FROZEN_ROT = 8,
            FROZEN = 9,
            KINEMATIC = 10
        };

        /// Builds the body at the node's world pose. `isStatic` is read by its lowest bit: a static
        /// body never moves and ignores forces. CONVEX needs a mesh on the entity (the "Mesh"
        /// component) and throws Engine::Exception without one, leaving nothing behind.
        SimulationEntity(boost::shared_ptr<Simulation> world, Entity& entity, Shape shape, double density,
                         int isStatic);
        ~SimulationEntity();
        SimulationEntity(const SimulationEntity&) = delete;
        SimulationEntity& operator=(const SimulationEntity&) = delete;

        /// Node pose into the body (when the node moved since the last sync).
        void PreStep();
        /// Body pose into the node.
        void PostStep();

        /// GLOBAL: the vector is in world space; LOCAL: in the body's frame. Forces act over the
        /// next step, impulses at once; both wake the body.
        void AddForce(const Ogre::Vector3& force, TransformSpace space);
        void AddImpulse(const Ogre::Vector3& impulse, TransformSpace space);
        /// The vector is always in world space; the point is in world space (GLOBAL) or in the
        /// body's frame (LOCAL). Any other space does nothing.
        void AddForceAtPos(const Ogre::Vector3& force, const Ogre::Vector3& pos, TransformSpace space);
        void AddImpulseAtPos(const Ogre::Vector3& impulse, const Ogre::Vector3& pos, TransformSpace space);

        void SetLinearDampening(float damping);
        void SetAngularDampening(float damping);

        /// Moves node and body at once.
        void SetPosition(const Ogre::Vector3& position);
        void SetOrientation(const Ogre::Quaternion& orientation);
        /// The node's pose (equal to the body's between PostStep and the next PreStep).
        const Ogre::Vector3& GetPosition() const;
        const Ogre::Quaternion& GetOrientation() const;

        Ogre::Vector3 GetLinearMomentum() const;

        /// Values outside the enumeration are handed to the physics layer as raw flag bits.
        void EnableBodyFlag(BodyFlag flag);
        void DisableBodyFlag(BodyFlag flag);

        void SetGroup(int group) { this->group = group; }
        int GetGroup() const { return group; }
        void SetMaterialID(int id) { materialId = id; }
        int GetMaterialID() const { return materialId; }
        bool IsStatic() const { return isStatic; }

        /// The address of the owner's boost::weak_ptr<Entity>, or null: how physics results find
        /// the entity.
        void SetUserData(void* data);
        void* GetUserData();

        PhysicsActor* GetNxActor() const { return actor; }
        boost::shared_ptr<Simulation> GetSimulation() const { return world; }

        /// Adds a trigger box (full edge lengths `size`) at a pose in the body's frame; ray casts
        /// pass through it. Its crossings become sensor events of the body's entity.
        void CreateBoxSensor(const Ogre::Vector3& size, const Ogre::Vector3& position,
                             const Ogre::Quaternion& orientation);

        /// World bounds of the body's shapes (trigger boxes left out when asked). With no shape
        /// counted the box runs from +FLT_MAX to -FLT_MAX.
        Ogre::AxisAlignedBox GetAABB(bool excludeTriggers);

    private:
        /// The layer's bits for a flag.
        static unsigned ToLayerFlags(BodyFlag flag);
        /// The entity's node, or null once the entity (and with it the node) is gone.
        Ogre::SceneNode* Node() const { return owner.expired() ? nullptr : node; }

        int group = -1;
        int materialId = -1;
        bool isStatic;
        Ogre::SceneNode* node;
        boost::weak_ptr<Entity> owner;
        PhysicsActor* actor = nullptr;              ///< owned through the world's scene
        boost::shared_ptr<Simulation> world;
        // The node pose last exchanged with the body: PreStep only moves the body when the node
        // has been moved since, so that resting bodies are left asleep. Without a node, the pose.
        Ogre::Vector3 syncedPosition;
        Ogre::Quaternion syncedOrientation;
    };

    namespace Detail
    {
        /// The render entity of an entity's "Mesh" component (hung under the entity's node), or
        /// null when the entity has none.
        Ogre::Entity* MeshOf(Entity& entity);
    }
}
