#pragma once
#include "engine/physics/sdk/PhysicsReports.h"

namespace Engine
{
    /// Turns touch reports between two actors into CONTACT_START and CONTACT_END events, one to
    /// each entity (origin: the receiver, target: the other one). Pairs where either side stands
    /// for no live entity post nothing.
    class SimulationContactReport : public IContactReport
    {
    public:
        void OnContactNotify(PhysicsActor& actor0, PhysicsActor& actor1, unsigned events) override;
    };
}
