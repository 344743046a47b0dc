// Scene files: loading, saving, the messages about broken files, resource locations.
#include "engine/core/Exception.h"
#include "engine/physics/Simulation.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/ISceneObserver.h"
#include "engine/scene/Scene.h"
#include "tests/scene/TestComponents.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SceneTest.h"

#include <memory>

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

using Engine::Entity;

namespace
{
    const char* const templates =
        "<Entities><Walker><TestMesh/></Walker><Statue NoDisable='true'><TestMesh/></Statue></Entities>";

    class SceneFileTest : public Test::SceneTest
    {
    protected:
        void SetUp() override
        {
            SceneTest::SetUp();
            ::Test::RegisterTestComponents();
            WriteData("walkers.xml", templates);
            capture.reset(new ::Test::LogCapture);   // after the renderer made its log manager
        }

        void TearDown() override
        {
            capture.reset();
            SceneTest::TearDown();
        }

        std::string Location() const { return DataDir().Path(); }

        std::string Header(const std::string& attributes = "Name='Yard'")
        {
            return "<Scene " + attributes + ">";
        }

        std::unique_ptr<::Test::LogCapture> capture;
        ::Test::LogCapture& Log() { return *capture; }
    };

    class Recorder : public Engine::ISceneObserver
    {
    public:
        void OnEntityAdded(Engine::Scene*, Entity*) override { calls.push_back("added"); }
        void OnEntityRemoved(Engine::Scene*, Entity*) override { calls.push_back("removed"); }
        void OnSceneSaved(Engine::Scene*) override { calls.push_back("saved"); }
        void OnSceneLoaded(Engine::Scene*) override { calls.push_back("loaded"); }
        void OnSceneCleared(Engine::Scene*) override { calls.push_back("cleared"); }
        std::vector<std::string> calls;
    };
}

TEST_F(SceneFileTest, LoadSaveLoadKeepsEntitiesTemplatesAndLocations)
{
    ::Test::TempDir other;
    Engine::Simulation::CreateSingleton(new Engine::Simulation);
    WriteData("yard.xml",
              "<?xml version='1.0'?>" + Header("Name='Yard' AmbientLight='0.2 0.3 0.4 1' GroundPlane='true'") +
                  "<ResourceLocations><ResourceLocation Location='" + other.Path() + "' Type='FileSystem'/>"
                  "</ResourceLocations>"
                  "<EntityTemplates><File Location='walkers.xml'/><File/></EntityTemplates>"
                  "<Entities><Entity Type='Walker' Position='1 2 3'/>"
                  "<Entity Type='Statue' Position='4 5 6' Rotation='0 0 1 0'/></Entities></Scene>");
    Engine::Scene& scene = GetScene();
    Recorder recorder;
    scene.AddObserver(&recorder);
    scene.Load("yard.xml");

    EXPECT_EQ("Yard", scene.GetName());
    EXPECT_EQ(Ogre::ColourValue(0.2f, 0.3f, 0.4f, 1), scene.GetAmbientLight());
    EXPECT_TRUE(Engine::Simulation::GetSingleton()->IsGroundPlaneEnabled());
    ASSERT_EQ(2u, scene.GetEntityCount());
    const boost::shared_ptr<Entity> walker = scene.GetEntities()[0];
    const boost::shared_ptr<Entity> statue = scene.GetEntities()[1];
    EXPECT_FALSE(walker->IsEnabled());     // streaming enables it later
    EXPECT_TRUE(statue->IsEnabled());
    EXPECT_EQ(Ogre::Vector3(4, 5, 6), statue->GetSceneNode()->getPosition());
    EXPECT_EQ((std::vector<std::string>{"cleared", "added", "added", "loaded"}), recorder.calls);

    const std::string saved = DataDir().File("saved.xml");
    scene.Save(saved);
    scene.Clear();
    EXPECT_FALSE(Engine::Simulation::GetSingleton()->IsGroundPlaneEnabled());
    EXPECT_TRUE(scene.GetResourceLocations().empty());
    // The colour the scene reports is the one it renders with, also after a clear.
    EXPECT_EQ(Ogre::ColourValue(0.2f, 0.3f, 0.4f, 1), scene.GetAmbientLight());
    EXPECT_EQ(Ogre::ColourValue(0.2f, 0.3f, 0.4f, 1), scene.GetSceneManager()->getAmbientLight());
    WriteData("copy.xml", ::Test::ReadFile(saved));
    scene.Load("copy.xml");

    EXPECT_EQ("Yard", scene.GetName());
    EXPECT_TRUE(Engine::Simulation::GetSingleton()->IsGroundPlaneEnabled());
    EXPECT_EQ((std::map<std::string, std::string>{{other.Path(), "FileSystem"}}), scene.GetResourceLocations());
    EXPECT_TRUE(scene.GetEntityTemplateManager().GetTemplate("Walker"));
    ASSERT_EQ(2u, scene.GetEntityCount());
    EXPECT_EQ("Walker", scene.GetEntities()[0]->GetType());
    EXPECT_EQ(Ogre::Vector3(1, 2, 3), scene.GetEntities()[0]->GetSceneNode()->getPosition());
    EXPECT_EQ("Statue", scene.GetEntities()[1]->GetType());
    EXPECT_TRUE(scene.GetEntities()[1]->GetSceneNode()->getOrientation().equals(Ogre::Quaternion(0, 0, 1, 0),
                                                                                  Ogre::Radian(1e-4f)));
    scene.RemoveObserver(&recorder);
    scene.Clear();
    Engine::Simulation::ReleaseSingleton();
}

TEST_F(SceneFileTest, BrokenFilesFailWithTheirMessages)
{
    Engine::Scene& scene = GetScene();
    EXPECT_EQ("Error in Engine::Scene::Load(). Unable to open scene 'nowhere.xml', ensure that the file exists "
              "within your resource locations",
              ::Test::ErrorOf([&] { scene.Load("nowhere.xml"); }));

    WriteData("bad.xml", "<Scene Name='x'>\n  <Entities>\n</Scene>");
    const std::string malformed = ::Test::ErrorOf([&] { scene.Load("bad.xml"); });
    EXPECT_NE(std::string::npos, malformed.find("Malformed scene file 'bad.xml' at row 3, column")) << malformed;

    WriteData("other.xml", "<Level Name='x'/>");
    EXPECT_EQ("Error in Engine::Scene::Load(). Malformed scene file 'other.xml': XML element 'Scene' could not be found",
              ::Test::ErrorOf([&] { scene.Load("other.xml"); }));
    // A file cut short inside its opening comment holds no element at all.
    WriteData("cut.xml", "<?xml version='1.0' ?>\n<!-- The arena: a yard");
    EXPECT_EQ("Error in Engine::Scene::Load(). Malformed scene file 'cut.xml': XML element 'Scene' could not be found",
              ::Test::ErrorOf([&] { scene.Load("cut.xml"); }));

    WriteData("untyped.xml", Header() + "<EntityTemplates><File Location='walkers.xml'/></EntityTemplates>"
                                        "<Entities><Entity Type='Walker' Position='0 0 0'/><Entity Position='1 1 1'/>"
                                        "</Entities></Scene>");
    EXPECT_EQ("Error in Engine::Entity::Load(). Entity has no attribute named 'Type'",
              ::Test::ErrorOf([&] { scene.Load("untyped.xml"); }));
    EXPECT_EQ(1u, scene.GetEntityCount());     // the one before stays; the broken one never joined
    scene.StreamEntities(100.0f);

    WriteData("placeless.xml", Header() + "<EntityTemplates><File Location='walkers.xml'/></EntityTemplates>"
                                          "<Entities><Entity Type='Walker'/></Entities></Scene>");
    EXPECT_EQ("Error in Engine::Entity::Load(). Walker has no attribute named 'Position'",
              ::Test::ErrorOf([&] { scene.Load("placeless.xml"); }));
    EXPECT_EQ(0u, scene.GetEntityCount());

    WriteData("broken-location.xml", Header() + "<ResourceLocations><ResourceLocation Location='/tmp' "
                                                "Type='Bogus'/></ResourceLocations></Scene>");
    const std::string location = ::Test::ErrorOf([&] { scene.Load("broken-location.xml"); });
    EXPECT_EQ(0u, location.find("Error in Engine::Scene::Load(). Can't add resource location '/tmp' of "
                                "type 'Bogus'")) << location;
}

TEST_F(SceneFileTest, IncompleteFilesWarnAndLoad)
{
    Engine::Scene& scene = GetScene();
    WriteData("bare.xml", "<Scene><ResourceLocations><ResourceLocation Type='FileSystem'/></ResourceLocations>"
                          "<Entities><Entity Type='Walker' Position='0 0 0'/></Entities></Scene>");
    // Without template files its entities have no templates.
    EXPECT_EQ("Error in Engine::Entity::Load(). Can't find a template for entity 'Walker'",
              ::Test::ErrorOf([&] { scene.Load("bare.xml"); }));
    EXPECT_TRUE(Log().Has("Warning in Engine::Scene::Load(): Scene 'bare.xml' has no entity template packages",
                        Ogre::LML_NORMAL));
    EXPECT_TRUE(Log().Has("Warning in Engine::Scene::Load(): Malformed resource location in scene 'bare.xml', "
                        "attributes 'Location' or 'Type' are missing",
                        Ogre::LML_NORMAL));
    // A scene without a name is unnamed.
    EXPECT_TRUE(Log().Has("Warning in Engine::Scene::Load(): Scene 'bare.xml' has no attribute 'Name', its name is "
                        "empty",
                        Ogre::LML_NORMAL));
    EXPECT_EQ("", scene.GetName());

    WriteData("empty.xml", Header() + "</Scene>");
    scene.Load("empty.xml");
    EXPECT_EQ("Yard", scene.GetName());
    EXPECT_TRUE(Log().Has("Warning in Engine::Scene::Load(): Scene 'empty.xml' has no resource locations", Ogre::LML_NORMAL));
}

TEST_F(SceneFileTest, ResourceLocationsAreAddedOnceWithOneType)
{
    Engine::Scene& scene = GetScene();
    ::Test::TempDir folder;
    scene.AddResourceLocation(folder.Path(), "FileSystem");
    scene.AddResourceLocation(folder.Path(), "FileSystem");
    EXPECT_TRUE(Log().Has("Warning in Engine::Scene::AddResourceLocation(): Skipping resource location '" +
                            folder.Path() + "', it has already been added (types match).",
                        Ogre::LML_NORMAL));
    EXPECT_EQ("Error in Engine::Scene::AddResourceLocation(). Resource location '" + folder.Path() +
                  "' already exists, but their types differ: 'Zip' (new) and 'FileSystem' (old)",
              ::Test::ErrorOf([&] { scene.AddResourceLocation(folder.Path(), "Zip"); }));
    EXPECT_EQ("FileSystem", scene.GetResourceLocations().at(folder.Path()));

    scene.RemoveResourceLocation(folder.Path());
    EXPECT_TRUE(scene.GetResourceLocations().empty());
    EXPECT_EQ("Error in Engine::Scene::RemoveResourceLocation(). Can't find resource location '" + folder.Path() + "'",
              ::Test::ErrorOf([&] { scene.RemoveResourceLocation(folder.Path()); }));
}

TEST_F(SceneFileTest, PosesThatCannotBePlacedAreRefusedNamingFileRowAndValue)
{
    Engine::Scene& scene = GetScene();
    auto load = [&](const std::string& entity) {
        WriteData("pose.xml", Header() + "<EntityTemplates><File Location='walkers.xml'/></EntityTemplates>\n"
                                         "<Entities>\n" + entity + "</Entities></Scene>");
        return ::Test::ErrorOf([&] { scene.Load("pose.xml"); });
    };
    const std::string where = "Error in Engine::Entity::Load(). 'pose.xml' row 3: Walker attribute ";
    EXPECT_EQ(where + "'Position' value 'nan 0 0' is not finite or lies beyond +-1e7",
              load("<Entity Type='Walker' Position='nan 0 0'/>"));
    EXPECT_EQ(where + "'Position' value '0 -inf 0' is not finite or lies beyond +-1e7",
              load("<Entity Type='Walker' Position='0 -inf 0'/>"));
    EXPECT_EQ(where + "'Position' value '0 0 1e30' is not finite or lies beyond +-1e7",
              load("<Entity Type='Walker' Position='0 0 1e30'/>"));
    EXPECT_EQ(where + "'Rotation' value '0 0 0 0' gives no direction (zero or non-finite length)",
              load("<Entity Type='Walker' Position='0 0 0' Rotation='0 0 0 0'/>"));
    EXPECT_EQ(where + "'Rotation' value '1 nan 0 0' gives no direction (zero or non-finite length)",
              load("<Entity Type='Walker' Position='0 0 0' Rotation='1 nan 0 0'/>"));
    EXPECT_EQ(0u, scene.GetEntityCount());

    // Rotations that are only scaled are brought to unit length, however large they are.
    EXPECT_EQ("(nothing thrown)", load("<Entity Type='Walker' Position='1 2 3' Rotation='3e38 0 3e38 0'/>"
                                       "<Entity Type='Walker' Position='1e7 0 0' Rotation='0.7071 0 0.7071 0'/>"));
    ASSERT_EQ(2u, scene.GetEntityCount());
    for (const auto& entity : scene.GetEntities())
    {
        const Ogre::Quaternion q = entity->GetSceneNode()->getOrientation();
        EXPECT_NEAR(1.0f, q.Norm(), 1e-5f);
        EXPECT_NEAR(q.w, q.y, 1e-4f);
    }
}

TEST_F(SceneFileTest, FilesNestedTooDeeplyAreRefused)
{
    std::string open, close;
    for (int i = 0; i < 4000; ++i)
    {
        open += "<Entities>";
        close += "</Entities>";
    }
    WriteData("deep.xml", Header() + open + close + "</Scene>");
    EXPECT_EQ("Error in Engine::Scene::Load(). Malformed scene file 'deep.xml': its elements nest deeper than 256 "
              "levels",
              ::Test::ErrorOf([&] { GetScene().Load("deep.xml"); }));
    WriteData("deep-templates.xml", "<Entities><Walker>" + open + "</Walker></Entities>");
    EXPECT_EQ("Error in Engine::EntityTemplateManager::AddFile(). Malformed XML in 'deep-templates.xml': its elements "
              "nest deeper than 256 levels",
              ::Test::ErrorOf([&] { GetScene().GetEntityTemplateManager().AddFile("deep-templates.xml"); }));
}
