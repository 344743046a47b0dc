#pragma once
#include "engine/physics/sdk/PhysicsReports.h"

namespace Engine
{
    /// Turns trigger crossings into SENSOR_ENTER and SENSOR_LEAVE events for the entity that owns
    /// the sensor (origin: that entity, target: the one that crossed). The crossing entity is not
    /// told; sensors do not report each other; crossings where either side stands for no live
    /// entity post nothing.
    class SimulationSensorReport : public ITriggerReport
    {
    public:
        void OnTrigger(PhysicsShape& triggerShape, PhysicsShape& otherShape, unsigned status) override;
    };
}
