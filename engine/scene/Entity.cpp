#include "engine/scene/Entity.h"
#include "engine/scene/EntityComponentFactory.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/IEntityComponent.h"
#include "engine/scene/Scene.h"
#include "engine/core/Application.h"
#include "engine/core/Error.h"
#include "engine/core/IRuleSystem.h"
#include "engine/core/OgreStreams.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreStringConverter.h>
#include <tinyxml.h>

namespace Engine
{
    namespace
    {
        // "'arena2.xml' row 12: " for an element of a parsed file (the document carries the
        // file's name), empty for an element built in memory.
        std::string WhereInFile(const TiXmlElement& element)
        {
            const TiXmlDocument* document = element.GetDocument();
            if (!document || document->ValueStr().empty())
                return std::string();
            return "'" + document->ValueStr() + "' row " + Ogre::StringConverter::toString(element.Row()) + ": ";
        }
    }

    std::set<std::string> Entity::attributeRegistryInt_;

    Entity::Entity(Scene& owner, const std::string& name, Ogre::SceneNode* parent)
        : userCallback(nullptr), sceneNode(nullptr), parentNode(nullptr), scene(&owner),
          bounds(Ogre::Vector3(-0.01f, -0.01f, -0.01f), Ogre::Vector3(0.01f, 0.01f, 0.01f)), enabled(false),
          disablable(true), componentsVersion(0)
    {
        Ogre::SceneManager* manager = owner.GetSceneManager();
        parentNode = parent ? parent : manager->getRootSceneNode();
        sceneNode = manager->createSceneNode(name);
        owner.members.insert(this);
    }

    Entity::~Entity()
    {
        try
        {
            Release();
        }
        catch (const std::exception& error)
        {
            LogCritical(std::string("Error in Engine::Entity::~Entity(). ") + error.what());
        }
        catch (...)
        {
            LogCritical("Error in Engine::Entity::~Entity(). Unknown error while releasing the entity");
        }
    }

    boost::shared_ptr<Entity> Entity::Create(Scene& scene, const std::string& name, Ogre::SceneNode* parent)
    {
        boost::shared_ptr<Entity> entity(new Entity(scene, name, parent));
        entity->selfWeak = entity;
        return entity;
    }

    boost::shared_ptr<Entity> Entity::Create(Scene& scene, const std::string& name, const std::string& type,
                                             const Ogre::Vector3& position, Ogre::SceneNode* parent)
    {
        // Everything that can fail is read before the entity and its node exist.
        const boost::shared_ptr<EntityTemplate> tmpl = scene.GetEntityTemplateManager().GetTemplate(type);
        if (!tmpl)
            ThrowError("Engine::Entity::Entity", "Can't find a template for entity '" + type + "'");
        const TemplateSettings settings = ReadTemplate(*tmpl);

        boost::shared_ptr<Entity> entity(new Entity(scene, name, parent));
        entity->selfWeak = entity;
        entity->type = type;
        entity->disablable = !settings.noDisable;
        entity->intAttributes = settings.intAttributes;
        entity->sceneNode->setPosition(position);
        entity->WatchTemplate(tmpl);
        return entity;
    }

    Entity::TemplateSettings Entity::ReadTemplate(const EntityTemplate& tmpl)
    {
        TemplateSettings settings;
        settings.noDisable = tmpl.HasAttribute("NoDisable") && tmpl.GetAttribute<bool>("NoDisable");
        for (const std::string& name : attributeRegistryInt_)
            if (tmpl.HasAttribute(name))
                settings.intAttributes[name] = tmpl.GetAttribute<int>(name);
        return settings;
    }

    void Entity::WatchTemplate(const boost::shared_ptr<EntityTemplate>& tmpl)
    {
        const boost::shared_ptr<EntityTemplate> watched = watchedTemplate.lock();
        if (watched == tmpl)
            return;
        if (watched)
            watched->RemoveObserver(this);
        tmpl->AddObserver(this);
        watchedTemplate = tmpl;
    }

    boost::shared_ptr<EntityTemplate> Entity::FindTemplate() const
    {
        return scene->GetEntityTemplateManager().GetTemplate(type);
    }

    void Entity::Load(const TiXmlElement& element)
    {
        const std::string* typeText = element.Attribute(std::string("Type"));
        if (!typeText)
            ThrowError("Engine::Entity::Load", "Entity has no attribute named 'Type'");
        const std::string* positionText = element.Attribute(std::string("Position"));
        if (!positionText)
            ThrowError("Engine::Entity::Load", *typeText + " has no attribute named 'Position'");
        const Ogre::Vector3 position = Ogre::StringConverter::parseVector3(*positionText);
        if (!IsUsableVector(position))
            ThrowError("Engine::Entity::Load", WhereInFile(element) + *typeText + " attribute 'Position' value '" +
                                                   *positionText + "' is not finite or lies beyond +-1e7");
        const std::string* rotationText = element.Attribute(std::string("Rotation"));
        Ogre::Quaternion rotation =
            rotationText ? Ogre::StringConverter::parseQuaternion(*rotationText) : Ogre::Quaternion::IDENTITY;
        if (!MakeUnitRotation(rotation))
            ThrowError("Engine::Entity::Load", WhereInFile(element) + *typeText + " attribute 'Rotation' value '" +
                                                   *rotationText + "' gives no direction (zero or non-finite length)");
        const std::string* noDisableText = element.Attribute(std::string("NoDisable"));
        const bool elementDisablable = !(noDisableText && *noDisableText == "true");

        if (!scene)
            ThrowError("Engine::Entity::Load", "Entity '" + GetName() + "' no longer belongs to a scene");
        const boost::shared_ptr<EntityTemplate> tmpl = scene->GetEntityTemplateManager().GetTemplate(*typeText);
        if (!tmpl)
            ThrowError("Engine::Entity::Load", "Can't find a template for entity '" + *typeText + "'");
        const TemplateSettings settings = ReadTemplate(*tmpl);

        type = *typeText;
        sceneNode->setPosition(position);
        sceneNode->setOrientation(rotation);
        disablable = elementDisablable && !settings.noDisable;
        for (const auto& attribute : settings.intAttributes)
            intAttributes[attribute.first] = attribute.second;
        WatchTemplate(tmpl);
    }

    void Entity::Save(TiXmlElement& parent) const
    {
        TiXmlElement element("Entity");
        element.SetAttribute("Type", type);
        element.SetAttribute("Position", ToString(sceneNode->getPosition()));
        element.SetAttribute("Rotation", ToString(sceneNode->getOrientation()));
        parent.InsertEndChild(element);
    }

    void Entity::Enable()
    {
        if (enabled || !scene)
            return;
        const boost::shared_ptr<EntityTemplate> tmpl = FindTemplate();
        if (!tmpl)
            ThrowError("Engine::Entity::Enable", "Can't find a template for entity '" + type + "'");

        parentNode->addChild(sceneNode);
        try
        {
            LoadComponents(*tmpl);
        }
        catch (...)
        {
            // Undo what was built so far: a failed enable leaves the entity as it was.
            try
            {
                UnloadComponents();
            }
            catch (...)
            {
                components.clear();
                ++componentsVersion;
            }
            parentNode->removeChild(sceneNode);
            throw;
        }
        // Follow the template the components now come from (a file loaded again may have
        // replaced the one the entity was made from).
        WatchTemplate(tmpl);
        eventQueue.IgnoreEvents(false);
        enabled = true;
    }

    void Entity::Disable()
    {
        if (!enabled || !disablable)
            return;
        UnloadComponents();
        parentNode->removeChild(sceneNode);
        eventQueue.IgnoreEvents(true);
        enabled = false;
    }

    void Entity::Destroy()
    {
        eventQueue.IgnoreEvents(true);
        if (scene)
            scene->MarkEntityForRemoval(this);
    }

    void Entity::Update(float seconds)
    {
        eventQueue.ForwardEvents();
        // A component's update may change the component set (a template change rebuilds it,
        // a disable empties it): then carry on after the current id in the new set. The
        // current component is kept alive while it runs.
        auto it = components.begin();
        while (it != components.end())
        {
            const boost::shared_ptr<IEntityComponent> current = it->second;
            const unsigned int version = componentsVersion;
            current->Update(seconds);
            if (version == componentsVersion)
                ++it;
            else
                it = components.upper_bound(current->GetId());
        }
    }

    void Entity::AddComponent(boost::shared_ptr<IEntityComponent> component)
    {
        if (!component)
            return;
        const std::string id = component->GetId();
        component->SetOwner(selfWeak);
        auto it = components.find(id);
        if (it == components.end())
        {
            components.emplace(id, component);
        }
        else if (it->second != component)
        {
            // The replaced component goes now: unload it first so that nothing it made
            // stays in the scene.
            const boost::shared_ptr<IEntityComponent> replaced = it->second;
            if (scene)
                replaced->Unload(*scene);
            components[id] = component;
        }
        ++componentsVersion;
    }

    boost::shared_ptr<IEntityComponent> Entity::GetComponent(const std::string& id) const
    {
        auto it = components.find(id);
        return it == components.end() ? boost::shared_ptr<IEntityComponent>() : it->second;
    }

    bool Entity::HasComponent(const std::string& id) const
    {
        return components.count(id) != 0;
    }

    void Entity::LoadComponents(EntityTemplate& tmpl)
    {
        struct Pending
        {
            boost::shared_ptr<IEntityComponent> component;
            std::unique_ptr<EntityTemplate> settings;  // the component's attributes as a template
            int tries;
        };

        std::vector<Pending> pending;
        EntityComponentFactory& factory = EntityComponentFactory::GetSingleton();
        const std::string origin = tmpl.GetOrigin().empty() ? "template '" + tmpl.GetAsString() + "'" : tmpl.GetOrigin();
        for (const TiXmlElement* element = tmpl.FirstChildElement(); element; element = element->NextSiblingElement())
        {
            pending.push_back(Pending{factory.Create(element->ValueStr()),
                                      std::unique_ptr<EntityTemplate>(new EntityTemplate(*element)), 0});
            pending.back().settings->SetOrigin("component '" + element->ValueStr() + "' of " + origin);
        }

        while (!pending.empty())
        {
            // Components that move the entity or its bounds wait until all others are loaded.
            bool allAffectors = true;
            for (const Pending& record : pending)
                allAffectors = allAffectors && record.component->IsAffector();

            // One pass over the list, keeping what has to wait: linear however many components
            // a template holds.
            std::vector<Pending> waiting;
            for (Pending& record : pending)
            {
                if (!allAffectors && record.component->IsAffector())
                {
                    waiting.push_back(std::move(record));
                    continue;
                }
                const std::string id = record.component->GetId();
                const LoadStatus status = record.component->CheckLoadStatus(*this);
                if (status == Ready)
                {
                    const boost::shared_ptr<IEntityComponent> component = record.component;
                    const std::unique_ptr<EntityTemplate> settings = std::move(record.settings);
                    AddComponent(component);
                    component->Load(*scene, *settings);
                }
                else if (status == NotReady && ++record.tries < 3)
                {
                    LogWarning("Engine::Entity::LoadComponents",
                               "Unable to load component '" + id + "', retrying...");
                    waiting.push_back(std::move(record));
                }
                else if (status == NotReady)
                {
                    LogCritical("Error in Engine::Entity::LoadComponents(): Unable to load component '" + id +
                                "', tried 3 times but failed.");
                }
                else
                {
                    LogCritical("Error in Engine::Entity::LoadComponents(): Unable to load component '" + id + "'");
                }
            }
            pending.swap(waiting);
        }
    }

    void Entity::UnloadComponents()
    {
        if (components.empty())
            return;
        std::vector<boost::shared_ptr<IEntityComponent> > order;
        order.reserve(components.size());
        for (const auto& entry : components)
            if (entry.second->IsAffector())
                order.push_back(entry.second);
        for (const auto& entry : components)
            if (!entry.second->IsAffector())
                order.push_back(entry.second);

        // Every component gets its Unload even when an earlier one fails; the first failure
        // is reported afterwards.
        std::exception_ptr failure;
        if (scene)
            for (const auto& component : order)
            {
                try
                {
                    component->Unload(*scene);
                }
                catch (...)
                {
                    if (!failure)
                        failure = std::current_exception();
                }
            }
        components.clear();
        ++componentsVersion;
        if (failure)
            std::rethrow_exception(failure);
    }

    void Entity::RebuildComponents(EntityTemplate* tmpl)
    {
        // A disabled entity has no components; it builds them from the current template when
        // it is next enabled.
        if (!enabled || !scene || !tmpl)
            return;
        UnloadComponents();
        try
        {
            LoadComponents(*tmpl);
        }
        catch (...)
        {
            UnloadComponents();
            throw;
        }
    }

    void Entity::Release()
    {
        if (!scene)
            return;
        if (const boost::shared_ptr<EntityTemplate> tmpl = watchedTemplate.lock())
            tmpl->RemoveObserver(this);
        watchedTemplate.reset();

        std::exception_ptr failure;
        try
        {
            UnloadComponents();
        }
        catch (...)
        {
            failure = std::current_exception();
        }
        Ogre::SceneManager* manager = scene->GetSceneManager();
        if (sceneNode && manager)
            manager->destroySceneNode(sceneNode->getName());
        sceneNode = nullptr;
        parentNode = nullptr;
        // A removal mark must not outlive the entity: another entity could later get its address.
        std::vector<Entity*>& marks = scene->removalMarks;
        marks.erase(std::remove(marks.begin(), marks.end(), this), marks.end());
        scene->members.erase(this);
        scene = nullptr;
        enabled = false;
        if (failure)
            std::rethrow_exception(failure);
    }

    void Entity::RegisterAttributeInt(const std::string& name)
    {
        attributeRegistryInt_.insert(name);
    }

    const std::set<std::string>& Entity::GetAttributeRegistryInt()
    {
        return attributeRegistryInt_;
    }

    bool Entity::HasAttribute(const std::string& name) const
    {
        return intAttributes.count(name) != 0;
    }

    int Entity::GetAttributeInt(const std::string& name) const
    {
        auto it = intAttributes.find(name);
        if (it == intAttributes.end())
            ThrowError("Engine::Entity::GetAttributeInt", "Can't find entity integer attribute '" + name + "'");
        return it->second;
    }

    void Entity::SetAttributeInt(const std::string& name, int value)
    {
        intAttributes[name] = value;
    }

    void Entity::TakeDamage(int damage, Ogre::Vector3 point, Ogre::Vector3 direction)
    {
        // Without a rule system nobody keeps score of damage: it is ignored.
        Application* application = Application::GetSingletonPtr();
        if (!application)
            return;
        if (const boost::shared_ptr<IRuleSystem> rules = application->GetRuleSystem())
            rules->ApplyDamage(this, damage, point, direction);
    }

    const std::string& Entity::GetName() const
    {
        static const std::string none;
        return sceneNode ? sceneNode->getName() : none;
    }

    void Entity::NotifyBoundsAffector(const Ogre::AxisAlignedBox& box)
    {
        bounds.merge(box);
    }

    void Entity::MarkInitialState()
    {
        if (sceneNode)
            sceneNode->setInitialState();
    }

    void Entity::RevertToInitialState()
    {
        if (sceneNode)
            sceneNode->resetToInitialState();
    }

    void Entity::OnAttributeChanged(EntityTemplate* tmpl, const std::string& attribute)
    {
        if (!sceneNode)
            return;
        if (attribute == "Position")
            sceneNode->setPosition(tmpl->GetAttribute<Ogre::Vector3>("Position"));
        else if (attribute == "Rotation")
            sceneNode->setOrientation(tmpl->GetAttribute<Ogre::Quaternion>("Rotation"));
    }

    void Entity::OnComponentAttributeChanged(EntityTemplate* tmpl, const std::string&, const std::string&)
    {
        RebuildComponents(tmpl);
    }

    void Entity::OnComponentAdded(EntityTemplate* tmpl, const std::string&)
    {
        RebuildComponents(tmpl);
    }

    void Entity::OnComponentRemoved(EntityTemplate* tmpl, const std::string&)
    {
        RebuildComponents(tmpl);
    }

    void Entity::OnTemplateDestroyed(EntityTemplate*)
    {
        Destroy();
    }
}
