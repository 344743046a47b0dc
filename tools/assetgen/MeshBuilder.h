#pragma once
#include <string>
#include <vector>

#include <OgreAxisAlignedBox.h>
#include <OgreMatrix4.h>
#include <OgreVector.h>

namespace AssetGen
{
    /// A rectangle of texture space: the part of a texture atlas one face shows.
    struct UvRect
    {
        float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
        /// Cell (column, row) of an atlas with `cells` cells per side, inset against bleeding.
        static UvRect Cell(int column, int row, int cells = 4);
    };

    /// Texture rectangles of the six faces of a box.
    struct BoxUv
    {
        UvRect front, back, left, right, top, bottom; // front faces +z, left faces +x
        BoxUv() = default;
        explicit BoxUv(const UvRect& all) : front(all), back(all), left(all), right(all), top(all), bottom(all) {}
    };

    /// Collects triangles (position, normal, texture coordinate, one bone per vertex) grouped
    /// by material and turns them into an Ogre mesh. Geometry is added in the frame given by
    /// SetTransform, so parts can be built around their own origin and placed afterwards.
    class MeshBuilder
    {
    public:
        void BeginSubMesh(const std::string& material);
        void SetBone(unsigned short bone) { currentBone = bone; }
        void SetTransform(const Ogre::Matrix4& transform) { current = transform; }
        void ResetTransform() { current = Ogre::Matrix4::IDENTITY; }

        /// A flat quad, corners counter-clockwise seen from the front; uv corners follow
        /// (u0, v1), (u1, v1), (u1, v0), (u0, v0).
        void AddQuad(const Ogre::Vector3& a, const Ogre::Vector3& b, const Ogre::Vector3& c,
                     const Ogre::Vector3& d, const UvRect& uv);
        void AddBox(const Ogre::Vector3& minimum, const Ogre::Vector3& maximum, const BoxUv& uv);
        /// A box whose top face is scaled by `topScale` (x, z) around the centre: tapered limbs.
        void AddTaperedBox(const Ogre::Vector3& minimum, const Ogre::Vector3& maximum,
                           const Ogre::Vector2& topScale, const BoxUv& uv);
        /// An upright cylinder (y axis) with caps, smooth sides.
        void AddCylinder(const Ogre::Vector3& base, float radius, float height, int segments,
                         const UvRect& side, const UvRect& cap, float topRadius = -1);
        void AddSphere(const Ogre::Vector3& centre, float radius, int rings, int segments,
                       const UvRect& uv, const Ogre::Vector3& scale = Ogre::Vector3::UNIT_SCALE);

        /// Builds the mesh in the default group; bounds are the given box when it is finite,
        /// otherwise those of the geometry.
        void Build(const std::string& name, const std::string& skeleton, const Ogre::AxisAlignedBox& bounds,
                   const std::string& path) const;
        Ogre::AxisAlignedBox GeometryBounds() const;

    private:
        struct Vertex
        {
            Ogre::Vector3 position, normal;
            Ogre::Vector2 uv;
            unsigned short bone;
        };
        struct Part
        {
            std::string material;
            std::vector<Vertex> vertices;
            std::vector<unsigned short> indices;
        };

        unsigned short AddVertex(const Ogre::Vector3& position, const Ogre::Vector3& normal, const Ogre::Vector2& uv);
        Part& CurrentPart();

        std::vector<Part> parts;
        Ogre::Matrix4 current = Ogre::Matrix4::IDENTITY;
        unsigned short currentBone = 0;
    };
}
