#include "engine/physics/sdk/PhysicsActor.h"

#include <cmath>

#include <btBulletDynamicsCommon.h>
#include <OgreStringConverter.h>

#include "engine/core/Error.h"
#include "engine/physics/sdk/BulletConversions.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/physics/sdk/PhysicsShape.h"

namespace Engine
{
    namespace
    {
        /// Bullet damps by a fraction per second; the layer's coefficients are exponential rates.
        btScalar DampingFraction(float coefficient)
        {
            if (!(coefficient > 0.0f))
                return 0.0f;
            return 1.0f - std::exp(-coefficient);
        }

        Pose Compose(const Pose& a, const Pose& b)
        {
            Pose pose;
            pose.position = a.position + a.orientation * b.position;
            pose.orientation = a.orientation * b.orientation;
            return pose;
        }

        std::string ToText(const Ogre::Vector3& v)
        {
            return Ogre::StringConverter::toString(v);
        }

        Pose Inverse(const Pose& p)
        {
            Pose pose;
            pose.orientation = p.orientation.Inverse();
            pose.position = -(pose.orientation * p.position);
            return pose;
        }
    }

    PhysicsActor::PhysicsActor(PhysicsScene& scene, const ActorDesc& desc, unsigned serial)
        : scene(scene), serial(serial), userData(desc.userData), group(desc.group & 31)
    {
    }

    PhysicsActor::~PhysicsActor()
    {
        RemoveFromWorld();
        for (PhysicsShape* shape : shapes)
            delete shape;
        delete body;
        delete compound;
        delete empty;
    }

    void PhysicsActor::Build(const ActorDesc& desc)
    {
        const char* where = "Engine::PhysicsActor::PhysicsActor";
        dynamic = desc.body != nullptr;
        if (dynamic)
        {
            bodyFlags = desc.body->flags;
            linearDamping = desc.body->linearDamping;
            angularDamping = desc.body->angularDamping;
        }
        for (const ShapeDesc& shapeDesc : desc.shapes)
        {
            if (dynamic && (shapeDesc.type == ShapeType::PLANE || shapeDesc.type == ShapeType::HEIGHT_FIELD))
                ThrowError(where, "Planes and height fields can only belong to static actors");
            shapes.push_back(new PhysicsShape(*this, shapeDesc, scene.NextSerial()));
        }
        if (dynamic)
        {
            mass = desc.body->mass > 0.0f ? desc.body->mass : MassOfShapes(desc.density);
            if (!(mass > 0.0f) || !std::isfinite(mass))
                ThrowError(where, "A dynamic actor needs a positive mass (a mass, or solid shapes with a density)");
        }

        Pose pose = desc.globalPose;
        pose.orientation.normalise();
        body = new btRigidBody(btRigidBody::btRigidBodyConstructionInfo(0.0f, nullptr, nullptr));
        body->setUserPointer(this);
        body->setUserIndex(PhysicsScene::BODY_OBJECT);
        SetUpCollision();
        ApplyMassProperties();
        ApplyBodyFlags();
        if (dynamic)
        {
            body->setDamping(DampingFraction(linearDamping), DampingFraction(angularDamping));
            body->setLinearVelocity(ToBtVector3(desc.body->linearVelocity));
            body->setAngularVelocity(ToBtVector3(desc.body->angularVelocity));
        }
        const btTransform transform = ToBtTransform(Compose(pose, bodyFrame));
        body->setWorldTransform(transform);
        body->setInterpolationWorldTransform(transform);
        AddToWorld();
    }

    float PhysicsActor::MassOfShapes(float density) const
    {
        float total = 0.0f;
        for (const PhysicsShape* shape : shapes)
        {
            if (shape->IsTrigger())
                continue;
            if (density > 0.0f)
                total += density * shape->GetVolume();
            else if (shape->desc.mass > 0.0f)
                total += shape->desc.mass;
            else
                total += shape->desc.density * shape->GetVolume();
        }
        return total;
    }

    void PhysicsActor::SetUpCollision()
    {
        solidShapes.clear();
        for (PhysicsShape* shape : shapes)
        {
            shape->childIndex = -1;
            if (!shape->IsTrigger())
                solidShapes.push_back(shape);
        }
        delete compound;
        compound = nullptr;

        btCollisionShape* root = nullptr;
        if (solidShapes.empty())
        {
            if (!empty)
                empty = new btEmptyShape();
            root = empty;
            bodyFrame = Pose();
        }
        else if (solidShapes.size() == 1)
        {
            // One shape: the body's frame is the shape's own, so no compound is needed and the
            // inertia follows the shape's axes.
            root = solidShapes[0]->collisionShape;
            bodyFrame = solidShapes[0]->GetCollisionPose();
        }
        else
        {
            // Several shapes: the body sits at their volume-weighted centre (dynamic actors) so
            // that forces at the centre do not turn it; the children are placed around it.
            bodyFrame = Pose();
            if (dynamic)
            {
                Ogre::Vector3 centre = Ogre::Vector3::ZERO;
                float weight = 0.0f;
                for (const PhysicsShape* shape : solidShapes)
                {
                    const float w = std::max(shape->GetVolume(), 1e-6f);
                    centre += shape->GetCollisionPose().position * w;
                    weight += w;
                }
                bodyFrame.position = centre / weight;
            }
            btCompoundShape* children = new btCompoundShape(false, static_cast<int>(solidShapes.size()));
            const Pose toBody = Inverse(bodyFrame);
            for (std::size_t i = 0; i < solidShapes.size(); ++i)
            {
                solidShapes[i]->childIndex = static_cast<int>(i);
                children->addChildShape(ToBtTransform(Compose(toBody, solidShapes[i]->GetCollisionPose())),
                                        solidShapes[i]->collisionShape);
            }
            compound = children;
            root = children;
        }
        bodyFrameIdentity = bodyFrame.position == Ogre::Vector3::ZERO && bodyFrame.orientation == Ogre::Quaternion::IDENTITY;
        body->setCollisionShape(root);
        // Contacts with a height field's triangles pass through the scene's edge correction.
        if (solidShapes.size() == 1 && solidShapes[0]->GetType() == ShapeType::HEIGHT_FIELD)
            body->setCollisionFlags(body->getCollisionFlags() | btCollisionObject::CF_CUSTOM_MATERIAL_CALLBACK);
    }

    void PhysicsActor::RebuildCollision()
    {
        const Pose pose = GetGlobalPose();
        const bool wasInWorld = inWorld;
        RemoveFromWorld();
        SetUpCollision();
        ApplyMassProperties();
        ApplyBodyFlags();
        const btTransform transform = ToBtTransform(Compose(pose, bodyFrame));
        body->setWorldTransform(transform);
        body->setInterpolationWorldTransform(transform);
        if (wasInWorld)
            AddToWorld();
    }

    void PhysicsActor::AddToWorld()
    {
        if (inWorld)
            return;
        btDiscreteDynamicsWorld& world = scene.GetWorld();
        world.addRigidBody(body);
        for (PhysicsShape* shape : shapes)
            if (shape->IsTrigger())
                AddTriggerObject(*shape);
        SyncTriggers();
        inWorld = true;
    }

    void PhysicsActor::AddTriggerObject(PhysicsShape& shape)
    {
        btCollisionObject* trigger = new btCollisionObject();
        trigger->setCollisionShape(shape.collisionShape);
        trigger->setUserPointer(&shape);
        trigger->setUserIndex(PhysicsScene::TRIGGER_OBJECT);
        trigger->setCollisionFlags(btCollisionObject::CF_NO_CONTACT_RESPONSE |
                                   (dynamic ? btCollisionObject::CF_KINEMATIC_OBJECT : btCollisionObject::CF_STATIC_OBJECT));
        trigger->setActivationState(DISABLE_DEACTIVATION);
        shape.triggerObject = trigger;
        // Every trigger watches the static filter group too: Bullet files kinematic bodies (the
        // characters) there. Static triggers against static actors are turned away by the
        // scene's pair filter instead.
        scene.GetWorld().addCollisionObject(trigger, btBroadphaseProxy::SensorTrigger,
                                            btBroadphaseProxy::AllFilter ^ btBroadphaseProxy::SensorTrigger);
    }

    void PhysicsActor::RemoveFromWorld()
    {
        if (!inWorld)
            return;
        btDiscreteDynamicsWorld& world = scene.GetWorld();
        for (PhysicsShape* shape : shapes)
        {
            if (!shape->triggerObject)
                continue;
            world.removeCollisionObject(shape->triggerObject);
            delete shape->triggerObject;
            shape->triggerObject = nullptr;
        }
        world.removeRigidBody(body);
        inWorld = false;
    }

    void PhysicsActor::ApplyMassProperties()
    {
        if (!dynamic || IsKinematic())
        {
            body->setMassProps(0.0f, btVector3(0, 0, 0));
        }
        else
        {
            btVector3 inertia(mass, mass, mass);
            if (!solidShapes.empty())
                body->getCollisionShape()->calculateLocalInertia(mass, inertia);
            body->setMassProps(mass, inertia);
        }
        body->updateInertiaTensor();
    }

    void PhysicsActor::ApplyBodyFlags()
    {
        int collisionFlags = body->getCollisionFlags() &
                             ~(btCollisionObject::CF_STATIC_OBJECT | btCollisionObject::CF_KINEMATIC_OBJECT);
        if (!dynamic)
        {
            body->setCollisionFlags(collisionFlags | btCollisionObject::CF_STATIC_OBJECT);
            return;
        }
        if (IsKinematic())
        {
            body->setCollisionFlags(collisionFlags | btCollisionObject::CF_KINEMATIC_OBJECT);
            body->forceActivationState(DISABLE_DEACTIVATION);
        }
        else
        {
            body->setCollisionFlags(collisionFlags);
            if (body->getActivationState() == DISABLE_DEACTIVATION)
                body->forceActivationState(ACTIVE_TAG);
        }
        body->setLinearFactor(btVector3((bodyFlags & BodyFlag::FROZEN_POS_X) ? 0 : 1,
                                        (bodyFlags & BodyFlag::FROZEN_POS_Y) ? 0 : 1,
                                        (bodyFlags & BodyFlag::FROZEN_POS_Z) ? 0 : 1));
        body->setAngularFactor(btVector3((bodyFlags & BodyFlag::FROZEN_ROT_X) ? 0 : 1,
                                         (bodyFlags & BodyFlag::FROZEN_ROT_Y) ? 0 : 1,
                                         (bodyFlags & BodyFlag::FROZEN_ROT_Z) ? 0 : 1));
        if (bodyFlags & BodyFlag::DISABLE_GRAVITY)
        {
            body->setFlags(body->getFlags() | BT_DISABLE_WORLD_GRAVITY);
            body->setGravity(btVector3(0, 0, 0));
        }
        else
        {
            body->setFlags(body->getFlags() & ~BT_DISABLE_WORLD_GRAVITY);
            body->setGravity(scene.GetWorld().getGravity());
        }
    }

    void PhysicsActor::SetGroup(unsigned newGroup)
    {
        group = newGroup & 31;
        // Pairs already found by the broad phase are checked again only when re-inserted.
        if (inWorld)
        {
            RemoveFromWorld();
            AddToWorld();
        }
    }

    Pose PhysicsActor::GetGlobalPose() const
    {
        const btTransform& transform = body->getWorldTransform();
        if (bodyFrameIdentity)
            return ToPose(transform);
        return Compose(ToPose(transform), Inverse(bodyFrame));
    }

    void PhysicsActor::SetGlobalPose(const Pose& newPose)
    {
        Pose pose = newPose;
        pose.orientation.normalise();
        const btTransform transform = ToBtTransform(bodyFrameIdentity ? pose : Compose(pose, bodyFrame));
        body->setWorldTransform(transform);
        // A kinematic body keeps its previous pose as the start of the move, so that it gets the
        // velocity of the move and pushes what it meets; others are placed.
        if (!IsKinematic())
            body->setInterpolationWorldTransform(transform);
        if (dynamic)
            body->activate(true);
        if (inWorld)
        {
            // Bodies resting on it lose or change their support (a kinematic actor pushes them
            // by its own motion).
            if (!IsKinematic())
                scene.WakeTouching(*this);
            scene.GetWorld().updateSingleAabb(body);
            SyncTriggers();
        }
    }

    void PhysicsActor::SetGlobalPosition(const Ogre::Vector3& position)
    {
        Pose pose = GetGlobalPose();
        pose.position = position;
        SetGlobalPose(pose);
    }

    void PhysicsActor::SetGlobalOrientation(const Ogre::Quaternion& orientation)
    {
        Pose pose = GetGlobalPose();
        pose.orientation = orientation;
        SetGlobalPose(pose);
    }

    void PhysicsActor::AddForceAtPos(const Ogre::Vector3& force, const Ogre::Vector3& position, ForceMode mode, bool wakeUp)
    {
        if (!dynamic || IsKinematic())
            return;
        // Every force and impulse comes through here. A non-finite one would spread NaN
        // through the body's pose into its scene node.
        if (!IsFinite(force) || !IsFinite(position))
        {
            LogWarning("Engine::PhysicsActor::AddForceAtPos", "Force " + ToText(force) + " at " + ToText(position) +
                       " is not finite; ignored");
            return;
        }
        const Ogre::Vector3 arm = position - ToVector3(body->getCenterOfMassPosition());
        if (mode == ForceMode::IMPULSE)
        {
            body->applyImpulse(ToBtVector3(force), ToBtVector3(arm));
        }
        else
        {
            pendingForce += force;
            pendingTorque += arm.crossProduct(force);
            if (!pendingForces)
                scene.NotePendingForces(*this);
            pendingForces = true;
        }
        if (wakeUp)
            body->activate(true);
    }

    void PhysicsActor::AddForce(const Ogre::Vector3& force, ForceMode mode, bool wakeUp)
    {
        if (!dynamic || IsKinematic())
            return;
        AddForceAtPos(force, ToVector3(body->getCenterOfMassPosition()), mode, wakeUp);
    }

    void PhysicsActor::AddLocalForce(const Ogre::Vector3& force, ForceMode mode, bool wakeUp)
    {
        AddForce(GetGlobalOrientation() * force, mode, wakeUp);
    }

    void PhysicsActor::AddForceAtLocalPos(const Ogre::Vector3& force, const Ogre::Vector3& localPosition,
                                          ForceMode mode, bool wakeUp)
    {
        const Pose pose = GetGlobalPose();
        AddForceAtPos(force, pose.position + pose.orientation * localPosition, mode, wakeUp);
    }

    void PhysicsActor::AddLocalForceAtPos(const Ogre::Vector3& localForce, const Ogre::Vector3& position,
                                          ForceMode mode, bool wakeUp)
    {
        AddForceAtPos(GetGlobalOrientation() * localForce, position, mode, wakeUp);
    }

    void PhysicsActor::AddLocalForceAtLocalPos(const Ogre::Vector3& localForce, const Ogre::Vector3& localPosition,
                                               ForceMode mode, bool wakeUp)
    {
        const Pose pose = GetGlobalPose();
        AddForceAtPos(pose.orientation * localForce, pose.position + pose.orientation * localPosition, mode, wakeUp);
    }

    void PhysicsActor::AddTorque(const Ogre::Vector3& torque, ForceMode mode, bool wakeUp)
    {
        if (!dynamic || IsKinematic())
            return;
        if (!IsFinite(torque))
        {
            LogWarning("Engine::PhysicsActor::AddTorque", "Torque " + ToText(torque) + " is not finite; ignored");
            return;
        }
        if (mode == ForceMode::IMPULSE)
        {
            body->applyTorqueImpulse(ToBtVector3(torque));
        }
        else
        {
            pendingTorque += torque;
            if (!pendingForces)
                scene.NotePendingForces(*this);
            pendingForces = true;
        }
        if (wakeUp)
            body->activate(true);
    }

    void PhysicsActor::ApplyPendingForces()
    {
        body->applyCentralForce(ToBtVector3(pendingForce));
        body->applyTorque(ToBtVector3(pendingTorque));
    }

    void PhysicsActor::ClearPendingForces()
    {
        pendingForce = Ogre::Vector3::ZERO;
        pendingTorque = Ogre::Vector3::ZERO;
        pendingForces = false;
    }

    void PhysicsActor::SetLinearDamping(float damping)
    {
        linearDamping = damping;
        body->setDamping(DampingFraction(linearDamping), DampingFraction(angularDamping));
    }

    void PhysicsActor::SetAngularDamping(float damping)
    {
        angularDamping = damping;
        body->setDamping(DampingFraction(linearDamping), DampingFraction(angularDamping));
    }

    Ogre::Vector3 PhysicsActor::GetLinearVelocity() const
    {
        return dynamic ? ToVector3(body->getLinearVelocity()) : Ogre::Vector3::ZERO;
    }

    Ogre::Vector3 PhysicsActor::GetAngularVelocity() const
    {
        return dynamic ? ToVector3(body->getAngularVelocity()) : Ogre::Vector3::ZERO;
    }

    void PhysicsActor::SetLinearVelocity(const Ogre::Vector3& velocity)
    {
        if (!dynamic)
            return;
        if (!IsFinite(velocity))
        {
            LogWarning("Engine::PhysicsActor::SetLinearVelocity", "Velocity " + ToText(velocity) + " is not finite; ignored");
            return;
        }
        body->setLinearVelocity(ToBtVector3(velocity));
        body->activate(true);
    }

    void PhysicsActor::SetAngularVelocity(const Ogre::Vector3& velocity)
    {
        if (!dynamic)
            return;
        if (!IsFinite(velocity))
        {
            LogWarning("Engine::PhysicsActor::SetAngularVelocity", "Velocity " + ToText(velocity) + " is not finite; ignored");
            return;
        }
        body->setAngularVelocity(ToBtVector3(velocity));
        body->activate(true);
    }

    void PhysicsActor::RaiseBodyFlag(unsigned flags)
    {
        const unsigned previous = bodyFlags;
        bodyFlags |= flags;
        if (dynamic && previous != bodyFlags)
            ChangedBodyFlags(previous);
    }

    void PhysicsActor::ClearBodyFlag(unsigned flags)
    {
        const unsigned previous = bodyFlags;
        bodyFlags &= ~flags;
        if (dynamic && previous != bodyFlags)
            ChangedBodyFlags(previous);
    }

    void PhysicsActor::ChangedBodyFlags(unsigned previous)
    {
        if ((previous ^ bodyFlags) & BodyFlag::KINEMATIC)
        {
            // The broad phase files kinematic bodies with the static ones: re-insert the body.
            const bool wasInWorld = inWorld;
            RemoveFromWorld();
            ApplyMassProperties();
            ApplyBodyFlags();
            body->setInterpolationWorldTransform(body->getWorldTransform());
            if (!IsKinematic())
            {
                body->setLinearVelocity(btVector3(0, 0, 0));
                body->setAngularVelocity(btVector3(0, 0, 0));
            }
            if (wasInWorld)
                AddToWorld();
            return;
        }
        ApplyBodyFlags();
        body->activate(true);
    }

    PhysicsShape* PhysicsActor::CreateShape(const ShapeDesc& desc)
    {
        if (dynamic && (desc.type == ShapeType::PLANE || desc.type == ShapeType::HEIGHT_FIELD))
        {
            LogWarning("Engine::PhysicsActor::CreateShape", "Planes and height fields can only belong to static actors");
            return nullptr;
        }
        PhysicsShape* shape = nullptr;
        try
        {
            shape = new PhysicsShape(*this, desc, scene.NextSerial());
        }
        catch (const std::exception& error)
        {
            LogWarning("Engine::PhysicsActor::CreateShape", error.what());
            return nullptr;
        }
        shapes.push_back(shape);
        if (shape->IsTrigger())
        {
            // A trigger is a collision object of its own and leaves the body's shape, mass and
            // other triggers alone: adding one costs the same however many the actor has.
            if (inWorld)
            {
                AddTriggerObject(*shape);
                shape->triggerObject->setWorldTransform(ToBtTransform(Compose(GetGlobalPose(), shape->GetCollisionPose())));
            }
            return shape;
        }
        RebuildCollision();
        return shape;
    }

    PhysicsShape* PhysicsActor::GetSolidShape(int childIndex) const
    {
        if (solidShapes.empty())
            return nullptr;
        if (!compound)
            return solidShapes[0];
        if (childIndex < 0 || childIndex >= static_cast<int>(solidShapes.size()))
            return nullptr;
        return solidShapes[childIndex];
    }

    void PhysicsActor::UpdateMassFromShapes(float density, float totalMass)
    {
        if (!dynamic)
            return;
        const float newMass = totalMass > 0.0f ? totalMass : MassOfShapes(density);
        if (!(newMass > 0.0f) || !std::isfinite(newMass))
        {
            LogWarning("Engine::PhysicsActor::UpdateMassFromShapes", "The shapes give no mass; the mass is kept");
            return;
        }
        mass = newMass;
        ApplyMassProperties();
        ApplyBodyFlags();
    }

    void PhysicsActor::WakeUp()
    {
        if (dynamic)
            body->activate(true);
    }

    void PhysicsActor::PutToSleep()
    {
        if (!dynamic || IsKinematic())
            return;
        body->setLinearVelocity(btVector3(0, 0, 0));
        body->setAngularVelocity(btVector3(0, 0, 0));
        body->setActivationState(ISLAND_SLEEPING);
    }

    bool PhysicsActor::IsSleeping() const
    {
        return dynamic && !IsKinematic() && !body->isActive();
    }

    void PhysicsActor::SyncTriggers()
    {
        if (shapes.size() == solidShapes.size())
            return;
        const Pose pose = GetGlobalPose();
        for (PhysicsShape* shape : shapes)
        {
            if (shape->triggerObject)
                shape->triggerObject->setWorldTransform(ToBtTransform(Compose(pose, shape->GetCollisionPose())));
        }
    }
}
