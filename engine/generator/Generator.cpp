#include "engine/generator/Generator.h"
#include "engine/core/UniqueId.h"
#include "engine/scene/Scene.h"

#include <map>
#include <vector>

#include <Ogre.h>

namespace Engine
{
    namespace Generator
    {
        namespace
        {
            const char* debugLinePrefix = "DebugLine";

            // Vertices emitted so far per tri object: the index base of its next quad.
            std::map<std::string, int>& VertexCounts()
            {
                static std::map<std::string, int> counts;
                return counts;
            }

            Ogre::SceneManager* CurrentSceneManager()
            {
                boost::shared_ptr<Scene> scene = Scene::GetSingleton();
                return scene ? scene->GetSceneManager() : nullptr;
            }

            // The scene's group exists only while it has locations, and "Debug" only once made.
            const std::string& EnsureGroup(const std::string& group)
            {
                Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
                if (!groups.resourceGroupExists(group))
                    groups.createResourceGroup(group, true);   // as the scene makes its own
                return group;
            }

            void BuildEdgesAndTangents(Ogre::MeshPtr mesh)
            {
                mesh->buildEdgeList();
                mesh->buildTangentVectors(Ogre::VES_TANGENT, 0, 0);
            }

            void CreateDebugLineMaterial()
            {
                static bool created = false;
                if (created)
                    return;
                Ogre::MaterialPtr material =
                    Ogre::MaterialManager::getSingleton().create(debugLinePrefix, EnsureGroup("Debug"));
                Ogre::Technique* technique = material->getTechnique(0);
                technique->setLightingEnabled(true);
                Ogre::Pass* pass = technique->getPass(0);
                pass->setDiffuse(0, 0, 1, 0);
                pass->setAmbient(0, 0, 1);
                pass->setSelfIllumination(0, 0, 1);
                created = true;
            }
        }

        void CreateTriObject(const std::string& name, const std::string& material)
        {
            Ogre::SceneManager* sceneManager = CurrentSceneManager();
            if (!sceneManager)
                return;
            Ogre::ManualObject* object = sceneManager->createManualObject(name);
            object->begin(material, Ogre::RenderOperation::OT_TRIANGLE_LIST);
            VertexCounts()[name] = 0;
        }

        void GenerateQuad(const std::string& name, const Ogre::Vector3& p1, const Ogre::Vector3& p2,
                          const Ogre::Vector3& p3, const Ogre::Vector3& p4, float u, float v)
        {
            Ogre::SceneManager* sceneManager = CurrentSceneManager();
            if (!sceneManager)
                return;
            Ogre::ManualObject* object = sceneManager->getManualObject(name);
            int& count = VertexCounts()[name];
            const Ogre::uint32 e = static_cast<Ogre::uint32>(count);

            const Ogre::Vector4 n1 = Ogre::Math::calculateFaceNormal(p1, p2, p3);
            const Ogre::Vector4 n2 = Ogre::Math::calculateFaceNormal(p1, p3, p4);
            const Ogre::Vector3 normal1(n1.x, n1.y, n1.z), normal2(n2.x, n2.y, n2.z);

            object->position(p1); object->normal(normal1); object->textureCoord(0, 0);
            object->position(p2); object->normal(normal1); object->textureCoord(u, 0);
            object->position(p3); object->normal(normal2); object->textureCoord(u, v);
            object->position(p4); object->normal(normal2); object->textureCoord(0, v);

            object->quad(e, e + 1, e + 2, e + 3);
            object->quad(e + 3, e + 2, e + 1, e);
            count += 4;
        }

        void CompileTriObject(const std::string& name)
        {
            Ogre::SceneManager* sceneManager = CurrentSceneManager();
            if (!sceneManager)
                return;
            Ogre::ManualObject* object = sceneManager->getManualObject(name);
            object->end();
            BuildEdgesAndTangents(object->convertToMesh(name, EnsureGroup(Scene::GetResourceGroupName())));
        }

        void ExportTriObject(const std::string& name, const std::string& fileName)
        {
            Ogre::SceneManager* sceneManager = CurrentSceneManager();
            if (!sceneManager)
                return;
            Ogre::ManualObject* object = sceneManager->getManualObject(name);
            Ogre::MeshPtr mesh =
                object->convertToMesh(fileName, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
            BuildEdgesAndTangents(mesh);
            Ogre::MeshSerializer().exportMesh(mesh.get(), fileName, Ogre::Serializer::ENDIAN_NATIVE);
        }

        void AttachDebugLine(Ogre::SceneNode* node, const Ogre::Vector3& from, const Ogre::Vector3& to)
        {
            Ogre::SceneManager* sceneManager = CurrentSceneManager();
            if (!sceneManager)
                return;
            CreateDebugLineMaterial();
            Ogre::ManualObject* line =
                sceneManager->createManualObject(debugLinePrefix + GenerateUniqueIdString());
            line->begin(debugLinePrefix, Ogre::RenderOperation::OT_LINE_LIST, "Debug");
            line->position(from);
            line->position(to);
            line->end();
            node->attachObject(line);
        }

        void DetachDebugLine(Ogre::SceneNode* node)
        {
            Ogre::SceneManager* sceneManager = CurrentSceneManager();
            if (!sceneManager)
                return;
            // Collect first: detaching changes the node's object list.
            std::vector<Ogre::MovableObject*> lines;
            for (Ogre::MovableObject* object : node->getAttachedObjects())
                if (Ogre::StringUtil::startsWith(object->getName(), debugLinePrefix, false))
                    lines.push_back(object);
            for (Ogre::MovableObject* line : lines)
            {
                node->detachObject(line);
                sceneManager->destroyMovableObject(line);
            }
        }
    }
}
