#include "EventSubscription.h"

#include "engine/scene/Entity.h"

namespace
{
    constexpr int allEventTypes = -1;
}

EventSubscription::EventSubscription(Engine::IEventListener* listener)
    : listener(listener)
{
}

EventSubscription::~EventSubscription()
{
    Cancel();
}

void EventSubscription::Subscribe(const boost::shared_ptr<Engine::Entity>& newEntity)
{
    Cancel();
    if (!newEntity)
        return;
    newEntity->GetEventQueue().AddListener(listener, allEventTypes);
    entity = newEntity;
}

void EventSubscription::Cancel()
{
    if (const boost::shared_ptr<Engine::Entity> subscribed = entity.lock())
        subscribed->GetEventQueue().RemoveListener(listener, allEventTypes);
    entity.reset();
}
