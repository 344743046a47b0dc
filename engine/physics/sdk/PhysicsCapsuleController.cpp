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
        /// Overlaps shallower than this are left alone.
        const float AllowedOverlap = 1.0e-4f;
        /// Room around a move's reach in which nearby objects are gathered; a push out of an
        /// overlap longer than this gathers again.
        const float GatherMargin = 0.1f;
        /// A hit whose normal is this close to square with the motion grazes and does not stop it.
        const float GrazingCosine = 1.0e-3f;
        /// Within another character's skin, a move this close to square with the way out of it
        /// grazes it (about 11 degrees): one walking past or around another in a crowd keeps going.
        const float CrowdGrazingCosine = 0.2f;

        /// Where a closed-form sweep first touches: the fraction of the motion and the normal
        /// of the obstacle there.
        struct Contact
        {
            float fraction;
            Ogre::Vector3 normal;
        };

        /// Offset of a point from the nearest point of the upright segment of half length `half`
        /// centred at the origin.
        Ogre::Vector3 OffsetFromSegment(const Ogre::Vector3& point, float half)
        {
            return Ogre::Vector3(point.x, point.y - Ogre::Math::Clamp(point.y, -half, half), point.z);
        }

        /// First fraction in [0, 1] at which the point p + t m comes within `reach` of the upright
        /// segment of half length `half` centred at the origin: two upright capsules meeting, in
        /// the frame of the one not moving. A point already within reach touches at once when
        /// it moves deeper, and never when it moves away (the distance to a convex shape along a
        /// line cannot fall again once it rises).
        bool SweepToSegment(const Ogre::Vector3& p, const Ogre::Vector3& m, float half, float reach, Contact& contact)
        {
            const Ogre::Vector3 away = OffsetFromSegment(p, half);
            const float distance = away.length();
            if (distance <= reach)
            {
                const Ogre::Vector3 normal = distance > 1.0e-6f ? away / distance : Ogre::Vector3::UNIT_Y;
                if (normal.dotProduct(m) >= 0.0f)
                    return false;
                contact = {0.0f, normal};
                return true;
            }
            float first = 2.0f;
            Ogre::Vector3 point;
            // The side of the cylinder: a circle in the ground plane.
            const float a = m.x * m.x + m.z * m.z;
            if (a > 1.0e-12f)
            {
                const float b = p.x * m.x + p.z * m.z;
                const float c = p.x * p.x + p.z * p.z - reach * reach;
                const float discriminant = b * b - a * c;
                if (discriminant >= 0.0f)
                {
                    const float t = std::max(0.0f, (-b - std::sqrt(discriminant)) / a);
                    if (t <= 1.0f && std::fabs(p.y + t * m.y) <= half)
                    {
                        first = t;
                        point = Ogre::Vector3(p.x + t * m.x, 0.0f, p.z + t * m.z);
                    }
                }
            }
            // The rounded ends: spheres about the segment's ends, each on its own side.
            const float a2 = m.squaredLength();
            for (const float end : {-half, half})
            {
                const Ogre::Vector3 q(p.x, p.y - end, p.z);
                const float b = q.dotProduct(m);
                const float discriminant = b * b - a2 * (q.squaredLength() - reach * reach);
                if (a2 < 1.0e-12f || discriminant < 0.0f)
                    continue;
                const float t = std::max(0.0f, (-b - std::sqrt(discriminant)) / a2);
                const Ogre::Vector3 at = q + m * t;
                if (t > 1.0f || t >= first || (end > 0.0f ? at.y < 0.0f : at.y > 0.0f))
                    continue;
                first = t;
                point = at;
            }
            if (first > 1.0f)
                return false;
            contact = {first, point.normalisedCopy()};
            return true;
        }

        /// First fraction in [0, 1] at which an upright capsule centred at p moving by m touches
        /// the plane {x : normal . x = distance}, the capsule being on the normal's side.
        bool SweepToPlane(const Ogre::Vector3& p, const Ogre::Vector3& m, float half, float reach,
                          const Ogre::Vector3& normal, float distance, Contact& contact)
        {
            const float rate = normal.dotProduct(m);
            if (rate >= 0.0f)
                return false;
            const float gap = normal.dotProduct(p) - distance - reach - half * std::fabs(normal.y);
            const float t = std::max(0.0f, gap / -rate);
            if (t > 1.0f)
                return false;
            contact = {t, normal};
            return true;
        }

        bool BoxesOverlap(const Ogre::Vector3& min0, const Ogre::Vector3& max0,
                          const Ogre::Vector3& min1, const Ogre::Vector3& max1)
        {
            return min0.x <= max1.x && min1.x <= max0.x && min0.y <= max1.y && min1.y <= max0.y
                && min0.z <= max1.z && min1.z <= max0.z;
        }
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
        float depth = -AllowedOverlap;
        Ogre::Vector3 push = Ogre::Vector3::ZERO;
    };

    /// Collects the solid objects whose bounds the broad phase finds in a box.
    struct PhysicsCapsuleController::GatherCallback : public btBroadphaseAabbCallback
    {
        explicit GatherCallback(PhysicsCapsuleController& controller) : controller(controller) {}

        bool process(const btBroadphaseProxy* proxy) override
        {
            const btCollisionObject* object = static_cast<const btCollisionObject*>(proxy->m_clientObject);
            if (!controller.Collides(object))
                return true;
            const btCollisionShape* shape = object->getCollisionShape();
            const btTransform& transform = object->getWorldTransform();
            Nearby found{object, Nearby::OTHER, ToVector3(proxy->m_aabbMin), ToVector3(proxy->m_aabbMax),
                         Ogre::Vector3::ZERO, 0.0f, 0.0f, shape->isConvex(), false};
            if (shape->getShapeType() == CAPSULE_SHAPE_PROXYTYPE)
            {
                // Other characters, and upright capsule bodies: closed form.
                const btCapsuleShape* capsule = static_cast<const btCapsuleShape*>(shape);
                if (capsule->getUpAxis() == 1 && transform.getBasis().getColumn(1).y() > 0.99999f)
                {
                    found.kind = Nearby::CAPSULE;
                    found.centre = ToVector3(transform.getOrigin());
                    found.radius = capsule->getRadius();
                    found.halfHeight = capsule->getHalfHeight();
                    found.character = static_cast<const PhysicsActor*>(object->getUserPointer())->IsKinematic();
                }
            }
            else if (shape->getShapeType() == STATIC_PLANE_PROXYTYPE)
            {
                const btStaticPlaneShape* plane = static_cast<const btStaticPlaneShape*>(shape);
                const btVector3 normal = transform.getBasis() * plane->getPlaneNormal();
                found.kind = Nearby::PLANE;
                found.centre = ToVector3(normal);
                found.radius = plane->getPlaneConstant() + normal.dot(transform.getOrigin());
            }
            // Shapes that are not tested through Bullet's callbacks are checked for the groups here.
            if (found.kind != Nearby::OTHER && !controller.CollidesWithShape(object, -1))
                return true;
            controller.nearby.push_back(found);
            return true;
        }

        PhysicsCapsuleController& controller;
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

    void PhysicsCapsuleController::SetCollision(bool enabled)
    {
        collision = enabled;
        // Its actor stays in the scene for ray casts and sensors, but pushes no body: a corpse or
        // a ragdoll made where the character stands must not be shoved out of its capsule.
        const int flags = actor->body->getCollisionFlags();
        actor->body->setCollisionFlags(enabled ? flags & ~btCollisionObject::CF_NO_CONTACT_RESPONSE
                                               : flags | btCollisionObject::CF_NO_CONTACT_RESPONSE);
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

    void PhysicsCapsuleController::Gather(const Ogre::Vector3& at, float side, float rise, float drop)
    {
        nearby.clear();
        const float reach = radius + skinWidth + GatherMargin;
        const Ogre::Vector3 low(at.x - reach - side, at.y - height / 2 - reach - drop, at.z - reach - side);
        const Ogre::Vector3 high(at.x + reach + side, at.y + height / 2 + reach + rise, at.z + reach + side);
        GatherCallback gather(*this);
        scene.GetWorld().getBroadphase()->aabbTest(ToBtVector3(low), ToBtVector3(high), gather);
    }

    PhysicsCapsuleController::Hit PhysicsCapsuleController::Sweep(const Ogre::Vector3& from, const Ogre::Vector3& motion) const
    {
        Hit closest;
        const float length = motion.length();
        if (length < 1.0e-9f)
            return closest;
        const Ogre::Vector3 direction = motion / length;
        const float half = height / 2;
        const float reach = radius + skinWidth;
        const Ogre::Vector3 extent(reach, half + reach, reach);
        const Ogre::Vector3 to = from + motion;
        Ogre::Vector3 low = from;
        low.makeFloor(to);
        Ogre::Vector3 high = from;
        high.makeCeil(to);
        low -= extent;
        high += extent;

        SweepCallback callback(*this, ToBtVector3(direction));
        btTransform fromTransform;
        fromTransform.setIdentity();
        fromTransform.setOrigin(ToBtVector3(from));
        btTransform toTransform;
        toTransform.setIdentity();
        toTransform.setOrigin(ToBtVector3(to));
        for (const Nearby& other : nearby)
        {
            if (!BoxesOverlap(low, high, other.boundsMin, other.boundsMax))
                continue;
            Contact contact;
            Ogre::Vector3 point;
            bool bodiesApart = !softSkins;
            if (other.kind == Nearby::CAPSULE)
            {
                const float apart = (softSkins && other.character ? radius : reach) + other.radius;
                if (!SweepToSegment(from - other.centre, motion, half + other.halfHeight, apart, contact))
                    continue;
                // Met in another character's skin, clear of its body: a move nearly along the skin
                // slips on, so that a crowd flows around itself instead of locking into arches.
                if (other.character && contact.fraction <= 0.0f)
                {
                    bodiesApart = OffsetFromSegment(from - other.centre, half + other.halfHeight).length()
                                  > radius + other.radius + ContactGap;
                    if (bodiesApart && contact.normal.dotProduct(direction) > -CrowdGrazingCosine)
                        continue;
                }
                // The contact point on the other capsule, between the two axes.
                const Ogre::Vector3 centre = from + motion * contact.fraction;
                const float y = Ogre::Math::Clamp(centre.y, other.centre.y - other.halfHeight, other.centre.y + other.halfHeight);
                point = Ogre::Vector3(other.centre.x, y, other.centre.z) + contact.normal * other.radius;
            }
            else if (other.kind == Nearby::PLANE)
            {
                if (!SweepToPlane(from, motion, half, reach, other.centre, other.radius, contact))
                    continue;
                const Ogre::Vector3 centre = from + motion * contact.fraction;
                point = centre - contact.normal * reach - Ogre::Vector3(0.0f, contact.normal.y >= 0.0f ? half : -half, 0.0f);
            }
            else
            {
                btCollisionWorld::objectQuerySingle(sweepShape.get(), fromTransform, toTransform,
                                                    const_cast<btCollisionObject*>(other.object),
                                                    other.object->getCollisionShape(), other.object->getWorldTransform(),
                                                    callback, 0.0f);
                continue;
            }
            if (contact.normal.dotProduct(direction) > -GrazingCosine || contact.fraction >= closest.fraction)
                continue;
            closest.hit = true;
            closest.fraction = contact.fraction;
            closest.normal = contact.normal;
            closest.point = point;
            closest.object = other.object;
            closest.childIndex = -1;
            closest.exact = true;
            closest.character = other.kind == Nearby::CAPSULE && other.character;
            closest.skinOnly = closest.character && bodiesApart;
        }
        if (callback.hit.hit && callback.hit.fraction < closest.fraction)
            return callback.hit;
        return closest;
    }

    bool PhysicsCapsuleController::MayStepOver(const Hit& hit, float bottom) const
    {
        const float within = bottom + stepOffset + 2 * ContactGap;
        for (const Nearby& other : nearby)
        {
            if (other.object != hit.object)
                continue;
            switch (other.kind)
            {
            case Nearby::CAPSULE:
                return other.centre.y + other.halfHeight + other.radius <= within;
            case Nearby::PLANE:
                // Walkable planes are walked up by the slide; a steep one stays steep however high.
                return false;
            case Nearby::OTHER:
                // Met low enough to climb: the lower edge of a ramp or the nose of a step. A
                // convex shape whose top is within reach is tried too, wherever it was met (the
                // broad phase's bounds lie a little outside the shape, so a shape a hair too
                // high is tried as well); the step pass decides.
                return hit.point.y <= within || (other.convex && other.boundsMax.y <= within + 0.05f);
            }
        }
        return true;
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

    bool PhysicsCapsuleController::Slide(Ogre::Vector3& at, const Ogre::Vector3& motion, bool flatten, bool record,
                                         const float* stepBottom, bool* stepWanted, int* characters)
    {
        Ogre::Vector3 remaining = motion;
        Ogre::Vector3 planes[MaxSlides];
        const btCollisionObject* charactersMet[MaxSlides];
        int planeCount = 0;
        bool touched = false;
        const float stopBelow = std::max(minDistance, TinyMotion);
        for (int attempt = 0; attempt < MaxSlides && remaining.length() > stopBelow; ++attempt)
        {
            const Hit hit = Advance(at, remaining, record);
            if (!hit.hit)
                break;
            touched = true;
            if (characters && hit.skinOnly
                && std::find(charactersMet, charactersMet + *characters, hit.object) == charactersMet + *characters)
                charactersMet[(*characters)++] = hit.object;
            if (stepBottom && MayStepOver(hit, *stepBottom))
            {
                *stepWanted = true;
                return touched;
            }
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
        // Planes and capsules swept in closed form give the surface's own normal.
        if (hit.exact)
            return hit.normal;
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
        const float half = height / 2;
        for (int attempt = 0; attempt < 4; ++attempt)
        {
            const Ogre::Vector3 extent(radius, half + radius, radius);
            const Ogre::Vector3 low = at - extent;
            const Ogre::Vector3 high = at + extent;
            bool transformSet = false;
            OverlapCallback overlap(*this);
            for (const Nearby& other : nearby)
            {
                if (!BoxesOverlap(low, high, other.boundsMin, other.boundsMax))
                    continue;
                if (other.kind == Nearby::OTHER)
                {
                    if (!transformSet)
                    {
                        btTransform transform;
                        transform.setIdentity();
                        transform.setOrigin(ToBtVector3(at));
                        probe->setWorldTransform(transform);
                        transformSet = true;
                    }
                    scene.GetWorld().contactPairTest(probe.get(), const_cast<btCollisionObject*>(other.object), overlap);
                    continue;
                }
                Ogre::Vector3 normal = other.centre;
                float depth;
                if (other.kind == Nearby::CAPSULE)
                {
                    const Ogre::Vector3 away = OffsetFromSegment(at - other.centre, half + other.halfHeight);
                    const float distance = away.length();
                    depth = radius + other.radius - distance;
                    normal = distance > 1.0e-6f ? away / distance : Ogre::Vector3::UNIT_Y;
                }
                else
                {
                    depth = other.radius + radius + half * std::fabs(normal.y) - normal.dotProduct(at);
                }
                if (depth > AllowedOverlap && -depth < overlap.depth)
                {
                    overlap.depth = -depth;
                    overlap.push = normal * depth;
                }
            }
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

        const Ogre::Vector3 side(displacement.x, 0.0f, displacement.z);
        const float up = std::max(0.0f, displacement.y);
        const float down = std::max(0.0f, -displacement.y);
        const bool sideways = side.length() > std::max(minDistance, TinyMotion);
        // Everything the move may meet, with the step up and down it might take (sliding off
        // steep ground turns some of the drop sideways).
        const float sideReach = std::max(std::fabs(side.x), std::fabs(side.z)) + down + stepOffset;
        const float rise = up + (sideways ? stepOffset : 0.0f);
        const float drop = down + (sideways ? stepOffset : 0.0f) + GroundProbe;
        Ogre::Vector3 at = position;
        Gather(at, sideReach, rise, drop);
        Depenetrate(at);
        if (at.distance(position) > GatherMargin)
            Gather(at, sideReach, rise, drop);

        if (displacement.length() <= std::max(minDistance, TinyMotion))
        {
            // Too short to move: only tell whether the character stands on something.
            if (Land(at, Sweep(at, Ogre::Vector3(0.0f, -GroundProbe, 0.0f))))
                collisionFlags |= ControllerCollision::DOWN;
        }
        else
        {
            // Most moves need no step: slide where the character stands and fall. Only when the
            // slide met something a step might clear is the move made again with the step.
            const Ogre::Vector3 start = at;
            const float bottom = start.y - height / 2 - radius - skinWidth;
            bool stepWanted = false;
            if (up > 0.0f)
            {
                Ogre::Vector3 motion(0.0f, up, 0.0f);
                const Hit hit = Advance(at, motion, false);
                if (hit.hit)
                {
                    collisionFlags |= ControllerCollision::UP;
                    Record(hit, Ogre::Vector3::UNIT_Y, up);
                }
            }
            int crowd = 0;
            if (sideways && Slide(at, side, true, true, &bottom, &stepWanted, &crowd))
                collisionFlags |= ControllerCollision::SIDES;
            if (!stepWanted && crowd >= 2)
                SqueezeThrough(at, start, side);
            if (stepWanted)
            {
                at = start;
                touches.clear();
                collisionFlags = 0;
                MoveWithStep(at, side, up, down, collisionFlags);
            }
            else if (down > 0.0f)
            {
                SlideDown(at, down, collisionFlags);
            }
            else if (Land(at, Sweep(at, Ogre::Vector3(0.0f, -GroundProbe, 0.0f))))
            {
                collisionFlags |= ControllerCollision::DOWN;
            }
        }

        position = at;
        SyncActor();
        nearby.clear();

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

    void PhysicsCapsuleController::SqueezeThrough(Ogre::Vector3& at, const Ogre::Vector3& start, const Ogre::Vector3& side)
    {
        // Held between two characters or more. Hard skins would hold a crowd pressed from behind
        // like an arch: each one blocked by those beside it, none giving way. Here the skins
        // between characters give, as in a crowd, so that the rest of the move slips between
        // the others where their bodies leave room (bodies never overlap).
        const float length = side.length();
        const float done = (at - start).dotProduct(side) / length;
        const float left = length - std::max(0.0f, done);
        if (left <= std::max(minDistance, TinyMotion))
            return;
        softSkins = true;
        Slide(at, side * (left / length), true, true);
        softSkins = false;
    }

    void PhysicsCapsuleController::MoveWithStep(Ogre::Vector3& at, const Ogre::Vector3& side, float up, float down,
                                                unsigned& collisionFlags)
    {
        const Ogre::Vector3 start = at;

        // Up: the upward part of the move plus the step offset, so that low obstacles pass beneath.
        Ogre::Vector3 rise(0.0f, up + stepOffset, 0.0f);
        const Hit ceiling = Advance(at, rise, false);
        const float risen = at.y - start.y;
        if (ceiling.hit && risen < up)
        {
            collisionFlags |= ControllerCollision::UP;
            Record(ceiling, Ogre::Vector3::UNIT_Y, up);
        }
        const float climb = std::max(0.0f, risen - up);

        const std::size_t touchesBeforeSide = touches.size();
        if (Slide(at, side, true, true))
            collisionFlags |= ControllerCollision::SIDES;

        // Down: back by the step climbed, plus the downward part of the move.
        Ogre::Vector3 motion(0.0f, -(climb + down), 0.0f);
        const Hit hit = Advance(at, motion, false);
        if (!hit.hit)
            return;
        // What the capsule came down on after stepping up must lie within the step offset above
        // where it stood, or the step was too high.
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
            // Stepped up onto something too steep to stand on: make the move again without the
            // step, so that the steep surface blocks like a wall.
            at = start;
            touches.resize(touchesBeforeSide);
            collisionFlags &= ~ControllerCollision::SIDES;
            if (up > 0.0f)
            {
                Ogre::Vector3 upward(0.0f, up, 0.0f);
                Advance(at, upward, false);
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

    void PhysicsCapsuleController::SlideDown(Ogre::Vector3& at, float down, unsigned& collisionFlags)
    {
        Ogre::Vector3 motion(0.0f, -down, 0.0f);
        const Hit hit = Advance(at, motion, false);
        if (!hit.hit)
            return;
        collisionFlags |= ControllerCollision::DOWN;
        Record(hit, Ogre::Vector3::NEGATIVE_UNIT_Y, down);
        if (!Land(at, hit))
            Slide(at, motion, false, true);
    }

    bool PhysicsCapsuleController::Land(Ogre::Vector3& at, const Hit& ground)
    {
        if (!ground.hit || !Walkable(SurfaceNormal(ground, at)))
            return false;
        // Met at once: the skin dips into the ground, where the character was placed or where
        // the world lifted it back to. Up as far as the skin reaches and down onto the ground
        // again, so that it stands a skin's width over every floor, however it got there: the
        // step offset and the slope tests measure from there. An edge met beside the capsule
        // (the top of a wall it is pressed against) is no floor to be raised onto.
        if (ground.fraction <= 0.0f && Walkable(ground.normal))
        {
            const float before = at.y;
            Ogre::Vector3 rise(0.0f, skinWidth, 0.0f);
            Advance(at, rise, false);
            Ogre::Vector3 drop(0.0f, before - at.y - ContactGap, 0.0f);
            Advance(at, drop, false);
        }
        return true;
    }
}
