#include "engine/physics/SimulationSensorReport.h"

#include <boost/make_shared.hpp>

#include "engine/logic/Event.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsShape.h"
#include "engine/scene/Entity.h"

namespace Engine
{
    void SimulationSensorReport::OnTrigger(PhysicsShape& triggerShape, PhysicsShape& otherShape, unsigned status)
    {
        if (otherShape.IsTrigger())
            return;
        const boost::shared_ptr<Entity> owner = Simulation::GetEntityOf(triggerShape.GetActor());
        const boost::shared_ptr<Entity> other = Simulation::GetEntityOf(otherShape.GetActor());
        if (!owner || !other)
            return;
        int type;
        if (status & TriggerStatus::ENTER)
            type = SENSOR_ENTER;
        else if (status & TriggerStatus::LEAVE)
            type = SENSOR_LEAVE;
        else
            return;
        owner->GetEventQueue().PostEvent(
            type, boost::make_shared<Event>(owner->GetInternalWeakPtr(), other->GetInternalWeakPtr()));
    }
}
