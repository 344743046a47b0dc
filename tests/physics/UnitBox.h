#pragma once
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsScene.h"

namespace Test
{
    /// A unit box actor (half extents 0.5, density 1) at the position: dynamic or static.
    inline Engine::PhysicsActor* AddUnitBox(Engine::PhysicsScene& scene, const Ogre::Vector3& position,
                                            bool dynamic, void* userData)
    {
        Engine::ActorDesc desc;
        desc.globalPose.position = position;
        Engine::ShapeDesc box;
        box.dimensions = Ogre::Vector3(0.5f);
        desc.shapes.push_back(box);
        Engine::BodyDesc body;
        if (dynamic)
            desc.body = &body;
        desc.density = 1.0f;
        desc.userData = userData;
        return scene.CreateActor(desc);
    }
}
