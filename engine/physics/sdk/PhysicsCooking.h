#pragma once
#include "engine/physics/sdk/PhysicsTypes.h"

namespace Engine
{
    class PhysicsStream;

    /// Computes the convex hull of the points and writes it to the stream in the form
    /// PhysicsSdk::CreateConvexMesh reads. False, with nothing written, when the points do not
    /// span a volume (fewer than four points not in one plane) or are not finite.
    bool CookConvexMesh(const ConvexMeshDesc& desc, PhysicsStream& stream);
}
