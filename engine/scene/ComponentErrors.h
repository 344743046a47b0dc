#pragma once
#include <string>

namespace Engine
{
    class EntityTemplate;
    class IEntityComponent;

    // The messages every component gives about its template attributes. `where` is the
    // qualified Load operation, e.g. "Engine::MeshEC::Load"; the owner entity's type and the
    // component's id complete the text.

    /// Throws "<type> component '<id>' has no attribute named '<attribute>'." when the
    /// component's template lacks the attribute.
    void RequireAttribute(const char* where, IEntityComponent& component, const EntityTemplate& tmpl,
                          const std::string& attribute);

    /// Throws "<type> component '<id>' attribute '<attribute>' value '<value>' is invalid or
    /// not supported."
    [[noreturn]] void ThrowInvalidAttribute(const char* where, IEntityComponent& component,
                                            const std::string& attribute, const std::string& value);

    /// The owner entity's type, or "" when the component has no owner.
    std::string OwnerType(const IEntityComponent& component);
}
