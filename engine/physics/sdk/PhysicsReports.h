#pragma once

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
