#pragma once
#include <string>

#include <boost/weak_ptr.hpp>

#include "engine/scene/IEntityComponent.h"

namespace Engine
{
    class SimulationActor;
    class SimulationEntity;

    /// The "BoxSensor" component: a trigger box on the entity's rigid body (or, without one, on
    /// its character) whose crossings become SENSOR_ENTER and SENSOR_LEAVE events of the entity.
    /// It waits until the entity has its body or character. Attributes: "Size" (vector, full
    /// edge lengths; required), "Position" (vector, zero) and "Orientation" (quaternion,
    /// identity), both in the body's or character's frame.
    ///
    /// The box stays on the body or character until that itself goes.
    class BoxSensorEC : public IEntityComponent
    {
    public:
        void Load(Scene& scene, EntityTemplate& tmpl) override;
        void Unload(Scene& scene) override;
        std::string GetId() override;
        /// NotReady until the entity has a "Body" (or "Actor") component.
        LoadStatus CheckLoadStatus(Entity& entity) override;
        void Update(float seconds) override;
        bool IsAffector() const override;

        /// While set, sensors loaded from then on draw a debug line through their box.
        static void Visualize(bool visualize);

    private:
        boost::weak_ptr<SimulationActor> actor;
        boost::weak_ptr<SimulationEntity> body;
        bool lineDrawn = false;

        static bool visualize_;
    };
}
