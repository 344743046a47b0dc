#include "engine/scene/IEntityComponent.h"
#include "engine/scene/Entity.h"

namespace Engine
{
    IEntityComponent::IEntityComponent() : ownerRaw(nullptr)
    {
    }

    IEntityComponent::~IEntityComponent() = default;

    bool IEntityComponent::IsAffector() const
    {
        return false;
    }

    void IEntityComponent::SetOwner(boost::weak_ptr<Entity> newOwner)
    {
        owner = newOwner;
        ownerRaw = owner.lock().get();
    }

    Entity* IEntityComponent::GetOwner() const
    {
        return ownerRaw;
    }

    boost::weak_ptr<Entity>& IEntityComponent::GetOwnerWeakPtr()
    {
        return owner;
    }
}
