#pragma once
#include <map>
#include <string>
#include <vector>

#include <OgreColourValue.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>
#include <tinyxml.h>

#include "engine/core/ObserverList.h"

namespace Engine
{
    class IEntityTemplateObserver;

    /// One kind of entity as an XML element: the element name is the template name, its
    /// attributes are the template's attributes and each child element is a component (the
    /// child's name is the component type, its attributes the component's settings). Observers
    /// (not owned) hear about every change after it is made. Held by boost::shared_ptr.
    ///
    /// Typed reads: std::string, bool ("true"/"false" only), int, float, Ogre::Vector3 ("x y z"),
    /// Ogre::Quaternion ("w x y z") and Ogre::ColourValue ("r g b a"). Where a component name is
    /// given, the first component of that name is meant. Numbers and vectors must be finite and
    /// within +-maxDataMagnitude; quaternions are returned at unit length, and one that gives no
    /// direction (zero, not finite) is refused.
    class EntityTemplate : public TiXmlElement
    {
    public:
        /// A deep copy of the element (attributes and children); no observers.
        explicit EntityTemplate(const TiXmlElement& element);
        /// An empty template.
        explicit EntityTemplate(const std::string& name);
        explicit EntityTemplate(const char* name);
        /// Copies the element and the observer list.
        EntityTemplate(const EntityTemplate& other);
        ~EntityTemplate() override;

        const std::string& GetAsString() const;
        const TiXmlElement& GetXmlElement() const { return *this; }

        /// Where the template came from, for messages ("template 'Crate' in 'objects.xml'");
        /// empty for templates made at run time. Copies keep it.
        const std::string& GetOrigin() const { return origin; }
        void SetOrigin(const std::string& text) { origin = text; }

        bool HasAttribute(const std::string& name) const;
        /// A missing component is an error.
        bool HasAttribute(const std::string& component, const std::string& name) const;
        bool HasComponent(const std::string& component) const;

        template <class T> T GetAttribute(const std::string& name) const;
        template <class T> T GetAttribute(const std::string& component, const std::string& name) const;

        /// Sets or replaces the attribute, then OnAttributeChanged. T is std::string or bool.
        template <class T> void SetAttribute(const std::string& name, const T& value);
        /// Sets the attribute of the first component of that name (appended when missing,
        /// without OnComponentAdded), then OnComponentAttributeChanged. T is std::string or bool.
        template <class T> void SetAttribute(const std::string& component, const std::string& name, const T& value);
        void SetAttribute(const std::string& name, const char* value);
        void SetAttribute(const std::string& component, const std::string& name, const char* value);

        /// No notification.
        void RemoveAttribute(const std::string& name);

        /// Appends a component (also when one of that name exists), then OnComponentAdded.
        void AddComponent(const std::string& component);
        void AddComponent(const std::string& component, const std::map<std::string, std::string>& attributes);
        /// Removes the first component of that name and sends OnComponentRemoved; nothing when absent.
        void RemoveComponent(const std::string& component);

        std::vector<std::string> GetAttributeNames() const;
        /// Component names in document order, duplicates included.
        std::vector<std::string> GetComponents() const;

        void AddObserver(IEntityTemplateObserver* observer);
        void RemoveObserver(IEntityTemplateObserver* observer);
        /// Sends OnTemplateDestroyed; the manager calls it just before it drops the template.
        void OnDestroy();

    private:
        EntityTemplate& operator=(const EntityTemplate&) = delete;

        const TiXmlElement* FindComponent(const std::string& component) const;
        TiXmlElement* FindComponent(const std::string& component);
        const TiXmlElement& RequireComponent(const std::string& component) const;
        void SetString(const std::string& name, const std::string& value);
        void SetComponentString(const std::string& component, const std::string& name, const std::string& value);

        ObserverList<IEntityTemplateObserver> observers;
        std::string origin;
    };

    template <> std::string EntityTemplate::GetAttribute<std::string>(const std::string& name) const;
    template <> std::string EntityTemplate::GetAttribute<std::string>(const std::string& component,
                                                                      const std::string& name) const;
    template <> bool EntityTemplate::GetAttribute<bool>(const std::string& name) const;
    template <> bool EntityTemplate::GetAttribute<bool>(const std::string& component, const std::string& name) const;
    template <> void EntityTemplate::SetAttribute<std::string>(const std::string& name, const std::string& value);
    template <> void EntityTemplate::SetAttribute<std::string>(const std::string& component, const std::string& name,
                                                               const std::string& value);
    template <> void EntityTemplate::SetAttribute<bool>(const std::string& name, const bool& value);
    template <> void EntityTemplate::SetAttribute<bool>(const std::string& component, const std::string& name,
                                                        const bool& value);
}
