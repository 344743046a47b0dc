// The arena scene, the template files it lists and the settings carry the elements and attributes
// the engine reads, well formed, and name what the game creates.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>

#include <OgreQuaternion.h>
#include <OgreStringConverter.h>

#include "engine/core/Settings.h"
#include "tests/data/GameData.h"

namespace
{
    using ::Test::GameData::Path;

    /// Number of whitespace-separated numbers in the text, or -1 when any word is not a number.
    int Numbers(const char* text)
    {
        if (!text)
            return -1;
        std::istringstream in(text);
        std::string word;
        int count = 0;
        while (in >> word)
        {
            std::istringstream number(word);
            double value;
            if (!(number >> value) || !number.eof())
                return -1;
            ++count;
        }
        return count;
    }

    bool IsBool(const char* text) { return text && (std::string(text) == "true" || std::string(text) == "false"); }
    bool IsInt(const char* text) { return Numbers(text) == 1 && std::string(text).find_first_of(".eE") == std::string::npos; }

    TEST(SceneFiles, ArenaSceneHasEverythingTheSceneLoaderReads)
    {
        TiXmlDocument doc = ::Test::GameData::Xml(Path("scenes/arena2.xml"));
        const TiXmlElement* scene = doc.RootElement();
        ASSERT_TRUE(scene);
        EXPECT_STREQ(scene->Value(), "Scene");
        ASSERT_TRUE(scene->Attribute("Name"));
        EXPECT_FALSE(std::string(scene->Attribute("Name")).empty());
        EXPECT_EQ(Numbers(scene->Attribute("AmbientLight")), 4);
        EXPECT_STREQ(scene->Attribute("GroundPlane"), "true");

        // Resource locations: both attributes, folders that exist from the program folder.
        const TiXmlElement* locations = scene->FirstChildElement("ResourceLocations");
        ASSERT_TRUE(locations) << "a scene without resource locations loads with a warning";
        std::vector<std::string> folders;
        for (const TiXmlElement* l = locations->FirstChildElement("ResourceLocation"); l;
             l = l->NextSiblingElement("ResourceLocation"))
        {
            ASSERT_TRUE(l->Attribute("Location") && l->Attribute("Type")) << "malformed resource location";
            EXPECT_STREQ(l->Attribute("Type"), "FileSystem");
            const std::string folder = std::string(GORVANE_BUILD_DIR) + "/bin/" + l->Attribute("Location");
            EXPECT_TRUE(std::filesystem::is_directory(folder)) << folder;
            folders.push_back(folder);
        }
        EXPECT_FALSE(folders.empty());

        // Template files: each found in a location of the scene.
        const TiXmlElement* files = scene->FirstChildElement("EntityTemplates");
        ASSERT_TRUE(files) << "a scene without entity templates loads with a warning";
        int fileCount = 0;
        for (const TiXmlElement* f = files->FirstChildElement("File"); f; f = f->NextSiblingElement("File"), ++fileCount)
        {
            ASSERT_TRUE(f->Attribute("Location"));
            bool found = false;
            for (const std::string& folder : folders)
                found = found || std::filesystem::exists(folder + "/" + f->Attribute("Location"));
            EXPECT_TRUE(found) << f->Attribute("Location");
        }
        EXPECT_GT(fileCount, 0);

        // Entities: a known type, a position and, when given, a rotation of unit length.
        const ::Test::GameData::Templates templates = ::Test::GameData::LoadTemplates();
        const TiXmlElement* entities = scene->FirstChildElement("Entities");
        ASSERT_TRUE(entities);
        int count = 0;
        for (const TiXmlElement* e = entities->FirstChildElement("Entity"); e; e = e->NextSiblingElement("Entity"), ++count)
        {
            ASSERT_TRUE(e->Attribute("Type"));
            SCOPED_TRACE(e->Attribute("Type"));
            EXPECT_TRUE(templates.byName.count(e->Attribute("Type"))) << "no template of this type";
            EXPECT_EQ(Numbers(e->Attribute("Position")), 3);
            if (e->Attribute("Rotation"))
            {
                ASSERT_EQ(Numbers(e->Attribute("Rotation")), 4);
                EXPECT_NEAR(Ogre::StringConverter::parseQuaternion(e->Attribute("Rotation")).Norm(), 1.0f, 0.001f);
            }
            if (e->Attribute("NoDisable"))
            {
                EXPECT_TRUE(IsBool(e->Attribute("NoDisable")));
            }
        }
        EXPECT_GT(count, 20);
    }

    TEST(SceneFiles, EveryComponentAttributeIsWellFormed)
    {
        const ::Test::GameData::Templates templates = ::Test::GameData::LoadTemplates();
        const std::set<std::string> registeredInts = {"Health", "MaxHealth", "Power", "MaxPower"};
        const std::set<std::string> controllers = {"Bonus", "SpawnPoint", "Player", "Cannon", "Grenade", "Zombie"};
        const std::set<std::string> shapes = {"Box", "Sphere", "Capsule", "Convex"};
        for (const auto& [name, tmpl] : templates.byName)
        {
            SCOPED_TRACE(name);
            for (const TiXmlAttribute* a = tmpl->FirstAttribute(); a; a = a->Next())
            {
                if (registeredInts.count(a->Name()) || std::string(a->Name()) == "Speed")
                {
                    EXPECT_TRUE(IsInt(a->Value())) << a->Name();
                }
                if (std::string(a->Name()) == "NoDisable")
                {
                    EXPECT_TRUE(IsBool(a->Value()));
                }
            }
            std::set<std::string> seen;
            for (const TiXmlElement* c = tmpl->FirstChildElement(); c; c = c->NextSiblingElement())
            {
                const std::string type = c->Value();
                SCOPED_TRACE(type);
                EXPECT_TRUE(seen.insert(type).second) << "an entity keeps one component of a type";
                if (type == "Mesh")
                {
                    ASSERT_TRUE(c->Attribute("File"));
                    EXPECT_TRUE(std::filesystem::exists(Path(std::string("meshes/") + c->Attribute("File"))))
                        << c->Attribute("File");
                    if (c->Attribute("CastShadows"))
                    {
                        EXPECT_TRUE(IsBool(c->Attribute("CastShadows")));
                    }
                }
                else if (type == "Body")
                {
                    ASSERT_TRUE(c->Attribute("Shape"));
                    EXPECT_TRUE(shapes.count(c->Attribute("Shape"))) << c->Attribute("Shape");
                    EXPECT_TRUE(IsBool(c->Attribute("Static")));
                    if (c->Attribute("Group"))
                    {
                        EXPECT_TRUE(IsInt(c->Attribute("Group")));
                    }
                    if (c->Attribute("Density"))
                    {
                        EXPECT_EQ(Numbers(c->Attribute("Density")), 1);
                    }
                    if (c->Attribute("FreezeRot"))
                    {
                        EXPECT_EQ(Numbers(c->Attribute("FreezeRot")), 3);
                    }
                    if (c->Attribute("DisableGravity"))
                    {
                        EXPECT_TRUE(IsBool(c->Attribute("DisableGravity")));
                    }
                    // Bodies take their shape from the entity's bounds, which only a mesh gives.
                    EXPECT_TRUE(tmpl->FirstChildElement("Mesh")) << "a body without a mesh is a speck";
                }
                else if (type == "BoxSensor")
                {
                    EXPECT_EQ(Numbers(c->Attribute("Size")), 3);
                    if (c->Attribute("Position"))
                    {
                        EXPECT_EQ(Numbers(c->Attribute("Position")), 3);
                    }
                    if (c->Attribute("Orientation"))
                    {
                        EXPECT_EQ(Numbers(c->Attribute("Orientation")), 4);
                    }
                    EXPECT_TRUE(tmpl->FirstChildElement("Body") || tmpl->FirstChildElement("Actor"));
                }
                else if (type == "Controller")
                {
                    ASSERT_TRUE(c->Attribute("Id"));
                    EXPECT_TRUE(controllers.count(c->Attribute("Id"))) << c->Attribute("Id");
                }
                else if (type == "Light")
                {
                    ASSERT_TRUE(c->Attribute("Type"));
                    const std::string light = c->Attribute("Type");
                    EXPECT_TRUE(light == "Point" || light == "Spot" || light == "Directional") << light;
                    for (const char* colour : {"Diffuse", "Specular", "Attenuation"})
                        if (c->Attribute(colour))
                        {
                            EXPECT_EQ(Numbers(c->Attribute(colour)), 4) << colour;
                        }
                    for (const char* vector : {"Direction", "Position"})
                        if (c->Attribute(vector))
                        {
                            EXPECT_EQ(Numbers(c->Attribute(vector)), 3) << vector;
                        }
                    if (c->Attribute("Power"))
                    {
                        EXPECT_EQ(Numbers(c->Attribute("Power")), 1);
                    }
                    if (c->Attribute("CastShadows"))
                    {
                        EXPECT_TRUE(IsBool(c->Attribute("CastShadows")));
                    }
                }
                else if (type == "Particle" || type == "ManualObject")
                {
                    ASSERT_TRUE(c->Attribute("Source"));
                    EXPECT_FALSE(std::string(c->Attribute("Source")).empty());
                }
                else
                {
                    EXPECT_EQ(type, "Actor") << "not a component the engine knows";
                }
            }
        }
    }

    TEST(SceneFiles, TemplatesProvideWhatTheGameCreates)
    {
        const ::Test::GameData::Templates t = ::Test::GameData::LoadTemplates();
        auto has = [&](const std::string& tmpl, const std::string& component) {
            return t.Component(tmpl, component) != nullptr;
        };
        auto controller = [&](const std::string& tmpl) {
            const TiXmlElement* c = t.Component(tmpl, "Controller");
            return std::string(c && c->Attribute("Id") ? c->Attribute("Id") : "");
        };
        auto attribute = [&](const std::string& tmpl, const char* name) {
            auto found = t.byName.find(tmpl);
            const char* value = found == t.byName.end() ? nullptr : found->second->Attribute(name);
            return std::string(value ? value : "");
        };

        // The player: enabled at once, so its controller exists when the game arms it.
        EXPECT_TRUE(has("Character.Player", "Mesh") && has("Character.Player", "Actor"));
        EXPECT_EQ(controller("Character.Player"), "Player");
        EXPECT_EQ(attribute("Character.Player", "NoDisable"), "true");
        EXPECT_TRUE(has("Character.DeadPlayer", "Mesh") && has("Character.DeadPlayer", "Body"));

        std::set<std::string> materials;
        for (int v = 1; v <= 3; ++v)
        {
            const std::string z = "Character.Zombie" + std::to_string(v);
            SCOPED_TRACE(z);
            EXPECT_TRUE(has(z, "Mesh") && has(z, "Actor"));
            EXPECT_EQ(controller(z), "Zombie");
            EXPECT_EQ(attribute(z, "Health"), std::to_string(30 * v));
            EXPECT_EQ(attribute(z, "MaxHealth"), std::to_string(30 * v));
            EXPECT_EQ(attribute(z, "Speed"), std::to_string(20 * (6 - v)));
            ASSERT_TRUE(t.Component(z, "Mesh")->Attribute("Material"));
            materials.insert(t.Component(z, "Mesh")->Attribute("Material"));
            EXPECT_STREQ(t.Component(z, "Mesh")->Attribute("File"), t.Component("Character.Zombie1", "Mesh")->Attribute("File"))
                << "one mesh for the three variants";
        }
        EXPECT_EQ(materials.size(), 3u) << "each variant has its own colours";

        // Bodies the game pushes are dynamic.
        for (const char* dynamic : {"Character.DeadPlayer", "Character.DeadZombie", "Bullet.Grenade"})
        {
            ASSERT_TRUE(has(dynamic, "Body")) << dynamic;
            EXPECT_STREQ(t.Component(dynamic, "Body")->Attribute("Static"), "false") << dynamic;
        }
        EXPECT_STREQ(t.Component("Character.DeadZombie", "Mesh")->Attribute("File"),
                     t.Component("Character.Zombie1", "Mesh")->Attribute("File"))
            << "the corpse poses the zombie mesh";
        EXPECT_STREQ(t.Component("Bullet.Grenade", "Body")->Attribute("Shape"), "Sphere");
        EXPECT_EQ(controller("Bullet.Grenade"), "Grenade");

        EXPECT_TRUE(has("Object.QuestionMark", "Mesh") && has("Object.QuestionMark", "Body") &&
                    has("Object.QuestionMark", "BoxSensor"));
        EXPECT_EQ(controller("Object.QuestionMark"), "Bonus");

        int cannons = 0;
        for (const auto& [name, element] : t.byName)
            if (controller(name) == "Cannon" && has(name, "Body") && has(name, "BoxSensor"))
                ++cannons;
        EXPECT_EQ(cannons, 1) << "one cannon projectile for scripts";

        for (const std::string& effect : ::Test::GameData::EffectTemplates)
        {
            EXPECT_TRUE(has(effect, "Particle")) << effect;
            EXPECT_EQ(attribute(effect, "NoDisable"), "true") << effect << " must show as soon as it is created";
        }
    }

    TEST(SceneFiles, SpawnPointsRingTheYardInsideTheWalls)
    {
        const ::Test::GameData::Templates t = ::Test::GameData::LoadTemplates();
        TiXmlDocument doc = ::Test::GameData::Xml(Path("scenes/arena2.xml"));
        std::vector<Ogre::Vector3> spawns, walls;
        for (const TiXmlElement* e = doc.RootElement()->FirstChildElement("Entities")->FirstChildElement("Entity"); e;
             e = e->NextSiblingElement("Entity"))
        {
            const std::string type = e->Attribute("Type");
            const Ogre::Vector3 p = Ogre::StringConverter::parseVector3(e->Attribute("Position"));
            const TiXmlElement* c = t.Component(type, "Controller");
            if (c && std::string(c->Attribute("Id")) == "SpawnPoint")
                spawns.push_back(p);
            if (type == "Arena.Wall")
                walls.push_back(p);
        }
        ASSERT_GE(spawns.size(), 4u);
        ASSERT_FALSE(walls.empty());
        float inner = 1e9f;
        for (const Ogre::Vector3& w : walls)
            inner = std::min(inner, std::max(std::fabs(w.x), std::fabs(w.z)) - 0.3f);
        for (const Ogre::Vector3& s : spawns)
        {
            const float edge = std::max(std::fabs(s.x), std::fabs(s.z));
            EXPECT_LT(edge, inner - 0.5f) << "spawn point " << s << " in or behind a wall";
            EXPECT_GT(edge, 8.0f) << "spawn point " << s << " in the middle of the yard";
            // Zombies rise one unit above whatever lies below the spawn point: it has no body.
            EXPECT_EQ(t.Component("Arena.SpawnPoint", "Body"), nullptr);
        }
    }

    TEST(SceneFiles, SettingsFileHasEveryEngineKey)
    {
        Engine::Settings::Create();
        Engine::Settings::Load(Path("configs/game.xml"));
        for (const char* key : {"Engine/WindowTitle", "Engine/PluginFile", "Engine/LogFile", "Engine/RenderSystemFile",
                                "Engine/ResourceFile", "Engine/ShadowFarDistance"})
            EXPECT_NO_THROW(Engine::Settings::Get(key)) << key;
        // Paths are relative to the program folder.
        const std::string bin = std::string(GORVANE_BUILD_DIR) + "/bin/";
        EXPECT_TRUE(std::filesystem::exists(bin + Engine::Settings::Get("Engine/PluginFile")));
        EXPECT_TRUE(std::filesystem::exists(bin + Engine::Settings::Get("Engine/ResourceFile")));
        EXPECT_GT(Ogre::StringConverter::parseReal(Engine::Settings::Get("Engine/ShadowFarDistance")), 0.0f);
        EXPECT_TRUE(std::filesystem::exists(Path("scripts/startup.py")));
    }
}
