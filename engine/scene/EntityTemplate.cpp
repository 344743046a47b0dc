#include "engine/scene/EntityTemplate.h"
#include "engine/scene/IEntityTemplateObserver.h"
#include "engine/core/Error.h"
#include "engine/core/OgreStreams.h"

#include <cmath>
#include <sstream>

namespace Engine
{
    namespace
    {
        const char* const where = "Engine::EntityTemplate";

        std::string Where(const char* method)
        {
            return std::string(where) + "::" + method;
        }

        // Type names as they appear in conversion messages; fixed so that the messages read the
        // same whatever the compiler.
        template <class T> const char* TypeName();
        template <> const char* TypeName<int>() { return "int"; }
        template <> const char* TypeName<float>() { return "float"; }
        template <> const char* TypeName<Ogre::Vector3>() { return "class Ogre::Vector3"; }
        template <> const char* TypeName<Ogre::Quaternion>() { return "class Ogre::Quaternion"; }
        template <> const char* TypeName<Ogre::ColourValue>() { return "class Ogre::ColourValue"; }

        template <class T>
        bool Convert(const std::string& text, T& value)
        {
            std::istringstream in(text);
            in >> value;
            return !in.fail();
        }

        // Values that read as numbers but that the renderer and the physics world cannot take.
        template <class T> const char* Unusable(T&) { return nullptr; }
        const char* Unusable(float& f)
        {
            // Densities, powers and the like: beyond this the physics world's masses and forces
            // overflow into non-finite poses.
            return std::fabs(f) <= maxDataMagnitude ? nullptr : "it lies beyond +-1e7";
        }
        const char* Unusable(Ogre::Vector3& v)
        {
            return IsUsableVector(v) ? nullptr : "a component is not finite or lies beyond +-1e7";
        }
        const char* Unusable(Ogre::Quaternion& q)
        {
            return MakeUnitRotation(q) ? nullptr : "it has no direction (zero or non-finite length)";
        }

        std::string Of(const std::string& origin)
        {
            return origin.empty() ? std::string() : " of " + origin;
        }

        bool ConvertBool(const std::string& text, bool& value)
        {
            std::istringstream in(text);
            in >> std::boolalpha >> value;
            return !in.fail();
        }
    }

    EntityTemplate::EntityTemplate(const TiXmlElement& element) : TiXmlElement(element)
    {
    }

    EntityTemplate::EntityTemplate(const std::string& name) : TiXmlElement(name)
    {
    }

    EntityTemplate::EntityTemplate(const char* name) : TiXmlElement(name)
    {
    }

    EntityTemplate::EntityTemplate(const EntityTemplate& other)
        : TiXmlElement(other), observers(other.observers), origin(other.origin)
    {
    }

    EntityTemplate::~EntityTemplate() = default;

    const std::string& EntityTemplate::GetAsString() const
    {
        return ValueStr();
    }

    const TiXmlElement* EntityTemplate::FindComponent(const std::string& component) const
    {
        return FirstChildElement(component);
    }

    TiXmlElement* EntityTemplate::FindComponent(const std::string& component)
    {
        return FirstChildElement(component);
    }

    const TiXmlElement& EntityTemplate::RequireComponent(const std::string& component) const
    {
        const TiXmlElement* element = FindComponent(component);
        if (!element)
            ThrowError(Where("GetAttribute"), "Can't find entity definiton component '" + component + "'");
        return *element;
    }

    bool EntityTemplate::HasAttribute(const std::string& name) const
    {
        return Attribute(name) != nullptr;
    }

    bool EntityTemplate::HasAttribute(const std::string& component, const std::string& name) const
    {
        const TiXmlElement* element = FindComponent(component);
        if (!element)
            ThrowError(Where("HasAttribute"), "Can't find entity definiton component '" + component + "'");
        return element->Attribute(name) != nullptr;
    }

    bool EntityTemplate::HasComponent(const std::string& component) const
    {
        return FindComponent(component) != nullptr;
    }

    template <>
    std::string EntityTemplate::GetAttribute<std::string>(const std::string& name) const
    {
        const std::string* value = Attribute(name);
        if (!value)
            ThrowError(Where("GetAttribute"), "Can't find entity template attribute '" + name + "'");
        return *value;
    }

    template <>
    std::string EntityTemplate::GetAttribute<std::string>(const std::string& component, const std::string& name) const
    {
        const std::string* value = RequireComponent(component).Attribute(name);
        if (!value)
            ThrowError(Where("GetAttribute"),
                       "Can't find entity template component '" + component + "' attribute '" + name + "'");
        return *value;
    }

    template <>
    bool EntityTemplate::GetAttribute<bool>(const std::string& name) const
    {
        bool value = false;
        if (!ConvertBool(GetAttribute<std::string>(name), value))
            ThrowError(Where("GetAttribute"), "Unable to convert attribute '" + name + "' to bool");
        return value;
    }

    template <>
    bool EntityTemplate::GetAttribute<bool>(const std::string& component, const std::string& name) const
    {
        bool value = false;
        if (!ConvertBool(GetAttribute<std::string>(component, name), value))
            ThrowError(Where("GetAttribute"),
                       "Unable to convert component '" + component + "' attribute '" + name + "' to bool");
        return value;
    }

    template <class T>
    T EntityTemplate::GetAttribute(const std::string& name) const
    {
        T value = T();
        const std::string text = GetAttribute<std::string>(name);
        if (!Convert(text, value))
            ThrowError(Where("GetAttribute"), "Unable to convert attribute '" + name + "' to " + TypeName<T>());
        if (const char* reason = Unusable(value))
            ThrowError(Where("GetAttribute"), "Attribute '" + name + "'" + Of(origin) + " value '" + text +
                                                  "' is not a usable " + TypeName<T>() + ": " + reason);
        return value;
    }

    template <class T>
    T EntityTemplate::GetAttribute(const std::string& component, const std::string& name) const
    {
        T value = T();
        const std::string text = GetAttribute<std::string>(component, name);
        if (!Convert(text, value))
            ThrowError(Where("GetAttribute"), "Unable to convert component '" + component + "' attribute '" + name +
                                                  "' to " + TypeName<T>());
        if (const char* reason = Unusable(value))
            ThrowError(Where("GetAttribute"), "Component '" + component + "' attribute '" + name + "'" + Of(origin) +
                                                  " value '" + text + "' is not a usable " + TypeName<T>() + ": " +
                                                  reason);
        return value;
    }

    template int EntityTemplate::GetAttribute<int>(const std::string&) const;
    template float EntityTemplate::GetAttribute<float>(const std::string&) const;
    template Ogre::Vector3 EntityTemplate::GetAttribute<Ogre::Vector3>(const std::string&) const;
    template Ogre::Quaternion EntityTemplate::GetAttribute<Ogre::Quaternion>(const std::string&) const;
    template Ogre::ColourValue EntityTemplate::GetAttribute<Ogre::ColourValue>(const std::string&) const;
    template int EntityTemplate::GetAttribute<int>(const std::string&, const std::string&) const;
    template float EntityTemplate::GetAttribute<float>(const std::string&, const std::string&) const;
    template Ogre::Vector3 EntityTemplate::GetAttribute<Ogre::Vector3>(const std::string&, const std::string&) const;
    template Ogre::Quaternion EntityTemplate::GetAttribute<Ogre::Quaternion>(const std::string&,
                                                                             const std::string&) const;
    template Ogre::ColourValue EntityTemplate::GetAttribute<Ogre::ColourValue>(const std::string&,
                                                                               const std::string&) const;

    void EntityTemplate::SetString(const std::string& name, const std::string& value)
    {
        TiXmlElement::SetAttribute(name, value);
        observers.ForEach([this, &name](IEntityTemplateObserver* o) { o->OnAttributeChanged(this, name); });
    }

    void EntityTemplate::SetComponentString(const std::string& component, const std::string& name,
                                            const std::string& value)
    {
        TiXmlElement* element = FindComponent(component);
        if (!element)
        {
            TiXmlNode* added = LinkEndChild(new TiXmlElement(component));
            element = added ? added->ToElement() : nullptr;
            if (!element)
                ThrowError(Where("SetAttribute"), "Error creating entity template component '" + component + "'");
        }
        element->SetAttribute(name, value);
        observers.ForEach([this, &component, &name](IEntityTemplateObserver* o) {
            o->OnComponentAttributeChanged(this, component, name);
        });
    }

    template <>
    void EntityTemplate::SetAttribute<std::string>(const std::string& name, const std::string& value)
    {
        SetString(name, value);
    }

    template <>
    void EntityTemplate::SetAttribute<std::string>(const std::string& component, const std::string& name,
                                                   const std::string& value)
    {
        SetComponentString(component, name, value);
    }

    template <>
    void EntityTemplate::SetAttribute<bool>(const std::string& name, const bool& value)
    {
        SetString(name, value ? "true" : "false");
    }

    template <>
    void EntityTemplate::SetAttribute<bool>(const std::string& component, const std::string& name, const bool& value)
    {
        SetComponentString(component, name, value ? "true" : "false");
    }

    void EntityTemplate::SetAttribute(const std::string& name, const char* value)
    {
        SetString(name, value);
    }

    void EntityTemplate::SetAttribute(const std::string& component, const std::string& name, const char* value)
    {
        SetComponentString(component, name, value);
    }

    void EntityTemplate::RemoveAttribute(const std::string& name)
    {
        TiXmlElement::RemoveAttribute(name);
    }

    void EntityTemplate::AddComponent(const std::string& component)
    {
        AddComponent(component, std::map<std::string, std::string>());
    }

    void EntityTemplate::AddComponent(const std::string& component,
                                      const std::map<std::string, std::string>& attributes)
    {
        TiXmlElement* element = new TiXmlElement(component);
        for (const auto& attribute : attributes)
            element->SetAttribute(attribute.first, attribute.second);
        LinkEndChild(element);
        observers.ForEach([this, &component](IEntityTemplateObserver* o) { o->OnComponentAdded(this, component); });
    }

    void EntityTemplate::RemoveComponent(const std::string& component)
    {
        TiXmlElement* element = FindComponent(component);
        if (!element)
            return;
        RemoveChild(element);
        observers.ForEach([this, &component](IEntityTemplateObserver* o) { o->OnComponentRemoved(this, component); });
    }

    std::vector<std::string> EntityTemplate::GetAttributeNames() const
    {
        std::vector<std::string> names;
        for (const TiXmlAttribute* attribute = FirstAttribute(); attribute; attribute = attribute->Next())
            names.push_back(attribute->NameTStr());
        return names;
    }

    std::vector<std::string> EntityTemplate::GetComponents() const
    {
        std::vector<std::string> names;
        for (const TiXmlElement* element = FirstChildElement(); element; element = element->NextSiblingElement())
            names.push_back(element->ValueStr());
        return names;
    }

    void EntityTemplate::AddObserver(IEntityTemplateObserver* observer)
    {
        observers.Add(observer);
    }

    void EntityTemplate::RemoveObserver(IEntityTemplateObserver* observer)
    {
        observers.Remove(observer);
    }

    void EntityTemplate::OnDestroy()
    {
        observers.ForEach([this](IEntityTemplateObserver* o) { o->OnTemplateDestroyed(this); });
    }
}
