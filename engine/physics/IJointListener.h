#pragma once

namespace Engine
{
    class PhysicsJoint;

    /// Told when a joint it owns breaks; the joint's user data points at it.
    class IJointListener
    {
    public:
        virtual ~IJointListener() = default;
        /// True lets the physics layer release the broken joint right after the call.
        virtual bool OnJointBreak(float breakingImpulse, PhysicsJoint& joint) = 0;
    };
}
