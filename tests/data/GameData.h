#pragma once
#include <map>
#include <string>
#include <vector>

#include <tinyxml.h>

#include "tests/support/RenderTest.h"

namespace Test::GameData
{
    /// The build's data folder, and the way the game names paths from its program folder.
    std::string Folder();
    std::string Path(const std::string& relative);

    /// Brings up the renderer and registers the game's resources as the game does: the locations of
    /// the resource file (each section in a group of its own, prefixed "Data.") and the locations
    /// the arena scene lists, with the particle and overlay script loaders in place.
    void LoadResources();
    /// Undoes LoadResources and shuts the renderer down. Tests call it before the process ends:
    /// left to the exit handlers, the renderer would unload its plug-ins after their own static
    /// data is gone.
    void ReleaseResources();

    /// Fixture for tests that look at the game's resources through the renderer.
    class ResourceTest : public ::Test::RenderTest
    {
    protected:
        void SetUp() override { LoadResources(); }
        void TearDown() override { ReleaseResources(); }
    };

    /// Parses an XML file; fails the calling test (and returns an empty document) when it can't.
    TiXmlDocument Xml(const std::string& path);

    /// Every template of the template files the arena scene lists, by name (documents are kept).
    struct Templates
    {
        std::vector<TiXmlDocument> files;
        std::map<std::string, const TiXmlElement*> byName;
        const TiXmlElement* Component(const std::string& tmpl, const std::string& component) const;
    };
    Templates LoadTemplates();

    // Names the game uses.
    extern const std::vector<std::string> Sounds;
    extern const std::vector<std::string> Music;
    extern const std::vector<std::string> Meshes;
    extern const std::vector<std::string> Materials;
    extern const std::vector<std::string> EffectTemplates;
}
