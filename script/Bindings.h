#pragma once
// Python.h (through Boost.Python) first: it sets feature macros that the standard headers must see.
#include <boost/python.hpp>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <OgreAnimable.h>

namespace Ogre { class Light; class SceneNode; }

namespace Engine
{
    class Entity;
    class LightEC;
}

// The pieces of the module Marrow, registered by its initialisation in this order.
namespace Engine::Python::Detail
{
    // Engine classes (EngineBindings.cpp).
    void RegisterApplication();
    void RegisterIController();
    void RegisterControllerManager();
    void RegisterEntity();
    void RegisterComponents();
    void RegisterTemplates();
    void RegisterEvents();
    void RegisterGeometry();
    void RegisterScene();
    void RegisterSimulationActor();
    void RegisterSimulationEntity();
    void RegisterUniqueId();
    // Math, scene nodes, animable values and frame listeners; then Any (MathBindings.cpp).
    void RegisterMath();
    void RegisterAny();

    // A shared pointer that a bound function receives from a script is the script object's own
    // (it keeps that object alive), not the engine's: weak pointers are taken from the engine's
    // pointer (the entity's internal one, or the one held by the script object's holder).
    //
    // Scripts reach an entity's scene node and event queue, which the entity owns and destroys
    // with itself (a scene node also goes when the scene releases the entity), and a light's
    // animable values, which point at the light. The script objects for them are these
    // handles: each checks that its engine object still exists before every use and raises a
    // python error (an Engine::Exception) when it does not.

    /// "SceneNode": the scene node of an entity, while the entity and its node exist.
    class SceneNodeRef
    {
    public:
        explicit SceneNodeRef(const Entity& entity);
        /// The node; throws when it no longer exists.
        Ogre::SceneNode& Node() const;

    private:
        boost::weak_ptr<Entity> entity;
    };

    /// "EventQueue": the event queue of an entity, while the entity exists.
    class EventQueueRef
    {
    public:
        explicit EventQueueRef(const Entity& entity);
        /// The entity owning the queue; throws when it no longer exists.
        boost::shared_ptr<Entity> Owner() const;

    private:
        boost::weak_ptr<Entity> entity;
    };

    /// "AnimableValue": one value of a light component's light, while that light exists.
    class AnimableValueRef
    {
    public:
        AnimableValueRef(const boost::shared_ptr<LightEC>& component, Ogre::Light* light, Ogre::AnimableValuePtr value)
            : component(component), light(light), value(std::move(value)) {}
        /// The value; throws when its light has gone or the value is not of the expected type.
        Ogre::AnimableValue& Value(Ogre::AnimableValue::ValueType expected, const char* method) const;

    private:
        boost::weak_ptr<LightEC> component;
        Ogre::Light* light;     // compared, never followed: the component owns the light
        Ogre::AnimableValuePtr value;
    };
}
