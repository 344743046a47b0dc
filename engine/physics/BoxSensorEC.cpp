#include "engine/physics/BoxSensorEC.h"

#include <boost/pointer_cast.hpp>

#include "engine/core/Error.h"
#include "engine/generator/Generator.h"
#include "engine/physics/ActorEC.h"
#include "engine/physics/BodyEC.h"
#include "engine/physics/SimulationActor.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"

namespace Engine
{
    bool BoxSensorEC::visualize_ = false;

    void BoxSensorEC::Load(Scene&, EntityTemplate& tmpl)
    {
        const char* where = "Engine::BoxSensorEC::Load";
        Entity* owner = GetOwner();
        if (!owner)
            ThrowError(where, "Component 'BoxSensor' has no owner entity.");
        const std::string type = owner->GetType();

        // A body takes precedence over a character; only one of the two is kept.
        body.reset();
        actor.reset();
        if (const auto bodyComponent = boost::dynamic_pointer_cast<BodyEC>(owner->GetComponent("Body")))
            body = bodyComponent->GetSimulationEntity();
        else if (const auto actorComponent = boost::dynamic_pointer_cast<ActorEC>(owner->GetComponent("Actor")))
            actor = actorComponent->GetActor();
        const boost::shared_ptr<SimulationEntity> targetBody = body.lock();
        const boost::shared_ptr<SimulationActor> targetActor = actor.lock();
        if (!targetBody && !targetActor)
            ThrowError(where, type + " component 'BoxSensor' can only be attached to entities with a 'Body' or "
                       "'Actor' component");

        if (!tmpl.HasAttribute("Size"))
            ThrowError(where, type + " component 'BoxSensor' has no attribute named 'Size'.");
        const Ogre::Vector3 size = tmpl.GetAttribute<Ogre::Vector3>("Size");
        const Ogre::Vector3 position =
            tmpl.HasAttribute("Position") ? tmpl.GetAttribute<Ogre::Vector3>("Position") : Ogre::Vector3::ZERO;
        const Ogre::Quaternion orientation = tmpl.HasAttribute("Orientation")
            ? tmpl.GetAttribute<Ogre::Quaternion>("Orientation") : Ogre::Quaternion::IDENTITY;

        if (visualize_ && owner->GetSceneNode())
        {
            const Ogre::Vector3 halfDepth(0, 0, size.z / 2);
            Generator::AttachDebugLine(owner->GetSceneNode(), orientation * (position - halfDepth),
                                       orientation * (position + halfDepth));
            lineDrawn = true;
        }
        if (targetBody)
            targetBody->CreateBoxSensor(size, position, orientation);
        else
            targetActor->CreateBoxSensor(size, position, orientation);
    }

    void BoxSensorEC::Unload(Scene&)
    {
        Entity* owner = GetOwner();
        if (lineDrawn && owner && owner->GetSceneNode())
            Generator::DetachDebugLine(owner->GetSceneNode());
        lineDrawn = false;
        body.reset();
        actor.reset();
    }

    std::string BoxSensorEC::GetId()
    {
        return "BoxSensor";
    }

    LoadStatus BoxSensorEC::CheckLoadStatus(Entity& entity)
    {
        return entity.HasComponent("Body") || entity.HasComponent("Actor") ? Ready : NotReady;
    }

    void BoxSensorEC::Update(float)
    {
    }

    bool BoxSensorEC::IsAffector() const
    {
        return true;
    }

    void BoxSensorEC::Visualize(bool visualize)
    {
        visualize_ = visualize;
    }
}
