#pragma once
#include <map>
#include <utility>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "engine/core/ObserverList.h"

namespace Engine
{
    class Event;
    class IEventListener;

    /// Holds the events posted to one entity until the entity's next update, then hands them,
    /// in posting order, to the listeners registered for all types and for their type.
    /// Listeners are not owned. Main thread only.
    class EventQueue
    {
    public:
        /// Type -1 registers for every type; no duplicate check.
        void AddListener(IEventListener* listener, int type);
        /// Type -1 removes the first occurrence from the all-type registrations and from every
        /// per-type registration; another type only from that type. Absent: nothing.
        void RemoveListener(IEventListener* listener, int type);
        void RemoveListeners();

        /// Dropped while events are ignored.
        void PostEvent(int type, boost::shared_ptr<Event> event);
        void IgnoreEvents(bool ignore);
        bool IsIgnoringEvents() const { return ignoring; }

        /// Delivers the pending events, oldest first; events posted by listeners meanwhile are
        /// delivered in the same call. An event whose origin or target is gone is skipped.
        /// A listener's exception propagates and leaves the pending events in place.
        void ForwardEvents();

        std::size_t GetPendingCount() const { return pending.size(); }

    private:
        typedef ObserverList<IEventListener> Listeners;

        Listeners allTypeListeners;
        std::map<int, Listeners> typeListeners;
        std::vector<std::pair<int, boost::shared_ptr<Event> > > pending;
        bool ignoring = false;
        bool forwarding = false;
    };
}
