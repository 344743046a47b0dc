#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include <OgreRay.h>
#include <OgreSphere.h>

#include "engine/physics/sdk/PhysicsStepWorker.h"
#include "engine/physics/sdk/PhysicsTypes.h"

class btDefaultCollisionConfiguration;
class btCollisionDispatcher;
class btBroadphaseInterface;
class btSequentialImpulseConstraintSolver;
class btDiscreteDynamicsWorld;
struct btOverlapFilterCallback;

namespace Engine
{
    class PhysicsActor;
    class PhysicsJoint;
    class PhysicsShape;

    /// A physics world: actors, joints, gravity, a default material and a clock. Made by
    /// PhysicsSdk::CreateScene and owned by the SDK.
    ///
    /// A frame steps it in two halves: Simulate hands the step to the scene's worker thread and
    /// returns at once; FetchResults waits for it and then delivers the reports on the calling
    /// thread. In between, nothing of the scene (actors, shapes, joints included) may be touched;
    /// the scene's own operations refuse with an Engine::Exception.
    class PhysicsScene
    {
    public:
        // Kinds of Bullet collision objects (their user index).
        enum ObjectKind { BODY_OBJECT = 1, TRIGGER_OBJECT = 2 };

        /// Adds an actor; null (with a warning) when the description is unusable.
        PhysicsActor* CreateActor(const ActorDesc& desc);
        /// Frees the actor and its shapes. Joints on it are broken and lose it; reports still
        /// pending for it are dropped.
        void ReleaseActor(PhysicsActor& actor);
        /// Every live actor in the order of creation.
        const std::vector<PhysicsActor*>& GetActors() const { return actors; }
        unsigned GetActorCount() const { return static_cast<unsigned>(actors.size()); }

        /// Joins two actors (one may be null: the world) where they are now. Null with a warning
        /// when both are null, equal, or static.
        PhysicsJoint* CreateFixedJoint(const FixedJointDesc& desc);
        void ReleaseJoint(PhysicsJoint& joint);
        const std::vector<PhysicsJoint*>& GetJoints() const { return joints; }

        void SetGravity(const Ogre::Vector3& gravity);
        Ogre::Vector3 GetGravity() const;

        /// Fixed: sub-steps of maxTimestep, at most maxIterations per Simulate; the time left
        /// below one sub-step is carried to the next call, time beyond the last allowed sub-step
        /// is dropped (so a long hitch is not caught up in bursts). Variable: one step of dt.
        void SetTiming(float maxTimestep, unsigned maxIterations, TimeStepMethod method);
        float GetMaxTimestep() const { return maxTimestep; }
        unsigned GetMaxIterations() const { return maxIterations; }
        /// Simulated time not yet stepped.
        double GetCarriedTime() const { return carriedTime; }
        /// Sub-steps taken since creation.
        std::uint64_t GetSubStepCount() const { return subStepCount; }
        /// Wall time the worker spent on the last step, in seconds.
        double GetLastStepDuration() const { return lastStepDuration; }

        /// ContactPairFlag bits for actor groups g0 and g1 (symmetric; groups 0..31).
        void SetActorGroupPairFlags(unsigned group0, unsigned group1, unsigned flags);
        unsigned GetActorGroupPairFlags(unsigned group0, unsigned group1) const;

        /// Material 0, used by every shape.
        void SetDefaultMaterial(const MaterialDesc& material);
        const MaterialDesc& GetDefaultMaterial() const { return material; }

        void SetContactReport(IContactReport* report) { contactReport = report; }
        void SetTriggerReport(ITriggerReport* report) { triggerReport = report; }
        void SetNotify(IPhysicsNotify* notify) { this->notify = notify; }

        /// The closest solid shape along the ray (direction normalised here) within maxDistance,
        /// among the given actors and shape groups (bit per group). Trigger shapes and shapes
        /// with ShapeFlag::DISABLE_RAYCASTING are passed through. Null when nothing is hit.
        PhysicsShape* RaycastClosestShape(const Ogre::Ray& ray, ShapesType types, RaycastHit& hit,
                                          unsigned groups = 0xFFFFFFFF, float maxDistance = FLT_MAX) const;
        /// Solid shapes of the given actors that overlap the sphere, at most `capacity` of them,
        /// into `shapes`; returns how many.
        unsigned OverlapSphereShapes(const Ogre::Sphere& sphere, ShapesType types, unsigned capacity,
                                     PhysicsShape** shapes, unsigned groups = 0xFFFFFFFF) const;

        /// Starts a step of dt seconds on the worker thread and returns.
        void Simulate(float dt);
        /// Kept for callers that flush a command stream: commands take effect at once here.
        void FlushStream() {}
        /// Waits for the step started by Simulate, then delivers its reports. False when no step
        /// was started.
        bool FetchResults();
        bool IsSimulating() const { return simulating; }

        ~PhysicsScene();

    private:
        friend class PhysicsSdk;
        friend class PhysicsCapsuleController;
        friend class PhysicsActor;
        friend class PhysicsJoint;
        friend class PhysicsShape;

        explicit PhysicsScene(const SceneDesc& desc);
        PhysicsScene(const PhysicsScene&) = delete;
        PhysicsScene& operator=(const PhysicsScene&) = delete;

        struct Pair
        {
            std::uint64_t key;
            void* first;
            void* second;
            bool operator<(const Pair& other) const { return key < other.key; }
            bool operator==(const Pair& other) const { return key == other.key; }
        };
        struct ContactEvent { PhysicsActor* actor0; PhysicsActor* actor1; unsigned events; };
        struct TriggerEvent { PhysicsShape* trigger; PhysicsShape* other; unsigned status; };
        struct BreakEvent { PhysicsJoint* joint; float impulse; };

        struct BroadphaseFilter;
        struct RayCallback;
        struct OverlapCallback;

        btDiscreteDynamicsWorld& GetWorld() const { return *world; }
        /// The solid shape of a body object at a child index (see PhysicsActor::GetSolidShape).
        static PhysicsShape* GetSolidShape(const PhysicsActor& actor, int childIndex);
        static bool PassesQuery(const PhysicsActor& actor, ShapesType types);
        static bool PassesQuery(const PhysicsShape& shape, unsigned groups);
        unsigned NextSerial() { return ++serialCounter; }
        void NotePendingForces(PhysicsActor& actor) { forcedActors.push_back(&actor); }
        void CheckIdle(const char* where) const;
        /// Whether the broad phase may pair two objects (group pair flags, triggers, own shapes).
        bool MayCollide(const void* object0, const void* object1) const;
        void ApplyMaterial(PhysicsActor& actor) const;

        /// Runs on the worker thread.
        void Step(unsigned subSteps, float stepLength);
        void CollectPairs();
        void DetectSleepChanges();
        void ForgetActor(PhysicsActor& actor);
        /// Wakes the dynamic actors that the broad phase pairs with this one.
        void WakeTouching(const PhysicsActor& actor);

        std::unique_ptr<btDefaultCollisionConfiguration> configuration;
        std::unique_ptr<btCollisionDispatcher> dispatcher;
        std::unique_ptr<btBroadphaseInterface> broadphase;
        std::unique_ptr<btSequentialImpulseConstraintSolver> solver;
        std::unique_ptr<btDiscreteDynamicsWorld> world;
        std::unique_ptr<btOverlapFilterCallback> filter;

        std::vector<PhysicsActor*> actors;       ///< owned
        std::vector<PhysicsJoint*> joints;       ///< owned
        std::vector<PhysicsActor*> forcedActors; ///< actors with forces for the next step
        unsigned serialCounter = 0;
        unsigned pairFlags[32][32] = {};
        MaterialDesc material;

        IContactReport* contactReport;
        ITriggerReport* triggerReport;
        IPhysicsNotify* notify;

        float maxTimestep;
        unsigned maxIterations;
        TimeStepMethod timeStepMethod;
        double carriedTime = 0.0;
        std::uint64_t subStepCount = 0;
        double lastStepDuration = 0.0;

        // Touching actor pairs and overlapping trigger pairs after the last sub-step, sorted.
        std::vector<Pair> touching;
        std::vector<Pair> overlapping;
        std::vector<Pair> scratch;
        // Reports of the step in flight, delivered by FetchResults.
        std::vector<ContactEvent> contactEvents;
        std::vector<TriggerEvent> triggerEvents;
        std::vector<BreakEvent> breakEvents;
        std::vector<PhysicsActor*> woken;
        std::vector<PhysicsActor*> slept;

        bool simulating = false;
        bool delivering = false;
        std::vector<PhysicsActor*> releasedWhileDelivering;
        std::vector<PhysicsJoint*> jointsReleasedWhileDelivering;
        std::vector<Pair> scratchOverlap;
        PhysicsStepWorker worker;
    };
}
