#pragma once
#include "engine/physics/sdk/PhysicsReports.h"

namespace Engine
{
    /// Hands joint breaks to the joint's owner (an IJointListener in the joint's user data), which
    /// decides whether the joint is released; joints without an owner are released. Wake and
    /// sleep changes are of no interest to the engine.
    class SimulationUserNotify : public IPhysicsNotify
    {
    public:
        bool OnJointBreak(float breakingImpulse, PhysicsJoint& joint) override;
        void OnWake(PhysicsActor** actors, unsigned count) override;
        void OnSleep(PhysicsActor** actors, unsigned count) override;
    };
}
