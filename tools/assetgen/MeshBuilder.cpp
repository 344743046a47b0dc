#include "MeshBuilder.h"

#include <stdexcept>

#include <Ogre.h>
#include <OgreMeshSerializer.h>

namespace AssetGen
{
    UvRect UvRect::Cell(int column, int row, int cells)
    {
        const float size = 1.0f / static_cast<float>(cells);
        const float inset = size * 0.04f;
        return UvRect{column * size + inset, row * size + inset, (column + 1) * size - inset, (row + 1) * size - inset};
    }

    void MeshBuilder::BeginSubMesh(const std::string& material)
    {
        parts.push_back(Part{material, {}, {}});
    }

    MeshBuilder::Part& MeshBuilder::CurrentPart()
    {
        if (parts.empty())
            throw std::logic_error("MeshBuilder: geometry added before BeginSubMesh");
        return parts.back();
    }

    unsigned short MeshBuilder::AddVertex(const Ogre::Vector3& position, const Ogre::Vector3& normal, const Ogre::Vector2& uv)
    {
        Part& part = CurrentPart();
        if (part.vertices.size() >= 65535)
            throw std::length_error("MeshBuilder: sub-mesh of " + part.material + " exceeds 16-bit indices");
        Ogre::Vector3 n = current.linear() * normal;
        n.normalise();
        part.vertices.push_back(Vertex{current * position, n, uv, currentBone});
        return static_cast<unsigned short>(part.vertices.size() - 1);
    }

    void MeshBuilder::AddQuad(const Ogre::Vector3& a, const Ogre::Vector3& b, const Ogre::Vector3& c,
                              const Ogre::Vector3& d, const UvRect& uv)
    {
        Ogre::Vector3 normal = (b - a).crossProduct(c - a);
        if (normal.squaredLength() < 1e-12f)
            normal = (c - a).crossProduct(d - a);
        normal.normalise();
        const unsigned short i0 = AddVertex(a, normal, {uv.u0, uv.v1});
        const unsigned short i1 = AddVertex(b, normal, {uv.u1, uv.v1});
        const unsigned short i2 = AddVertex(c, normal, {uv.u1, uv.v0});
        const unsigned short i3 = AddVertex(d, normal, {uv.u0, uv.v0});
        std::vector<unsigned short>& indices = CurrentPart().indices;
        indices.insert(indices.end(), {i0, i1, i2, i0, i2, i3});
    }

    void MeshBuilder::AddBox(const Ogre::Vector3& minimum, const Ogre::Vector3& maximum, const BoxUv& uv)
    {
        AddTaperedBox(minimum, maximum, {1, 1}, uv);
    }

    void MeshBuilder::AddTaperedBox(const Ogre::Vector3& lo, const Ogre::Vector3& hi, const Ogre::Vector2& topScale,
                                    const BoxUv& uv)
    {
        const float cx = (lo.x + hi.x) * 0.5f, cz = (lo.z + hi.z) * 0.5f;
        const float hx = (hi.x - lo.x) * 0.5f, hz = (hi.z - lo.z) * 0.5f;
        auto bottom = [&](float sx, float sz) { return Ogre::Vector3(cx + sx * hx, lo.y, cz + sz * hz); };
        auto top = [&](float sx, float sz) {
            return Ogre::Vector3(cx + sx * hx * topScale.x, hi.y, cz + sz * hz * topScale.y);
        };
        AddQuad(bottom(-1, 1), bottom(1, 1), top(1, 1), top(-1, 1), uv.front);
        AddQuad(bottom(1, -1), bottom(-1, -1), top(-1, -1), top(1, -1), uv.back);
        AddQuad(bottom(1, 1), bottom(1, -1), top(1, -1), top(1, 1), uv.left);
        AddQuad(bottom(-1, -1), bottom(-1, 1), top(-1, 1), top(-1, -1), uv.right);
        AddQuad(top(-1, 1), top(1, 1), top(1, -1), top(-1, -1), uv.top);
        AddQuad(bottom(-1, -1), bottom(1, -1), bottom(1, 1), bottom(-1, 1), uv.bottom);
    }

    void MeshBuilder::AddCylinder(const Ogre::Vector3& base, float radius, float height, int segments,
                                  const UvRect& side, const UvRect& cap, float topRadius)
    {
        if (topRadius < 0)
            topRadius = radius;
        std::vector<unsigned short>& indices = CurrentPart().indices;
        const float slope = (radius - topRadius) / height;
        std::vector<unsigned short> ring;
        for (int i = 0; i <= segments; ++i)
        {
            const float a = Ogre::Math::TWO_PI * static_cast<float>(i) / static_cast<float>(segments);
            const float s = std::sin(a), c = std::cos(a);
            Ogre::Vector3 normal(s, slope, c);
            const float u = side.u0 + (side.u1 - side.u0) * static_cast<float>(i) / static_cast<float>(segments);
            ring.push_back(AddVertex(base + Ogre::Vector3(s * radius, 0, c * radius), normal, {u, side.v1}));
            ring.push_back(AddVertex(base + Ogre::Vector3(s * topRadius, height, c * topRadius), normal, {u, side.v0}));
        }
        for (int i = 0; i < segments; ++i)
        {
            const unsigned short b0 = ring[i * 2], t0 = ring[i * 2 + 1], b1 = ring[i * 2 + 2], t1 = ring[i * 2 + 3];
            indices.insert(indices.end(), {b0, b1, t1, b0, t1, t0});
        }
        const float cu = (cap.u0 + cap.u1) * 0.5f, cv = (cap.v0 + cap.v1) * 0.5f;
        const float ru = (cap.u1 - cap.u0) * 0.5f, rv = (cap.v1 - cap.v0) * 0.5f;
        for (int end = 0; end < 2; ++end)
        {
            const float y = end ? height : 0.0f;
            const float r = end ? topRadius : radius;
            const Ogre::Vector3 normal(0, end ? 1.0f : -1.0f, 0);
            const unsigned short centre = AddVertex(base + Ogre::Vector3(0, y, 0), normal, {cu, cv});
            std::vector<unsigned short> rim;
            for (int i = 0; i <= segments; ++i)
            {
                const float a = Ogre::Math::TWO_PI * static_cast<float>(i) / static_cast<float>(segments);
                const float s = std::sin(a), c = std::cos(a);
                rim.push_back(AddVertex(base + Ogre::Vector3(s * r, y, c * r), normal, {cu + s * ru, cv + c * rv}));
            }
            for (int i = 0; i < segments; ++i)
            {
                if (end)
                    indices.insert(indices.end(), {centre, rim[i], rim[i + 1]});
                else
                    indices.insert(indices.end(), {centre, rim[i + 1], rim[i]});
            }
        }
    }

    void MeshBuilder::AddSphere(const Ogre::Vector3& centre, float radius, int rings, int segments, const UvRect& uv,
                                const Ogre::Vector3& scale)
    {
        std::vector<unsigned short> grid;
        for (int r = 0; r <= rings; ++r)
        {
            const float phi = Ogre::Math::PI * static_cast<float>(r) / static_cast<float>(rings);
            for (int s = 0; s <= segments; ++s)
            {
                const float theta = Ogre::Math::TWO_PI * static_cast<float>(s) / static_cast<float>(segments);
                const Ogre::Vector3 unit(std::sin(phi) * std::sin(theta), std::cos(phi), std::sin(phi) * std::cos(theta));
                const Ogre::Vector3 normal(unit.x / scale.x, unit.y / scale.y, unit.z / scale.z);
                const Ogre::Vector2 tex(uv.u0 + (uv.u1 - uv.u0) * static_cast<float>(s) / static_cast<float>(segments),
                                        uv.v0 + (uv.v1 - uv.v0) * static_cast<float>(r) / static_cast<float>(rings));
                grid.push_back(AddVertex(centre + unit * scale * radius, normal, tex));
            }
        }
        std::vector<unsigned short>& indices = CurrentPart().indices;
        const int row = segments + 1;
        for (int r = 0; r < rings; ++r)
            for (int s = 0; s < segments; ++s)
            {
                const unsigned short a = grid[r * row + s], b = grid[r * row + s + 1];
                const unsigned short c = grid[(r + 1) * row + s], d = grid[(r + 1) * row + s + 1];
                indices.insert(indices.end(), {a, c, d, a, d, b});
            }
    }

    Ogre::AxisAlignedBox MeshBuilder::GeometryBounds() const
    {
        Ogre::AxisAlignedBox box;
        for (const Part& part : parts)
            for (const Vertex& v : part.vertices)
                box.merge(v.position);
        return box;
    }

    void MeshBuilder::Build(const std::string& name, const std::string& skeleton, const Ogre::AxisAlignedBox& bounds,
                            const std::string& path) const
    {
        Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual(
            name, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
        Ogre::HardwareBufferManager& buffers = Ogre::HardwareBufferManager::getSingleton();
        for (const Part& part : parts)
        {
            Ogre::SubMesh* sub = mesh->createSubMesh();
            // The sub-mesh keeps a material object, and the serialiser writes its name: a blank
            // material of that name stands in for the scripted one the game loads.
            Ogre::MaterialManager& materials = Ogre::MaterialManager::getSingleton();
            if (!materials.resourceExists(part.material, mesh->getGroup()))
                materials.create(part.material, mesh->getGroup());
            sub->setMaterialName(part.material, mesh->getGroup());
            sub->useSharedVertices = false;
            sub->vertexData = new Ogre::VertexData();
            sub->vertexData->vertexCount = part.vertices.size();
            // Positions and normals in one buffer, texture coordinates in another: the layout
            // Ogre's skinning expects (it blends only the first buffer).
            Ogre::VertexDeclaration* decl = sub->vertexData->vertexDeclaration;
            decl->addElement(0, 0, Ogre::VET_FLOAT3, Ogre::VES_POSITION);
            decl->addElement(0, 12, Ogre::VET_FLOAT3, Ogre::VES_NORMAL);
            decl->addElement(1, 0, Ogre::VET_FLOAT2, Ogre::VES_TEXTURE_COORDINATES, 0);
            std::vector<float> geometry, texture;
            geometry.reserve(part.vertices.size() * 6);
            texture.reserve(part.vertices.size() * 2);
            for (const Vertex& v : part.vertices)
            {
                geometry.insert(geometry.end(), {v.position.x, v.position.y, v.position.z, v.normal.x, v.normal.y, v.normal.z});
                texture.insert(texture.end(), {v.uv.x, v.uv.y});
            }
            for (unsigned short source = 0; source < 2; ++source)
            {
                const std::vector<float>& data = source == 0 ? geometry : texture;
                Ogre::HardwareVertexBufferSharedPtr buffer = buffers.createVertexBuffer(
                    decl->getVertexSize(source), part.vertices.size(), Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY);
                buffer->writeData(0, data.size() * sizeof(float), data.data(), true);
                sub->vertexData->vertexBufferBinding->setBinding(source, buffer);
            }

            sub->indexData->indexCount = part.indices.size();
            sub->indexData->indexBuffer = buffers.createIndexBuffer(
                Ogre::HardwareIndexBuffer::IT_16BIT, part.indices.size(), Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY);
            sub->indexData->indexBuffer->writeData(0, part.indices.size() * sizeof(unsigned short), part.indices.data(), true);

            if (!skeleton.empty())
                for (size_t i = 0; i < part.vertices.size(); ++i)
                {
                    Ogre::VertexBoneAssignment assignment;
                    assignment.vertexIndex = static_cast<unsigned int>(i);
                    assignment.boneIndex = part.vertices[i].bone;
                    assignment.weight = 1.0f;
                    sub->addBoneAssignment(assignment);
                }
        }
        const Ogre::AxisAlignedBox box = bounds.isFinite() ? bounds : GeometryBounds();
        mesh->_setBounds(box, false);
        mesh->_setBoundingSphereRadius(std::max(box.getMinimum().length(), box.getMaximum().length()));
        if (!skeleton.empty())
            mesh->setSkeletonName(skeleton);
        Ogre::MeshSerializer serializer;
        serializer.exportMesh(mesh.get(), path);
        // A manual mesh that was never loaded keeps its sub-meshes past its removal: free them here.
        while (mesh->getNumSubMeshes() > 0)
            mesh->destroySubMesh(0);
        Ogre::MeshManager::getSingleton().remove(mesh);
    }
}
