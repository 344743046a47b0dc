#include "engine/logic/Event.h"
#include "engine/scene/Entity.h"

#include <atomic>

namespace Engine
{
    Event::Event(boost::weak_ptr<Entity> originEntity, boost::weak_ptr<Entity> targetEntity)
        : origin(originEntity), target(targetEntity)
    {
    }

    Event::~Event() = default;

    Entity* Event::GetOrigin() const
    {
        return origin.lock().get();
    }

    Entity* Event::GetTarget() const
    {
        return target.lock().get();
    }

    int Event::NewEventType()
    {
        // 0 to 6 are the built-in types and 7 is reserved.
        static std::atomic<int> next(8);
        return next++;
    }
}
