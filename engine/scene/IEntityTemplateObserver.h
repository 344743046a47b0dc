#pragma once
#include <string>

namespace Engine
{
    class EntityTemplate;

    /// Told about changes of an entity template after they are made (entities watch their own).
    class IEntityTemplateObserver
    {
    public:
        virtual ~IEntityTemplateObserver() = default;
        virtual void OnAttributeChanged(EntityTemplate* tmpl, const std::string& attribute) = 0;
        virtual void OnComponentAttributeChanged(EntityTemplate* tmpl, const std::string& component,
                                                 const std::string& attribute) = 0;
        virtual void OnComponentAdded(EntityTemplate* tmpl, const std::string& component) = 0;
        virtual void OnComponentRemoved(EntityTemplate* tmpl, const std::string& component) = 0;
        /// The template is about to be dropped by its manager.
        virtual void OnTemplateDestroyed(EntityTemplate* tmpl) = 0;
    };
}
