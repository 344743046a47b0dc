#include "engine/physics/sdk/PhysicsSdk.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/core/Error.h"
#include "engine/physics/sdk/PhysicsConvexMesh.h"
#include "engine/physics/sdk/PhysicsCookedFormat.h"
#include "engine/physics/sdk/PhysicsHeightField.h"
#include "engine/physics/sdk/PhysicsScene.h"
#include "engine/physics/sdk/PhysicsStream.h"

namespace Engine
{
    std::unique_ptr<PhysicsSdk> PhysicsSdk::Create(unsigned version)
    {
        if ((version >> 24) != (VERSION >> 24))
        {
            LogWarning("Engine::PhysicsSdk::Create", "Version " + std::to_string(version >> 24) +
                       " requested, this physics layer is version " + std::to_string(VERSION >> 24));
            return nullptr;
        }
        return std::unique_ptr<PhysicsSdk>(new (std::nothrow) PhysicsSdk());
    }

    PhysicsSdk::~PhysicsSdk()
    {
        // Scenes first: their shapes refer to the height fields and convex meshes.
        for (PhysicsScene* scene : scenes)
            delete scene;
        for (PhysicsHeightField* field : heightFields)
            delete field;
        for (PhysicsConvexMesh* mesh : convexMeshes)
            delete mesh;
    }

    PhysicsScene* PhysicsSdk::CreateScene(const SceneDesc& desc)
    {
        PhysicsScene* scene = new PhysicsScene(desc);
        scenes.push_back(scene);
        return scene;
    }

    void PhysicsSdk::ReleaseScene(PhysicsScene& scene)
    {
        const auto found = std::find(scenes.begin(), scenes.end(), &scene);
        if (found == scenes.end())
            ThrowError("Engine::PhysicsSdk::ReleaseScene", "The scene does not belong to this SDK");
        scenes.erase(found);
        delete &scene;
    }

    PhysicsHeightField* PhysicsSdk::CreateHeightField(const HeightFieldDesc& desc)
    {
        if (desc.rows < 2 || desc.columns < 2 || desc.samples.size() != static_cast<std::size_t>(desc.rows) * desc.columns)
        {
            LogWarning("Engine::PhysicsSdk::CreateHeightField", "A height field needs at least 2 x 2 samples, one per row and column");
            return nullptr;
        }
        PhysicsHeightField* field = new PhysicsHeightField(desc);
        heightFields.push_back(field);
        return field;
    }

    bool PhysicsSdk::ReleaseHeightField(PhysicsHeightField& field)
    {
        const auto found = std::find(heightFields.begin(), heightFields.end(), &field);
        if (found == heightFields.end() || field.GetReferenceCount() > 0)
            return false;
        heightFields.erase(found);
        delete &field;
        return true;
    }

    PhysicsConvexMesh* PhysicsSdk::CreateConvexMesh(PhysicsStream& stream)
    {
        const char* where = "Engine::PhysicsSdk::CreateConvexMesh";
        if (stream.ReadDword() != CookedConvexMagic || stream.ReadDword() != CookedConvexVersion)
        {
            LogWarning(where, "The stream holds no cooked convex mesh");
            return nullptr;
        }
        const std::uint32_t count = stream.ReadDword();
        const float volume = stream.ReadFloat();
        if (count < 4 || count > CookedConvexMaxPoints || !(volume > 0.0f) || !std::isfinite(volume))
        {
            LogWarning(where, "The cooked convex mesh is damaged");
            return nullptr;
        }
        std::vector<Ogre::Vector3> points(count);
        for (Ogre::Vector3& point : points)
        {
            float xyz[3];
            if (!stream.ReadBuffer(xyz, sizeof xyz) || !std::isfinite(xyz[0]) || !std::isfinite(xyz[1]) || !std::isfinite(xyz[2]))
            {
                LogWarning(where, "The cooked convex mesh is damaged");
                return nullptr;
            }
            point = Ogre::Vector3(xyz[0], xyz[1], xyz[2]);
        }
        PhysicsConvexMesh* mesh = new PhysicsConvexMesh(std::move(points), volume);
        convexMeshes.push_back(mesh);
        return mesh;
    }

    bool PhysicsSdk::ReleaseConvexMesh(PhysicsConvexMesh& mesh)
    {
        const auto found = std::find(convexMeshes.begin(), convexMeshes.end(), &mesh);
        if (found == convexMeshes.end() || mesh.GetReferenceCount() > 0)
            return false;
        convexMeshes.erase(found);
        delete &mesh;
        return true;
    }
}
