#pragma once
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

namespace Engine { class Entity; class IEventListener; }

/// A listener's registration for every event type on one entity's queue. Queues do not own
/// their listeners, so the registration is withdrawn when the subscription ends (Cancel, or its
/// destruction): a controller that holds one never leaves a dangling listener behind when it
/// ends before its entity does (the entity streamed out, the controller detached).
class EventSubscription
{
public:
    explicit EventSubscription(Engine::IEventListener* listener);
    ~EventSubscription();

    /// Registers the listener on the entity's queue for all types; an earlier registration of
    /// this subscription is withdrawn first.
    void Subscribe(const boost::shared_ptr<Engine::Entity>& entity);
    /// Withdraws the registration when the entity still lives; nothing otherwise.
    void Cancel();

private:
    EventSubscription(const EventSubscription&) = delete;
    EventSubscription& operator=(const EventSubscription&) = delete;

    Engine::IEventListener* listener;   // not owned: the object that holds this subscription
    boost::weak_ptr<Engine::Entity> entity;
};
