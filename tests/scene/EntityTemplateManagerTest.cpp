#include "engine/core/Exception.h"
#include "tests/support/ErrorOf.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/IEntityTemplateFileObserver.h"
#include "engine/scene/IEntityTemplateObserver.h"
#include "tests/support/SceneTest.h"

#include <cstdio>
#include <fstream>
#include <functional>

#include <OgreException.h>
#include <gtest/gtest.h>

using Engine::EntityTemplate;
using Engine::EntityTemplateManager;

namespace
{
    class TemplateManager : public Test::SceneTest
    {
    protected:

        std::vector<std::string> Names(const std::string& file) const
        {
            std::vector<std::string> names;
            for (auto it = manager.GetFirst(file); it != manager.GetEnd(file); ++it)
                names.push_back(it->first);
            return names;
        }

        std::vector<std::string> Files() const
        {
            std::vector<std::string> names;
            for (auto it = manager.GetFirstFile(); it != manager.GetEndFile(); ++it)
                names.push_back(it->first);
            return names;
        }

        EntityTemplateManager manager;
    };

    struct FileRecorder : Engine::IEntityTemplateFileObserver
    {
        std::vector<std::string> calls;
        void OnFileAdded(EntityTemplateManager*, const std::string& f) override { calls.push_back("added " + f); }
        void OnFileRemoved(EntityTemplateManager*, const std::string& f) override { calls.push_back("removed " + f); }
        void OnFileChanged(EntityTemplateManager*, const std::string& f) override { calls.push_back("changed " + f); }
    };

    struct DestroyRecorder : Engine::IEntityTemplateObserver
    {
        std::vector<std::string> destroyed;
        void OnAttributeChanged(EntityTemplate*, const std::string&) override {}
        void OnComponentAttributeChanged(EntityTemplate*, const std::string&, const std::string&) override {}
        void OnComponentAdded(EntityTemplate*, const std::string&) override {}
        void OnComponentRemoved(EntityTemplate*, const std::string&) override {}
        void OnTemplateDestroyed(EntityTemplate* t) override { destroyed.push_back(t->GetAsString()); }
    };

    const char* const monsters =
        "<?xml version='1.0'?>\n"
        "<Entities>\n"
        "  <Zombie Health='100'><Mesh File='zombie.mesh'/><Body Mass='80'/></Zombie>\n"
        "  <Crate><Mesh File='crate.mesh'/></Crate>\n"
        "  text is ignored\n"
        "  <Barrel Health='20'/>\n"
        "</Entities>\n";
}

TEST_F(TemplateManager, LoadsTemplateFilesFromTheResources)
{
    WriteData("monsters.xml", monsters);
    FileRecorder files;
    manager.AddObserver(&files);
    manager.AddFile("monsters.xml");

    EXPECT_EQ((std::vector<std::string>{"Barrel", "Crate", "Zombie"}), Names("monsters.xml"));
    const boost::shared_ptr<EntityTemplate> zombie = manager.GetTemplate("Zombie");
    ASSERT_TRUE(zombie);
    EXPECT_EQ(100, zombie->GetAttribute<int>("Health"));
    EXPECT_EQ((std::vector<std::string>{"Mesh", "Body"}), zombie->GetComponents());
    EXPECT_FALSE(manager.GetTemplate("Skeleton"));
    EXPECT_EQ((std::vector<std::string>{"added monsters.xml"}), files.calls);

    // Loaded again: the file keeps its templates, those of the same name are replaced.
    WriteData("monsters.xml", "<Entities><Zombie Health='5'/><Ghost/></Entities>");
    manager.AddFile("monsters.xml");
    EXPECT_EQ((std::vector<std::string>{"Barrel", "Crate", "Ghost", "Zombie"}), Names("monsters.xml"));
    EXPECT_EQ(5, manager.GetTemplate("Zombie")->GetAttribute<int>("Health"));
}

TEST_F(TemplateManager, RejectsBadFilesAndLeavesTheManagerAsItWas)
{
    WriteData("monsters.xml", monsters);
    WriteData("scene.xml", "<Scene Name='arena'/>");
    WriteData("broken.xml", "<Entities>\n  <Zombie>\n</Entities>\n");
    manager.AddFile("monsters.xml");

    EXPECT_EQ("Error in Engine::EntityTemplateManager::AddFile(). XML element 'Entities' is missing from 'scene.xml'",
              ::Test::ErrorOf([&] { manager.AddFile("scene.xml"); }));
    const std::string malformed = ::Test::ErrorOf([&] { manager.AddFile("broken.xml"); });
    EXPECT_NE(std::string::npos, malformed.find("'broken.xml'")) << malformed;
    EXPECT_NE(std::string::npos, malformed.find("row 3, column 1")) << malformed;
    EXPECT_THROW(manager.AddFile("missing.xml"), Ogre::Exception);
    EXPECT_EQ((std::vector<std::string>{"monsters.xml"}), Files());

    EXPECT_EQ("Error in Engine::EntityTemplateManager::RemoveFile(). Can't find entity template file 'scene.xml' in "
              "any resource location",
              ::Test::ErrorOf([&] { manager.RemoveFile("scene.xml"); }));
    EXPECT_EQ("Error in Engine::EntityTemplateManager::CreateTemplate(). Can't find template file 'scene.xml' in any "
              "resource location",
              ::Test::ErrorOf([&] { manager.CreateTemplate("scene.xml", "Ghost"); }));
    // Asking for the templates of a file that is not loaded does not make it loaded.
    EXPECT_TRUE(Names("scene.xml").empty());
    EXPECT_EQ((std::vector<std::string>{"monsters.xml"}), Files());
}

TEST_F(TemplateManager, CreatesTemplatesOnceAcrossAllFiles)
{
    WriteData("monsters.xml", monsters);
    manager.AddFile("monsters.xml");
    FileRecorder files;
    manager.AddObserver(&files);

    const boost::shared_ptr<EntityTemplate> ghost = manager.CreateTemplate("", "Ghost");
    ASSERT_TRUE(ghost);
    EXPECT_EQ("Ghost", ghost->GetAsString());
    EXPECT_FALSE(manager.CreateTemplate("", "Ghost"));
    EXPECT_FALSE(manager.CreateTemplate("monsters.xml", "Ghost"));
    EXPECT_FALSE(manager.CreateTemplate("", "Zombie"));
    EXPECT_EQ((std::vector<std::string>{"Ghost"}), Names("DEFAULT"));
    EXPECT_EQ(ghost, manager.GetTemplate("Ghost"));

    ASSERT_TRUE(manager.CreateTemplate("monsters.xml", "Skeleton"));
    EXPECT_EQ((std::vector<std::string>{"Barrel", "Crate", "Skeleton", "Zombie"}), Names("monsters.xml"));
    EXPECT_EQ((std::vector<std::string>{"changed ", "changed monsters.xml"}), files.calls);
}

TEST_F(TemplateManager, TheFirstFileInByteOrderWinsLookupsAndRemovals)
{
    // Byte-wise, upper case sorts before lower case: "Zoo.xml" comes before "arena.xml".
    WriteData("arena.xml", "<Entities><Zombie Health='1'/></Entities>");
    WriteData("Zoo.xml", "<Entities><Zombie Health='2'/></Entities>");
    manager.AddFile("arena.xml");
    manager.AddFile("Zoo.xml");
    EXPECT_EQ((std::vector<std::string>{"Zoo.xml", "arena.xml"}), Files());
    EXPECT_EQ(2, manager.GetTemplate("Zombie")->GetAttribute<int>("Health"));

    FileRecorder files;
    DestroyRecorder watcher;
    manager.AddObserver(&files);
    manager.GetTemplate("Zombie")->AddObserver(&watcher);
    manager.RemoveTemplate("Zombie");
    EXPECT_EQ((std::vector<std::string>{"Zombie"}), watcher.destroyed);
    EXPECT_EQ((std::vector<std::string>{"changed Zoo.xml"}), files.calls);
    EXPECT_EQ(1, manager.GetTemplate("Zombie")->GetAttribute<int>("Health"));

    manager.RemoveTemplate("Nobody");
    EXPECT_EQ(1u, files.calls.size());
}

TEST_F(TemplateManager, RemovingFilesTellsTheirTemplatesFirst)
{
    WriteData("monsters.xml", monsters);
    WriteData("props.xml", "<Entities><Lamp/></Entities>");
    manager.AddFile("monsters.xml");
    manager.AddFile("props.xml");
    manager.CreateTemplate("", "Ghost");

    DestroyRecorder watcher;
    for (const char* name : {"Zombie", "Crate", "Barrel", "Lamp", "Ghost"})
        manager.GetTemplate(name)->AddObserver(&watcher);
    FileRecorder files;
    manager.AddObserver(&files);

    manager.RemoveFile("props.xml");
    EXPECT_EQ((std::vector<std::string>{"Lamp"}), watcher.destroyed);
    EXPECT_FALSE(manager.GetTemplate("Lamp"));

    manager.RemoveFiles();
    EXPECT_EQ((std::vector<std::string>{"Lamp", "Ghost", "Barrel", "Crate", "Zombie"}), watcher.destroyed);
    EXPECT_EQ((std::vector<std::string>{"removed props.xml", "removed DEFAULT", "removed monsters.xml"}), files.calls);
    EXPECT_TRUE(Files().empty());
    manager.RemoveObserver(&files);
    manager.RemoveObserver(&files);
}

TEST_F(TemplateManager, SavesEveryFileButDefaultInTemplateNameOrder)
{
    WriteData("monsters.xml", monsters);
    WriteData("props.xml", "<Entities><Lamp/></Entities>");
    manager.AddFile("monsters.xml");
    manager.AddFile("props.xml");
    manager.CreateTemplate("", "Ghost");

    // Changed in memory, then saved and read back by a fresh manager.
    const boost::shared_ptr<EntityTemplate> zombie = manager.GetTemplate("Zombie");
    zombie->SetAttribute("Health", "250");
    zombie->SetAttribute("Light", "Colour", "1 0 0 1");
    zombie->RemoveComponent("Body");
    manager.CreateTemplate("monsters.xml", "Abomination")->AddComponent("Mesh", {{"File", "big.mesh"}});
    manager.SaveFiles();

    EXPECT_FALSE(std::ifstream(DataDir().File("DEFAULT")).good());
    const std::string written = ::Test::ReadFile(DataDir().File("monsters.xml"));
    const std::size_t abomination = written.find("<Abomination"), barrel = written.find("<Barrel"),
                      crate = written.find("<Crate"), zombieAt = written.find("<Zombie");
    ASSERT_NE(std::string::npos, zombieAt) << written;
    EXPECT_LT(abomination, barrel);
    EXPECT_LT(barrel, crate);
    EXPECT_LT(crate, zombieAt);

    WriteData("monsters.xml", written);  // rescan only
    EntityTemplateManager reread;
    reread.AddFile("monsters.xml");
    reread.AddFile("props.xml");
    for (auto file = manager.GetFirstFile(); file != manager.GetEndFile(); ++file)
    {
        if (file->first == "DEFAULT")
            continue;
        for (const auto& entry : file->second)
        {
            const boost::shared_ptr<EntityTemplate> copy = reread.GetTemplate(entry.first);
            ASSERT_TRUE(copy) << entry.first;
            TiXmlPrinter expected, actual;
            entry.second->GetXmlElement().Accept(&expected);
            copy->GetXmlElement().Accept(&actual);
            EXPECT_EQ(expected.Str(), actual.Str());
        }
    }
    EXPECT_EQ(250, reread.GetTemplate("Zombie")->GetAttribute<int>("Health"));
    EXPECT_EQ((std::vector<std::string>{"Mesh", "Light"}), reread.GetTemplate("Zombie")->GetComponents());
}

TEST_F(TemplateManager, SavingAFileThatLeftTheResourcesFails)
{
    WriteData("monsters.xml", monsters);
    manager.AddFile("monsters.xml");
    std::remove(DataDir().File("monsters.xml").c_str());
    WriteData("other.xml", "<Entities/>");  // rescans the folder
    EXPECT_EQ("Error in Engine::EntityTemplateManager::SaveFiles(). Can't find 'monsters.xml' in any resource location",
              ::Test::ErrorOf([&] { manager.SaveFiles(); }));
}

TEST_F(TemplateManager, ValuesThatCannotBePlacedAreRefusedNamingTemplateFileAndValue)
{
    WriteData("poses.xml", "<Entities><Ghost Position='1 2 1e8' Rotation='0 0 0 0' Turn='0 0 2 0'>"
                           "<Sensor Size='1 1 1' Density='1e30'/></Ghost></Entities>");
    manager.AddFile("poses.xml");
    const boost::shared_ptr<EntityTemplate> ghost = manager.GetTemplate("Ghost");
    const std::string prefix = "Error in Engine::EntityTemplate::GetAttribute(). ";
    EXPECT_EQ(prefix + "Attribute 'Position' of template 'Ghost' in 'poses.xml' value '1 2 1e8' is not a usable "
                       "class Ogre::Vector3: a component is not finite or lies beyond +-1e7",
              ::Test::ErrorOf([&] { ghost->GetAttribute<Ogre::Vector3>("Position"); }));
    EXPECT_EQ(prefix + "Attribute 'Rotation' of template 'Ghost' in 'poses.xml' value '0 0 0 0' is not a usable "
                       "class Ogre::Quaternion: it has no direction (zero or non-finite length)",
              ::Test::ErrorOf([&] { ghost->GetAttribute<Ogre::Quaternion>("Rotation"); }));
    EXPECT_EQ(Ogre::Quaternion(0, 0, 1, 0), ghost->GetAttribute<Ogre::Quaternion>("Turn"));
    // A density of 1e30 makes masses whose first step leaves the body nowhere.
    EXPECT_EQ(prefix + "Component 'Sensor' attribute 'Density' of template 'Ghost' in 'poses.xml' value '1e30' is not "
                       "a usable float: it lies beyond +-1e7",
              ::Test::ErrorOf([&] { ghost->GetAttribute<float>("Sensor", "Density"); }));
    // Copies (the per-component settings an entity reads) keep where they came from.
    EntityTemplate copy(*ghost);
    copy.SetAttribute("Position", "0 1e30 0");
    EXPECT_EQ(prefix + "Attribute 'Position' of template 'Ghost' in 'poses.xml' value '0 1e30 0' is not a usable "
                       "class Ogre::Vector3: a component is not finite or lies beyond +-1e7",
              ::Test::ErrorOf([&] { copy.GetAttribute<Ogre::Vector3>("Position"); }));
}
