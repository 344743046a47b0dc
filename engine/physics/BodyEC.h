#pragma once
#include <string>

#include <boost/shared_ptr.hpp>

#include "engine/scene/IEntityComponent.h"

namespace Engine
{
    class SimulationEntity;

    /// The "Body" component: gives its entity a rigid body of the physics world while loaded.
    /// Attributes: "Shape" ("Box", "Sphere", "Capsule" or "Convex"; required), "Static" (bool;
    /// required), "Group" (int, 0), "Density" (real, 2.0), "FreezeRot" (vector: a component > 0
    /// freezes rotation about that axis), "DisableGravity" (bool, false).
    class BodyEC : public IEntityComponent
    {
    public:
        ~BodyEC() override;

        void Load(Scene& scene, EntityTemplate& tmpl) override;
        /// Detaches the body from the entity and lets it go.
        void Unload(Scene& scene) override;
        std::string GetId() override;
        LoadStatus CheckLoadStatus(Entity& entity) override;
        void Update(float seconds) override;
        bool IsAffector() const override;

        /// Empty until loaded.
        boost::shared_ptr<SimulationEntity> GetSimulationEntity() const { return body; }

    private:
        /// Stops the body (possibly held elsewhere) from standing for the owner.
        void Release();

        boost::shared_ptr<SimulationEntity> body;
    };
}
