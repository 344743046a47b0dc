#include "engine/logic/EventQueue.h"
#include "engine/logic/Event.h"
#include "engine/logic/IEventListener.h"

namespace Engine
{
    void EventQueue::AddListener(IEventListener* listener, int type)
    {
        if (type == -1)
            allTypeListeners.Add(listener);
        else
            typeListeners[type].Add(listener);
    }

    void EventQueue::RemoveListener(IEventListener* listener, int type)
    {
        if (type == -1)
        {
            allTypeListeners.Remove(listener);
            for (auto& entry : typeListeners)
                entry.second.Remove(listener);
            return;
        }
        auto it = typeListeners.find(type);
        if (it != typeListeners.end())
            it->second.Remove(listener);
    }

    void EventQueue::RemoveListeners()
    {
        // Emptied in place rather than erased: a forward in progress may be walking them.
        allTypeListeners.Clear();
        for (auto& entry : typeListeners)
            entry.second.Clear();
    }

    void EventQueue::PostEvent(int type, boost::shared_ptr<Event> event)
    {
        if (!ignoring)
            pending.emplace_back(type, event);
    }

    void EventQueue::IgnoreEvents(bool ignore)
    {
        ignoring = ignore;
    }

    void EventQueue::ForwardEvents()
    {
        // A listener that forwards the same queue again: the walk in progress already
        // reaches everything it would deliver.
        if (forwarding || pending.empty())
            return;
        forwarding = true;
        try
        {
            // Indexing: listeners may post into this queue, which can reallocate it.
            for (std::size_t i = 0; i < pending.size(); ++i)
            {
                const int type = pending[i].first;
                const boost::shared_ptr<Event> event = pending[i].second;
                if (!event || !event->GetOrigin() || !event->GetTarget())
                    continue;
                auto deliver = [type, &event](IEventListener* listener) { listener->OnEvent(type, event); };
                allTypeListeners.ForEach(deliver);
                auto it = typeListeners.find(type);
                if (it != typeListeners.end())
                    it->second.ForEach(deliver);
            }
        }
        catch (...)
        {
            forwarding = false;
            throw;
        }
        pending.clear();
        forwarding = false;
    }
}
