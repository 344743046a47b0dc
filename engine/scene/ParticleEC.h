#pragma once
#include <string>

#include "engine/scene/IEntityComponent.h"

namespace Ogre { class ParticleSystem; }

namespace Engine
{
    /// "Particle": a particle system made from the particle template named by "Source",
    /// attached to the entity's node. The system belongs to the scene manager; Unload destroys it.
    class ParticleEC : public IEntityComponent
    {
    public:
        ParticleEC();
        ~ParticleEC() override;

        void Load(Scene& scene, EntityTemplate& tmpl) override;
        void Unload(Scene& scene) override;
        std::string GetId() override;
        LoadStatus CheckLoadStatus(Entity& entity) override;
        void Update(float seconds) override;

        /// Null when not loaded.
        Ogre::ParticleSystem* GetParticleSystem() const { return particleSystem; }

    private:
        ParticleEC(const ParticleEC&) = delete;
        ParticleEC& operator=(const ParticleEC&) = delete;

        Ogre::ParticleSystem* particleSystem;
    };
}
