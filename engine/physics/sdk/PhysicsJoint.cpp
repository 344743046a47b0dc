#include "engine/physics/sdk/PhysicsJoint.h"

#include <btBulletDynamicsCommon.h>

#include "engine/physics/sdk/BulletConversions.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsScene.h"

namespace Engine
{
    PhysicsJoint::PhysicsJoint(PhysicsScene& scene, const FixedJointDesc& desc, unsigned serial)
        : scene(scene), serial(serial), actor0(desc.actor0), actor1(desc.actor1), userData(desc.userData),
          maxForce(desc.maxForce), maxTorque(desc.maxTorque)
    {
        btRigidBody& body0 = actor0 ? *actor0->body : btTypedConstraint::getFixedBody();
        btRigidBody& body1 = actor1 ? *actor1->body : btTypedConstraint::getFixedBody();
        // The joint frame is the second body's current frame, seen from both bodies: the joint
        // then keeps the relative pose the two have now.
        const btTransform anchor = actor1 ? body1.getWorldTransform() : body0.getWorldTransform();
        const btTransform frame0 = body0.getWorldTransform().inverse() * anchor;
        const btTransform frame1 = body1.getWorldTransform().inverse() * anchor;
        btFixedConstraint* fixed = new btFixedConstraint(body0, body1, frame0, frame1);
        constraint = fixed;
        if (maxForce < FLT_MAX || maxTorque < FLT_MAX)
        {
            feedback = new btJointFeedback();
            constraint->setJointFeedback(feedback);
            constraint->enableFeedback(true);
        }
        constraint->setUserConstraintPtr(this);
    }

    PhysicsJoint::~PhysicsJoint()
    {
        delete constraint;
        delete feedback;
    }

    bool PhysicsJoint::CheckBreak(float step, float& impulse)
    {
        if (broken || !feedback)
            return false;
        // Both sides carry equal and opposite forces; the second body's torque is measured at the
        // joint frame (its own centre), so it has no lever-arm part: prefer that side when it moves.
        const bool useBody1 = actor1 && actor1->IsDynamic() && !actor1->IsKinematic();
        const btVector3& force = useBody1 ? feedback->m_appliedForceBodyB : feedback->m_appliedForceBodyA;
        const btVector3& torque = useBody1 ? feedback->m_appliedTorqueBodyB : feedback->m_appliedTorqueBodyA;
        const float forceSize = force.length();
        const float torqueSize = torque.length();
        if (forceSize <= maxForce && torqueSize <= maxTorque)
            return false;
        broken = true;
        constraint->setEnabled(false);
        impulse = forceSize * step;
        return true;
    }
}
