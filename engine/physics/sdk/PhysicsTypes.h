#pragma once
#include <cfloat>
#include <cmath>
#include <vector>

#include <OgreQuaternion.h>
#include <OgreVector.h>

namespace Engine
{
    class IContactReport;
    class ITriggerReport;
    class IPhysicsNotify;
    class PhysicsActor;
    class PhysicsConvexMesh;
    class PhysicsHeightField;

    /// Whether every component is a finite number (no NaN, no infinity).
    inline bool IsFinite(const Ogre::Vector3& v)
    {
        return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
    }

    // Value types of the physics layer: flags, descriptors and query results. Distances are world
    // units, times seconds, masses kilograms, forces newtons (all single precision).

    /// Shape flags (bits of PhysicsShape::GetFlags).
    namespace ShapeFlag
    {
        enum : unsigned
        {
            TRIGGER_ON_ENTER = 1,
            TRIGGER_ON_LEAVE = 2,
            TRIGGER_ON_STAY = 4,
            TRIGGER_ENABLE = 7,        ///< any trigger bit makes the shape a trigger: it never collides
            VISUALIZATION = 8,         ///< kept for debug drawing; no effect on simulation
            FEATURE_INDICES = 32,      ///< kept; no effect on simulation
            DISABLE_RAYCASTING = 64    ///< ray casts pass through the shape
        };
    }

    /// Body flags (bits of PhysicsActor::ReadBodyFlags). Bits not listed are kept and ignored.
    namespace BodyFlag
    {
        enum : unsigned
        {
            DISABLE_GRAVITY = 1,
            FROZEN_POS_X = 2,
            FROZEN_POS_Y = 4,
            FROZEN_POS_Z = 8,
            FROZEN_POS = 14,
            FROZEN_ROT_X = 16,
            FROZEN_ROT_Y = 32,
            FROZEN_ROT_Z = 64,
            FROZEN_ROT = 112,
            FROZEN = 126,
            KINEMATIC = 128            ///< moved only by pose changes; pushes dynamic bodies
        };
    }

    /// Flags of an actor-group pair (PhysicsScene::SetActorGroupPairFlags).
    namespace ContactPairFlag
    {
        enum : unsigned
        {
            IGNORE_PAIR = 1,           ///< actors of the two groups pass through each other
            NOTIFY_ON_START_TOUCH = 2,
            NOTIFY_ON_END_TOUCH = 4
        };
    }

    /// Status bits handed to ITriggerReport::OnTrigger.
    namespace TriggerStatus
    {
        enum : unsigned
        {
            ENTER = 1,
            LEAVE = 2,
            STAY = 4
        };
    }

    enum class ForceMode
    {
        FORCE,      ///< acts over every sub-step of the next step that advances time
        IMPULSE     ///< changes the momentum at once
    };

    enum class ShapeType
    {
        PLANE,
        SPHERE,
        BOX,
        CAPSULE,        ///< along the local y axis
        CONVEX,
        HEIGHT_FIELD
    };

    /// Which actors a query considers.
    enum class ShapesType
    {
        STATIC = 1,
        DYNAMIC = 2,    ///< actors with a body, kinematic ones included
        ALL = 3
    };

    enum class TimeStepMethod
    {
        FIXED,      ///< fixed sub-steps of the maximal time step, the remainder carried over
        VARIABLE    ///< one step of exactly the simulated time
    };

    struct Pose
    {
        Ogre::Vector3 position = Ogre::Vector3::ZERO;
        Ogre::Quaternion orientation = Ogre::Quaternion::IDENTITY;
    };

    /// One shape of an actor. The fields that matter depend on the type.
    struct ShapeDesc
    {
        ShapeType type = ShapeType::BOX;
        Pose localPose;
        unsigned flags = ShapeFlag::VISUALIZATION;
        unsigned group = 0;             ///< collision group 0..31, matched against query group masks
        unsigned materialIndex = 0;
        float density = 1.0f;
        float mass = -1.0f;             ///< -1: from density
        float skinWidth = -1.0f;        ///< -1: the layer's default
        void* userData = nullptr;

        Ogre::Vector3 dimensions = Ogre::Vector3(1, 1, 1);   ///< BOX: half extents
        float radius = 1.0f;                                 ///< SPHERE, CAPSULE
        float height = 1.0f;                                 ///< CAPSULE: length of the cylinder part
        Ogre::Vector3 normal = Ogre::Vector3::UNIT_Y;        ///< PLANE: n·x = distance
        float distance = 0.0f;
        PhysicsConvexMesh* convexMesh = nullptr;             ///< CONVEX (not owned)
        PhysicsHeightField* heightField = nullptr;           ///< HEIGHT_FIELD (not owned)
        float heightScale = 1.0f;       ///< HEIGHT_FIELD: world height per sample unit
        float rowScale = 1.0f;          ///< HEIGHT_FIELD: spacing of rows, along local x
        float columnScale = 1.0f;       ///< HEIGHT_FIELD: spacing of columns, along local z
    };

    /// The moving part of a dynamic actor. An actor without a body is static.
    struct BodyDesc
    {
        float mass = 0.0f;              ///< 0: from the actor's density and its shapes
        Ogre::Vector3 linearVelocity = Ogre::Vector3::ZERO;
        Ogre::Vector3 angularVelocity = Ogre::Vector3::ZERO;
        float linearDamping = 0.0f;     ///< per second: velocity falls as exp(-damping · t)
        float angularDamping = 0.05f;
        unsigned flags = 0;             ///< BodyFlag bits
    };

    struct ActorDesc
    {
        Pose globalPose;
        std::vector<ShapeDesc> shapes;
        const BodyDesc* body = nullptr; ///< null: static actor
        float density = 0.0f;           ///< >0: overrides the shapes' densities
        unsigned group = 0;             ///< actor group 0..31 for the pair flags
        void* userData = nullptr;
    };

    struct MaterialDesc
    {
        float restitution = 0.0f;
        float staticFriction = 0.5f;
        float dynamicFriction = 0.5f;
    };

    struct SceneDesc
    {
        Ogre::Vector3 gravity = Ogre::Vector3::ZERO;
        float maxTimestep = 1.0f / 60.0f;
        unsigned maxIterations = 8;
        TimeStepMethod timeStepMethod = TimeStepMethod::FIXED;
        IContactReport* contactReport = nullptr;     ///< not owned, may be null
        ITriggerReport* triggerReport = nullptr;     ///< not owned, may be null
        IPhysicsNotify* notify = nullptr;            ///< not owned, may be null
    };

    /// One height sample: a signed 16-bit height and the material of its two triangles.
    struct HeightFieldSample
    {
        short height = 0;
        unsigned char materialIndex0 = 0;
        unsigned char materialIndex1 = 0;
        bool tessellationFlag = false;
    };

    /// Samples row by row: sample (row, column) is samples[row * columns + column]; rows run
    /// along the shape's local x, columns along its local z.
    struct HeightFieldDesc
    {
        unsigned rows = 0;
        unsigned columns = 0;
        std::vector<HeightFieldSample> samples;
        float verticalExtent = -1000.0f;
    };

    struct FixedJointDesc
    {
        PhysicsActor* actor0 = nullptr;  ///< null: the world
        PhysicsActor* actor1 = nullptr;  ///< null: the world
        float maxForce = FLT_MAX;        ///< the joint breaks above this force (FLT_MAX: never)
        float maxTorque = FLT_MAX;       ///< ... or above this torque
        void* userData = nullptr;
    };

    struct ConvexMeshDesc
    {
        unsigned numVertices = 0;
        unsigned pointStrideBytes = 12;
        const void* points = nullptr;    ///< three floats per point
    };

    class PhysicsShape;

    /// What a closest-hit ray cast found.
    struct RaycastHit
    {
        PhysicsShape* shape = nullptr;
        Ogre::Vector3 worldImpact = Ogre::Vector3::ZERO;
        Ogre::Vector3 worldNormal = Ogre::Vector3::ZERO;
        float distance = 0.0f;
        bool valid = false;
    };
}
