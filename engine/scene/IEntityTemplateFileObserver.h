#pragma once
#include <string>

namespace Engine
{
    class EntityTemplateManager;

    /// Told when a template manager loads, drops or changes a template file.
    class IEntityTemplateFileObserver
    {
    public:
        virtual ~IEntityTemplateFileObserver() = default;
        virtual void OnFileAdded(EntityTemplateManager* manager, const std::string& fileName) = 0;
        virtual void OnFileRemoved(EntityTemplateManager* manager, const std::string& fileName) = 0;
        virtual void OnFileChanged(EntityTemplateManager* manager, const std::string& fileName) = 0;
    };
}
