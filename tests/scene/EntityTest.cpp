#include "engine/core/Exception.h"
#include "tests/support/ErrorOf.h"
#include "engine/logic/Event.h"
#include "engine/logic/IEventListener.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/Scene.h"
#include "tests/scene/TestComponents.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SceneTest.h"

#include <functional>

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

using Engine::Entity;
using Engine::EntityTemplate;
using Test::Journal;

namespace
{
    const char* const templates =
        "<Entities>\n"
        "  <Zombie Health='100' Speed='3' Position='5 6 7'>\n"
        "    <TestMesh Colour='green'/><TestLight/>\n"
        "  </Zombie>\n"
        "  <Crate Health='strong'><TestMesh/></Crate>\n"
        "  <Statue NoDisable='true'><TestMesh/></Statue>\n"
        "  <Sentry><TestMesh/><TestSensor/><TestBody/></Sentry>\n"
        "  <Turret><TestSensor/><TestLight/></Turret>\n"
        "  <Broken><TestMesh/><TestFail/><TestLight/></Broken>\n"
        "  <Unknown><TestMesh/><Hovercraft/></Unknown>\n"
        "  <Cursed><TestMesh/><TestThrow/><TestLight/></Cursed>\n"
        "  <Twin><TestMesh Colour='red'/><TestMesh Colour='blue'/></Twin>\n"
        "  <Editor><TestEdit/><TestMesh/></Editor>\n"
        "</Entities>\n";

    class EntityTest : public Test::SceneTest
    {
    protected:
        void SetUp() override
        {
            SceneTest::SetUp();
            ::Test::RegisterTestComponents();
            Journal().clear();
            WriteData("test.xml", templates);
            GetScene().GetEntityTemplateManager().AddFile("test.xml");
        }

        boost::shared_ptr<Entity> Make(const std::string& type, const Ogre::Vector3& position = Ogre::Vector3::ZERO)
        {
            return Entity::Create(GetScene(), "e" + std::to_string(++count), type, position);
        }

        bool InScene(const std::string& objectName)
        {
            return GetScene().GetSceneManager()->hasManualObject(objectName);
        }

        static bool Attached(const Entity& entity) { return entity.GetSceneNode()->getParent() != nullptr; }


        int count = 0;
    };

    ::Test::SceneObjectComponent& Component(const Entity& entity, const std::string& id)
    {
        return dynamic_cast<::Test::SceneObjectComponent&>(*entity.GetComponent(id));
    }

    struct Counter : Engine::IEventListener
    {
        int events = 0;
        void OnEvent(int, boost::shared_ptr<Engine::Event>) override { ++events; }
    };
}

TEST_F(EntityTest, StartsDisabledAtItsPositionWithTheTemplateIntegers)
{
    Entity::RegisterAttributeInt("Health");
    const boost::shared_ptr<Entity> zombie = Make("Zombie", Ogre::Vector3(1, 2, 3));
    Entity::RegisterAttributeInt("Speed");  // too late for the zombie

    EXPECT_EQ("Zombie", zombie->GetType());
    EXPECT_EQ("e1", zombie->GetName());
    EXPECT_EQ(zombie.get(), zombie->GetInternalWeakPtr().lock().get());
    EXPECT_EQ(&GetScene(), zombie->GetScene());
    EXPECT_FALSE(zombie->IsEnabled());
    EXPECT_TRUE(zombie->IsDisablable());
    EXPECT_FALSE(Attached(*zombie));
    EXPECT_EQ(Ogre::Vector3(1, 2, 3), zombie->GetSceneNode()->getPosition());
    EXPECT_EQ(Ogre::Quaternion::IDENTITY, zombie->GetSceneNode()->getOrientation());
    EXPECT_FALSE(zombie->HasComponent("TestMesh"));
    EXPECT_EQ(100, zombie->GetAttributeInt("Health"));
    EXPECT_FALSE(zombie->HasAttribute("Speed"));
    EXPECT_EQ("Error in Engine::Entity::GetAttributeInt(). Can't find entity integer attribute 'Speed'",
              ::Test::ErrorOf([&] { zombie->GetAttributeInt("Speed"); }));
    zombie->SetAttributeInt("Speed", 4);
    EXPECT_EQ(4, zombie->GetAttributeInt("Speed"));
    EXPECT_TRUE(Make("Zombie")->HasAttribute("Speed"));

    const Ogre::AxisAlignedBox& bounds = zombie->GetBoundingBox();
    EXPECT_EQ(Ogre::Vector3(-0.01f, -0.01f, -0.01f), bounds.getMinimum());
    zombie->NotifyBoundsAffector(Ogre::AxisAlignedBox(Ogre::Vector3(-1, 0, 0), Ogre::Vector3(0, 2, 0)));
    EXPECT_EQ(Ogre::Vector3(-1, -0.01f, -0.01f), zombie->GetBoundingBox().getMinimum());
    EXPECT_EQ(Ogre::Vector3(0.01f, 2, 0.01f), zombie->GetBoundingBox().getMaximum());
}

TEST_F(EntityTest, CreationFailuresLeaveNothingBehind)
{
    Ogre::SceneManager* manager = GetScene().GetSceneManager();
    EXPECT_EQ("Error in Engine::Entity::Entity(). Can't find a template for entity 'Dragon'",
              ::Test::ErrorOf([&] { Entity::Create(GetScene(), "dragon", "Dragon", Ogre::Vector3::ZERO); }));
    EXPECT_FALSE(manager->hasSceneNode("dragon"));

    Entity::RegisterAttributeInt("Health");
    EXPECT_EQ("Error in Engine::EntityTemplate::GetAttribute(). Unable to convert attribute 'Health' to int",
              ::Test::ErrorOf([&] { Entity::Create(GetScene(), "crate", "Crate", Ogre::Vector3::ZERO); }));
    EXPECT_FALSE(manager->hasSceneNode("crate"));
    // The failed entity does not linger as an observer of the template.
    GetScene().GetEntityTemplateManager().GetTemplate("Crate")->AddComponent("TestLight");
}

TEST_F(EntityTest, EnableBuildsComponentsAndDisableTakesThemAway)
{
    const boost::shared_ptr<Entity> zombie = Make("Zombie");
    Counter counter;
    zombie->GetEventQueue().AddListener(&counter, -1);

    zombie->Enable();
    EXPECT_TRUE(zombie->IsEnabled());
    EXPECT_TRUE(Attached(*zombie));
    EXPECT_EQ(GetScene().GetSceneManager()->getRootSceneNode(), zombie->GetSceneNode()->getParent());
    ASSERT_TRUE(zombie->HasComponent("TestMesh"));
    EXPECT_TRUE(InScene("e1/TestMesh"));
    EXPECT_TRUE(InScene("e1/TestLight"));
    EXPECT_EQ("green", Component(*zombie, "TestMesh").colour);
    EXPECT_EQ(zombie.get(), zombie->GetComponent("TestMesh")->GetOwner());
    EXPECT_FALSE(zombie->GetComponent("TestBody"));
    zombie->Enable();  // already enabled: nothing
    EXPECT_EQ((std::vector<std::string>{"Load:TestMesh", "Load:TestLight"}), Journal());

    zombie->Update(0.1f);
    EXPECT_EQ((std::vector<std::string>{"Load:TestMesh", "Load:TestLight", "Update:TestLight", "Update:TestMesh"}),
              Journal());

    zombie->Disable();
    EXPECT_FALSE(zombie->IsEnabled());
    EXPECT_FALSE(Attached(*zombie));
    EXPECT_FALSE(zombie->HasComponent("TestMesh"));
    EXPECT_FALSE(InScene("e1/TestMesh"));
    EXPECT_FALSE(InScene("e1/TestLight"));

    // A disabled entity drops its events; enabled again, it takes them.
    const boost::shared_ptr<Entity> other = Make("Crate");
    zombie->GetEventQueue().PostEvent(Engine::CONTACT_START, boost::shared_ptr<Engine::Event>(new Engine::Event(zombie, other)));
    zombie->Enable();
    zombie->GetEventQueue().PostEvent(Engine::CONTACT_START, boost::shared_ptr<Engine::Event>(new Engine::Event(zombie, other)));
    zombie->Update(0.1f);
    EXPECT_EQ(1, counter.events);
    zombie->GetEventQueue().RemoveListener(&counter, -1);
}

TEST_F(EntityTest, NonDisablableEntitiesStayEnabled)
{
    const boost::shared_ptr<Entity> statue = Make("Statue");
    EXPECT_FALSE(statue->IsDisablable());
    statue->Enable();
    statue->Disable();
    EXPECT_TRUE(statue->IsEnabled());
    EXPECT_TRUE(InScene(statue->GetName() + "/TestMesh"));

    // The scene element can say so as well; the template cannot undo it.
    const boost::shared_ptr<Entity> zombie = Entity::Create(GetScene(), "z");
    TiXmlElement element("Entity");
    element.SetAttribute("Type", "Zombie");
    element.SetAttribute("Position", "1 2 3");
    element.SetAttribute("NoDisable", "true");
    zombie->Load(element);
    EXPECT_FALSE(zombie->IsDisablable());
}

TEST_F(EntityTest, AffectorsLoadAfterEverythingElseAndMayWaitForEachOther)
{
    ::Test::LogCapture log;
    const boost::shared_ptr<Entity> sentry = Make("Sentry");
    sentry->Enable();
    EXPECT_EQ((std::vector<std::string>{"Load:TestMesh", "Check:TestSensor", "Load:TestBody", "Check:TestSensor",
                                        "Load:TestSensor"}),
              Journal());
    EXPECT_TRUE(log.Has("Warning in Engine::Entity::LoadComponents(): Unable to load component 'TestSensor', retrying...",
                        Ogre::LML_NORMAL));
    EXPECT_EQ(1, log.Count("retrying..."));
    EXPECT_TRUE(sentry->HasComponent("TestSensor"));

    // Unloading takes the affectors first, then the rest, each group in id order.
    Journal().clear();
    sentry->Disable();
    EXPECT_EQ((std::vector<std::string>{"Unload:TestBody", "Unload:TestSensor", "Unload:TestMesh"}), Journal());
}

TEST_F(EntityTest, ComponentsThatCannotLoadAreLoggedAndDropped)
{
    ::Test::LogCapture log;
    const boost::shared_ptr<Entity> turret = Make("Turret");
    turret->Enable();
    EXPECT_EQ(2, log.Count("retrying..."));
    EXPECT_TRUE(log.Has("Error in Engine::Entity::LoadComponents(): Unable to load component 'TestSensor', tried 3 "
                        "times but failed.",
                        Ogre::LML_CRITICAL));
    EXPECT_TRUE(turret->IsEnabled());
    EXPECT_TRUE(turret->HasComponent("TestLight"));
    EXPECT_FALSE(turret->HasComponent("TestSensor"));

    const boost::shared_ptr<Entity> broken = Make("Broken");
    broken->Enable();
    EXPECT_TRUE(log.Has("Error in Engine::Entity::LoadComponents(): Unable to load component 'TestFail'",
                        Ogre::LML_CRITICAL));
    EXPECT_TRUE(broken->HasComponent("TestMesh"));
    EXPECT_TRUE(broken->HasComponent("TestLight"));
    EXPECT_FALSE(broken->HasComponent("TestFail"));
}

TEST_F(EntityTest, AFailedEnableLeavesTheEntityAsItWas)
{
    const boost::shared_ptr<Entity> unknown = Make("Unknown");
    EXPECT_EQ("Error in Engine::Factory<class Engine::IEntityComponent,class std::basic_string<char,struct "
              "std::char_traits<char>,class std::allocator<char> >,class boost::shared_ptr<class "
              "Engine::IEntityComponent> >::Create(). No allocator found for Hovercraft",
              ::Test::ErrorOf([&] { unknown->Enable(); }));
    EXPECT_FALSE(unknown->IsEnabled());
    EXPECT_FALSE(Attached(*unknown));

    const boost::shared_ptr<Entity> cursed = Make("Cursed");
    EXPECT_THROW(cursed->Enable(), std::runtime_error);
    EXPECT_FALSE(cursed->IsEnabled());
    EXPECT_FALSE(Attached(*cursed));
    EXPECT_FALSE(cursed->HasComponent("TestMesh"));
    EXPECT_FALSE(InScene(cursed->GetName() + "/TestMesh"));
    EXPECT_FALSE(InScene(cursed->GetName() + "/TestThrow"));

    const boost::shared_ptr<Entity> orphan = Make("Zombie");
    GetScene().GetEntityTemplateManager().RemoveTemplate("Zombie");
    EXPECT_EQ("Error in Engine::Entity::Enable(). Can't find a template for entity 'Zombie'",
              ::Test::ErrorOf([&] { orphan->Enable(); }));
    EXPECT_FALSE(Attached(*orphan));
}

TEST_F(EntityTest, AComponentReplacedByOneOfTheSameIdIsUnloaded)
{
    const boost::shared_ptr<Entity> twin = Make("Twin");
    twin->Enable();
    EXPECT_EQ("blue", Component(*twin, "TestMesh").colour);
    EXPECT_EQ((std::vector<std::string>{"Load:TestMesh", "Unload:TestMesh", "Load:TestMesh"}), Journal());
    EXPECT_TRUE(InScene(twin->GetName() + "/TestMesh"));
    twin->Disable();
    EXPECT_FALSE(InScene(twin->GetName() + "/TestMesh"));
}

TEST_F(EntityTest, TemplateChangesReachTheEntity)
{
    const boost::shared_ptr<EntityTemplate> tmpl = GetScene().GetEntityTemplateManager().GetTemplate("Zombie");
    const boost::shared_ptr<Entity> awake = Make("Zombie");
    const boost::shared_ptr<Entity> asleep = Make("Zombie");
    awake->Enable();
    Journal().clear();

    tmpl->SetAttribute("TestMesh", "Colour", "purple");
    EXPECT_EQ("purple", Component(*awake, "TestMesh").colour);
    EXPECT_EQ((std::vector<std::string>{"Unload:TestLight", "Unload:TestMesh", "Load:TestMesh", "Load:TestLight"}),
              Journal());
    tmpl->AddComponent("TestBody");
    EXPECT_TRUE(awake->HasComponent("TestBody"));
    tmpl->RemoveComponent("TestLight");
    EXPECT_FALSE(awake->HasComponent("TestLight"));
    EXPECT_FALSE(InScene(awake->GetName() + "/TestLight"));
    // A disabled entity builds nothing until it is enabled.
    EXPECT_FALSE(asleep->HasComponent("TestMesh"));
    EXPECT_FALSE(InScene(asleep->GetName() + "/TestMesh"));

    tmpl->SetAttribute("Position", "9 8 7");
    EXPECT_EQ(Ogre::Vector3(9, 8, 7), awake->GetSceneNode()->getPosition());
    tmpl->SetAttribute("Rotation", "0 1 0 0");
    EXPECT_EQ(Ogre::Quaternion(0, 1, 0, 0), asleep->GetSceneNode()->getOrientation());

    // A template that goes away takes its entities' events with it.
    const boost::shared_ptr<Entity> other = Make("Crate");
    GetScene().GetEntityTemplateManager().RemoveTemplate("Zombie");
    awake->GetEventQueue().PostEvent(0, boost::shared_ptr<Engine::Event>(new Engine::Event(awake, other)));
    EXPECT_EQ(0u, awake->GetEventQueue().GetPendingCount());
}

TEST_F(EntityTest, AComponentMayChangeItsTemplateDuringItsUpdate)
{
    const boost::shared_ptr<Entity> editor = Make("Editor");
    editor->Enable();
    Journal().clear();
    editor->Update(0.1f);
    // "TestEdit" runs, the rebuild happens, and the update carries on after "TestEdit".
    EXPECT_EQ((std::vector<std::string>{"Update:TestEdit", "Unload:TestEdit", "Unload:TestMesh", "Load:TestEdit",
                                        "Load:TestMesh", "Update:TestMesh"}),
              Journal());
    EXPECT_EQ("edited", Component(*editor, "TestMesh").colour);
}

TEST_F(EntityTest, LoadsAndSavesSceneElements)
{
    const boost::shared_ptr<Entity> entity = Entity::Create(GetScene(), "loaded");
    EXPECT_TRUE(entity->GetType().empty());
    TiXmlElement element("Entity");
    EXPECT_EQ("Error in Engine::Entity::Load(). Entity has no attribute named 'Type'",
              ::Test::ErrorOf([&] { entity->Load(element); }));
    element.SetAttribute("Type", "Dragon");
    EXPECT_EQ("Error in Engine::Entity::Load(). Dragon has no attribute named 'Position'",
              ::Test::ErrorOf([&] { entity->Load(element); }));
    element.SetAttribute("Position", "1 2 3");
    EXPECT_EQ("Error in Engine::Entity::Load(). Can't find a template for entity 'Dragon'",
              ::Test::ErrorOf([&] { entity->Load(element); }));
    EXPECT_TRUE(entity->GetType().empty());
    EXPECT_EQ(Ogre::Vector3::ZERO, entity->GetSceneNode()->getPosition());

    element.SetAttribute("Type", "Zombie");
    entity->Load(element);
    EXPECT_EQ("Zombie", entity->GetType());
    EXPECT_EQ(Ogre::Vector3(1, 2, 3), entity->GetSceneNode()->getPosition());
    EXPECT_EQ(Ogre::Quaternion::IDENTITY, entity->GetSceneNode()->getOrientation());
    EXPECT_TRUE(entity->IsDisablable());
    entity->Enable();
    EXPECT_TRUE(entity->HasComponent("TestMesh"));

    entity->GetSceneNode()->setOrientation(Ogre::Quaternion(0, 0, 1, 0));
    TiXmlElement saved("Entities");
    entity->Save(saved);
    const TiXmlElement* written = saved.FirstChildElement("Entity");
    ASSERT_TRUE(written);
    EXPECT_EQ("Zombie", *written->Attribute(std::string("Type")));
    EXPECT_EQ("1 2 3", *written->Attribute(std::string("Position")));
    EXPECT_EQ("0 0 1 0", *written->Attribute(std::string("Rotation")));

    // What was saved loads back to the same place.
    const boost::shared_ptr<Entity> again = Entity::Create(GetScene(), "again");
    again->Load(*written);
    EXPECT_EQ(Ogre::Vector3(1, 2, 3), again->GetSceneNode()->getPosition());
    EXPECT_EQ(Ogre::Quaternion(0, 0, 1, 0), again->GetSceneNode()->getOrientation());
}

TEST_F(EntityTest, DestroyAndReleaseCleanUp)
{
    Ogre::SceneManager* manager = GetScene().GetSceneManager();
    boost::shared_ptr<Entity> zombie = Make("Zombie");
    const boost::shared_ptr<Entity> other = Make("Crate");
    zombie->Enable();
    zombie->Destroy();
    zombie->GetEventQueue().PostEvent(0, boost::shared_ptr<Engine::Event>(new Engine::Event(zombie, other)));
    EXPECT_EQ(0u, zombie->GetEventQueue().GetPendingCount());

    const boost::weak_ptr<Entity> watch = zombie;
    zombie.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(manager->hasSceneNode("e1"));
    EXPECT_FALSE(InScene("e1/TestMesh"));
    EXPECT_EQ(0u, manager->getRootSceneNode()->numChildren());
    // The released entity no longer watches its template.
    GetScene().GetEntityTemplateManager().GetTemplate("Zombie")->AddComponent("TestBody");

    // Without an application there is no rule system: damage is ignored.
    other->TakeDamage(10, Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_X);
}

TEST_F(EntityTest, AnEntityHeldBeyondItsSceneIsReleasedWithIt)
{
    const boost::shared_ptr<Entity> survivor = Make("Zombie");
    survivor->Enable();
    scene.reset();
    Engine::Scene::ReleaseSingleton();
    EXPECT_EQ(nullptr, survivor->GetScene());
    EXPECT_EQ(nullptr, survivor->GetSceneNode());
    EXPECT_FALSE(survivor->HasComponent("TestMesh"));
    EXPECT_EQ((std::vector<std::string>{"Load:TestMesh", "Load:TestLight", "Unload:TestLight", "Unload:TestMesh"}),
              Journal());
    survivor->Destroy();
    survivor->Disable();
}
