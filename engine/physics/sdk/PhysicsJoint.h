#pragma once
#include "engine/physics/sdk/PhysicsTypes.h"

class btTypedConstraint;
struct btJointFeedback;

namespace Engine
{
    class PhysicsActor;
    class PhysicsScene;

    /// A fixed joint that holds two actors (or one actor and the world) in the relative pose they
    /// had when it was made, until the force or torque it must apply exceeds its limits. Made by
    /// PhysicsScene::CreateFixedJoint and owned by the scene. A broken joint has no effect; the
    /// scene's notify object decides whether it is released at once (IPhysicsNotify::OnJointBreak).
    class PhysicsJoint
    {
    public:
        PhysicsScene& GetScene() const { return scene; }
        /// The joined actors; null for the world, and once the actor has been released.
        PhysicsActor* GetActor0() const { return actor0; }
        PhysicsActor* GetActor1() const { return actor1; }
        void* GetUserData() const { return userData; }
        void SetUserData(void* data) { userData = data; }
        float GetMaxForce() const { return maxForce; }
        float GetMaxTorque() const { return maxTorque; }
        bool IsBroken() const { return broken; }
        unsigned GetSerial() const { return serial; }

    private:
        friend class PhysicsScene;
        PhysicsJoint(PhysicsScene& scene, const FixedJointDesc& desc, unsigned serial);
        ~PhysicsJoint();
        PhysicsJoint(const PhysicsJoint&) = delete;
        PhysicsJoint& operator=(const PhysicsJoint&) = delete;

        /// After a sub-step of `step` seconds: true (once) when the joint has just broken, with the
        /// impulse it carried in that sub-step.
        bool CheckBreak(float step, float& impulse);

        PhysicsScene& scene;
        unsigned serial;
        PhysicsActor* actor0;
        PhysicsActor* actor1;
        void* userData;
        float maxForce;
        float maxTorque;
        bool broken = false;
        bool released = false;
        bool inWorld = false;
        btTypedConstraint* constraint = nullptr;   ///< owned
        btJointFeedback* feedback = nullptr;       ///< owned
    };
}
