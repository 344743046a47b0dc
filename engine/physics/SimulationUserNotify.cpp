#include "engine/physics/SimulationUserNotify.h"

#include "engine/physics/IJointListener.h"
#include "engine/physics/sdk/PhysicsJoint.h"

namespace Engine
{
    bool SimulationUserNotify::OnJointBreak(float breakingImpulse, PhysicsJoint& joint)
    {
        IJointListener* listener = static_cast<IJointListener*>(joint.GetUserData());
        if (!listener)
            return true;
        return listener->OnJointBreak(breakingImpulse, joint);
    }

    void SimulationUserNotify::OnWake(PhysicsActor**, unsigned)
    {
    }

    void SimulationUserNotify::OnSleep(PhysicsActor**, unsigned)
    {
    }
}
