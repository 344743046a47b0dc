#include "engine/physics/sdk/PhysicsCapsuleController.h"

#include <algorithm>
#include <cmath>

#include <btBulletDynamicsCommon.h>

#include "engine/core/Error.h"
#include "engine/physics/sdk/BulletConversions.h"
#include "engine/physics/sdk/PhysicsActor.h"
#include "engine/physics/sdk/PhysicsControllerManager.h"
#include "engine/physics/sdk/PhysicsReports.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/physics/sdk/PhysicsShape.h"

namespace Engine
{
    namespace
    {
        /// Gap left short of a hit so that the next sweep does not start inside the obstacle.
        const float ContactGap = 0.001f;
        /// Sweeps shorter than this are not made.
        const float TinyMotion = 1.0e-5f;
        /// Attempts of one collide-and-slide pass.
        const int MaxSlides = 5;
        /// Depth of the probe that keeps a resting character on the ground.
        const float GroundProbe = 0.01f;
    }

    /// Closest hit of a capsule sweep, among the solid shapes a controller collides with. Hits
    /// whose normal does not oppose the motion (touching contacts being left) are ignored.
    struct PhysicsCapsuleController::SweepCallback : public btCollisionWorld::ConvexResultCallback
    {
        SweepCallback(const PhysicsCapsuleController& controller, const btVector3& direction)
            : controller(controller), direction(direction) {}

        bool needsCollision(btBroadphaseProxy* proxy) const override
        {
            return controller.Collides(static_cast<const btCollisionObject*>(proxy->m_clientObject));
        }

        btScalar addSingleResult(btCollisionWorld::LocalConvexResult& result, bool normalInWorldSpace) override
        {
            const btVector3 normal = normalInWorldSpace
                ? result.m_hitNormalLocal
                : result.m_hitCollisionObject->getWorldTransform().getBasis() * result.m_hitNormalLocal;
            if (normal.dot(direction) > -1.0e-3f || result.m_hitFraction >= m_closestHitFraction)
                return m_closestHitFraction;
            const int child = result.m_localShapeInfo ? result.m_localShapeInfo->m_triangleIndex : -1;
            if (!controller.CollidesWithShape(result.m_hitCollisionObject, child))
                return m_closestHitFraction;
            m_closestHitFraction = result.m_hitFraction;
            hit.hit = true;
            hit.fraction = result.m_hitFraction;
            hit.normal = ToVector3(normal.normalized());
            hit.point = ToVector3(result.m_hitPointLocal);
            hit.object = result.m_hitCollisionObject;
            hit.childIndex = child;
            return result.m_hitFraction;
        }

        const PhysicsCapsuleController& controller;
        btVector3 direction;
        Hit hit;
    };

    /// Deepest overlap of the probe with a solid shape the controller collides with.
    struct PhysicsCapsuleController::OverlapCallback : public btCollisionWorld::ContactResultCallback
    {
        OverlapCallback(const PhysicsCapsuleController& controller) : controller(controller) {}

        bool needsCollision(btBroadphaseProxy* proxy) const override
        {
            return controller.Collides(static_cast<const btCollisionObject*>(proxy->m_clientObject));
        }

        btScalar addSingleResult(btManifoldPoint& point, const btCollisionObjectWrapper* wrapper0, int, int index0,
                                 const btCollisionObjectWrapper* wrapper1, int, int index1) override
        {
            const float distance = point.getDistance();
            if (distance >= depth)
                return 0;
            const bool probeFirst = wrapper0->getCollisionObject() == controller.probe.get();
            const btCollisionObject* other = probeFirst ? wrapper1->getCollisionObject() : wrapper0->getCollisionObject();
            if (!controller.CollidesWithShape(other, probeFirst ? index1 : index0))
                return 0;
            // The normal points from the second object to the first.
            btVector3 normal = point.m_normalWorldOnB;
            if (!probeFirst)
                normal = -normal;
            depth = distance;
            push = ToVector3(normal) * -distance;
            return 0;
        }

        const PhysicsCapsuleController& controller;
        float depth = -1.0e-4f;
        Ogre::Vector3 push = Ogre::Vector3::ZERO;
    };

    PhysicsCapsuleController* PhysicsCapsuleController::Create(PhysicsControllerManager& manager, PhysicsScene& scene,
                                                               const CapsuleControllerDesc& desc)
    {
        if (!(desc.radius > 0.0f) || !(desc.height > 0.0f) || !(desc.skinWidth >= 0.0f) || !(desc.stepOffset >= 0.0f))
        {
            LogWarning("Engine::PhysicsCapsuleController::Create",
                       "A capsule controller needs a positive radius and height and no negative skin width or step offset");
            return nullptr;
        }
        std::unique_ptr<PhysicsCapsuleController> controller(new PhysicsCapsuleController(manager, scene, desc));
        if (!controller->actor)
            return nullptr;
        return static_cast<PhysicsCapsuleController*>(manager.AddController(std::move(controller)));
    }

    PhysicsCapsuleController::PhysicsCapsuleController(PhysicsControllerManager& manager, PhysicsScene& scene,
                                                       const CapsuleControllerDesc& desc)
        : manager(manager), scene(scene), position(desc.position), radius(desc.radius), height(desc.height),
          slopeLimit(desc.slopeLimit), skinWidth(desc.skinWidth), stepOffset(desc.stepOffset),
          hitReport(desc.hitReport), interaction(desc.interaction)
    {
        SetUserData(desc.userData);
        sweepShape.reset(new btCapsuleShape(radius + skinWidth, height));
        bodyShape.reset(new btCapsuleShape(radius, height));
        probe.reset(new btCollisionObject());
        probe->setCollisionShape(bodyShape.get());

        ActorDesc actorDesc;
        actorDesc.globalPose.position = position;
        ShapeDesc capsule;
        capsule.type = ShapeType::CAPSULE;
        capsule.radius = radius;
        capsule.height = height;
        actorDesc.shapes.push_back(capsule);
        BodyDesc body;
        body.flags = BodyFlag::KINEMATIC;
        actorDesc.body = &body;
        actorDesc.density = 1.0f;
        actor = scene.CreateActor(actorDesc);
    }

    PhysicsCapsuleController::~PhysicsCapsuleController()
    {
        if (actor)
            scene.ReleaseActor(*actor);
    }

    void PhysicsCapsuleController::SetPosition(const Ogre::Vector3& newPosition)
    {
        scene.CheckIdle("Engine::PhysicsCapsuleController::SetPosition");
        position = newPosition;
        SyncActor();
    }

    void PhysicsCapsuleController::SyncActor()
    {
        actor->SetGlobalPosition(position);
    }

    PhysicsController* PhysicsCapsuleController::ControllerOf(const btCollisionObject* object) const
    {
        return manager.FindByActor(static_cast<const PhysicsActor*>(object->getUserPointer()));
    }

    bool PhysicsCapsuleController::Collides(const btCollisionObject* object) const
    {
        if (object == probe.get() || object->getUserIndex() != PhysicsScene::BODY_OBJECT)
            return false;
        const PhysicsActor* other = static_cast<const PhysicsActor*>(object->getUserPointer());
        if (other == actor || other->released)
            return false;
        // Other characters are obstacles unless they let controllers pass.
        if (other->IsKinematic())
        {
            const PhysicsController* controller = ControllerOf(object);
            if (controller && controller->GetInteraction() == ControllerInteraction::EXCLUDE)
                return false;
        }
        return true;
    }

    bool PhysicsCapsuleController::CollidesWithShape(const btCollisionObject* object, int childIndex) const
    {
        const PhysicsShape* shape = PhysicsScene::GetSolidShape(*static_cast<const PhysicsActor*>(object->getUserPointer()),
                                                                childIndex);
        return shape && (activeGroups & (1u << (shape->GetGroup() & 31))) != 0;
    }

    PhysicsCapsuleController::Hit PhysicsCapsuleController::Sweep(const Ogre::Vector3& from, const Ogre::Vector3& motion) const
    {
        const btVector3 start = ToBtVector3(from);
        const btVector3 end = ToBtVector3(from + motion);
        SweepCallback callback(*this, (end - start).normalized());
        btTransform fromTransform;
        fromTransform.setIdentity();
        fromTransform.setOrigin(start);
        btTransform toTransform;
        toTransform.setIdentity();
        toTransform.setOrigin(end);
        scene.GetWorld().convexSweepTest(sweepShape.get(), fromTransform, toTransform, callback, 0.0f);
        return callback.hit;
    }

    PhysicsCapsuleController::Hit PhysicsCapsuleController::Advance(Ogre::Vector3& at, Ogre::Vector3& motion, bool record)
    {
        const float length = motion.length();
        if (length < TinyMotion)
        {
            motion = Ogre::Vector3::ZERO;
            return Hit();
        }
        const Hit hit = Sweep(at, motion);
        if (!hit.hit)
        {
            at += motion;
            motion = Ogre::Vector3::ZERO;
            return hit;
        }
        const Ogre::Vector3 direction = motion / length;
        const float travel = std::max(0.0f, hit.fraction * length - ContactGap);
        at += direction * travel;
        if (record)
            Record(hit, direction, length);
        motion = direction * (length - travel);
        return hit;
    }

    bool PhysicsCapsuleController::Slide(Ogre::Vector3& at, const Ogre::Vector3& motion, bool flatten, bool record)
    {
        Ogre::Vector3 remaining = motion;
        Ogre::Vector3 planes[MaxSlides];
        int planeCount = 0;
        bool touched = false;
        const float stopBelow = std::max(minDistance, TinyMotion);
        for (int attempt = 0; attempt < MaxSlides && remaining.length() > stopBelow; ++attempt)
        {
            const Hit hit = Advance(at, remaining, record);
            if (!hit.hit)
                break;
            touched = true;
            Ogre::Vector3 normal = hit.normal;
            // Steep surfaces are walls to a sideways move: the character neither climbs nor
            // is pressed down by them.
            if (flatten && !Walkable(normal))
            {
                normal.y = 0.0f;
                if (normal.length() < 1.0e-4f)
                    break;
                normal.normalise();
            }
            remaining -= normal * remaining.dotProduct(normal);
            // Pushed back into an earlier plane: follow the crease between the two instead of
            // bouncing between them (the jitter of corners).
            for (int i = 0; i < planeCount; ++i)
            {
                if (remaining.dotProduct(planes[i]) < -1.0e-5f)
                {
                    Ogre::Vector3 crease = normal.crossProduct(planes[i]);
                    if (crease.length() < 1.0e-4f)
                    {
                        remaining = Ogre::Vector3::ZERO;
                        break;
                    }
                    crease.normalise();
                    remaining = crease * crease.dotProduct(remaining);
                    if (flatten)
                        remaining.y = 0.0f;
                    break;
                }
            }
            planes[planeCount++] = normal;
            // Never slide back against the move that was asked for.
            if (remaining.dotProduct(motion) <= 0.0f)
                break;
        }
        return touched;
    }

    Ogre::Vector3 PhysicsCapsuleController::SurfaceNormal(const Hit& hit, const Ogre::Vector3& centre) const
    {
        // A rounded capsule resting on an edge gets a slanted contact normal; the face beside
        // the contact, away from the capsule's axis, tells what it stands on.
        Ogre::Vector3 aside = hit.point - centre;
        aside.y = 0.0f;
        if (aside.length() > 1.0e-4f)
            aside = aside.normalisedCopy() * 0.02f;
        else
            aside = Ogre::Vector3::ZERO;
        const btVector3 from = ToBtVector3(hit.point + aside + Ogre::Vector3(0.0f, 0.05f, 0.0f));
        const btVector3 to = ToBtVector3(hit.point + aside - Ogre::Vector3(0.0f, 0.05f, 0.0f));

        // Only the object hit matters: ask it alone, without a walk through the broad phase.
        btCollisionWorld::ClosestRayResultCallback face(from, to);
        btTransform fromTransform;
        fromTransform.setIdentity();
        fromTransform.setOrigin(from);
        btTransform toTransform;
        toTransform.setIdentity();
        toTransform.setOrigin(to);
        btCollisionWorld::rayTestSingle(fromTransform, toTransform, const_cast<btCollisionObject*>(hit.object),
                                        hit.object->getCollisionShape(), hit.object->getWorldTransform(), face);
        if (face.hasHit())
        {
            const Ogre::Vector3 normal = ToVector3(face.m_hitNormalWorld.normalized());
            if (normal.y > hit.normal.y)
                return normal;
        }
        return hit.normal;
    }

    void PhysicsCapsuleController::Depenetrate(Ogre::Vector3& at)
    {
        for (int attempt = 0; attempt < 4; ++attempt)
        {
            btTransform transform;
            transform.setIdentity();
            transform.setOrigin(ToBtVector3(at));
            probe->setWorldTransform(transform);
            OverlapCallback overlap(*this);
            scene.GetWorld().contactTest(probe.get(), overlap);
            if (overlap.push == Ogre::Vector3::ZERO)
                return;
            at += overlap.push + overlap.push.normalisedCopy() * ContactGap;
        }
    }

    void PhysicsCapsuleController::Record(const Hit& hit, const Ogre::Vector3& direction, float length)
    {
        PhysicsController* controller = ControllerOf(hit.object);
        PhysicsShape* shape = controller ? nullptr
            : PhysicsScene::GetSolidShape(*static_cast<const PhysicsActor*>(hit.object->getUserPointer()), hit.childIndex);
        for (const Touch& touch : touches)
        {
            if (touch.shape == shape && touch.controller == controller)
                return;
        }
        touches.push_back({shape, controller, hit.point, hit.normal, direction, length});
    }

    void PhysicsCapsuleController::Move(const Ogre::Vector3& displacement, unsigned groups, float minDist,
                                        unsigned& collisionFlags, float)
    {
        scene.CheckIdle("Engine::PhysicsCapsuleController::Move");
        collisionFlags = 0;
        touches.clear();
        activeGroups = groups;
        minDistance = std::max(0.0f, minDist);
        if (!collision)
        {
            position += displacement;
            SyncActor();
            return;
        }

        Ogre::Vector3 at = position;
        Depenetrate(at);
        if (displacement.length() <= std::max(minDistance, TinyMotion))
        {
            // Too short to move: only tell whether the character stands on something.
            const Hit ground = Sweep(at, Ogre::Vector3(0.0f, -GroundProbe, 0.0f));
            if (ground.hit && Walkable(SurfaceNormal(ground, at)))
                collisionFlags |= ControllerCollision::DOWN;
            position = at;
            SyncActor();
            return;
        }

        const Ogre::Vector3 start = at;
        const Ogre::Vector3 side(displacement.x, 0.0f, displacement.z);
        const float up = std::max(0.0f, displacement.y);
        const float down = std::max(0.0f, -displacement.y);
        const bool sideways = side.length() > std::max(minDistance, TinyMotion);

        // Up: the upward part of the move, plus the step offset while moving sideways so that
        // low obstacles pass beneath.
        float climb = 0.0f;
        if (up > 0.0f || sideways)
        {
            const float rise = up + (sideways ? stepOffset : 0.0f);
            Ogre::Vector3 motion(0.0f, rise, 0.0f);
            const Hit hit = Advance(at, motion, false);
            const float risen = at.y - start.y;
            if (hit.hit && risen < up)
            {
                collisionFlags |= ControllerCollision::UP;
                Record(hit, Ogre::Vector3::UNIT_Y, up);
            }
            climb = std::max(0.0f, risen - up);
        }

        const std::size_t touchesBeforeSide = touches.size();
        if (sideways && Slide(at, side, true, true))
            collisionFlags |= ControllerCollision::SIDES;

        // Down: back by the step climbed, plus the downward part of the move.
        const float drop = climb + down;
        if (drop > 0.0f)
        {
            Ogre::Vector3 motion(0.0f, -drop, 0.0f);
            const Hit hit = Advance(at, motion, false);
            if (hit.hit)
            {
                // What the capsule came down on after stepping up must lie within the step
                // offset above where it stood, or the step was too high.
                const float bottom = start.y - height / 2 - radius - skinWidth;
                const bool tooHigh = climb > 0.0f && hit.point.y - bottom > stepOffset + ContactGap;
                if (!tooHigh && Walkable(SurfaceNormal(hit, at)))
                {
                    collisionFlags |= ControllerCollision::DOWN;
                    if (down > 0.0f)
                        Record(hit, Ogre::Vector3::NEGATIVE_UNIT_Y, down);
                }
                else if (climb > 0.0f)
                {
                    // Stepped up onto something too steep to stand on: make the move again
                    // without the step, so that the steep surface blocks like a wall.
                    at = start;
                    touches.resize(touchesBeforeSide);
                    collisionFlags &= ~ControllerCollision::SIDES;
                    if (up > 0.0f)
                    {
                        Ogre::Vector3 rise(0.0f, up, 0.0f);
                        Advance(at, rise, false);
                    }
                    if (Slide(at, side, true, true))
                        collisionFlags |= ControllerCollision::SIDES;
                    if (down > 0.0f)
                        SlideDown(at, down, collisionFlags);
                }
                else
                {
                    // Steep ground: slide off it along its surface.
                    collisionFlags |= ControllerCollision::DOWN;
                    Record(hit, Ogre::Vector3::NEGATIVE_UNIT_Y, down);
                    Slide(at, motion, false, true);
                }
            }
        }

        position = at;
        SyncActor();

        if (!hitReport)
            return;
        // Report after the move, when the controller stands where it ended: the report may
        // push bodies or look at the character.
        const std::vector<Touch> touched = std::move(touches);
        touches.clear();
        for (const Touch& touch : touched)
        {
            if (touch.controller)
                hitReport->OnControllerHit({this, touch.controller});
            else if (touch.shape)
                hitReport->OnShapeHit({this, touch.shape, touch.point, touch.normal, touch.direction, touch.length});
        }
    }

    void PhysicsCapsuleController::SlideDown(Ogre::Vector3& at, float down, unsigned& collisionFlags)
    {
        Ogre::Vector3 motion(0.0f, -down, 0.0f);
        const Hit hit = Advance(at, motion, false);
        if (!hit.hit)
            return;
        collisionFlags |= ControllerCollision::DOWN;
        Record(hit, Ogre::Vector3::NEGATIVE_UNIT_Y, down);
        if (!Walkable(SurfaceNormal(hit, at)))
            Slide(at, motion, false, true);
    }
}
