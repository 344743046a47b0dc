#pragma once
#include <map>
#include <set>
#include <string>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <OgreAxisAlignedBox.h>
#include <OgreVector.h>

#include "engine/logic/EventQueue.h"
#include "engine/scene/IEntityTemplateObserver.h"

class TiXmlElement;
namespace Ogre { class SceneNode; }

namespace Engine
{
    class EntityTemplate;
    class IEntityComponent;
    class Scene;

    /// One object of a scene: a named scene node with a type (the name of its template), the
    /// components built from that template while it is enabled, an event queue and integer
    /// attributes. Always held by boost::shared_ptr (made by Create); the scene owns its
    /// entities, everything else refers to them through weak pointers.
    ///
    /// Disabled (the initial state) means: node detached, no components, events ignored once
    /// it has been enabled and disabled again. The entity watches its template and rebuilds
    /// its components when the template's components change.
    class Entity : public IEntityTemplateObserver
    {
    public:
        typedef std::map<std::string, boost::shared_ptr<IEntityComponent> > ComponentMap;

        /// An entity without a type, to be filled by Load. `parent` null means the root node.
        static boost::shared_ptr<Entity> Create(Scene& scene, const std::string& name,
                                                Ogre::SceneNode* parent = nullptr);
        /// A disabled entity of the given type (template) at the given position.
        static boost::shared_ptr<Entity> Create(Scene& scene, const std::string& name, const std::string& type,
                                                const Ogre::Vector3& position, Ogre::SceneNode* parent = nullptr);
        ~Entity() override;

        /// Reads an "Entity" element of a scene file ("Type", "Position", optional "Rotation"
        /// and "NoDisable"). On error the entity is left as it was.
        void Load(const TiXmlElement& element);
        /// Appends an "Entity" element with "Type", "Position" and "Rotation".
        void Save(TiXmlElement& parent) const;

        /// Attaches the node and builds the components. On error nothing stays built.
        void Enable();
        /// Unloads the components and detaches the node; nothing for a non-disablable entity.
        void Disable();
        bool IsEnabled() const { return enabled; }
        bool IsDisablable() const { return disablable; }

        /// Ignores further events and asks the scene to remove the entity at its next update.
        void Destroy();

        /// Forwards the queued events, then updates the components in id order.
        void Update(float seconds);

        /// Stores the component under its id (replacing, and unloading, one with the same id)
        /// and makes this entity its owner. Does not load it.
        void AddComponent(boost::shared_ptr<IEntityComponent> component);
        boost::shared_ptr<IEntityComponent> GetComponent(const std::string& id) const;
        bool HasComponent(const std::string& id) const;

        /// Integer attributes: the registered names are copied from the template (as integers)
        /// when an entity is created or loaded.
        static void RegisterAttributeInt(const std::string& name);
        static const std::set<std::string>& GetAttributeRegistryInt();
        bool HasAttribute(const std::string& name) const;
        int GetAttributeInt(const std::string& name) const;
        void SetAttributeInt(const std::string& name, int value);

        /// Hands the damage to the application's rule system; ignored when there is none.
        void TakeDamage(int damage, Ogre::Vector3 point, Ogre::Vector3 direction);

        const std::string& GetName() const;
        const std::string& GetType() const { return type; }
        Ogre::SceneNode* GetSceneNode() const { return sceneNode; }
        Scene* GetScene() const { return scene; }
        EventQueue& GetEventQueue() { return eventQueue; }
        boost::weak_ptr<Entity> GetInternalWeakPtr() const { return selfWeak; }

        const Ogre::AxisAlignedBox& GetBoundingBox() const { return bounds; }
        /// Grows the bounds by the box; called by affector components.
        void NotifyBoundsAffector(const Ogre::AxisAlignedBox& box);

        void MarkInitialState();
        void RevertToInitialState();

        void OnAttributeChanged(EntityTemplate* tmpl, const std::string& attribute) override;
        void OnComponentAttributeChanged(EntityTemplate* tmpl, const std::string& component,
                                         const std::string& attribute) override;
        void OnComponentAdded(EntityTemplate* tmpl, const std::string& component) override;
        void OnComponentRemoved(EntityTemplate* tmpl, const std::string& component) override;
        void OnTemplateDestroyed(EntityTemplate* tmpl) override;

        /// Untyped slot for the game's per-entity callback object; the engine never touches it.
        void* userCallback;

    private:
        friend class Scene;

        Entity(Scene& scene, const std::string& name, Ogre::SceneNode* parent);
        Entity(const Entity&) = delete;
        Entity& operator=(const Entity&) = delete;

        /// What an entity takes from its template, read without side effects.
        struct TemplateSettings
        {
            bool noDisable = false;
            std::map<std::string, int> intAttributes;
        };
        static TemplateSettings ReadTemplate(const EntityTemplate& tmpl);
        void WatchTemplate(const boost::shared_ptr<EntityTemplate>& tmpl);
        boost::shared_ptr<EntityTemplate> FindTemplate() const;

        void LoadComponents(EntityTemplate& tmpl);
        void UnloadComponents();
        void RebuildComponents(EntityTemplate* tmpl);
        /// Unloads the components and destroys the node; the entity no longer has a scene.
        void Release();

        std::string type;
        Ogre::SceneNode* sceneNode;
        Ogre::SceneNode* parentNode;
        Scene* scene;                                // not owned; null after Release
        Ogre::AxisAlignedBox bounds;
        ComponentMap components;
        EventQueue eventQueue;
        bool enabled;
        bool disablable;
        std::map<std::string, int> intAttributes;
        boost::weak_ptr<Entity> selfWeak;
        boost::weak_ptr<EntityTemplate> watchedTemplate;  // the template this entity observes
        unsigned int componentsVersion;              // changes whenever `components` changes

        static std::set<std::string> attributeRegistryInt_;
    };
}
