// Settings files: any bytes load or are refused with the engine's error. Also checks the nesting
// measure every XML reader relies on against the tree TinyXML builds from the same bytes.
#include "tests/fuzz/Fuzz.h"
#include "tests/support/TempDir.h"
#include "engine/core/Settings.h"
#include "engine/core/XmlDepth.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <utility>
#include <vector>

#include <tinyxml.h>

namespace
{
    // A store of its own per input, so that keys do not pile up over millions of runs.
    class Store : public Engine::Settings
    {
    public:
        using Engine::Settings::LoadFile;
    };

    // Removed when the run ends normally; a crash keeps it for a look.
    std::unique_ptr<Test::TempDir> folder;

    int TreeDepth(const TiXmlNode& root)
    {
        int deepest = 0;
        std::vector<std::pair<const TiXmlNode*, int> > open{{&root, 0}};
        while (!open.empty())
        {
            const auto [node, depth] = open.back();
            open.pop_back();
            for (const TiXmlElement* child = node->FirstChildElement(); child; child = child->NextSiblingElement())
            {
                deepest = std::max(deepest, depth + 1);
                open.emplace_back(child, depth + 1);
            }
        }
        return deepest;
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    folder.reset(new Test::TempDir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = folder->File("settings.xml");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Store store;
    Fuzz::ExpectOnlyEngineErrors([&] { store.LoadFile(path); });

    const std::string text(reinterpret_cast<const char*>(data), size);
    const int measured = Engine::XmlNestingDepth(text);
    if (measured <= Engine::maxXmlDepth)
    {
        TiXmlDocument document;
        Engine::ParseXml(document, text);
        const int built = TreeDepth(document);
        if (built > measured)
            Fuzz::Fail("TinyXML built " + std::to_string(built) + " levels where " + std::to_string(measured) +
                       " were measured");
    }
    return 0;
}
