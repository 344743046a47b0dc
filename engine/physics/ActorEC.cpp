#include "engine/physics/ActorEC.h"

#include "engine/core/Error.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/SimulationActor.h"
#include "engine/scene/Entity.h"

namespace Engine
{
    void ActorEC::Load(Scene&, EntityTemplate&)
    {
        Entity* owner = GetOwner();
        const boost::shared_ptr<Simulation> world = Simulation::GetSingleton();
        if (!owner)
            ThrowError("Engine::ActorEC::Load", "The component has no owner");
        if (!world)
            ThrowError("Engine::ActorEC::Load", "There is no physics world");
        actor.reset(new SimulationActor(world, *owner, 0));
        actor->SetUserData(&GetOwnerWeakPtr());
    }

    void ActorEC::Unload(Scene&)
    {
        if (actor)
            actor->SetUserData(nullptr);
        actor.reset();
    }

    std::string ActorEC::GetId()
    {
        return "Actor";
    }

    LoadStatus ActorEC::CheckLoadStatus(Entity&)
    {
        return Ready;
    }

    void ActorEC::Update(float)
    {
    }

    bool ActorEC::IsAffector() const
    {
        return true;
    }

    void ActorEC::Move(const Ogre::Vector3& displacement)
    {
        if (actor)
            actor->Move(displacement);
    }

    void ActorEC::MoveLocal(const Ogre::Vector3& displacement)
    {
        if (actor)
            actor->MoveLocal(displacement);
    }
}
