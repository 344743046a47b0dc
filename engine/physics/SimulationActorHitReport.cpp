#include "engine/physics/SimulationActorHitReport.h"

#include <boost/make_shared.hpp>

#include "engine/logic/Event.h"
#include "engine/logic/EventQueue.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsController.h"
#include "engine/physics/sdk/PhysicsShape.h"
#include "engine/scene/Entity.h"

namespace Engine
{
    void SimulationActorHitReport::OnShapeHit(const ControllerShapeHit& hit)
    {
        PhysicsActor& hitActor = hit.shape->GetActor();
        // Only a push from the side: a character standing on a crate does not press it down.
        if (hitActor.IsDynamic() && !hitActor.IsKinematic() && hit.direction.y == 0.0f)
            hitActor.AddForce(hit.direction * (hitActor.GetMass() * hit.length), ForceMode::IMPULSE, true);

        const boost::shared_ptr<Entity> character = Simulation::GetEntityOf(*hit.controller->GetActor());
        const boost::shared_ptr<Entity> other = Simulation::GetEntityOf(hitActor);
        if (!character || !other)
            return;
        character->GetEventQueue().PostEvent(HIT_ENTITY, boost::make_shared<Event>(character, other));
        other->GetEventQueue().PostEvent(HIT_ACTOR, boost::make_shared<Event>(other, character));
    }

    void SimulationActorHitReport::OnControllerHit(const ControllersHit& hit)
    {
        const boost::shared_ptr<Entity> character = Simulation::GetEntityOf(*hit.controller->GetActor());
        const boost::shared_ptr<Entity> other = Simulation::GetEntityOf(*hit.other->GetActor());
        if (!character || !other)
            return;
        character->GetEventQueue().PostEvent(HIT_ACTOR, boost::make_shared<Event>(character, other));
    }
}
