#pragma once
#include <string>

#include <boost/shared_ptr.hpp>

#include "engine/scene/Factory.h"
#include "engine/scene/IEntityComponent.h"

namespace Engine
{
    /// The one factory of entity components, keyed by component type name ("Mesh", "Body" ...).
    /// The engine's own component types are registered on first use; programs may register
    /// more under new keys.
    class EntityComponentFactory
        : public Factory<IEntityComponent, std::string, boost::shared_ptr<IEntityComponent> >
    {
    public:
        static EntityComponentFactory& GetSingleton();

    protected:
        EntityComponentFactory();
    };
}
