#pragma once
#include <memory>
#include <vector>

#include "engine/physics/sdk/PhysicsController.h"

class btCapsuleShape;
class btCollisionObject;

namespace Engine
{
    class IControllerHitReport;
    class PhysicsControllerManager;
    class PhysicsScene;
    class PhysicsShape;

    /// How a capsule controller is made. Positions are those of the capsule's centre.
    struct CapsuleControllerDesc
    {
        Ogre::Vector3 position = Ogre::Vector3::ZERO;
        float radius = 0.5f;
        float height = 1.0f;            ///< length of the cylinder part, along world y
        float slopeLimit = 0.8660254f;  ///< cosine of the steepest slope walked on
        float skinWidth = 0.1f;         ///< gap kept between the capsule and what it touches
        float stepOffset = 0.5f;        ///< highest step climbed while moving sideways
        IControllerHitReport* hitReport = nullptr;   ///< not owned, may be null
        ControllerInteraction interaction = ControllerInteraction::INCLUDE;
        void* userData = nullptr;
    };

    /// An upright capsule moved by displacements with Bullet's convex sweeps. A move goes in three
    /// passes: up (the step offset while moving sideways), sideways with collide-and-slide along
    /// what is hit (steep surfaces act as walls), and down by the step offset plus the downward
    /// part of the move. Landing on a surface steeper than the slope limit after stepping up
    /// undoes the step, so steep ramps block; steep ground below slides the capsule off.
    /// The capsule carries a kinematic actor in the scene for ray casts, triggers and joints.
    class PhysicsCapsuleController : public PhysicsController
    {
    public:
        /// Creates the controller and its actor and hands it to the manager; null with a warning
        /// when the description is unusable (radius or height not positive).
        static PhysicsCapsuleController* Create(PhysicsControllerManager& manager, PhysicsScene& scene,
                                                const CapsuleControllerDesc& desc);
        ~PhysicsCapsuleController() override;

        void Move(const Ogre::Vector3& displacement, unsigned activeGroups, float minDistance,
                  unsigned& collisionFlags, float sharpness) override;
        Ogre::Vector3 GetPosition() const override { return position; }
        void SetPosition(const Ogre::Vector3& position) override;
        PhysicsActor* GetActor() const override { return actor; }
        void SetCollision(bool enabled) override { collision = enabled; }
        bool GetCollision() const { return collision; }
        void SetInteraction(ControllerInteraction interaction) override { this->interaction = interaction; }
        ControllerInteraction GetInteraction() const override { return interaction; }

        float GetRadius() const { return radius; }
        float GetHeight() const { return height; }
        float GetSkinWidth() const { return skinWidth; }
        float GetStepOffset() const { return stepOffset; }
        float GetSlopeLimit() const { return slopeLimit; }

    private:
        struct Hit
        {
            bool hit = false;
            float fraction = 1.0f;
            Ogre::Vector3 normal = Ogre::Vector3::ZERO;
            Ogre::Vector3 point = Ogre::Vector3::ZERO;
            const btCollisionObject* object = nullptr;
            int childIndex = -1;
        };
        struct Touch
        {
            PhysicsShape* shape;
            PhysicsController* controller;
            Ogre::Vector3 point;
            Ogre::Vector3 normal;
            Ogre::Vector3 direction;
            float length;
        };
        struct SweepCallback;
        struct OverlapCallback;

        PhysicsCapsuleController(PhysicsControllerManager& manager, PhysicsScene& scene, const CapsuleControllerDesc& desc);

        /// Sweeps the capsule (grown by the skin width) from `from` by `motion`.
        Hit Sweep(const Ogre::Vector3& from, const Ogre::Vector3& motion) const;
        /// Moves `at` along `motion` up to the first hit, keeping a hair's gap; leaves in
        /// `motion` what is left of it and returns the hit.
        Hit Advance(Ogre::Vector3& at, Ogre::Vector3& motion, bool record);
        /// Slides `at` along `motion`; walls (and, when flatten is set, every surface steeper than
        /// the slope limit) stop the vertical part. Returns whether anything was hit.
        bool Slide(Ogre::Vector3& at, const Ogre::Vector3& motion, bool flatten, bool record);
        /// The normal of the surface under a contact point of the capsule centred at `centre`:
        /// the face itself rather than the rounded normal an edge gives.
        Ogre::Vector3 SurfaceNormal(const Hit& hit, const Ogre::Vector3& centre) const;
        bool Walkable(const Ogre::Vector3& normal) const { return normal.y >= slopeLimit; }
        /// Pushes the capsule out of solid shapes it overlaps (moved into it by others).
        void Depenetrate(Ogre::Vector3& at);
        /// Falls by `down`, sliding off steep ground.
        void SlideDown(Ogre::Vector3& at, float down, unsigned& collisionFlags);
        /// Notes a touched shape or controller for the hit report, once per move.
        void Record(const Hit& hit, const Ogre::Vector3& direction, float length);
        /// Whether the sweeps consider an object (solid, not our own, not a passable character).
        bool Collides(const btCollisionObject* object) const;
        /// Whether the hit child shape of an object is in the groups of the move.
        bool CollidesWithShape(const btCollisionObject* object, int childIndex) const;
        PhysicsController* ControllerOf(const btCollisionObject* object) const;
        void SyncActor();

        PhysicsControllerManager& manager;
        PhysicsScene& scene;
        PhysicsActor* actor = nullptr;          ///< owned through the scene
        std::unique_ptr<btCapsuleShape> sweepShape;
        std::unique_ptr<btCapsuleShape> bodyShape;
        std::unique_ptr<btCollisionObject> probe;   ///< for overlap tests, never in the world
        Ogre::Vector3 position;
        float radius;
        float height;
        float slopeLimit;
        float skinWidth;
        float stepOffset;
        IControllerHitReport* hitReport;
        ControllerInteraction interaction;
        bool collision = true;
        unsigned activeGroups = 0xFFFFFFFF;
        float minDistance = 0.0f;
        std::vector<Touch> touches;             ///< of the move in progress
    };
}
