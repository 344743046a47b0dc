#pragma once
#include <string>
#include <vector>

namespace Ogre { class ManualObject; class SceneManager; class SceneNode; }

namespace Engine
{
    /// The rendered terrain of a terrain description file, built from the same height samples,
    /// scales and triangle split as the physics world's height field, so that the ground one
    /// sees is the ground one stands on. It covers x and z from 0 to "PageWorldX" and heights
    /// from 0 to "MaxHeight".
    ///
    /// The file is a key/value configuration file (tab, colon or equals sign between key and
    /// value) read from the file system: "PageSize" (samples per side, at least 2),
    /// "PageWorldX", "MaxHeight", "Heightmap.image" (a square image resource of the group
    /// "General", heights in its red channel). Optional, for the look only: "CustomMaterialName"
    /// (a material to draw it with) or "WorldTexture" (a texture stretched over it); without
    /// either it is drawn in plain lit grey.
    ///
    /// The renderer objects (a manual object, its node and a material when one is made) belong
    /// to the scene manager; the destructor removes them.
    class TerrainGeometry
    {
    public:
        /// Reads the file and builds the terrain under the scene's root node. Throws
        /// Engine::Exception when the file or the height map cannot be read. A "PageSize"
        /// below 2, a size that is not positive or a height map that is not square build
        /// nothing (IsBuilt() is false), as the physics world then builds no height field.
        TerrainGeometry(Ogre::SceneManager& sceneManager, const std::string& path);
        ~TerrainGeometry();
        TerrainGeometry(const TerrainGeometry&) = delete;
        TerrainGeometry& operator=(const TerrainGeometry&) = delete;

        bool IsBuilt() const { return object != nullptr; }
        Ogre::ManualObject* GetObject() const { return object; }
        unsigned GetPageSize() const { return pageSize; }
        float GetWorldSize() const { return worldSize; }
        /// The height of the rendered surface at (x, z), on the triangle that covers it; false
        /// outside the terrain or when nothing was built.
        bool GetHeightAt(float x, float z, float& height) const;

    private:
        float SampleHeight(unsigned row, unsigned column) const;

        Ogre::SceneManager& sceneManager;
        Ogre::ManualObject* object = nullptr;
        Ogre::SceneNode* node = nullptr;
        std::string ownMaterial;     // the material made for it, removed with it
        unsigned pageSize = 0;
        float worldSize = 0.0f;
        float heightScale = 0.0f;
        std::vector<short> samples;  // row-major: row runs along x, column along z
    };
}
