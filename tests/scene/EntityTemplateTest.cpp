#include "engine/core/Exception.h"
#include "tests/support/ErrorOf.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/IEntityTemplateObserver.h"

#include <functional>

#include <gtest/gtest.h>

using Engine::EntityTemplate;

namespace
{

    EntityTemplate Zombie()
    {
        TiXmlDocument document;
        document.Parse("<Zombie Health='100' Speed='2.5' Position='1 2 3' Rotation='1 0 0 0' Tint='0.5 0.5 0.5 1'"
                       " Short='1 2 3' Hidden='true' Flag='1'>"
                       "<Mesh File='zombie.mesh' CastShadows='true'/><Body Mass='80'/><Mesh File='second.mesh'/>"
                       "</Zombie>");
        return EntityTemplate(*document.FirstChildElement());
    }

    // Records every notification as text, and can run an action from inside one.
    struct Recorder : Engine::IEntityTemplateObserver
    {
        std::vector<std::string> calls;
        std::function<void ()> onCall;

        void Note(const std::string& text)
        {
            calls.push_back(text);
            if (onCall)
                onCall();
        }
        void OnAttributeChanged(EntityTemplate*, const std::string& a) override { Note("attribute " + a); }
        void OnComponentAttributeChanged(EntityTemplate*, const std::string& c, const std::string& a) override
        {
            Note("component attribute " + c + "." + a);
        }
        void OnComponentAdded(EntityTemplate*, const std::string& c) override { Note("added " + c); }
        void OnComponentRemoved(EntityTemplate*, const std::string& c) override { Note("removed " + c); }
        void OnTemplateDestroyed(EntityTemplate* t) override { Note("destroyed " + t->GetAsString()); }
    };
}

TEST(EntityTemplate, ReadsTypedAttributesFromTheirTextForm)
{
    const EntityTemplate tmpl = Zombie();
    EXPECT_EQ("Zombie", tmpl.GetAsString());
    EXPECT_EQ("100", tmpl.GetAttribute<std::string>("Health"));
    EXPECT_EQ(100, tmpl.GetAttribute<int>("Health"));
    EXPECT_FLOAT_EQ(2.5f, tmpl.GetAttribute<float>("Speed"));
    EXPECT_EQ(Ogre::Vector3(1, 2, 3), tmpl.GetAttribute<Ogre::Vector3>("Position"));
    EXPECT_EQ(Ogre::Quaternion::IDENTITY, tmpl.GetAttribute<Ogre::Quaternion>("Rotation"));
    EXPECT_EQ(Ogre::ColourValue(0.5f, 0.5f, 0.5f, 1.0f), tmpl.GetAttribute<Ogre::ColourValue>("Tint"));
    EXPECT_TRUE(tmpl.GetAttribute<bool>("Hidden"));
    EXPECT_TRUE(tmpl.GetAttribute<bool>("Mesh", "CastShadows"));
    EXPECT_EQ(80, tmpl.GetAttribute<int>("Body", "Mass"));
    // Lookups by component name take the first component of that name.
    EXPECT_EQ("zombie.mesh", tmpl.GetAttribute<std::string>("Mesh", "File"));
    EXPECT_EQ((std::vector<std::string>{"Mesh", "Body", "Mesh"}), tmpl.GetComponents());
    EXPECT_EQ((std::vector<std::string>{"Health", "Speed", "Position", "Rotation", "Tint", "Short", "Hidden", "Flag"}),
              tmpl.GetAttributeNames());
    EXPECT_TRUE(tmpl.HasAttribute("Body", "Mass"));
    EXPECT_FALSE(tmpl.HasAttribute("Body", "File"));
    EXPECT_TRUE(tmpl.HasComponent("Body"));
    EXPECT_FALSE(tmpl.HasComponent("Light"));
}

TEST(EntityTemplate, ReportsMissingAndUnconvertibleAttributesExactly)
{
    const EntityTemplate tmpl = Zombie();
    const std::string prefix = "Error in Engine::EntityTemplate::";
    EXPECT_EQ(prefix + "GetAttribute(). Unable to convert attribute 'Flag' to bool",
              ::Test::ErrorOf([&] { tmpl.GetAttribute<bool>("Flag"); }));
    EXPECT_TRUE(EntityTemplate(*Zombie().FirstChildElement("Mesh")).GetAttribute<bool>("CastShadows"));
    EXPECT_EQ(prefix + "GetAttribute(). Unable to convert attribute 'Hidden' to int",
              ::Test::ErrorOf([&] { tmpl.GetAttribute<int>("Hidden"); }));
    EXPECT_EQ(prefix + "GetAttribute(). Unable to convert attribute 'Hidden' to float",
              ::Test::ErrorOf([&] { tmpl.GetAttribute<float>("Hidden"); }));
    EXPECT_EQ(prefix + "GetAttribute(). Unable to convert attribute 'Hidden' to class Ogre::Vector3",
              ::Test::ErrorOf([&] { tmpl.GetAttribute<Ogre::Vector3>("Hidden"); }));
    EXPECT_EQ(prefix + "GetAttribute(). Unable to convert attribute 'Short' to class Ogre::Quaternion",
              ::Test::ErrorOf([&] { tmpl.GetAttribute<Ogre::Quaternion>("Short"); }));
    // All four numbers of a colour are required.
    EXPECT_EQ(prefix + "GetAttribute(). Unable to convert attribute 'Short' to class Ogre::ColourValue",
              ::Test::ErrorOf([&] { tmpl.GetAttribute<Ogre::ColourValue>("Short"); }));
    EXPECT_EQ(prefix + "GetAttribute(). Can't find entity template attribute 'Armour'",
              ::Test::ErrorOf([&] { tmpl.GetAttribute<std::string>("Armour"); }));
    EXPECT_EQ(prefix + "GetAttribute(). Can't find entity template attribute 'Armour'",
              ::Test::ErrorOf([&] { tmpl.GetAttribute<int>("Armour"); }));
    EXPECT_EQ(prefix + "GetAttribute(). Can't find entity definiton component 'Light'",
              ::Test::ErrorOf([&] { tmpl.GetAttribute<std::string>("Light", "Colour"); }));
    EXPECT_EQ(prefix + "GetAttribute(). Can't find entity template component 'Body' attribute 'File'",
              ::Test::ErrorOf([&] { tmpl.GetAttribute<bool>("Body", "File"); }));
    EXPECT_EQ(prefix + "GetAttribute(). Unable to convert component 'Mesh' attribute 'File' to bool",
              ::Test::ErrorOf([&] { tmpl.GetAttribute<bool>("Mesh", "File"); }));
    EXPECT_EQ(prefix + "HasAttribute(). Can't find entity definiton component 'Light'",
              ::Test::ErrorOf([&] { tmpl.HasAttribute("Light", "Colour"); }));
}

TEST(EntityTemplate, NotifiesObserversAfterEachChange)
{
    EntityTemplate tmpl = Zombie();
    Recorder first, second;
    tmpl.AddObserver(&first);
    tmpl.AddObserver(&second);

    second.onCall = [&] { EXPECT_EQ("true", tmpl.GetAttribute<std::string>("NoDisable")); second.onCall = nullptr; };
    tmpl.SetAttribute("NoDisable", true);
    tmpl.SetAttribute("NoDisable", false);
    EXPECT_EQ("false", tmpl.GetAttribute<std::string>("NoDisable"));
    tmpl.SetAttribute<std::string>("Health", "50");
    // A missing component is created, and only the attribute change is told.
    tmpl.SetAttribute("Light", "Colour", "1 1 1 1");
    EXPECT_EQ("1 1 1 1", tmpl.GetAttribute<std::string>("Light", "Colour"));
    tmpl.SetAttribute("Light", "Shadows", false);
    tmpl.AddComponent("Particle", {{"Name", "Blood"}, {"Emit", "false"}});
    EXPECT_EQ("Blood", tmpl.GetAttribute<std::string>("Particle", "Name"));
    tmpl.RemoveComponent("Sound");  // absent: nothing
    tmpl.RemoveComponent("Mesh");
    EXPECT_EQ("second.mesh", tmpl.GetAttribute<std::string>("Mesh", "File"));
    tmpl.RemoveAttribute("Health");  // never told
    EXPECT_FALSE(tmpl.HasAttribute("Health"));
    tmpl.OnDestroy();

    const std::vector<std::string> expected{"attribute NoDisable", "attribute NoDisable", "attribute Health",
                                            "component attribute Light.Colour", "component attribute Light.Shadows",
                                            "added Particle", "removed Mesh", "destroyed Zombie"};
    EXPECT_EQ(expected, first.calls);
    EXPECT_EQ(expected, second.calls);

    tmpl.RemoveObserver(&first);
    tmpl.RemoveObserver(&first);  // absent: nothing
    tmpl.AddComponent("Mesh");
    EXPECT_EQ(expected.size(), first.calls.size());
    EXPECT_EQ("added Mesh", second.calls.back());
}

TEST(EntityTemplate, ObserversChangingTheListDuringANotificationAreNeitherSkippedNorRepeated)
{
    EntityTemplate tmpl("Crate");
    Recorder a, b, c, late;
    tmpl.AddObserver(&a);
    tmpl.AddObserver(&b);
    tmpl.AddObserver(&c);

    // a removes itself and b; c still runs once, and a newcomer waits for the next change.
    a.onCall = [&] {
        tmpl.RemoveObserver(&a);
        tmpl.RemoveObserver(&b);
        tmpl.AddObserver(&late);
        a.onCall = nullptr;
    };
    tmpl.AddComponent("Mesh");
    EXPECT_EQ(1u, a.calls.size());
    EXPECT_TRUE(b.calls.empty());
    EXPECT_EQ(1u, c.calls.size());
    EXPECT_TRUE(late.calls.empty());

    tmpl.AddComponent("Body");
    EXPECT_EQ(1u, a.calls.size());
    EXPECT_EQ(2u, c.calls.size());
    EXPECT_EQ(1u, late.calls.size());
}

TEST(EntityTemplate, CopiesAreDeepAndKeepTheObservers)
{
    EntityTemplate original = Zombie();
    Recorder observer;
    original.AddObserver(&observer);

    EntityTemplate copy(original);
    copy.SetAttribute("Mesh", "File", "other.mesh");
    EXPECT_EQ("zombie.mesh", original.GetAttribute<std::string>("Mesh", "File"));
    EXPECT_EQ("other.mesh", copy.GetAttribute<std::string>("Mesh", "File"));
    EXPECT_EQ(1u, observer.calls.size());

    // Built from a plain element: the same content, nobody watching.
    EntityTemplate fromElement(original.GetXmlElement());
    fromElement.AddComponent("Light");
    EXPECT_EQ(1u, observer.calls.size());
    EXPECT_EQ(original.GetAttributeNames(), fromElement.GetAttributeNames());
}
