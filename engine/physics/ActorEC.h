#pragma once
#include <string>

#include <boost/shared_ptr.hpp>
#include <OgreVector.h>

#include "engine/scene/IEntityComponent.h"

namespace Engine
{
    class SimulationActor;

    /// The "Actor" component: makes its entity a walking character (a capsule sized from the
    /// entity's bounds) while loaded. Reads no attributes.
    class ActorEC : public IEntityComponent
    {
    public:
        /// Creates the character in the world; its physics actor stands for the owner.
        void Load(Scene& scene, EntityTemplate& tmpl) override;
        /// Detaches the character from the owner and lets it go.
        void Unload(Scene& scene) override;
        std::string GetId() override;
        LoadStatus CheckLoadStatus(Entity& entity) override;
        void Update(float seconds) override;
        bool IsAffector() const override;

        /// Empty before Load and after Unload.
        boost::shared_ptr<SimulationActor> GetActor() const { return actor; }
        /// Adds a world-space displacement to the character's next move.
        void Move(const Ogre::Vector3& displacement);
        /// Adds a displacement in the character's own frame to its next move.
        void MoveLocal(const Ogre::Vector3& displacement);

    private:
        boost::shared_ptr<SimulationActor> actor;
    };
}
