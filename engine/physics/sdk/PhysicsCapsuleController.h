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

    /// An upright capsule moved by displacements with swept-capsule tests. A move first slides
    /// sideways at the height it stands with collide-and-slide along what is hit (steep surfaces
    /// act as walls), then falls by the downward part of the move. Only when the slide met
    /// something low enough to climb is the move made again with a step: up by the step offset,
    /// sideways, and down by the step plus the downward part; landing on a surface steeper than
    /// the slope limit after stepping up undoes the step, so steep ramps block; steep ground
    /// below slides the capsule off. A capsule rests a skin's width over the ground; one whose
    /// skin dips into it is raised back onto it.
    ///
    /// Between characters the skin is soft: a move nearly along another's skin slips on, and
    /// one held between others goes on into their skins until bodies meet, so that a crowd
    /// flows around itself; bodies never overlap.
    ///
    /// The shapes near a move are gathered once through the broad phase; other characters and
    /// planes are swept against in closed form, everything else through Bullet's convex casts.
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
        /// Off: the character moves through everything, and bodies pass through it.
        void SetCollision(bool enabled) override;
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
            bool exact = false;     ///< the normal is the surface's own (closed-form sweeps)
            bool character = false; ///< another character was met
            bool skinOnly = false;  ///< ... in its skin, the bodies still apart
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
        /// A solid object near the move in progress, with what the closed-form tests need.
        struct Nearby
        {
            enum Kind { CAPSULE, PLANE, OTHER };
            const btCollisionObject* object;
            Kind kind;
            Ogre::Vector3 boundsMin;        ///< the broad phase's bounds of the object
            Ogre::Vector3 boundsMax;
            Ogre::Vector3 centre;           ///< CAPSULE: centre; PLANE: normal
            float radius;                   ///< CAPSULE: radius; PLANE: distance from the origin
            float halfHeight;               ///< CAPSULE: half the cylinder's length
            bool convex;                    ///< OTHER: one convex shape, its bounds tell its top
            bool character;                 ///< CAPSULE: another character (a kinematic capsule)
        };
        struct SweepCallback;
        struct OverlapCallback;
        struct GatherCallback;

        PhysicsCapsuleController(PhysicsControllerManager& manager, PhysicsScene& scene, const CapsuleControllerDesc& desc);

        /// Collects the solid objects the capsule centred at `at` may meet in a box reaching
        /// `side` sideways (either way), `rise` up and `drop` down.
        void Gather(const Ogre::Vector3& at, float side, float rise, float drop);
        /// Sweeps the capsule (grown by the skin width) from `from` by `motion` against the
        /// gathered objects.
        Hit Sweep(const Ogre::Vector3& from, const Ogre::Vector3& motion) const;
        /// Whether stepping up could carry the capsule, whose bottom (skin included) is at
        /// `bottom`, over what the hit met.
        bool MayStepOver(const Hit& hit, float bottom) const;
        /// The rest of a sideways move from `start` that slid to `at` and stopped between other
        /// characters, with their skins giving way.
        void SqueezeThrough(Ogre::Vector3& at, const Ogre::Vector3& start, const Ogre::Vector3& side);
        /// The move with a step up first (see the class comment).
        void MoveWithStep(Ogre::Vector3& at, const Ogre::Vector3& side, float up, float down, unsigned& collisionFlags);
        /// Moves `at` along `motion` up to the first hit, keeping a hair's gap; leaves in
        /// `motion` what is left of it and returns the hit.
        Hit Advance(Ogre::Vector3& at, Ogre::Vector3& motion, bool record);
        /// Slides `at` along `motion`; walls (and, when flatten is set, every surface steeper than
        /// the slope limit) stop the vertical part. Returns whether anything was hit; when
        /// `stepBottom` is given, sets `stepWanted` if a step up from there might clear a hit;
        /// when `characters` is given, counts the other characters met in their skins, their
        /// bodies still apart (each once).
        bool Slide(Ogre::Vector3& at, const Ogre::Vector3& motion, bool flatten, bool record,
                   const float* stepBottom = nullptr, bool* stepWanted = nullptr, int* characters = nullptr);
        /// The normal of the surface under a contact point of the capsule centred at `centre`:
        /// the face itself rather than the rounded normal an edge gives.
        Ogre::Vector3 SurfaceNormal(const Hit& hit, const Ogre::Vector3& centre) const;
        bool Walkable(const Ogre::Vector3& normal) const { return normal.y >= slopeLimit; }
        /// Pushes the capsule out of solid shapes it overlaps (moved into it by others).
        void Depenetrate(Ogre::Vector3& at);
        /// Falls by `down`, sliding off steep ground.
        void SlideDown(Ogre::Vector3& at, float down, unsigned& collisionFlags);
        /// Whether the ground met by a downward sweep from `at` can be stood on; a capsule whose
        /// skin dips into it is raised onto its skin.
        bool Land(Ogre::Vector3& at, const Hit& ground);
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
        bool softSkins = false;                 ///< sweeps meet other characters' bodies, not skins
        std::vector<Touch> touches;             ///< of the move in progress
        std::vector<Nearby> nearby;             ///< of the move in progress
    };
}
