// The template files load through the engine's template manager, and every attribute the
// components read converts with the engine's own typed accessors.
#include <gtest/gtest.h>

#include "engine/scene/EntityTemplate.h"
#include "engine/scene/EntityTemplateManager.h"
#include "tests/data/GameData.h"

namespace
{
    class EngineReading : public ::Test::GameData::ResourceTest
    {
    };

    /// Reads every attribute of one component the way its component reads it: from a template
    /// whose own attributes are the component element's.
    void ReadComponent(const TiXmlElement& element)
    {
        const Engine::EntityTemplate c(element);
        const std::string type = element.Value();
        SCOPED_TRACE(type);
        auto read = [&](const char* name, auto probe) {
            if (c.HasAttribute(name))
            {
                EXPECT_NO_THROW(probe(name)) << name;
            }
        };
        auto asBool = [&](const char* n) { c.GetAttribute<bool>(n); };
        auto asInt = [&](const char* n) { c.GetAttribute<int>(n); };
        auto asFloat = [&](const char* n) { c.GetAttribute<float>(n); };
        auto asVector = [&](const char* n) { c.GetAttribute<Ogre::Vector3>(n); };
        auto asQuaternion = [&](const char* n) { c.GetAttribute<Ogre::Quaternion>(n); };
        auto asColour = [&](const char* n) { c.GetAttribute<Ogre::ColourValue>(n); };
        if (type == "Body")
        {
            EXPECT_TRUE(c.HasAttribute("Shape") && c.HasAttribute("Static"));
            read("Static", asBool);
            read("Group", asInt);
            read("Density", asFloat);
            read("FreezeRot", asVector);
            read("DisableGravity", asBool);
        }
        else if (type == "BoxSensor")
        {
            EXPECT_TRUE(c.HasAttribute("Size"));
            read("Size", asVector);
            read("Position", asVector);
            read("Orientation", asQuaternion);
        }
        else if (type == "Light")
        {
            for (const char* colour : {"Diffuse", "Specular", "Attenuation"})
                read(colour, asColour);
            read("Direction", asVector);
            read("Position", asVector);
            read("Power", asFloat);
            read("CastShadows", asBool);
        }
        else if (type == "ManualObject")
            read("CastShadows", asBool);
    }

    TEST_F(EngineReading, TemplateFilesLoadAndEveryTypedAttributeConverts)
    {
        const ::Test::GameData::Templates files = ::Test::GameData::LoadTemplates();
        Engine::EntityTemplateManager manager;
        TiXmlDocument scene = ::Test::GameData::Xml(::Test::GameData::Path("scenes/arena2.xml"));
        for (const TiXmlElement* f = scene.RootElement()->FirstChildElement("EntityTemplates")->FirstChildElement("File");
             f; f = f->NextSiblingElement("File"))
            ASSERT_NO_THROW(manager.AddFile(f->Attribute("Location"))) << f->Attribute("Location");

        for (const auto& [name, element] : files.byName)
        {
            SCOPED_TRACE(name);
            const boost::shared_ptr<Engine::EntityTemplate> tmpl = manager.GetTemplate(name);
            ASSERT_TRUE(tmpl);
            for (const char* attribute : {"Health", "MaxHealth", "Power", "MaxPower", "Speed"})
                if (tmpl->HasAttribute(attribute))
                {
                    EXPECT_NO_THROW(tmpl->GetAttribute<int>(attribute)) << attribute;
                }
            if (tmpl->HasAttribute("NoDisable"))
            {
                EXPECT_NO_THROW(tmpl->GetAttribute<bool>("NoDisable"));
            }
            EXPECT_FALSE(tmpl->GetComponents().empty());
            for (const TiXmlElement* c = element->FirstChildElement(); c; c = c->NextSiblingElement())
                ReadComponent(*c);
        }
    }
}
