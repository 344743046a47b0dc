#pragma once
#include <OgreVector.h>

namespace Engine
{
    class PhysicsActor;
    class PhysicsJoint;
    class PhysicsShape;

    // Callback interfaces of the physics layer. PhysicsScene::FetchResults calls them on the thread
    // that fetches, after the step has finished, in a fixed order: joint breaks, contacts,
    // triggers, wake, sleep; within each kind by sub-step, then by creation order of the objects.
    // The objects passed are valid for the duration of the call only.

    /// Touch reports for actor pairs whose group pair flags ask for them.
    class IContactReport
    {
    public:
        virtual ~IContactReport() = default;
        /// events: ContactPairFlag::NOTIFY_ON_START_TOUCH and/or NOTIFY_ON_END_TOUCH.
        virtual void OnContactNotify(PhysicsActor& actor0, PhysicsActor& actor1, unsigned events) = 0;
    };

    /// Crossings of trigger shapes by other (non-trigger) shapes.
    class ITriggerReport
    {
    public:
        virtual ~ITriggerReport() = default;
        /// status: one TriggerStatus bit.
        virtual void OnTrigger(PhysicsShape& triggerShape, PhysicsShape& otherShape, unsigned status) = 0;
    };

    /// Joint breaks and sleep changes.
    class IPhysicsNotify
    {
    public:
        virtual ~IPhysicsNotify() = default;
        /// Return true to have the broken joint released right after the call (do not keep the
        /// pointer then); false keeps it, broken and without effect, until the owner releases it.
        virtual bool OnJointBreak(float breakingImpulse, PhysicsJoint& joint) = 0;
        virtual void OnWake(PhysicsActor** actors, unsigned count) = 0;
        virtual void OnSleep(PhysicsActor** actors, unsigned count) = 0;
    };
}

namespace Engine
{
    class PhysicsController;

    /// A shape a character controller touched during a move.
    struct ControllerShapeHit
    {
        PhysicsController* controller;
        PhysicsShape* shape;
        Ogre::Vector3 worldPosition;    ///< contact point
        Ogre::Vector3 worldNormal;      ///< surface normal at the contact, towards the controller
        Ogre::Vector3 direction;        ///< unit direction of the motion that hit
        float length;                   ///< length of that motion
    };

    /// Another character a controller ran into during a move.
    struct ControllersHit
    {
        PhysicsController* controller;
        PhysicsController* other;
    };

    /// Hits of character controllers, reported at the end of each PhysicsController::Move, once
    /// per shape or controller touched, in the order they were first touched.
    class IControllerHitReport
    {
    public:
        virtual ~IControllerHitReport() = default;
        virtual void OnShapeHit(const ControllerShapeHit& hit) = 0;
        virtual void OnControllerHit(const ControllersHit& hit) = 0;
    };
}
