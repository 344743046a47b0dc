#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/IEntityTemplateFileObserver.h"
#include "engine/core/Error.h"
#include "engine/core/XmlDepth.h"

#include <vector>

#include <OgreResourceGroupManager.h>
#include <OgreStringConverter.h>
#include <tinyxml.h>

namespace Engine
{
    namespace
    {
        const std::string defaultFileName = "DEFAULT";

        // The resource's text, from the default group when it is there, else from whichever
        // group holds it. A missing resource raises the resource system's own exception.
        std::string ReadResource(const std::string& name)
        {
            Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
            std::string group = Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME;
            if (!groups.resourceExists(group, name))
                group = groups.findGroupContainingResource(name);
            Ogre::DataStreamPtr stream = groups.openResource(name, group);
            return stream->getAsString();
        }
    }

    const std::string& EntityTemplateManager::GetDefaultFileName()
    {
        return defaultFileName;
    }

    EntityTemplateManager::EntityTemplateManager() = default;

    EntityTemplateManager::~EntityTemplateManager() = default;

    void EntityTemplateManager::AddFile(const std::string& fileName)
    {
        const std::string text = ReadResource(fileName);
        TiXmlDocument document(fileName);
        if (!ParseXml(document, text))
            ThrowError("Engine::EntityTemplateManager::AddFile",
                       "Malformed XML in '" + fileName + "': its elements nest deeper than " +
                           Ogre::StringConverter::toString(maxXmlDepth) + " levels");
        if (document.Error())
            ThrowError("Engine::EntityTemplateManager::AddFile",
                       "Malformed XML in '" + fileName + "' at row " + Ogre::StringConverter::toString(document.ErrorRow()) +
                           ", column " + Ogre::StringConverter::toString(document.ErrorCol()) + ": " +
                           document.ErrorDesc());

        const TiXmlElement* root = document.FirstChildElement("Entities");
        if (!root)
            ThrowError("Engine::EntityTemplateManager::AddFile",
                       "XML element 'Entities' is missing from '" + fileName + "'");

        // Build first, then store: a failure leaves the manager as it was.
        TemplateMap loaded;
        for (const TiXmlElement* element = root->FirstChildElement(); element; element = element->NextSiblingElement())
        {
            boost::shared_ptr<EntityTemplate>& tmpl = loaded[element->ValueStr()];
            tmpl.reset(new EntityTemplate(*element));
            tmpl->SetOrigin("template '" + element->ValueStr() + "' in '" + fileName + "'");
        }

        TemplateMap& templates = templateFiles[fileName];
        for (auto& entry : loaded)
            templates[entry.first] = entry.second;

        fileObservers.ForEach([this, &fileName](IEntityTemplateFileObserver* o) { o->OnFileAdded(this, fileName); });
    }

    void EntityTemplateManager::RemoveFile(const std::string& fileName)
    {
        auto file = templateFiles.find(fileName);
        if (file == templateFiles.end())
            ThrowError("Engine::EntityTemplateManager::RemoveFile",
                       "Can't find entity template file '" + fileName + "' in any resource location");

        // A copy: observers of a dying template may call back into the manager.
        std::vector<boost::shared_ptr<EntityTemplate> > dying;
        for (const auto& entry : file->second)
            dying.push_back(entry.second);
        for (const auto& tmpl : dying)
            tmpl->OnDestroy();

        templateFiles.erase(fileName);
        fileObservers.ForEach([this, &fileName](IEntityTemplateFileObserver* o) { o->OnFileRemoved(this, fileName); });
    }

    void EntityTemplateManager::RemoveFiles()
    {
        std::vector<std::string> names;
        for (const auto& file : templateFiles)
            names.push_back(file.first);
        for (const std::string& name : names)
            if (templateFiles.count(name))
                RemoveFile(name);
    }

    boost::shared_ptr<EntityTemplate> EntityTemplateManager::GetTemplate(const std::string& name) const
    {
        for (const auto& file : templateFiles)
        {
            auto it = file.second.find(name);
            if (it != file.second.end())
                return it->second;
        }
        return boost::shared_ptr<EntityTemplate>();
    }

    boost::shared_ptr<EntityTemplate> EntityTemplateManager::CreateTemplate(const std::string& fileName,
                                                                            const std::string& name)
    {
        if (GetTemplate(name))
            return boost::shared_ptr<EntityTemplate>();

        TemplateMap* templates = nullptr;
        if (fileName.empty())
        {
            templates = &templateFiles[defaultFileName];
        }
        else
        {
            auto file = templateFiles.find(fileName);
            if (file == templateFiles.end())
                ThrowError("Engine::EntityTemplateManager::CreateTemplate",
                           "Can't find template file '" + fileName + "' in any resource location");
            templates = &file->second;
        }

        boost::shared_ptr<EntityTemplate> tmpl(new EntityTemplate(name));
        (*templates)[name] = tmpl;
        fileObservers.ForEach([this, &fileName](IEntityTemplateFileObserver* o) { o->OnFileChanged(this, fileName); });
        return tmpl;
    }

    void EntityTemplateManager::RemoveTemplate(const std::string& name)
    {
        for (auto& file : templateFiles)
        {
            auto it = file.second.find(name);
            if (it == file.second.end())
                continue;
            const std::string fileName = file.first;
            const boost::shared_ptr<EntityTemplate> tmpl = it->second;
            tmpl->OnDestroy();
            // Looked up again: an observer may have changed the file meanwhile.
            auto again = templateFiles.find(fileName);
            if (again != templateFiles.end())
            {
                auto entry = again->second.find(name);
                if (entry != again->second.end() && entry->second == tmpl)
                    again->second.erase(entry);
            }
            fileObservers.ForEach(
                [this, &fileName](IEntityTemplateFileObserver* o) { o->OnFileChanged(this, fileName); });
            return;
        }
    }

    void EntityTemplateManager::SaveFiles() const
    {
        Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
        for (const auto& file : templateFiles)
        {
            const std::string& fileName = file.first;
            if (fileName == defaultFileName)
                continue;

            TiXmlDocument document;
            document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
            TiXmlElement* root = new TiXmlElement("Entities");
            document.LinkEndChild(root);
            for (const auto& entry : file.second)
                root->InsertEndChild(entry.second->GetXmlElement());

            std::string path;
            try
            {
                const std::string& group = groups.findGroupContainingResource(fileName);
                Ogre::FileInfoListPtr found = groups.findResourceFileInfo(group, fileName);
                if (found && !found->empty())
                    path = found->front().archive->getName() + "/" + fileName;
            }
            catch (const Ogre::Exception&)
            {
                path.clear();
            }
            if (path.empty())
                ThrowError("Engine::EntityTemplateManager::SaveFiles",
                           "Can't find '" + fileName + "' in any resource location");
            if (!document.SaveFile(path))
                ThrowError("Engine::EntityTemplateManager::SaveFiles", "Unable to write '" + path + "'");
        }
    }

    const EntityTemplateManager::TemplateMap& EntityTemplateManager::FileTemplates(const std::string& fileName) const
    {
        static const TemplateMap none;
        auto file = templateFiles.find(fileName);
        return file == templateFiles.end() ? none : file->second;
    }

    EntityTemplateManager::TemplateMap::const_iterator EntityTemplateManager::GetFirst(const std::string& fileName) const
    {
        return FileTemplates(fileName).begin();
    }

    EntityTemplateManager::TemplateMap::const_iterator EntityTemplateManager::GetEnd(const std::string& fileName) const
    {
        return FileTemplates(fileName).end();
    }

    void EntityTemplateManager::AddObserver(IEntityTemplateFileObserver* observer)
    {
        fileObservers.Add(observer);
    }

    void EntityTemplateManager::RemoveObserver(IEntityTemplateFileObserver* observer)
    {
        fileObservers.Remove(observer);
    }
}
