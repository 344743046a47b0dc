#include "engine/physics/SimulationContactReport.h"

#include <boost/make_shared.hpp>

#include "engine/logic/Event.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/sdk/PhysicsTypes.h"
#include "engine/scene/Entity.h"

namespace Engine
{
    namespace
    {
        void PostBoth(Entity& first, Entity& second, int type)
        {
            first.GetEventQueue().PostEvent(
                type, boost::make_shared<Event>(first.GetInternalWeakPtr(), second.GetInternalWeakPtr()));
            second.GetEventQueue().PostEvent(
                type, boost::make_shared<Event>(second.GetInternalWeakPtr(), first.GetInternalWeakPtr()));
        }
    }

    void SimulationContactReport::OnContactNotify(PhysicsActor& actor0, PhysicsActor& actor1, unsigned events)
    {
        const boost::shared_ptr<Entity> first = Simulation::GetEntityOf(actor0);
        const boost::shared_ptr<Entity> second = Simulation::GetEntityOf(actor1);
        if (!first || !second)
            return;
        if (events & ContactPairFlag::NOTIFY_ON_START_TOUCH)
            PostBoth(*first, *second, CONTACT_START);
        if (events & ContactPairFlag::NOTIFY_ON_END_TOUCH)
            PostBoth(*first, *second, CONTACT_END);
    }
}
