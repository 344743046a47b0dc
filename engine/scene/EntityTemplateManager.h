#pragma once
#include <map>
#include <string>

#include <boost/shared_ptr.hpp>

#include "engine/core/ObserverList.h"

namespace Engine
{
    class EntityTemplate;
    class IEntityTemplateFileObserver;

    /// The entity templates of one scene, kept per template file. Files are XML resources with
    /// the root "Entities"; templates created at run time without a file live in the reserved
    /// file "DEFAULT", which is never saved. Files and templates are ordered byte-wise by name;
    /// a template name may occur in several files, and lookups take the first file in order.
    /// File observers are not owned.
    class EntityTemplateManager
    {
    public:
        typedef std::map<std::string, boost::shared_ptr<EntityTemplate> > TemplateMap;
        typedef std::map<std::string, TemplateMap> FileMap;

        static const std::string& GetDefaultFileName();

        EntityTemplateManager();
        /// Drops every template without notification.
        ~EntityTemplateManager();

        /// Reads a template file from the resources ("General" first, then every group). A file
        /// loaded again keeps its templates; templates of the same name are replaced.
        void AddFile(const std::string& fileName);
        /// Tells every template of the file that it goes (OnDestroy), then drops them.
        void RemoveFile(const std::string& fileName);
        void RemoveFiles();

        /// The first template of that name in file-name order; empty when none.
        boost::shared_ptr<EntityTemplate> GetTemplate(const std::string& name) const;
        /// An empty template in the given (loaded) file, or in "DEFAULT" when fileName is empty.
        /// Empty pointer, and no change, when a template of that name exists in any file.
        boost::shared_ptr<EntityTemplate> CreateTemplate(const std::string& fileName, const std::string& name);
        /// Silently nothing when no template has the name.
        void RemoveTemplate(const std::string& name);

        /// Writes every file except "DEFAULT" back where it was found, templates in name order.
        void SaveFiles() const;

        FileMap::const_iterator GetFirstFile() const { return templateFiles.begin(); }
        FileMap::const_iterator GetEndFile() const { return templateFiles.end(); }
        /// One file's templates in name order; a file that is not loaded has none.
        TemplateMap::const_iterator GetFirst(const std::string& fileName) const;
        TemplateMap::const_iterator GetEnd(const std::string& fileName) const;

        void AddObserver(IEntityTemplateFileObserver* observer);
        void RemoveObserver(IEntityTemplateFileObserver* observer);

    private:
        EntityTemplateManager(const EntityTemplateManager&) = delete;
        EntityTemplateManager& operator=(const EntityTemplateManager&) = delete;

        const TemplateMap& FileTemplates(const std::string& fileName) const;

        FileMap templateFiles;
        ObserverList<IEntityTemplateFileObserver> fileObservers;
    };
}
