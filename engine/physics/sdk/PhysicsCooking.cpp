#include "engine/physics/sdk/PhysicsCooking.h"

#include <cmath>
#include <vector>

#include <LinearMath/btConvexHullComputer.h>

#include "engine/physics/sdk/PhysicsCookedFormat.h"
#include "engine/physics/sdk/PhysicsStream.h"

namespace Engine
{
    namespace
    {
        /// Volume enclosed by the hull's faces (zero for a flat hull).
        double HullVolume(const btConvexHullComputer& hull)
        {
            if (hull.vertices.size() < 4)
                return 0.0;
            const btVector3 reference = hull.vertices[0];
            double volume = 0.0;
            for (int face = 0; face < hull.faces.size(); ++face)
            {
                const btConvexHullComputer::Edge* first = &hull.edges[hull.faces[face]];
                const btVector3 a = hull.vertices[first->getSourceVertex()] - reference;
                const btConvexHullComputer::Edge* edge = first->getNextEdgeOfFace();
                while (edge->getTargetVertex() != first->getSourceVertex())
                {
                    const btVector3 b = hull.vertices[edge->getSourceVertex()] - reference;
                    const btVector3 c = hull.vertices[edge->getTargetVertex()] - reference;
                    volume += a.dot(b.cross(c)) / 6.0;
                    edge = edge->getNextEdgeOfFace();
                }
            }
            return std::fabs(volume);
        }
    }

    bool CookConvexMesh(const ConvexMeshDesc& desc, PhysicsStream& stream)
    {
        if (desc.numVertices < 4 || !desc.points || desc.pointStrideBytes < 3 * sizeof(float))
            return false;

        const unsigned char* bytes = static_cast<const unsigned char*>(desc.points);
        std::vector<float> coordinates;
        coordinates.reserve(desc.numVertices * 3);
        float extent = 0.0f;
        for (unsigned i = 0; i < desc.numVertices; ++i)
        {
            const float* point = reinterpret_cast<const float*>(bytes + i * desc.pointStrideBytes);
            for (int axis = 0; axis < 3; ++axis)
            {
                if (!std::isfinite(point[axis]))
                    return false;
                coordinates.push_back(point[axis]);
                extent = std::max(extent, std::fabs(point[axis]));
            }
        }

        btConvexHullComputer hull;
        hull.compute(coordinates.data(), 3 * sizeof(float), static_cast<int>(desc.numVertices), 0, 0);
        const double volume = HullVolume(hull);
        // Points in one plane (or on one line) give a flat hull: no volume relative to the size.
        const double scale = std::max(1e-6, static_cast<double>(extent));
        if (hull.vertices.size() < 4 || volume <= 1e-9 * scale * scale * scale)
            return false;

        stream.StoreDword(CookedConvexMagic);
        stream.StoreDword(CookedConvexVersion);
        stream.StoreDword(static_cast<std::uint32_t>(hull.vertices.size()));
        stream.StoreFloat(static_cast<float>(volume));
        for (int i = 0; i < hull.vertices.size(); ++i)
        {
            stream.StoreFloat(hull.vertices[i].x());
            stream.StoreFloat(hull.vertices[i].y());
            stream.StoreFloat(hull.vertices[i].z());
        }
        return true;
    }
}
