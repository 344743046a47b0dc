#pragma once
// Component types that exist only in the tests, registered under their own keys, to drive the
// entity's loading rules. Every call is written to a shared journal ("Load:TestMesh", ...).
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "engine/scene/Entity.h"
#include "engine/scene/EntityComponentFactory.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/IEntityComponent.h"
#include "engine/scene/Scene.h"

#include <OgreManualObject.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

namespace Test
{
    inline std::vector<std::string>& Journal()
    {
        static std::vector<std::string> journal;
        return journal;
    }

    /// Puts a real object into the scene while loaded: a manual object named
    /// "<entity>/<id>" attached to the entity's node. Remembers the "Colour" attribute it was
    /// loaded with.
    class SceneObjectComponent : public Engine::IEntityComponent
    {
    public:
        explicit SceneObjectComponent(const std::string& id, bool affector = false) : id(id), affector(affector) {}

        void Load(Engine::Scene& scene, Engine::EntityTemplate& tmpl) override
        {
            Journal().push_back("Load:" + id);
            if (tmpl.HasAttribute("Colour"))
                colour = tmpl.GetAttribute<std::string>("Colour");
            object = scene.GetSceneManager()->createManualObject(ObjectName());
            GetOwner()->GetSceneNode()->attachObject(object);
        }
        void Unload(Engine::Scene& scene) override
        {
            Journal().push_back("Unload:" + id);
            if (object)
                scene.GetSceneManager()->destroyManualObject(object);
            object = nullptr;
        }
        std::string GetId() override { return id; }
        Engine::LoadStatus CheckLoadStatus(Engine::Entity&) override { return Engine::Ready; }
        void Update(float) override { Journal().push_back("Update:" + id); }
        bool IsAffector() const override { return affector; }

        std::string ObjectName() const { return GetOwner()->GetName() + "/" + id; }

        std::string id;
        bool affector;
        std::string colour;
        Ogre::ManualObject* object = nullptr;
    };

    /// An affector that waits for "TestBody", like a box sensor waits for a body.
    class SensorComponent : public SceneObjectComponent
    {
    public:
        SensorComponent() : SceneObjectComponent("TestSensor", true) {}
        Engine::LoadStatus CheckLoadStatus(Engine::Entity& entity) override
        {
            Journal().push_back("Check:TestSensor");
            return entity.HasComponent("TestBody") ? Engine::Ready : Engine::NotReady;
        }
    };

    class FailingComponent : public SceneObjectComponent
    {
    public:
        FailingComponent() : SceneObjectComponent("TestFail") {}
        Engine::LoadStatus CheckLoadStatus(Engine::Entity&) override { return Engine::Failed; }
    };

    /// Creates its scene object, then fails: the entity must still clean it up.
    class ThrowingComponent : public SceneObjectComponent
    {
    public:
        ThrowingComponent() : SceneObjectComponent("TestThrow") {}
        void Load(Engine::Scene& scene, Engine::EntityTemplate& tmpl) override
        {
            SceneObjectComponent::Load(scene, tmpl);
            throw std::runtime_error("TestThrow refuses to load");
        }
    };

    /// Changes its own template from inside its update (which rebuilds the components).
    class TemplateEditingComponent : public SceneObjectComponent
    {
    public:
        TemplateEditingComponent() : SceneObjectComponent("TestEdit") {}
        void Update(float seconds) override
        {
            SceneObjectComponent::Update(seconds);
            Engine::Entity* owner = GetOwner();
            owner->GetScene()->GetEntityTemplateManager().GetTemplate(owner->GetType())->SetAttribute(
                "TestMesh", "Colour", "edited");
        }
    };

    inline void RegisterTestComponents()
    {
        Engine::EntityComponentFactory& factory = Engine::EntityComponentFactory::GetSingleton();
        if (factory.IsRegistered("TestMesh"))
            return;
        factory.Register("TestMesh", [] {
            return boost::shared_ptr<Engine::IEntityComponent>(new SceneObjectComponent("TestMesh"));
        });
        factory.Register("TestLight", [] {
            return boost::shared_ptr<Engine::IEntityComponent>(new SceneObjectComponent("TestLight"));
        });
        factory.Register("TestBody", [] {
            return boost::shared_ptr<Engine::IEntityComponent>(new SceneObjectComponent("TestBody", true));
        });
        factory.Register("TestSensor", [] { return boost::shared_ptr<Engine::IEntityComponent>(new SensorComponent); });
        factory.Register("TestFail", [] { return boost::shared_ptr<Engine::IEntityComponent>(new FailingComponent); });
        factory.Register("TestThrow", [] { return boost::shared_ptr<Engine::IEntityComponent>(new ThrowingComponent); });
        factory.Register("TestEdit",
                         [] { return boost::shared_ptr<Engine::IEntityComponent>(new TemplateEditingComponent); });
    }
}
