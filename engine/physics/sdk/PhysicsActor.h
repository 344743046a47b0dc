#pragma once
#include <vector>

#include "engine/physics/sdk/PhysicsTypes.h"

class btRigidBody;
class btCollisionShape;

namespace Engine
{
    class PhysicsScene;
    class PhysicsShape;

    /// A rigid actor of a physics scene, made by PhysicsScene::CreateActor and owned by the scene
    /// (PhysicsScene::ReleaseActor frees it). Static actors have no body; dynamic ones move under
    /// forces, kinematic ones (BodyFlag::KINEMATIC) only where their pose is set. The actor owns
    /// its shapes. No call may be made while its scene is simulating.
    class PhysicsActor
    {
    public:
        PhysicsScene& GetScene() const { return scene; }

        void* GetUserData() const { return userData; }
        void SetUserData(void* data) { userData = data; }

        /// Actor group (0..31) looked up in the scene's group pair flags.
        unsigned GetGroup() const { return group; }
        void SetGroup(unsigned group);

        bool IsDynamic() const { return dynamic; }
        bool IsKinematic() const { return dynamic && (bodyFlags & BodyFlag::KINEMATIC); }

        Pose GetGlobalPose() const;
        Ogre::Vector3 GetGlobalPosition() const { return GetGlobalPose().position; }
        Ogre::Quaternion GetGlobalOrientation() const { return GetGlobalPose().orientation; }
        void SetGlobalPose(const Pose& pose);
        void SetGlobalPosition(const Ogre::Vector3& position);
        void SetGlobalOrientation(const Ogre::Quaternion& orientation);

        // Forces and impulses on dynamic, non-kinematic actors; others ignore them. "Local" vectors
        // and points are in the actor's frame. Forces act over the sub-steps of the next step
        // that advances time; impulses change the velocity at once.
        void AddForce(const Ogre::Vector3& force, ForceMode mode = ForceMode::FORCE, bool wakeUp = true);
        void AddLocalForce(const Ogre::Vector3& force, ForceMode mode = ForceMode::FORCE, bool wakeUp = true);
        void AddForceAtPos(const Ogre::Vector3& force, const Ogre::Vector3& position,
                           ForceMode mode = ForceMode::FORCE, bool wakeUp = true);
        void AddForceAtLocalPos(const Ogre::Vector3& force, const Ogre::Vector3& localPosition,
                                ForceMode mode = ForceMode::FORCE, bool wakeUp = true);
        void AddLocalForceAtPos(const Ogre::Vector3& localForce, const Ogre::Vector3& position,
                                ForceMode mode = ForceMode::FORCE, bool wakeUp = true);
        void AddLocalForceAtLocalPos(const Ogre::Vector3& localForce, const Ogre::Vector3& localPosition,
                                     ForceMode mode = ForceMode::FORCE, bool wakeUp = true);
        void AddTorque(const Ogre::Vector3& torque, ForceMode mode = ForceMode::FORCE, bool wakeUp = true);

        /// Damping coefficients per second (velocity falls as exp(-damping · t)).
        void SetLinearDamping(float damping);
        void SetAngularDamping(float damping);
        float GetLinearDamping() const { return linearDamping; }
        float GetAngularDamping() const { return angularDamping; }

        Ogre::Vector3 GetLinearVelocity() const;
        Ogre::Vector3 GetAngularVelocity() const;
        void SetLinearVelocity(const Ogre::Vector3& velocity);
        void SetAngularVelocity(const Ogre::Vector3& velocity);
        Ogre::Vector3 GetLinearMomentum() const { return GetLinearVelocity() * GetMass(); }

        void RaiseBodyFlag(unsigned flags);
        void ClearBodyFlag(unsigned flags);
        unsigned ReadBodyFlags() const { return bodyFlags; }

        /// Adds a shape (null and a warning when the description is unusable). The mass is kept;
        /// call UpdateMassFromShapes to recompute it.
        PhysicsShape* CreateShape(const ShapeDesc& desc);
        /// Every shape in the order of creation.
        const std::vector<PhysicsShape*>& GetShapes() const { return shapes; }

        /// 0 for static actors.
        float GetMass() const { return dynamic ? mass : 0.0f; }
        /// Recomputes mass and inertia: totalMass when > 0, else density times the solid shapes'
        /// volume when density > 0, else the shapes' own masses and densities.
        void UpdateMassFromShapes(float density, float totalMass);

        void WakeUp();
        void PutToSleep();
        bool IsSleeping() const;

        /// Creation order within the scene; orders reports.
        unsigned GetSerial() const { return serial; }

    private:
        friend class PhysicsScene;
        friend class PhysicsCapsuleController;
        friend class PhysicsShape;
        friend class PhysicsJoint;

        PhysicsActor(PhysicsScene& scene, const ActorDesc& desc, unsigned serial);
        ~PhysicsActor();
        PhysicsActor(const PhysicsActor&) = delete;
        PhysicsActor& operator=(const PhysicsActor&) = delete;

        /// Builds shapes and body from the description; throws Engine::Exception when unusable.
        void Build(const ActorDesc& desc);
        /// Rebuilds the collision shape of the body and the trigger objects after a change of
        /// shapes; keeps pose, velocities and mass.
        void RebuildCollision();
        void AddToWorld();
        void RemoveFromWorld();
        /// Mass and inertia into the body, honouring kinematic and frozen flags.
        void ApplyMassProperties();
        void ApplyBodyFlags();
        void ChangedBodyFlags(unsigned previous);
        /// Makes the trigger shape's own collision object and adds it to the world.
        void AddTriggerObject(PhysicsShape& shape);
        /// Chooses the body's collision shape (direct, compound or empty) and frame from the shapes.
        void SetUpCollision();
        /// The solid shape at a child index of the body's collision shape (-1: the only one).
        PhysicsShape* GetSolidShape(int childIndex) const;
        /// Moves the trigger objects to the actor's pose.
        void SyncTriggers();
        /// Applies the forces gathered since the last step to the body (one sub-step's worth).
        void ApplyPendingForces();
        bool HasPendingForces() const { return pendingForces; }
        void ClearPendingForces();
        float MassOfShapes(float density) const;

        PhysicsScene& scene;
        unsigned serial;
        void* userData = nullptr;
        unsigned group = 0;
        bool dynamic = false;
        unsigned bodyFlags = 0;
        float mass = 0.0f;
        float linearDamping = 0.0f;
        float angularDamping = 0.0f;

        std::vector<PhysicsShape*> shapes;           ///< owned
        std::vector<PhysicsShape*> solidShapes;      ///< in child order of the collision shape
        btRigidBody* body = nullptr;                 ///< owned
        btCollisionShape* compound = nullptr;        ///< owned when the body has several solid shapes
        btCollisionShape* empty = nullptr;           ///< owned when the body has no solid shape
        Pose bodyFrame;                              ///< the body's frame relative to the actor
        bool bodyFrameIdentity = true;

        Ogre::Vector3 pendingForce = Ogre::Vector3::ZERO;
        Ogre::Vector3 pendingTorque = Ogre::Vector3::ZERO;
        bool pendingForces = false;
        bool wasActive = true;
        bool inWorld = false;
        bool released = false;
    };
}
