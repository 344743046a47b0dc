#include "engine/core/Settings.h"
#include "engine/core/Error.h"
#include "engine/core/XmlDepth.h"

#include <fstream>
#include <iterator>

#include <OgreResourceGroupManager.h>
#include <tinyxml.h>

#include <sys/stat.h>

namespace Engine
{
    Settings* Settings::pInstance_ = nullptr;

    namespace
    {
        void RequireCreate(Settings* instance, const std::string& operation)
        {
            if (!instance)
                ThrowError("Engine::Settings::" + operation, "Call Settings::Create before " + operation);
        }
    }

    void Settings::Create()
    {
        static Settings instance;
        if (!pInstance_)
            pInstance_ = &instance;
    }

    void Settings::Load(const std::string& fileName)
    {
        RequireCreate(pInstance_, "Load");
        pInstance_->LoadFile(fileName);
    }

    void Settings::LoadResource(const std::string& name)
    {
        RequireCreate(pInstance_, "LoadResource");
        Ogre::ResourceGroupManager* groups = Ogre::ResourceGroupManager::getSingletonPtr();
        if (!groups)
            ThrowError("Engine::Settings::LoadResource",
                       "The engine is not running (no resource system); can't look up settings file " + name);
        Ogre::FileInfoListPtr found =
            groups->findResourceFileInfo("General", name, false);
        if (!found || found->empty())
            ThrowError("Engine::Settings::LoadResource", "Can't find " + name);
        const Ogre::FileInfo& info = found->front();
        pInstance_->LoadFile(info.archive->getName() + "/" + info.filename);
    }

    const std::string& Settings::Get(const std::string& key)
    {
        RequireCreate(pInstance_, "Get");
        for (const auto& file : pInstance_->files)
        {
            auto it = file.second.find(key);
            if (it != file.second.end())
                return it->second;
        }
        ThrowError("Engine::Settings::Get", "Can't find " + key);
    }

    Settings::KeyMap Settings::GetMap(const std::string& prefix)
    {
        RequireCreate(pInstance_, "GetMap");
        KeyMap result;
        for (const auto& file : pInstance_->files)
            for (auto it = file.second.lower_bound(prefix);
                 it != file.second.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it)
                result.insert(*it); // insert keeps the entry of the file that sorts first
        return result;
    }

    void Settings::LoadFile(const std::string& fileName)
    {
        // Read whole and measured before TinyXML parses it: its reader recurses once per level.
        // Only plain files are read (a folder or a device has no sensible size or content).
        struct stat status;
        const bool plainFile = stat(fileName.c_str(), &status) == 0 && S_ISREG(status.st_mode);
        std::ifstream in;
        std::string text;
        if (plainFile)
            in.open(fileName, std::ios::binary);
        if (in)
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        // Line ends as TinyXML's own file reader leaves them: "\r\n" and a lone "\r" become "\n".
        std::size_t kept = 0;
        for (std::size_t i = 0; i < text.size(); ++i)
        {
            if (text[i] == '\r')
            {
                text[kept++] = '\n';
                if (i + 1 < text.size() && text[i + 1] == '\n')
                    ++i;
            }
            else
            {
                text[kept++] = text[i];
            }
        }
        text.resize(kept);
        TiXmlDocument document(fileName);
        if (!ParseXml(document, text))
            ThrowError("Engine::Settings::LoadFile", "Error loading settings file " + fileName +
                                                         ": its elements nest deeper than " +
                                                         std::to_string(maxXmlDepth) + " levels");
        if (!plainFile || !in || document.Error())
            ThrowError("Engine::Settings::LoadFile", "Error loading settings file " + fileName);

        for (TiXmlElement* top = document.FirstChildElement(); top; top = top->NextSiblingElement())
        {
            TiXmlNode* first = top->FirstChild();
            if (first && first->FirstChild())
                ReadSection(fileName, top->ValueStr(), *top);
        }
    }

    void Settings::ReadSection(const std::string& fileName, const std::string& prefix, TiXmlElement& element)
    {
        for (TiXmlElement* child = element.FirstChildElement(); child; child = child->NextSiblingElement())
        {
            const std::string key = prefix + "/" + child->ValueStr();
            TiXmlNode* first = child->FirstChild();
            if (!first)
                continue;
            if (first->FirstChild())
                ReadSection(fileName, key, *child);
            else
                files[fileName][key] = first->ValueStr();
        }
    }
}
