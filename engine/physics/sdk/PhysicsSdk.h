#pragma once
#include <memory>
#include <vector>

#include "engine/physics/sdk/PhysicsTypes.h"

namespace Engine
{
    class PhysicsConvexMesh;
    class PhysicsHeightField;
    class PhysicsScene;
    class PhysicsStream;

    /// The physics layer's root object: it owns the scenes, height fields and convex meshes made
    /// through it, and frees whatever is left when it is destroyed.
    class PhysicsSdk
    {
    public:
        /// Version word of this layer; Create refuses callers built against another major version.
        static const unsigned VERSION = 0x02070000;

        /// The SDK, or null (with a warning) when it cannot be created: a version of another major
        /// number, or no memory.
        static std::unique_ptr<PhysicsSdk> Create(unsigned version = VERSION);
        ~PhysicsSdk();
        PhysicsSdk(const PhysicsSdk&) = delete;
        PhysicsSdk& operator=(const PhysicsSdk&) = delete;

        PhysicsScene* CreateScene(const SceneDesc& desc);
        /// Frees the scene and everything in it; waits for a step in flight.
        void ReleaseScene(PhysicsScene& scene);
        unsigned GetSceneCount() const { return static_cast<unsigned>(scenes.size()); }

        /// Null (with a warning) for fewer than 2 x 2 samples or a sample count that does not match.
        PhysicsHeightField* CreateHeightField(const HeightFieldDesc& desc);
        /// False (nothing released) while a shape still uses it.
        bool ReleaseHeightField(PhysicsHeightField& field);

        /// Reads cooked data (CookConvexMesh); null (with a warning) when it is not valid.
        PhysicsConvexMesh* CreateConvexMesh(PhysicsStream& stream);
        /// False (nothing released) while a shape still uses it.
        bool ReleaseConvexMesh(PhysicsConvexMesh& mesh);
        unsigned GetConvexMeshCount() const { return static_cast<unsigned>(convexMeshes.size()); }

    private:
        PhysicsSdk() = default;

        std::vector<PhysicsScene*> scenes;              ///< owned
        std::vector<PhysicsHeightField*> heightFields;  ///< owned
        std::vector<PhysicsConvexMesh*> convexMeshes;   ///< owned
    };
}
