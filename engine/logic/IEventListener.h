#pragma once
#include <boost/shared_ptr.hpp>

namespace Engine
{
    class Event;

    /// Receives the events of the queues it is registered on. Queues do not own their
    /// listeners: a listener removes itself from every queue before it is destroyed.
    class IEventListener
    {
    public:
        virtual ~IEventListener() = default;
        virtual void OnEvent(int type, boost::shared_ptr<Event> event) = 0;
    };
}
