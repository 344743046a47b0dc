#include "engine/scene/TerrainGeometry.h"
#include "engine/core/Error.h"
#include "engine/core/UniqueId.h"
#include "engine/physics/TerrainLimits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <OgreConfigFile.h>
#include <OgreImage.h>
#include <OgreManualObject.h>
#include <OgreMaterialManager.h>
#include <OgrePass.h>
#include <OgreResourceGroupManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreStringConverter.h>
#include <OgreTechnique.h>

namespace Engine
{
    namespace
    {
        const char* const where = "Engine::TerrainGeometry::TerrainGeometry";
        const std::string& generalGroup = Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME;
    }

    TerrainGeometry::TerrainGeometry(Ogre::SceneManager& manager, const std::string& path)
        : sceneManager(manager)
    {
        Ogre::ConfigFile config;
        try
        {
            config.load(path, "\t:=", true);
        }
        catch (const Ogre::Exception&)
        {
            ThrowError(where, "Can't read terrain file '" + path + "'");
        }

        const std::string pageSizeText = config.getSetting("PageSize");
        // Read signed: an unsigned read turns "-5" into four thousand million samples a side.
        const int sizeValue = Ogre::StringConverter::parseInt(pageSizeText, 0);
        const unsigned size = sizeValue < 2 ? 0u : static_cast<unsigned>(sizeValue);
        const float world = Ogre::StringConverter::parseReal(config.getSetting("PageWorldX"), 0.0f);
        const float maxHeight = Ogre::StringConverter::parseReal(config.getSetting("MaxHeight"), 0.0f);
        if (size < 2)
        {
            LogWarning(where, "Terrain file '" + path + "' has 'PageSize' '" + pageSizeText +
                                  "'; at least 2 samples per side are needed, no terrain drawn");
            return;
        }
        if (!(world > 0.0f) || !std::isfinite(world))
        {
            LogWarning(where, "Terrain file '" + path + "' has 'PageWorldX' '" + config.getSetting("PageWorldX") +
                                  "'; a positive size is needed, no terrain drawn");
            return;
        }
        if (!std::isfinite(maxHeight))
        {
            LogWarning(where, "Terrain file '" + path + "' has 'MaxHeight' '" + config.getSetting("MaxHeight") +
                                  "'; a finite height scale is needed, no terrain drawn");
            return;
        }

        CheckTerrainLimits(where, path, pageSizeText, size, config.getSetting("PageWorldX"), world,
                           config.getSetting("MaxHeight"), maxHeight);
        const std::string imageName = config.getSetting("Heightmap.image");
        Ogre::Image image;
        try
        {
            image.load(imageName, generalGroup);
        }
        catch (const Ogre::Exception& error)
        {
            ThrowError(where, "Can't load height map '" + imageName + "' of terrain file '" + path + "': " +
                                  error.getDescription());
        }
        if (image.getHeight() != image.getWidth())
            return;

        // The physics height field's samples: sample (row, column) lies at x = row * scale,
        // z = column * scale; the sample row runs along the image's columns. Heights are the
        // red channel in 1/32768 steps of MaxHeight.
        const std::uint64_t width = image.getWidth();
        samples.resize(static_cast<std::size_t>(size) * size);
        for (unsigned row = 0; row < size; ++row)
            for (unsigned column = 0; column < size; ++column)
            {
                const std::size_t x = static_cast<std::size_t>(width * row / size);
                const std::size_t y = static_cast<std::size_t>(width * column / size);
                const float red = image.getColourAt(x, y, 0).r;
                const long height = std::min(32767L, std::max(0L, static_cast<long>(red * 32768.0f)));
                samples[row * size + column] = static_cast<short>(height);
            }
        pageSize = size;
        worldSize = world;
        heightScale = maxHeight / 32768.0f;

        std::string material = config.getSetting("CustomMaterialName");
        if (material.empty())
        {
            ownMaterial = "WorldGeometry/" + GenerateUniqueIdString();
            Ogre::MaterialPtr made = Ogre::MaterialManager::getSingleton().create(ownMaterial, generalGroup);
            Ogre::Pass* pass = made->getTechnique(0)->getPass(0);
            pass->setLightingEnabled(true);
            const std::string texture = config.getSetting("WorldTexture");
            if (texture.empty())
            {
                pass->setDiffuse(Ogre::ColourValue(0.6f, 0.6f, 0.6f));
                pass->setAmbient(Ogre::ColourValue(0.6f, 0.6f, 0.6f));
            }
            else
            {
                pass->createTextureUnitState(texture);
            }
            material = ownMaterial;
        }

        const float scale = worldSize / static_cast<float>(size - 1);
        object = sceneManager.createManualObject("WorldGeometry" + GenerateUniqueIdString());
        object->setCastShadows(false);
        object->estimateVertexCount(samples.size());
        object->estimateIndexCount(static_cast<std::size_t>(size - 1) * (size - 1) * 6);
        object->begin(material, Ogre::RenderOperation::OT_TRIANGLE_LIST, generalGroup);
        for (unsigned row = 0; row < size; ++row)
            for (unsigned column = 0; column < size; ++column)
            {
                // The normal from the neighbouring samples (one-sided at the borders).
                const unsigned r0 = row > 0 ? row - 1 : row, r1 = row + 1 < size ? row + 1 : row;
                const unsigned c0 = column > 0 ? column - 1 : column, c1 = column + 1 < size ? column + 1 : column;
                const float dx = (SampleHeight(r1, column) - SampleHeight(r0, column)) / (scale * (r1 - r0));
                const float dz = (SampleHeight(row, c1) - SampleHeight(row, c0)) / (scale * (c1 - c0));
                object->position(row * scale, SampleHeight(row, column), column * scale);
                object->normal(Ogre::Vector3(-dx, 1.0f, -dz).normalisedCopy());
                object->textureCoord(row / static_cast<float>(size - 1), column / static_cast<float>(size - 1));
            }
        // Each grid cell is split along the diagonal from (row + 1, column) to (row, column + 1),
        // as the physics height field splits it; both triangles face up.
        for (unsigned row = 0; row + 1 < size; ++row)
            for (unsigned column = 0; column + 1 < size; ++column)
            {
                const std::uint32_t i00 = row * size + column, i01 = i00 + 1;
                const std::uint32_t i10 = i00 + size, i11 = i10 + 1;
                object->triangle(i00, i01, i10);
                object->triangle(i10, i01, i11);
            }
        object->end();

        node = sceneManager.getRootSceneNode()->createChildSceneNode();
        node->attachObject(object);
    }

    TerrainGeometry::~TerrainGeometry()
    {
        if (object)
            sceneManager.destroyManualObject(object);
        if (node)
            sceneManager.destroySceneNode(node);
        if (!ownMaterial.empty())
            Ogre::MaterialManager::getSingleton().remove(ownMaterial, generalGroup);
    }

    float TerrainGeometry::SampleHeight(unsigned row, unsigned column) const
    {
        return samples[row * pageSize + column] * heightScale;
    }

    bool TerrainGeometry::GetHeightAt(float x, float z, float& height) const
    {
        if (!object || !(x >= 0.0f && x <= worldSize && z >= 0.0f && z <= worldSize))
            return false;
        const float scale = worldSize / static_cast<float>(pageSize - 1);
        const float fr = x / scale, fc = z / scale;
        const unsigned row = std::min(static_cast<unsigned>(fr), pageSize - 2);
        const unsigned column = std::min(static_cast<unsigned>(fc), pageSize - 2);
        const float u = fr - row, v = fc - column;
        const float h00 = SampleHeight(row, column), h01 = SampleHeight(row, column + 1);
        const float h10 = SampleHeight(row + 1, column), h11 = SampleHeight(row + 1, column + 1);
        if (u + v <= 1.0f)
            height = h00 + u * (h10 - h00) + v * (h01 - h00);
        else
            height = h11 + (1.0f - u) * (h01 - h11) + (1.0f - v) * (h10 - h11);
        return true;
    }
}
