#include "engine/physics/sdk/PhysicsScene.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include <btBulletDynamicsCommon.h>
#include <BulletCollision/CollisionDispatch/btInternalEdgeUtility.h>
#include <OgreStringConverter.h>

#include "engine/core/Error.h"
#include "engine/physics/sdk/BulletConversions.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsBoxPlaneCollision.h"
#include "engine/physics/sdk/PhysicsJoint.h"
#include "engine/physics/sdk/PhysicsReports.h"
#include "engine/physics/sdk/PhysicsShape.h"

namespace Engine
{
    namespace
    {
        /// Rays longer than this are cut: Bullet's ray tests lose all precision beyond.
        const float MaxRayLength = 1.0e6f;
        /// Beyond this length the hit point is measured again along a short ray around it.
        const float PreciseRayLength = 100.0f;
        /// Two bodies closer than this touch (resting contacts hover about zero).
        const float TouchingDistance = 0.005f;

        std::uint64_t PairKey(unsigned first, unsigned second)
        {
            return (static_cast<std::uint64_t>(first) << 32) | second;
        }

        PhysicsActor* ActorOfObject(const btCollisionObject* object);

        /// Bullet's hook for new contacts of objects that ask for it (height fields): a contact
        /// on an inner edge between two triangles gets the surface's normal instead of the
        /// edge's, so that flat ground holds a body flat instead of tipping it.
        bool CorrectInnerEdgeContact(btManifoldPoint& point, const btCollisionObjectWrapper* wrapper0, int part0,
                                     int index0, const btCollisionObjectWrapper* wrapper1, int part1, int index1)
        {
            btAdjustInternalEdgeContacts(point, wrapper1, wrapper0, part1, index1);
            btAdjustInternalEdgeContacts(point, wrapper0, wrapper1, part0, index0);
            return true;
        }
    }

    /// Lets the broad phase pair two objects only where the scene allows it.
    struct PhysicsScene::BroadphaseFilter : public btOverlapFilterCallback
    {
        explicit BroadphaseFilter(const PhysicsScene& scene) : scene(scene) {}

        bool needBroadphaseCollision(btBroadphaseProxy* proxy0, btBroadphaseProxy* proxy1) const override
        {
            if (!(proxy0->m_collisionFilterGroup & proxy1->m_collisionFilterMask) ||
                !(proxy1->m_collisionFilterGroup & proxy0->m_collisionFilterMask))
                return false;
            return scene.MayCollide(proxy0->m_clientObject, proxy1->m_clientObject);
        }

        const PhysicsScene& scene;
    };

    /// Closest hit among solid shapes that take ray casts.
    struct PhysicsScene::RayCallback : public btCollisionWorld::RayResultCallback
    {
        RayCallback(ShapesType types, unsigned groups) : types(types), groups(groups) {}
        RayCallback(ShapesType types, unsigned groups, const btVector3& from, const btVector3& to)
            : types(types), groups(groups), from(from), delta(to - from), prune(true) {}

        bool needsCollision(btBroadphaseProxy* proxy) const override
        {
            const btCollisionObject* object = static_cast<const btCollisionObject*>(proxy->m_clientObject);
            if (object->getUserIndex() != BODY_OBJECT)
                return false;
            if (!PassesQuery(*static_cast<const PhysicsActor*>(object->getUserPointer()), types))
                return false;
            // The broad phase offers candidates in no particular order: skip those whose bounds
            // the ray enters only beyond the closest hit found so far.
            return !prune || EntryFraction(proxy->m_aabbMin, proxy->m_aabbMax) <= m_closestHitFraction;
        }

        /// Where the ray enters the box, as a fraction of its length (0 when it starts inside).
        btScalar EntryFraction(const btVector3& minimum, const btVector3& maximum) const
        {
            btScalar entry = 0.0f;
            for (int axis = 0; axis < 3; ++axis)
            {
                if (delta[axis] == 0.0f)
                    continue;
                const btScalar a = (minimum[axis] - from[axis]) / delta[axis];
                const btScalar b = (maximum[axis] - from[axis]) / delta[axis];
                entry = std::max(entry, std::min(a, b));
            }
            return entry;
        }

        btScalar addSingleResult(btCollisionWorld::LocalRayResult& result, bool normalInWorldSpace) override
        {
            const PhysicsActor& actor = *static_cast<const PhysicsActor*>(result.m_collisionObject->getUserPointer());
            const int child = result.m_localShapeInfo ? result.m_localShapeInfo->m_triangleIndex : -1;
            PhysicsShape* hitShape = GetSolidShape(actor, child);
            if (!hitShape || hitShape->GetFlag(ShapeFlag::DISABLE_RAYCASTING) || !PassesQuery(*hitShape, groups))
                return m_closestHitFraction;
            m_closestHitFraction = result.m_hitFraction;
            m_collisionObject = result.m_collisionObject;
            shape = hitShape;
            normal = normalInWorldSpace ? result.m_hitNormalLocal
                                        : result.m_collisionObject->getWorldTransform().getBasis() * result.m_hitNormalLocal;
            return result.m_hitFraction;
        }

        ShapesType types;
        unsigned groups;
        btVector3 from;
        btVector3 delta;
        bool prune = false;
        PhysicsShape* shape = nullptr;
        btVector3 normal;
    };

    /// Solid shapes touching a query object, each once, up to a capacity.
    struct PhysicsScene::OverlapCallback : public btCollisionWorld::ContactResultCallback
    {
        OverlapCallback(const btCollisionObject& query, ShapesType types, unsigned groups, unsigned capacity,
                        PhysicsShape** shapes)
            : query(query), types(types), groups(groups), capacity(capacity), shapes(shapes) {}

        bool needsCollision(btBroadphaseProxy* proxy) const override
        {
            const btCollisionObject* object = static_cast<const btCollisionObject*>(proxy->m_clientObject);
            if (count >= capacity || object == &query || object->getUserIndex() != BODY_OBJECT)
                return false;
            return PassesQuery(*static_cast<const PhysicsActor*>(object->getUserPointer()), types);
        }

        btScalar addSingleResult(btManifoldPoint& point, const btCollisionObjectWrapper* wrapper0, int, int index0,
                                 const btCollisionObjectWrapper* wrapper1, int, int index1) override
        {
            if (point.getDistance() > 0.0f || count >= capacity)
                return 0;
            const bool firstIsQuery = wrapper0->getCollisionObject() == &query;
            const btCollisionObject* object = firstIsQuery ? wrapper1->getCollisionObject() : wrapper0->getCollisionObject();
            const PhysicsActor& actor = *static_cast<const PhysicsActor*>(object->getUserPointer());
            PhysicsShape* shape = GetSolidShape(actor, firstIsQuery ? index1 : index0);
            if (!shape || !PassesQuery(*shape, groups))
                return 0;
            if (std::find(shapes, shapes + count, shape) == shapes + count)
                shapes[count++] = shape;
            return 0;
        }

        const btCollisionObject& query;
        ShapesType types;
        unsigned groups;
        unsigned capacity;
        PhysicsShape** shapes;
        unsigned count = 0;
    };

    namespace
    {
        PhysicsActor* ActorOfObject(const btCollisionObject* object)
        {
            if (object->getUserIndex() == PhysicsScene::BODY_OBJECT)
                return static_cast<PhysicsActor*>(object->getUserPointer());
            if (object->getUserIndex() == PhysicsScene::TRIGGER_OBJECT)
                return &static_cast<PhysicsShape*>(object->getUserPointer())->GetActor();
            return nullptr;
        }
    }

    PhysicsScene::PhysicsScene(const SceneDesc& desc)
        : contactReport(desc.contactReport), triggerReport(desc.triggerReport), notify(desc.notify),
          maxTimestep(1.0f / 60.0f), maxIterations(8), timeStepMethod(TimeStepMethod::FIXED)
    {
        configuration.reset(new btDefaultCollisionConfiguration());
        // A box landing flat on the ground plane touches it along a whole face. One contact point a
        // step (Bullet's default) lets it rock, skid and turn; several hold it flat where it fell.
        configuration->setPlaneConvexMultipointIterations();
        gContactAddedCallback = &CorrectInnerEdgeContact;
        dispatcher.reset(new btCollisionDispatcher(configuration.get()));
        // Boxes, the commonest bodies, meet the ground plane with their whole face.
        RegisterBoxPlaneCollision(*dispatcher);
        broadphase.reset(new btDbvtBroadphase());
        solver.reset(new btSequentialImpulseConstraintSolver());
        world.reset(new btDiscreteDynamicsWorld(dispatcher.get(), broadphase.get(), solver.get(), configuration.get()));
        filter.reset(new BroadphaseFilter(*this));
        world->getPairCache()->setOverlapFilterCallback(filter.get());
        world->setGravity(ToBtVector3(desc.gravity));
        SetTiming(desc.maxTimestep, desc.maxIterations, desc.timeStepMethod);
    }

    PhysicsScene::~PhysicsScene()
    {
        if (simulating)
        {
            try
            {
                worker.Wait();
            }
            catch (...)
            {
            }
        }
        for (PhysicsJoint* joint : joints)
        {
            if (joint->inWorld)
                world->removeConstraint(joint->constraint);
            delete joint;
        }
        for (PhysicsActor* actor : actors)
            delete actor;
        world.reset();
        solver.reset();
        broadphase.reset();
        dispatcher.reset();
        configuration.reset();
        filter.reset();
    }

    void PhysicsScene::CheckIdle(const char* where) const
    {
        if (simulating)
            ThrowError(where, "The physics scene is simulating; fetch the results first");
    }

    bool PhysicsScene::MayCollide(const void* object0, const void* object1) const
    {
        const btCollisionObject* first = static_cast<const btCollisionObject*>(object0);
        const btCollisionObject* second = static_cast<const btCollisionObject*>(object1);
        const PhysicsActor* actor0 = ActorOfObject(first);
        const PhysicsActor* actor1 = ActorOfObject(second);
        if (!actor0 || !actor1)
            return true;
        const bool trigger0 = first->getUserIndex() == TRIGGER_OBJECT;
        const bool trigger1 = second->getUserIndex() == TRIGGER_OBJECT;
        if (actor0 == actor1 || (trigger0 && trigger1))
            return false;
        // Static triggers watch moving actors only (dynamic and kinematic: characters too).
        if ((trigger0 || trigger1) && !actor0->IsDynamic() && !actor1->IsDynamic())
            return false;
        return !(pairFlags[actor0->GetGroup()][actor1->GetGroup()] & ContactPairFlag::IGNORE_PAIR);
    }

    PhysicsShape* PhysicsScene::GetSolidShape(const PhysicsActor& actor, int childIndex)
    {
        return actor.GetSolidShape(childIndex);
    }

    bool PhysicsScene::PassesQuery(const PhysicsActor& actor, ShapesType types)
    {
        const unsigned wanted = static_cast<unsigned>(types);
        const unsigned kind = static_cast<unsigned>(actor.IsDynamic() ? ShapesType::DYNAMIC : ShapesType::STATIC);
        return !actor.released && (wanted & kind) != 0;
    }

    bool PhysicsScene::PassesQuery(const PhysicsShape& shape, unsigned groups)
    {
        return !shape.IsTrigger() && (groups & (1u << (shape.GetGroup() & 31))) != 0;
    }

    void PhysicsScene::ApplyMaterial(PhysicsActor& actor) const
    {
        // Bullet multiplies the values of the two bodies; every shape uses this one material, so
        // each body gets the square root and a pair gets the material's own value.
        actor.body->setFriction(std::sqrt(std::max(0.0f, material.dynamicFriction)));
        actor.body->setRestitution(std::sqrt(std::max(0.0f, material.restitution)));
    }

    PhysicsActor* PhysicsScene::CreateActor(const ActorDesc& desc)
    {
        CheckIdle("Engine::PhysicsScene::CreateActor");
        PhysicsActor* actor = new PhysicsActor(*this, desc, NextSerial());
        try
        {
            actor->Build(desc);
        }
        catch (const std::exception& error)
        {
            delete actor;
            LogWarning("Engine::PhysicsScene::CreateActor", error.what());
            return nullptr;
        }
        ApplyMaterial(*actor);
        actors.push_back(actor);
        return actor;
    }

    void PhysicsScene::ReleaseActor(PhysicsActor& actor)
    {
        CheckIdle("Engine::PhysicsScene::ReleaseActor");
        const auto found = std::find(actors.begin(), actors.end(), &actor);
        if (found == actors.end())
            ThrowError("Engine::PhysicsScene::ReleaseActor", "The actor does not belong to this scene");
        actors.erase(found);
        actor.released = true;
        for (PhysicsJoint* joint : joints)
        {
            if (joint->actor0 != &actor && joint->actor1 != &actor)
                continue;
            if (joint->inWorld)
                world->removeConstraint(joint->constraint);
            joint->inWorld = false;
            joint->broken = true;
            if (joint->actor0 == &actor)
                joint->actor0 = nullptr;
            if (joint->actor1 == &actor)
                joint->actor1 = nullptr;
        }
        // What rested on the actor must notice that it is gone.
        WakeTouching(actor);
        ForgetActor(actor);
        actor.RemoveFromWorld();
        if (delivering)
            releasedWhileDelivering.push_back(&actor);
        else
            delete &actor;
    }

    void PhysicsScene::WakeTouching(const PhysicsActor& actor)
    {
        const btBroadphaseProxy* own = actor.body->getBroadphaseHandle();
        if (!own)
            return;
        // Bullet wakes sleeping bodies only through contacts with awake ones; a support that is
        // moved or taken away makes none. The broad phase still pairs it with what touched it.
        btBroadphasePairArray& pairs = world->getPairCache()->getOverlappingPairArray();
        for (int i = 0; i < pairs.size(); ++i)
        {
            const btBroadphaseProxy* other = pairs[i].m_pProxy0 == own ? pairs[i].m_pProxy1
                                             : (pairs[i].m_pProxy1 == own ? pairs[i].m_pProxy0 : nullptr);
            if (!other)
                continue;
            btCollisionObject* object = static_cast<btCollisionObject*>(other->m_clientObject);
            if (object->getUserIndex() != BODY_OBJECT)
                continue;
            PhysicsActor& neighbour = *static_cast<PhysicsActor*>(object->getUserPointer());
            if (neighbour.IsDynamic() && !neighbour.IsKinematic())
                neighbour.body->activate(true);
        }
    }

    void PhysicsScene::ForgetActor(PhysicsActor& actor)
    {
        forcedActors.erase(std::remove(forcedActors.begin(), forcedActors.end(), &actor), forcedActors.end());
        touching.erase(std::remove_if(touching.begin(), touching.end(), [&actor](const Pair& pair)
                       { return pair.first == &actor || pair.second == &actor; }), touching.end());
        overlapping.erase(std::remove_if(overlapping.begin(), overlapping.end(), [&actor](const Pair& pair)
                          { return &static_cast<PhysicsShape*>(pair.first)->GetActor() == &actor ||
                                   &static_cast<PhysicsShape*>(pair.second)->GetActor() == &actor; }), overlapping.end());
    }

    PhysicsJoint* PhysicsScene::CreateFixedJoint(const FixedJointDesc& desc)
    {
        CheckIdle("Engine::PhysicsScene::CreateFixedJoint");
        const char* where = "Engine::PhysicsScene::CreateFixedJoint";
        for (PhysicsActor* actor : {desc.actor0, desc.actor1})
        {
            if (actor && std::find(actors.begin(), actors.end(), actor) == actors.end())
            {
                LogWarning(where, "An actor of the joint does not belong to this scene");
                return nullptr;
            }
        }
        const bool moving0 = desc.actor0 && desc.actor0->IsDynamic();
        const bool moving1 = desc.actor1 && desc.actor1->IsDynamic();
        if (desc.actor0 == desc.actor1 || (!moving0 && !moving1))
        {
            LogWarning(where, "A joint needs two different actors, at least one of them dynamic");
            return nullptr;
        }
        if (!(desc.maxForce > 0.0f) || !(desc.maxTorque > 0.0f))
        {
            LogWarning(where, "The break force and torque must be positive");
            return nullptr;
        }
        PhysicsJoint* joint = new PhysicsJoint(*this, desc, NextSerial());
        world->addConstraint(joint->constraint, true);
        joint->inWorld = true;
        joints.push_back(joint);
        return joint;
    }

    void PhysicsScene::ReleaseJoint(PhysicsJoint& joint)
    {
        CheckIdle("Engine::PhysicsScene::ReleaseJoint");
        const auto found = std::find(joints.begin(), joints.end(), &joint);
        if (found == joints.end())
            ThrowError("Engine::PhysicsScene::ReleaseJoint", "The joint does not belong to this scene");
        joints.erase(found);
        if (joint.inWorld)
            world->removeConstraint(joint.constraint);
        joint.inWorld = false;
        joint.released = true;
        if (delivering)
            jointsReleasedWhileDelivering.push_back(&joint);
        else
            delete &joint;
    }

    void PhysicsScene::SetGravity(const Ogre::Vector3& gravity)
    {
        CheckIdle("Engine::PhysicsScene::SetGravity");
        if (!IsFinite(gravity))
        {
            LogWarning("Engine::PhysicsScene::SetGravity", "Gravity " + Ogre::StringConverter::toString(gravity) +
                       " is not finite; gravity unchanged");
            return;
        }
        world->setGravity(ToBtVector3(gravity));
        // Bullet passes the change on to awake bodies only; sleeping ones would wake up still
        // feeling the old gravity.
        for (PhysicsActor* actor : actors)
        {
            if (actor->IsDynamic() && !actor->IsKinematic() && !(actor->ReadBodyFlags() & BodyFlag::DISABLE_GRAVITY))
                actor->body->setGravity(world->getGravity());
        }
    }

    Ogre::Vector3 PhysicsScene::GetGravity() const
    {
        return ToVector3(world->getGravity());
    }

    void PhysicsScene::SetTiming(float step, unsigned iterations, TimeStepMethod method)
    {
        CheckIdle("Engine::PhysicsScene::SetTiming");
        if (!(step > 0.0f) || !std::isfinite(step) || iterations == 0)
        {
            LogWarning("Engine::PhysicsScene::SetTiming", "The time step must be positive and at least one step allowed; timing unchanged");
            return;
        }
        maxTimestep = step;
        maxIterations = iterations;
        timeStepMethod = method;
    }

    void PhysicsScene::SetActorGroupPairFlags(unsigned group0, unsigned group1, unsigned flags)
    {
        CheckIdle("Engine::PhysicsScene::SetActorGroupPairFlags");
        pairFlags[group0 & 31][group1 & 31] = flags;
        pairFlags[group1 & 31][group0 & 31] = flags;
    }

    unsigned PhysicsScene::GetActorGroupPairFlags(unsigned group0, unsigned group1) const
    {
        return pairFlags[group0 & 31][group1 & 31];
    }

    void PhysicsScene::SetDefaultMaterial(const MaterialDesc& newMaterial)
    {
        CheckIdle("Engine::PhysicsScene::SetDefaultMaterial");
        material = newMaterial;
        for (PhysicsActor* actor : actors)
            ApplyMaterial(*actor);
    }

    PhysicsShape* PhysicsScene::RaycastClosestShape(const Ogre::Ray& ray, ShapesType types, RaycastHit& hit,
                                                    unsigned groups, float maxDistance) const
    {
        CheckIdle("Engine::PhysicsScene::RaycastClosestShape");
        hit = RaycastHit();
        Ogre::Vector3 direction = ray.getDirection();
        if (direction.normalise() <= 0.0f || !(maxDistance > 0.0f))
            return nullptr;
        const float length = std::min(maxDistance, MaxRayLength);
        const btVector3 from = ToBtVector3(ray.getOrigin());
        const btVector3 to = ToBtVector3(ray.getOrigin() + direction * length);
        RayCallback callback(types, groups, from, to);
        world->rayTest(from, to, callback);
        if (!callback.shape)
            return nullptr;

        btVector3 point = from.lerp(to, callback.m_closestHitFraction);
        btVector3 normal = callback.normal;
        PhysicsShape* shape = callback.shape;
        if (length > PreciseRayLength)
        {
            // The fraction along a long ray is coarse: measure again along a short piece of it.
            const float along = std::max(0.0f, (point - from).dot(ToBtVector3(direction)) - 1.0f);
            const btVector3 nearFrom = from + ToBtVector3(direction) * along;
            const btVector3 nearTo = from + ToBtVector3(direction) * std::min(length, along + 2.0f);
            RayCallback precise(types, groups);
            // Bullet's signature wants a mutable object; the test only reads it.
            btCollisionObject* object = const_cast<btCollisionObject*>(callback.m_collisionObject);
            btCollisionWorld::rayTestSingle(btTransform(btQuaternion::getIdentity(), nearFrom),
                                            btTransform(btQuaternion::getIdentity(), nearTo), object,
                                            object->getCollisionShape(), object->getWorldTransform(), precise);
            if (precise.shape)
            {
                point = nearFrom.lerp(nearTo, precise.m_closestHitFraction);
                normal = precise.normal;
                shape = precise.shape;
            }
        }
        hit.shape = shape;
        hit.worldImpact = ToVector3(point);
        hit.worldNormal = ToVector3(normal.normalized());
        hit.distance = (point - from).dot(ToBtVector3(direction));
        hit.valid = true;
        return shape;
    }

    unsigned PhysicsScene::OverlapSphereShapes(const Ogre::Sphere& sphere, ShapesType types, unsigned capacity,
                                               PhysicsShape** shapes, unsigned groups) const
    {
        CheckIdle("Engine::PhysicsScene::OverlapSphereShapes");
        if (!(sphere.getRadius() > 0.0f) || capacity == 0 || !shapes)
            return 0;
        btSphereShape probeShape(sphere.getRadius());
        btCollisionObject probe;
        probe.setCollisionShape(&probeShape);
        probe.setWorldTransform(btTransform(btQuaternion::getIdentity(), ToBtVector3(sphere.getCenter())));
        OverlapCallback callback(probe, types, groups, capacity, shapes);
        world->contactTest(&probe, callback);
        return callback.count;
    }

    void PhysicsScene::Simulate(float dt)
    {
        CheckIdle("Engine::PhysicsScene::Simulate");
        if (!(dt >= 0.0f) || !std::isfinite(dt))
        {
            LogWarning("Engine::PhysicsScene::Simulate", "Time step " + std::to_string(dt) + " is not a finite time; nothing simulated");
            dt = 0.0f;
        }
        unsigned subSteps = 0;
        float stepLength = maxTimestep;
        if (timeStepMethod == TimeStepMethod::FIXED)
        {
            carriedTime += dt;
            // A small tolerance, so that sums of float frame times that should make a whole
            // sub-step do make one.
            const double step = maxTimestep;
            double whole = std::floor((carriedTime + step * 1e-5) / step);
            // What is left below one sub-step is carried; a residue of the tolerance (at most a
            // hair below zero) is no time at all.
            carriedTime = std::max(0.0, carriedTime - whole * step);
            // Whole sub-steps beyond the allowed ones are dropped, never run later.
            whole = std::min(whole, static_cast<double>(maxIterations));
            subSteps = static_cast<unsigned>(whole);
        }
        else if (dt > 0.0f)
        {
            subSteps = 1;
            stepLength = dt;
        }
        contactEvents.clear();
        triggerEvents.clear();
        breakEvents.clear();
        woken.clear();
        slept.clear();
        simulating = true;
        worker.Start([this, subSteps, stepLength] { Step(subSteps, stepLength); });
    }

    void PhysicsScene::Step(unsigned subSteps, float stepLength)
    {
        const auto start = std::chrono::steady_clock::now();
        for (unsigned i = 0; i < subSteps; ++i)
        {
            for (PhysicsActor* actor : forcedActors)
                actor->ApplyPendingForces();
            for (PhysicsActor* actor : actors)
                actor->SyncTriggers();
            world->stepSimulation(stepLength, 0, stepLength);
            ++subStepCount;
            for (PhysicsJoint* joint : joints)
            {
                float impulse = 0.0f;
                if (joint->CheckBreak(stepLength, impulse))
                    breakEvents.push_back(BreakEvent{joint, impulse});
            }
            CollectPairs();
        }
        if (subSteps > 0)
        {
            for (PhysicsActor* actor : forcedActors)
                actor->ClearPendingForces();
            forcedActors.clear();
        }
        DetectSleepChanges();
        lastStepDuration = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    void PhysicsScene::CollectPairs()
    {
        scratch.clear();
        scratchOverlap.clear();
        const int manifolds = dispatcher->getNumManifolds();
        for (int i = 0; i < manifolds; ++i)
        {
            const btPersistentManifold* manifold = dispatcher->getManifoldByIndexInternal(i);
            const int points = manifold->getNumContacts();
            if (points == 0)
                continue;
            const btCollisionObject* object0 = manifold->getBody0();
            const btCollisionObject* object1 = manifold->getBody1();
            const int kind0 = object0->getUserIndex();
            const int kind1 = object1->getUserIndex();
            if (kind0 == BODY_OBJECT && kind1 == BODY_OBJECT)
            {
                // Bullet keeps points a little apart in the manifold too, to meet them in time;
                // a pair touches only when one of them is at touching distance.
                bool touching = false;
                for (int p = 0; p < points && !touching; ++p)
                    touching = manifold->getContactPoint(p).getDistance() <= TouchingDistance;
                if (!touching)
                    continue;
                PhysicsActor* actor0 = static_cast<PhysicsActor*>(object0->getUserPointer());
                PhysicsActor* actor1 = static_cast<PhysicsActor*>(object1->getUserPointer());
                if (actor0->GetSerial() > actor1->GetSerial())
                    std::swap(actor0, actor1);
                scratch.push_back(Pair{PairKey(actor0->GetSerial(), actor1->GetSerial()), actor0, actor1});
            }
            else if ((kind0 == TRIGGER_OBJECT && kind1 == BODY_OBJECT) || (kind0 == BODY_OBJECT && kind1 == TRIGGER_OBJECT))
            {
                const bool triggerFirst = kind0 == TRIGGER_OBJECT;
                PhysicsShape* trigger = static_cast<PhysicsShape*>((triggerFirst ? object0 : object1)->getUserPointer());
                const PhysicsActor& other = *static_cast<PhysicsActor*>((triggerFirst ? object1 : object0)->getUserPointer());
                for (int p = 0; p < points; ++p)
                {
                    const btManifoldPoint& point = manifold->getContactPoint(p);
                    if (point.getDistance() > 0.0f)
                        continue;
                    PhysicsShape* shape = other.GetSolidShape(triggerFirst ? point.m_index1 : point.m_index0);
                    if (shape)
                        scratchOverlap.push_back(Pair{PairKey(trigger->GetSerial(), shape->GetSerial()), trigger, shape});
                }
            }
        }
        std::sort(scratch.begin(), scratch.end());
        scratch.erase(std::unique(scratch.begin(), scratch.end()), scratch.end());
        std::sort(scratchOverlap.begin(), scratchOverlap.end());
        scratchOverlap.erase(std::unique(scratchOverlap.begin(), scratchOverlap.end()), scratchOverlap.end());

        // Touch changes: pairs new in this sub-step start, pairs gone end.
        auto notifyContact = [this](const Pair& pair, unsigned event)
        {
            PhysicsActor* actor0 = static_cast<PhysicsActor*>(pair.first);
            PhysicsActor* actor1 = static_cast<PhysicsActor*>(pair.second);
            if (pairFlags[actor0->GetGroup()][actor1->GetGroup()] & event)
                contactEvents.push_back(ContactEvent{actor0, actor1, event});
        };
        std::size_t before = 0, now = 0;
        while (before < touching.size() || now < scratch.size())
        {
            if (now == scratch.size() || (before < touching.size() && touching[before].key < scratch[now].key))
                notifyContact(touching[before++], ContactPairFlag::NOTIFY_ON_END_TOUCH);
            else if (before == touching.size() || scratch[now].key < touching[before].key)
                notifyContact(scratch[now++], ContactPairFlag::NOTIFY_ON_START_TOUCH);
            else
                ++before, ++now;
        }
        touching.swap(scratch);

        auto notifyTrigger = [this](const Pair& pair, unsigned status, unsigned flag)
        {
            PhysicsShape* trigger = static_cast<PhysicsShape*>(pair.first);
            if (trigger->GetFlag(flag))
                triggerEvents.push_back(TriggerEvent{trigger, static_cast<PhysicsShape*>(pair.second), status});
        };
        before = 0, now = 0;
        while (before < overlapping.size() || now < scratchOverlap.size())
        {
            if (now == scratchOverlap.size() || (before < overlapping.size() && overlapping[before].key < scratchOverlap[now].key))
                notifyTrigger(overlapping[before++], TriggerStatus::LEAVE, ShapeFlag::TRIGGER_ON_LEAVE);
            else if (before == overlapping.size() || scratchOverlap[now].key < overlapping[before].key)
                notifyTrigger(scratchOverlap[now++], TriggerStatus::ENTER, ShapeFlag::TRIGGER_ON_ENTER);
            else
            {
                notifyTrigger(scratchOverlap[now], TriggerStatus::STAY, ShapeFlag::TRIGGER_ON_STAY);
                ++before, ++now;
            }
        }
        overlapping.swap(scratchOverlap);
    }

    void PhysicsScene::DetectSleepChanges()
    {
        for (PhysicsActor* actor : actors)
        {
            if (!actor->IsDynamic() || actor->IsKinematic())
                continue;
            const bool active = actor->body->isActive();
            if (active == actor->wasActive)
                continue;
            actor->wasActive = active;
            if (notify)
                (active ? woken : slept).push_back(actor);
        }
    }

    bool PhysicsScene::FetchResults()
    {
        if (!simulating)
            return false;
        try
        {
            worker.Wait();
        }
        catch (...)
        {
            simulating = false;
            throw;
        }
        simulating = false;

        // Callbacks may release actors and joints: those are taken out of the scene at once but
        // freed only after the delivery, and their remaining reports are dropped.
        struct DeliveryScope
        {
            explicit DeliveryScope(PhysicsScene& scene) : scene(scene) { scene.delivering = true; }
            ~DeliveryScope()
            {
                scene.delivering = false;
                for (PhysicsActor* actor : scene.releasedWhileDelivering)
                    delete actor;
                scene.releasedWhileDelivering.clear();
                for (PhysicsJoint* joint : scene.jointsReleasedWhileDelivering)
                    delete joint;
                scene.jointsReleasedWhileDelivering.clear();
            }
            PhysicsScene& scene;
        } scope(*this);

        for (const BreakEvent& event : breakEvents)
        {
            if (event.joint->released || !notify)
                continue;
            if (notify->OnJointBreak(event.impulse, *event.joint) && !event.joint->released)
                ReleaseJoint(*event.joint);
        }
        if (contactReport)
        {
            for (const ContactEvent& event : contactEvents)
            {
                if (!event.actor0->released && !event.actor1->released)
                    contactReport->OnContactNotify(*event.actor0, *event.actor1, event.events);
            }
        }
        if (triggerReport)
        {
            for (const TriggerEvent& event : triggerEvents)
            {
                if (!event.trigger->GetActor().released && !event.other->GetActor().released)
                    triggerReport->OnTrigger(*event.trigger, *event.other, event.status);
            }
        }
        if (notify)
        {
            for (std::vector<PhysicsActor*>* list : {&woken, &slept})
            {
                list->erase(std::remove_if(list->begin(), list->end(), [](PhysicsActor* actor) { return actor->released; }),
                            list->end());
                if (list->empty())
                    continue;
                if (list == &woken)
                    notify->OnWake(list->data(), static_cast<unsigned>(list->size()));
                else
                    notify->OnSleep(list->data(), static_cast<unsigned>(list->size()));
            }
        }
        contactEvents.clear();
        triggerEvents.clear();
        breakEvents.clear();
        woken.clear();
        slept.clear();
        return true;
    }
}
