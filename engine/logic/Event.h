#pragma once
#include <boost/weak_ptr.hpp>

namespace Engine
{
    class Entity;

    /// Built-in event types. Applications get further numbers from Event::NewEventType().
    enum EventType
    {
        SENSOR_ENTER = 0,   // something entered the entity's sensor box
        SENSOR_LEAVE = 1,   // something left the entity's sensor box
        SENSOR_STAY = 2,    // never posted
        HIT_ACTOR = 3,      // a character hit this entity, or this character hit another one
        HIT_ENTITY = 4,     // this character hit an entity
        CONTACT_START = 5,  // a rigid contact with another entity began
        CONTACT_END = 6     // a rigid contact ended
        // 7 is reserved.
    };

    /// Something that happened to an entity (the origin) involving another one (the target).
    /// Holds both only weakly: an event whose origin or target is gone is never delivered.
    /// Subclass it to carry more data.
    class Event
    {
    public:
        Event() = default;
        Event(boost::weak_ptr<Entity> origin, boost::weak_ptr<Entity> target);
        Event(const Event&) = default;
        Event& operator=(const Event&) = default;
        virtual ~Event();

        /// The origin entity, or null when it no longer exists.
        Entity* GetOrigin() const;
        /// The target entity, or null when it no longer exists (or none was given).
        Entity* GetTarget() const;
        boost::weak_ptr<Entity> GetOriginWeakPtr() const { return origin; }
        boost::weak_ptr<Entity> GetTargetWeakPtr() const { return target; }

        /// A fresh event type number for application events: 8, 9, 10 ... never reused.
        static int NewEventType();

    private:
        boost::weak_ptr<Entity> origin;
        boost::weak_ptr<Entity> target;
    };
}
