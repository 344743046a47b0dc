#include "engine/physics/BodyEC.h"

#include <OgreEntity.h>

#include "engine/core/Error.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"

namespace Engine
{
    namespace
    {
        const char* const where = "Engine::BodyEC::Load";
    }

    BodyEC::~BodyEC()
    {
        Release();
    }

    void BodyEC::Load(Scene&, EntityTemplate& tmpl)
    {
        Release();
        Entity* owner = GetOwner();
        if (!owner)
            ThrowError(where, "Component 'Body' has no owner entity.");
        const std::string type = owner->GetType();
        const auto missing = [&](const std::string& attribute) {
            ThrowError(where, type + " component '" + GetId() + "' has no attribute named '" + attribute + "'.");
        };

        if (!tmpl.HasAttribute("Shape"))
            missing("Shape");
        const std::string shapeName = tmpl.GetAttribute<std::string>("Shape");
        SimulationEntity::Shape shape;
        if (shapeName == "Box")
            shape = SimulationEntity::BOX;
        else if (shapeName == "Sphere")
            shape = SimulationEntity::SPHERE;
        else if (shapeName == "Capsule")
            shape = SimulationEntity::CAPSULE;
        else if (shapeName == "Convex")
            shape = SimulationEntity::CONVEX;
        else
            ThrowError(where, type + " component '" + GetId() + "' attribute 'Shape' value '" + shapeName +
                       "' is invalid or not supported.");

        const boost::shared_ptr<Simulation> world = Simulation::GetSingleton();
        if (!world)
            ThrowError(where, "No physics world exists for the body of " + type + ".");

        if (shape == SimulationEntity::CONVEX)
        {
            // Cook the hull now, so that the body finds it cached.
            Ogre::Entity* mesh = Detail::MeshOf(*owner);
            if (!mesh)
                ThrowError(where,
                           "Bodies with a 'Convex' shape can only be attached to entites with a 'Mesh' component.");
            world->ConvexFromMesh(mesh->getMesh().get());
        }

        if (!tmpl.HasAttribute("Static"))
            missing("Static");
        const bool isStatic = tmpl.GetAttribute<bool>("Static");
        const int group = tmpl.HasAttribute("Group") ? tmpl.GetAttribute<int>("Group") : 0;
        const float density = tmpl.HasAttribute("Density") ? tmpl.GetAttribute<float>("Density") : 2.0f;
        const bool freeze = tmpl.HasAttribute("FreezeRot");
        const Ogre::Vector3 freezeRot = freeze ? tmpl.GetAttribute<Ogre::Vector3>("FreezeRot") : Ogre::Vector3::ZERO;
        const bool noGravity = tmpl.HasAttribute("DisableGravity") && tmpl.GetAttribute<bool>("DisableGravity");

        body.reset(new SimulationEntity(world, *owner, shape, density, isStatic ? 1 : 0));
        body->SetGroup(group);
        body->SetUserData(&GetOwnerWeakPtr());
        if (freezeRot.x > 0)
            body->EnableBodyFlag(SimulationEntity::FROZEN_ROT_X);
        if (freezeRot.y > 0)
            body->EnableBodyFlag(SimulationEntity::FROZEN_ROT_Y);
        if (freezeRot.z > 0)
            body->EnableBodyFlag(SimulationEntity::FROZEN_ROT_Z);
        if (noGravity)
            body->EnableBodyFlag(SimulationEntity::DISABLE_GRAVITY);
    }

    void BodyEC::Unload(Scene&)
    {
        Release();
    }

    void BodyEC::Release()
    {
        if (body)
            body->SetUserData(nullptr);
        body.reset();
    }

    std::string BodyEC::GetId()
    {
        return "Body";
    }

    LoadStatus BodyEC::CheckLoadStatus(Entity&)
    {
        return Ready;
    }

    void BodyEC::Update(float)
    {
    }

    bool BodyEC::IsAffector() const
    {
        return true;
    }
}
