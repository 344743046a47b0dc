#include "tests/data/GameData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include <Ogre.h>
#include <OgreOverlaySystem.h>

#include "tests/support/LogCapture.h"
#include "tests/support/RenderTest.h"

namespace Test::GameData
{
    const std::vector<std::string> Sounds = {
        "explosion.wav", "hit.wav",      "hit2.wav",     "hit3.wav",           "footstep.wav", "shotgun.wav",
        "pistol.wav",    "fuckyeah.wav", "fuckyeah2.wav", "fuckyou.wav",       "fuckingawesome.wav",
        "death.wav",     "ahfuck.wav",   "ohyeah.wav",   "argh.wav",           "hahahaha.wav", "motherfuckers.wav",
        "biatch.wav"};
    const std::vector<std::string> Music = {"menu.ogg", "ingame.ogg", "scary.ogg"};
    const std::vector<std::string> Meshes = {
        "Character.Player.mesh", "Character.Zombie.mesh", "Object.Pistol.mesh",   "Object.Shotgun.mesh",
        "Object.Grenade.mesh",   "Object.QuestionMark.mesh", "Object.Cannonball.mesh", "Arena.Wall.mesh",
        "Arena.Pillar.mesh",     "Arena.Crate.mesh",      "Arena.CrateSmall.mesh", "Arena.SpawnGrate.mesh",
        "Arena.Brazier.mesh"};
    const std::vector<std::string> Materials = {
        "Floor.Arena1",      "Sky.Stars",        "HUD.Background",    "Menu.Hud.HealthBar", "Menu.Hud.PowerBar",
        "Menu.Main.Background", "Logo.Quillmark", "Logo.Voltaro",     "okit.window",        "Character.Player",
        "Character.Zombie1", "Character.Zombie2", "Character.Zombie3"};
    const std::vector<std::string> EffectTemplates = {"Particle.PistolSpark", "Particle.Spark", "Particle.BloodSplat",
                                                      "Particle.Blood",       "Particle.PowerUp", "Particle.Grenade"};

    std::string Folder() { return std::string(GORVANE_BUILD_DIR) + "/data"; }
    std::string Path(const std::string& relative) { return Folder() + "/" + relative; }

    TiXmlDocument Xml(const std::string& path)
    {
        TiXmlDocument doc(path);
        if (!doc.LoadFile())
            ADD_FAILURE() << "can't parse " << path << ": " << doc.ErrorDesc() << " (line " << doc.ErrorRow() << ")";
        return doc;
    }

    namespace
    {
        std::unique_ptr<Ogre::OverlaySystem> overlays;
    }

    void LoadResources()
    {
        Renderer::Root();
        Renderer::LoadPlugin("Plugin_ParticleFX");
        overlays = std::make_unique<Ogre::OverlaySystem>(); // font and overlay scripts
        Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();

        Ogre::ConfigFile resources;
        resources.load(Path("configs/resources.cfg"), "\t:=", true);
        for (const auto& [section, settings] : resources.getSettingsBySection())
            for (const auto& [type, location] : settings)
                groups.addResourceLocation(location, type, "Data." + section);

        TiXmlDocument scene = Xml(Path("scenes/arena2.xml"));
        const TiXmlElement* locations = scene.RootElement()->FirstChildElement("ResourceLocations");
        for (const TiXmlElement* l = locations->FirstChildElement("ResourceLocation"); l;
             l = l->NextSiblingElement("ResourceLocation"))
            groups.addResourceLocation(l->Attribute("Location"), l->Attribute("Type"), "Data.SCENE");

        // Every material, particle and compositor script parses without a complaint.
        LogCapture log;
        groups.initialiseAllResourceGroups();
        for (const LogCapture::Line& line : log.Lines())
        {
            std::string lower = line.text;
            std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
            if (lower.find("error") != std::string::npos || lower.find("bad ") != std::string::npos ||
                lower.find("warning") != std::string::npos)
                ADD_FAILURE() << "while parsing the game's scripts: " << line.text;
        }
    }

    void ReleaseResources()
    {
        overlays.reset();
        Renderer::Shutdown();
    }

    const TiXmlElement* Templates::Component(const std::string& tmpl, const std::string& component) const
    {
        auto found = byName.find(tmpl);
        return found == byName.end() ? nullptr : found->second->FirstChildElement(component.c_str());
    }

    Templates LoadTemplates()
    {
        Templates result;
        TiXmlDocument scene = Xml(Path("scenes/arena2.xml"));
        const TiXmlElement* files = scene.RootElement()->FirstChildElement("EntityTemplates");
        std::vector<std::string> names;
        for (const TiXmlElement* f = files->FirstChildElement("File"); f; f = f->NextSiblingElement("File"))
            names.push_back(f->Attribute("Location"));
        result.files.reserve(names.size());
        for (const std::string& name : names)
            result.files.push_back(Xml(Path("templates/" + name)));
        for (const TiXmlDocument& doc : result.files)
            for (const TiXmlElement* t = doc.RootElement()->FirstChildElement(); t; t = t->NextSiblingElement())
                result.byName[t->Value()] = t;
        return result;
    }
}
