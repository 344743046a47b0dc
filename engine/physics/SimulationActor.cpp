#include "engine/physics/SimulationActor.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include <OgreBone.h>
#include <OgreEntity.h>
#include <OgreSceneNode.h>
#include <OgreSkeletonInstance.h>

#include "engine/core/Error.h"
#include "engine/physics/Simulation.h"
#include "engine/physics/SimulationActorHitReport.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsCapsuleController.h"
#include "engine/physics/sdk/PhysicsControllerManager.h"
#include "engine/physics/sdk/PhysicsJoint.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/physics/sdk/PhysicsShape.h"
#include "engine/scene/Entity.h"

namespace Engine
{
    namespace
    {
        const float SlopeLimit = 0.8660254f;   // cos 30°
        const float SkinWidth = 0.1f;
        const float StepOffset = 0.5f;
        const float MinDistance = 0.0005f;
        const float Sharpness = 0.1f;
        const float CapsuleDensity = 5.0f;
        const float RagdollRadius = 0.25f;
        const float RagdollHeight = 0.25f;
    }

    SimulationActor::SimulationActor(boost::shared_ptr<Simulation> world, Entity& entity, int shape)
        : node(entity.GetSceneNode()), world(world)
    {
        if (shape != 0)
            ThrowError("Engine::SimulationActor::SimulationActor", "Only capsule shapes are currently supported.");
        if (!world)
            ThrowError("Engine::SimulationActor::SimulationActor", "There is no physics world");

        const Ogre::Vector3 size = entity.GetBoundingBox().isNull() ? Ogre::Vector3::ZERO : entity.GetBoundingBox().getSize();
        float radius = std::max(size.x, size.z) / 2;
        const float height = size.y > 2 * radius ? size.y - 2 * radius : 0.01f;
        // A flat or empty box would give a capsule of no radius, which no sweep can move.
        radius = std::max(radius, 0.01f);
        offset = Ogre::Vector3(0, radius + height / 2, 0);

        CapsuleControllerDesc desc;
        desc.position = (node ? node->_getDerivedPosition() : Ogre::Vector3::ZERO) + offset;
        desc.slopeLimit = SlopeLimit;
        desc.skinWidth = SkinWidth;
        desc.stepOffset = StepOffset;
        desc.hitReport = world->GetActorHitReport();
        desc.interaction = ControllerInteraction::INCLUDE;
        desc.userData = this;
        desc.radius = radius;
        desc.height = height;
        controller = PhysicsCapsuleController::Create(*world->GetNxControllerManager(), *world->GetNxScene(), desc);
        if (!controller)
            ThrowError("Engine::SimulationActor::SimulationActor", "The character controller could not be created");
        controller->SetCollision(true);
        controller->GetActor()->UpdateMassFromShapes(CapsuleDensity, 0.0f);
        world->AddActor(this);
    }

    SimulationActor::~SimulationActor()
    {
        if (!IsLive())
        {
            // The world was reset: the controller, joints and parts went with the old scene.
            attachments.clear();
            ragdoll.clear();
            return;
        }
        DetachAll();
        ReleaseRagdoll();
        world->RemoveActor(this);
        world->GetNxControllerManager()->ReleaseController(*controller);
    }

    bool SimulationActor::IsLive() const
    {
        const PhysicsControllerManager* manager = world->GetNxControllerManager();
        if (!manager)
            return false;
        for (unsigned i = 0; i < manager->GetControllerCount(); ++i)
        {
            if (manager->GetController(i) == controller)
                return true;
        }
        return false;
    }

    PhysicsActor* SimulationActor::GetNxActor() const
    {
        return controller->GetActor();
    }

    void SimulationActor::Move(const Ogre::Vector3& displacement)
    {
        pending += displacement;
    }

    void SimulationActor::MoveLocal(const Ogre::Vector3& displacement)
    {
        pending += (node ? node->_getDerivedOrientation() : Ogre::Quaternion::IDENTITY) * displacement;
    }

    void SimulationActor::IssueMove()
    {
        unsigned flags = 0;
        const Ogre::Vector3 displacement = pending;
        pending = Ogre::Vector3::ZERO;
        controller->Move(displacement, 0xFFFFFFFF, MinDistance, flags, Sharpness);
        collisionFlags = flags & 0xFF;
    }

    bool SimulationActor::IsInAir() const
    {
        return !(collisionFlags & ControllerCollision::DOWN);
    }

    void SimulationActor::PreStep()
    {
        if (node)
            GetNxActor()->SetGlobalOrientation(node->_getDerivedOrientation());
    }

    void SimulationActor::PostStep()
    {
        if (!node)
            return;
        node->setPosition(controller->GetPosition() - offset);
        if (!detailBody)
            return;
        for (const auto& part : ragdoll)
        {
            if (!part.first->getParent())
                part.first->setPosition(part.second->GetGlobalPosition() - node->getPosition());
        }
    }

    void SimulationActor::EnableRaycasting()
    {
        for (PhysicsShape* shape : GetNxActor()->GetShapes())
        {
            if (!shape->IsTrigger())
                shape->SetFlag(ShapeFlag::DISABLE_RAYCASTING, false);
        }
    }

    void SimulationActor::DisableRaycasting()
    {
        for (PhysicsShape* shape : GetNxActor()->GetShapes())
        {
            if (!shape->IsTrigger())
                shape->SetFlag(ShapeFlag::DISABLE_RAYCASTING, true);
        }
    }

    void SimulationActor::EnableInteraction()
    {
        controller->SetCollision(true);
        controller->SetInteraction(ControllerInteraction::INCLUDE);
    }

    void SimulationActor::DisableInteraction()
    {
        controller->SetCollision(false);
        controller->SetInteraction(ControllerInteraction::EXCLUDE);
    }

    void SimulationActor::CreateBoxSensor(const Ogre::Vector3& size, const Ogre::Vector3& position,
                                          const Ogre::Quaternion& orientation)
    {
        ShapeDesc box;
        box.type = ShapeType::BOX;
        box.dimensions = size / 2;
        box.localPose.position = position;
        box.localPose.orientation = orientation;
        box.flags = ShapeFlag::TRIGGER_ENABLE | ShapeFlag::VISUALIZATION | ShapeFlag::DISABLE_RAYCASTING;
        GetNxActor()->CreateShape(box);
    }

    void SimulationActor::AttachFixed(PhysicsActor& bodyActor, boost::shared_ptr<SimulationEntity> body, float breakForce)
    {
        FixedJointDesc desc;
        desc.actor0 = &bodyActor;
        desc.actor1 = GetNxActor();
        desc.maxForce = breakForce > 0.0f ? breakForce : FLT_MAX;
        desc.maxTorque = FLT_MAX;
        desc.userData = static_cast<IJointListener*>(this);
        PhysicsJoint* joint = world->GetNxScene()->CreateFixedJoint(desc);
        if (joint)
            attachments.emplace_back(joint, body);
    }

    void SimulationActor::Detach(SimulationEntity* body)
    {
        for (auto entry = attachments.begin(); entry != attachments.end();)
        {
            if (entry->second.get() == body)
            {
                world->GetNxScene()->ReleaseJoint(*entry->first);
                entry = attachments.erase(entry);
            }
            else
                ++entry;
        }
    }

    void SimulationActor::DetachAll()
    {
        for (const auto& entry : attachments)
            world->GetNxScene()->ReleaseJoint(*entry.first);
        attachments.clear();
    }

    boost::shared_ptr<SimulationEntity> SimulationActor::GetAttachedEntity(unsigned index) const
    {
        if (index >= attachments.size())
            ThrowError("Engine::SimulationActor::GetAttachedEntity", "The index is beyond the attached bodies");
        return attachments[index].second;
    }

    bool SimulationActor::OnJointBreak(float, PhysicsJoint& joint)
    {
        const auto found = std::find_if(attachments.begin(), attachments.end(),
                                        [&joint](const std::pair<PhysicsJoint*, boost::shared_ptr<SimulationEntity>>& entry)
                                        { return entry.first == &joint; });
        if (found != attachments.end())
            attachments.erase(found);
        return true;
    }

    void SimulationActor::ReleaseRagdoll()
    {
        for (const auto& part : ragdoll)
            world->GetNxScene()->ReleaseActor(*part.second);
        ragdoll.clear();
    }

    void SimulationActor::AutoBuildRagdoll(Ogre::Entity* mesh)
    {
        ReleaseRagdoll();
        if (!mesh || !mesh->hasSkeleton())
            return;
        Ogre::SkeletonInstance* skeleton = mesh->getSkeleton();
        for (unsigned short i = 0; i < skeleton->getNumBones(); ++i)
        {
            Ogre::Bone* bone = skeleton->getBone(i);
            ActorDesc desc;
            desc.globalPose.position = bone->_getDerivedPosition();
            desc.globalPose.orientation = bone->_getDerivedOrientation();
            ShapeDesc capsule;
            capsule.type = ShapeType::CAPSULE;
            capsule.radius = RagdollRadius;
            capsule.height = RagdollHeight;
            capsule.flags = ShapeFlag::VISUALIZATION;
            desc.shapes.push_back(capsule);
            BodyDesc body;
            body.angularDamping = 5.0f;
            desc.body = &body;
            desc.density = 1.0f;
            PhysicsActor* part = world->GetNxScene()->CreateActor(desc);
            if (part)
                ragdoll.emplace_back(bone, part);
        }
        if (detailBody)
            SetUseDetailBody(true);
    }

    void SimulationActor::SetUseDetailBody(bool use)
    {
        detailBody = use;
        if (use)
        {
            controller->SetCollision(false);
            controller->SetInteraction(ControllerInteraction::EXCLUDE);
        }
        else
        {
            controller->SetCollision(true);
            controller->SetInteraction(ControllerInteraction::INCLUDE);
        }
        for (const auto& part : ragdoll)
            part.first->setManuallyControlled(use);
    }

    void SimulationActor::SetUserData(void* data)
    {
        GetNxActor()->SetUserData(data);
    }

    void* SimulationActor::GetUserData()
    {
        return GetNxActor()->GetUserData();
    }
}
