#pragma once
#include <map>
#include <string>

class TiXmlElement;

namespace Engine
{
    /// Process-wide store of configuration values read from XML settings files. Values are
    /// strings addressed by slash-separated element paths ("Engine/LogFile"), kept per file.
    /// All operations are static; Create must run first.
    class Settings
    {
    public:
        typedef std::map<std::string, std::string> KeyMap;

        static void Create();
        static void Load(const std::string& fileName);
        static void LoadResource(const std::string& name);
        /// The value from the first file (in byte-wise name order) that holds the key.
        static const std::string& Get(const std::string& key);
        /// Every entry whose key begins with prefix; the first file in name order wins.
        static KeyMap GetMap(const std::string& prefix);

        Settings() = default;
        Settings(const Settings&) = default;
        Settings& operator=(const Settings&) = default;

    protected:
        void LoadFile(const std::string& fileName);
        void ReadSection(const std::string& fileName, const std::string& prefix, TiXmlElement& element);

    private:
        static Settings* pInstance_;
        std::map<std::string, KeyMap> files;
    };
}
