#include "engine/physics/BoxSensorEC.h"

#include <boost/pointer_cast.hpp>

#include "engine/core/Error.h"
#include "engine/generator/Generator.h"
#include "engine/physics/BodyEC.h"
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

        body.reset();
        const boost::shared_ptr<BodyEC> bodyComponent = boost::dynamic_pointer_cast<BodyEC>(owner->GetComponent("Body"));
        if (bodyComponent)
            body = bodyComponent->GetSimulationEntity();
        const boost::shared_ptr<SimulationEntity> target = body.lock();
        if (!target)
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
        target->CreateBoxSensor(size, position, orientation);
    }

    void BoxSensorEC::Unload(Scene&)
    {
        Entity* owner = GetOwner();
        if (lineDrawn && owner && owner->GetSceneNode())
            Generator::DetachDebugLine(owner->GetSceneNode());
        lineDrawn = false;
        body.reset();
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
