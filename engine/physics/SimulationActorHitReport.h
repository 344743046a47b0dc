#pragma once
#include "engine/physics/sdk/PhysicsReports.h"

namespace Engine
{
    /// Turns the hits of character moves into events: a character that runs into an entity gets
    /// HIT_ENTITY and the entity HIT_ACTOR; a character that runs into another gets HIT_ACTOR.
    /// A sideways hit also pushes a loose body away with the momentum of the move.
    class SimulationActorHitReport : public IControllerHitReport
    {
    public:
        void OnShapeHit(const ControllerShapeHit& hit) override;
        void OnControllerHit(const ControllersHit& hit) override;
    };
}
