#include "engine/scene/ComponentErrors.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/IEntityComponent.h"
#include "engine/core/Error.h"

namespace Engine
{
    std::string OwnerType(const IEntityComponent& component)
    {
        const Entity* owner = component.GetOwner();
        return owner ? owner->GetType() : std::string();
    }

    void RequireAttribute(const char* where, IEntityComponent& component, const EntityTemplate& tmpl,
                          const std::string& attribute)
    {
        if (!tmpl.HasAttribute(attribute))
            ThrowError(where, OwnerType(component) + " component '" + component.GetId() + "' has no attribute named '" +
                                  attribute + "'.");
    }

    void ThrowInvalidAttribute(const char* where, IEntityComponent& component, const std::string& attribute,
                               const std::string& value)
    {
        ThrowError(where, OwnerType(component) + " component '" + component.GetId() + "' attribute '" + attribute +
                              "' value '" + value + "' is invalid or not supported.");
    }
}
