#pragma once
#include <string>

#include <boost/weak_ptr.hpp>

#include "engine/scene/LoadStatus.h"

namespace Engine
{
    class Entity;
    class EntityTemplate;
    class Scene;

    /// Base of every entity component (meshes, lights, bodies, controllers ...). The entity
    /// creates components through the EntityComponentFactory when it is enabled, loads them
    /// from their template element and unloads them when it is disabled or rebuilt.
    ///
    /// Unload must remove whatever exists of the component's objects: the entity also calls it
    /// after a Load that threw part-way, so that a failed enable leaves nothing behind.
    class IEntityComponent
    {
    public:
        IEntityComponent();
        virtual ~IEntityComponent();

        /// Creates the component's scene, physics or logic objects. `tmpl` holds the
        /// component's own attributes as its template attributes.
        virtual void Load(Scene& scene, EntityTemplate& tmpl) = 0;
        virtual void Unload(Scene& scene) = 0;
        /// The component type name under which it is registered ("Mesh", "Body" ...).
        virtual std::string GetId() = 0;
        /// NotReady while a component this one needs is still missing from the entity.
        virtual LoadStatus CheckLoadStatus(Entity& entity) = 0;
        virtual void Update(float seconds) = 0;
        /// True for components that move the entity or its bounds; they load after all others.
        virtual bool IsAffector() const;

        virtual void SetOwner(boost::weak_ptr<Entity> owner);
        /// The owner as it was at SetOwner (non-owning; null before).
        virtual Entity* GetOwner() const;
        virtual boost::weak_ptr<Entity>& GetOwnerWeakPtr();

    private:
        boost::weak_ptr<Entity> owner;
        Entity* ownerRaw;
    };
}
