#include "engine/generator/Generator.h"
#include "engine/scene/Scene.h"
#include "tests/support/SceneTest.h"

#include <gtest/gtest.h>

#include <Ogre.h>

#include <vector>

namespace Generator = Engine::Generator;

namespace
{
    const Ogre::Vector3 a(0, 0, 0), b(1, 0, 0), c(1, 0, 1), d(0, 0, 1);

    std::vector<Ogre::uint32> Indices(const Ogre::SubMesh* sub)
    {
        const Ogre::IndexData* data = sub->indexData;
        Ogre::HardwareBufferLockGuard lock(data->indexBuffer, Ogre::HardwareBuffer::HBL_READ_ONLY);
        std::vector<Ogre::uint32> result;
        for (size_t i = 0; i < data->indexCount; ++i)
        {
            if (data->indexBuffer->getType() == Ogre::HardwareIndexBuffer::IT_16BIT)
                result.push_back(static_cast<const Ogre::uint16*>(lock.pData)[data->indexStart + i]);
            else
                result.push_back(static_cast<const Ogre::uint32*>(lock.pData)[data->indexStart + i]);
        }
        return result;
    }

    struct Vertex
    {
        Ogre::Vector3 position, normal;
        Ogre::Vector2 uv;
    };

    std::vector<Vertex> Vertices(const Ogre::SubMesh* sub)
    {
        const Ogre::VertexData* data = sub->useSharedVertices ? sub->parent->sharedVertexData : sub->vertexData;
        const Ogre::VertexDeclaration* declaration = data->vertexDeclaration;
        const Ogre::VertexElement* position = declaration->findElementBySemantic(Ogre::VES_POSITION);
        const Ogre::VertexElement* normal = declaration->findElementBySemantic(Ogre::VES_NORMAL);
        const Ogre::VertexElement* uv = declaration->findElementBySemantic(Ogre::VES_TEXTURE_COORDINATES);
        Ogre::HardwareVertexBufferSharedPtr buffer = data->vertexBufferBinding->getBuffer(position->getSource());
        Ogre::HardwareBufferLockGuard lock(buffer, Ogre::HardwareBuffer::HBL_READ_ONLY);
        std::vector<Vertex> result;
        for (size_t i = 0; i < data->vertexCount; ++i)
        {
            unsigned char* base = static_cast<unsigned char*>(lock.pData) + (data->vertexStart + i) * buffer->getVertexSize();
            float *p, *n, *t;
            position->baseVertexPointerToElement(base, &p);
            normal->baseVertexPointerToElement(base, &n);
            uv->baseVertexPointerToElement(base, &t);
            result.push_back(Vertex{Ogre::Vector3(p), Ogre::Vector3(n), Ogre::Vector2(t[0], t[1])});
        }
        return result;
    }

    class GeneratorTest : public ::Test::SceneTest
    {
    protected:
        Ogre::SceneManager* Manager() { return GetScene().GetSceneManager(); }
    };
}

TEST_F(GeneratorTest, QuadsCompileIntoADoubleSidedTexturedMesh)
{
    Generator::CreateTriObject("Floor", "BaseWhite");
    Generator::GenerateQuad("Floor", a, b, c, d, 3, 2);
    Generator::GenerateQuad("Floor", a + Ogre::Vector3::UNIT_Y, b, c, d, 1, 1);
    Generator::CompileTriObject("Floor");

    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().getByName("Floor", Engine::Scene::GetResourceGroupName());
    ASSERT_TRUE(mesh);
    ASSERT_EQ(mesh->getNumSubMeshes(), 1u);
    EXPECT_EQ(mesh->getSubMesh(0)->getMaterialName(), "BaseWhite");
    EXPECT_EQ(Indices(mesh->getSubMesh(0)),
              (std::vector<Ogre::uint32>{0, 1, 2, 2, 3, 0, 3, 2, 1, 1, 0, 3,
                                         4, 5, 6, 6, 7, 4, 7, 6, 5, 5, 4, 7}));

    const std::vector<Vertex> vertices = Vertices(mesh->getSubMesh(0));
    ASSERT_EQ(vertices.size(), 8u);
    EXPECT_EQ(vertices[2].position, c);
    EXPECT_EQ(vertices[1].uv, Ogre::Vector2(3, 0));
    EXPECT_EQ(vertices[2].uv, Ogre::Vector2(3, 2)); // u and v are repeat counts
    EXPECT_EQ(vertices[3].uv, Ogre::Vector2(0, 2));
    // The first two vertices carry the face normal of (p1, p2, p3).
    const Ogre::Vector4 expected = Ogre::Math::calculateFaceNormal(a, b, c);
    EXPECT_TRUE(vertices[0].normal.positionEquals(Ogre::Vector3(expected.x, expected.y, expected.z), 1e-5f));
    EXPECT_TRUE(mesh->isEdgeListBuilt());
    EXPECT_NE(mesh->getSubMesh(0)->vertexData->vertexDeclaration->findElementBySemantic(Ogre::VES_TANGENT), nullptr);

    // A second object with the same name starts counting again.
    Manager()->destroyManualObject("Floor");
    Generator::CreateTriObject("Floor", "BaseWhite");
    Generator::GenerateQuad("Floor", a, b, c, d, 1, 1);
    Manager()->getManualObject("Floor")->end();
    EXPECT_EQ(Manager()->getManualObject("Floor")->getSections()[0]->getRenderOperation()->indexData->indexCount, 12u);
}

TEST_F(GeneratorTest, UnknownObjectsAreTheRenderersError)
{
    EXPECT_THROW(Generator::GenerateQuad("Nothing", a, b, c, d, 1, 1), Ogre::Exception);
    EXPECT_THROW(Generator::CompileTriObject("Nothing"), Ogre::Exception);
}

TEST_F(GeneratorTest, ExportWritesAMeshFileThatLoadsBack)
{
    Generator::CreateTriObject("Tile", "BaseWhite");
    Generator::GenerateQuad("Tile", a, b, c, d, 1, 1);
    Generator::CompileTriObject("Tile");
    const std::string file = DataDir().File("Tile.mesh");
    Generator::ExportTriObject("Tile", file);

    // Loaded back the ordinary way, through the resource system.
    Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
    groups.removeResourceLocation(DataDir().Path(), "TestData");
    groups.addResourceLocation(DataDir().Path(), "FileSystem", "TestData");
    Ogre::MeshPtr loaded = Ogre::MeshManager::getSingleton().load("Tile.mesh", "TestData");
    ASSERT_EQ(loaded->getNumSubMeshes(), 1u);
    EXPECT_EQ(Vertices(loaded->getSubMesh(0)).size(), 4u);
    EXPECT_EQ(Indices(loaded->getSubMesh(0)).size(), 12u);
}

TEST_F(GeneratorTest, DebugLinesAreBlueAndOnlyThemAreDetached)
{
    Ogre::SceneNode* node = Manager()->getRootSceneNode()->createChildSceneNode();
    Ogre::ManualObject* other = Manager()->createManualObject("Other");
    node->attachObject(other);
    Generator::AttachDebugLine(node, Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_X);
    Generator::AttachDebugLine(node, Ogre::Vector3::ZERO, Ogre::Vector3::UNIT_Z);

    ASSERT_EQ(node->numAttachedObjects(), 3u);
    const std::string first = node->getAttachedObject(1)->getName();
    const std::string second = node->getAttachedObject(2)->getName();
    EXPECT_EQ(first.rfind("DebugLine", 0), 0u);
    EXPECT_EQ(second.rfind("DebugLine", 0), 0u);
    EXPECT_NE(first, second);

    Ogre::MaterialPtr material = Ogre::MaterialManager::getSingleton().getByName("DebugLine", "Debug");
    ASSERT_TRUE(material);
    EXPECT_EQ(material->getTechnique(0)->getPass(0)->getSelfIllumination(), Ogre::ColourValue(0, 0, 1));
    EXPECT_EQ(static_cast<Ogre::ManualObject*>(node->getAttachedObject(1))->getSections()[0]->getMaterialName(), "DebugLine");

    Generator::DetachDebugLine(node);
    ASSERT_EQ(node->numAttachedObjects(), 1u);
    EXPECT_EQ(node->getAttachedObject(0), other);
    EXPECT_FALSE(Manager()->hasManualObject(first)); // destroyed, not only detached
}

TEST(GeneratorWithoutScene, EveryFunctionDoesNothing)
{
    ASSERT_FALSE(Engine::Scene::GetSingleton());
    Generator::CreateTriObject("Floor", "BaseWhite");
    Generator::GenerateQuad("Floor", a, b, c, d, 1, 1);
    Generator::CompileTriObject("Floor");
    Generator::ExportTriObject("Floor", "/nonexistent/Floor.mesh");
    Generator::AttachDebugLine(nullptr, a, b);
    Generator::DetachDebugLine(nullptr);
}
