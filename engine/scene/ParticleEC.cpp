#include "engine/scene/ParticleEC.h"
#include "engine/scene/ComponentErrors.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/Scene.h"
#include "engine/core/Error.h"

#include <OgreParticleSystem.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

namespace Engine
{
    namespace
    {
        const char* const loadWhere = "Engine::ParticleEC::Load";
    }

    ParticleEC::ParticleEC() : particleSystem(nullptr)
    {
    }

    ParticleEC::~ParticleEC() = default;

    std::string ParticleEC::GetId()
    {
        return "Particle";
    }

    LoadStatus ParticleEC::CheckLoadStatus(Entity&)
    {
        return Ready;
    }

    void ParticleEC::Update(float)
    {
    }

    void ParticleEC::Load(Scene& scene, EntityTemplate& tmpl)
    {
        RequireAttribute(loadWhere, *this, tmpl, "Source");
        const std::string source = tmpl.GetAttribute<std::string>("Source");
        Entity* owner = GetOwner();
        try
        {
            particleSystem = scene.GetSceneManager()->createParticleSystem(source + owner->GetName(), source);
        }
        catch (const Ogre::Exception&)
        {
            ThrowError(loadWhere, OwnerType(*this) + " component 'Particle': error loading particle system template '" +
                                      source + "'");
        }
        owner->GetSceneNode()->attachObject(particleSystem);
    }

    void ParticleEC::Unload(Scene& scene)
    {
        if (!particleSystem)
            return;
        if (particleSystem->isAttached())
            particleSystem->detachFromParent();
        if (Ogre::SceneManager* manager = scene.GetSceneManager())
            manager->destroyParticleSystem(particleSystem);
        particleSystem = nullptr;
    }
}
