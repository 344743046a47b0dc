#pragma once
#include <utility>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include "engine/physics/IJointListener.h"

namespace Ogre
{
    class Bone;
    class Entity;
    class SceneNode;
}

namespace Engine
{
    class Entity;
    class PhysicsActor;
    class PhysicsController;
    class PhysicsJoint;
    class Simulation;
    class SimulationEntity;

    /// A walking character: an upright capsule controller sized from the entity's bounding box,
    /// moved by displacements. Moves are summed until the world issues them once per step, with
    /// its own vertical correction added; after the step the scene node follows the capsule.
    /// A character can carry bodies on breakable fixed joints, hold trigger boxes, be hidden
    /// from ray casts or from other characters, and build a ragdoll of capsules from a skeleton.
    class SimulationActor : public IJointListener
    {
    public:
        /// Only shape 0 (a capsule) exists; others throw Engine::Exception.
        SimulationActor(boost::shared_ptr<Simulation> world, Entity& entity, int shape);
        ~SimulationActor() override;
        SimulationActor(const SimulationActor&) = delete;
        SimulationActor& operator=(const SimulationActor&) = delete;

        /// Adds a world-space displacement to the next move.
        void Move(const Ogre::Vector3& displacement);
        /// Adds a displacement in the character's own frame (the node's orientation).
        void MoveLocal(const Ogre::Vector3& displacement);
        /// Moves the capsule by the displacements summed so far and forgets them.
        void IssueMove();
        /// True when the last move touched nothing below (also before the first move).
        bool IsInAir() const;
        unsigned GetCollisionFlags() const { return collisionFlags; }
        /// The displacement summed since the last IssueMove.
        const Ogre::Vector3& GetPendingMove() const { return pending; }

        /// The actor's orientation follows the node (called by the world before a step).
        void PreStep();
        /// The node follows the capsule (called by the world after a step).
        void PostStep();

        void EnableRaycasting();
        void DisableRaycasting();
        /// Collision on and other characters collide with this one.
        void EnableInteraction();
        /// Collision off and other characters pass through.
        void DisableInteraction();

        /// A trigger box of the given full size at a pose in the character's frame.
        void CreateBoxSensor(const Ogre::Vector3& size, const Ogre::Vector3& position, const Ogre::Quaternion& orientation);

        /// Holds `bodyActor` (the physics actor of `body`) fixed to the character where it is now;
        /// a breakForce > 0 lets the joint break above that force.
        void AttachFixed(PhysicsActor& bodyActor, boost::shared_ptr<SimulationEntity> body, float breakForce);
        /// The same for a rigid body (anything with GetNxActor(), a SimulationEntity in practice).
        template <class Body>
        void AttachFixed(boost::shared_ptr<Body> body, float breakForce)
        {
            AttachFixed(*body->GetNxActor(), body, breakForce);
        }
        void Detach(SimulationEntity* body);
        void DetachAll();
        unsigned GetNumAttachedEntities() const { return static_cast<unsigned>(attachments.size()); }
        /// Requires index < GetNumAttachedEntities().
        boost::shared_ptr<SimulationEntity> GetAttachedEntity(unsigned index) const;

        /// One dynamic capsule per bone of the mesh's skeleton, at the bone's pose relative to the
        /// mesh; replaces (and releases) the parts of an earlier ragdoll.
        void AutoBuildRagdoll(Ogre::Entity* mesh);
        unsigned GetNumRagdollParts() const { return static_cast<unsigned>(ragdoll.size()); }
        PhysicsActor* GetRagdollPart(unsigned index) const { return ragdoll[index].second; }
        /// With the detail body on, the capsule stops colliding and the ragdoll drives the bones.
        void SetUseDetailBody(bool use);
        bool GetUseDetailBody() const { return detailBody; }
        /// Soft bodies do not exist in this physics layer: does nothing.
        void AutoBuildSoftBody() {}

        /// User data of the capsule's physics actor (the owner's entity reference).
        void SetUserData(void* data);
        void* GetUserData();

        PhysicsController* GetController() const { return controller; }
        PhysicsActor* GetNxActor() const;
        const Ogre::Vector3& GetOffset() const { return offset; }

    protected:
        bool OnJointBreak(float breakingImpulse, PhysicsJoint& joint) override;

    private:
        void ReleaseRagdoll();
        /// False once a Reset of the world has freed the controller with the old scene.
        bool IsLive() const;

        Ogre::SceneNode* node;
        Ogre::Vector3 offset;
        Ogre::Vector3 pending = Ogre::Vector3::ZERO;
        PhysicsController* controller = nullptr;    ///< owned through the world's controller manager
        unsigned collisionFlags = 0;
        boost::shared_ptr<Simulation> world;
        std::vector<std::pair<PhysicsJoint*, boost::shared_ptr<SimulationEntity>>> attachments;
        std::vector<std::pair<Ogre::Bone*, PhysicsActor*>> ragdoll;
        bool detailBody = false;
    };
}
