#include "engine/scene/Scene.h"
#include "engine/scene/Entity.h"
#include "engine/scene/ISceneObserver.h"
#include "engine/scene/TerrainGeometry.h"
#include "engine/core/CameraManager.h"
#include "engine/core/Error.h"
#include "engine/core/Settings.h"
#include "engine/core/UniqueId.h"
#include "engine/core/XmlDepth.h"
#include "engine/physics/Simulation.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include <OgreCamera.h>
#include <OgreParticleSystemManager.h>
#include <OgreResourceGroupManager.h>
#include <OgreRoot.h>
#include <OgreOverlaySystem.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <OgreShadowCameraSetupLiSPSM.h>
#include <OgreStringConverter.h>
#include <tinyxml.h>

namespace Engine
{
    const std::string Scene::resourceGroupName_ = "SCENE";

    namespace
    {
        // The scene works without a physics world (tools, tests); then it has no ground plane
        // and no terrain to hand over.
        boost::shared_ptr<Simulation> Physics()
        {
            return Simulation::GetSingleton();
        }

        // Where a resource lives on disk: its group's archive name + "/" + the file name.
        bool FindResourcePath(const std::string& name, std::string& path)
        {
            Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
            try
            {
                const std::string& group = groups.findGroupContainingResource(name);
                Ogre::FileInfoListPtr found = groups.findResourceFileInfo(group, name);
                if (!found || found->empty())
                    return false;
                path = found->front().archive->getName() + "/" + found->front().filename;
                return true;
            }
            catch (const Ogre::Exception&)
            {
                return false;
            }
        }
    }

    const std::string& Scene::GetResourceGroupName()
    {
        return resourceGroupName_;
    }

    Scene::Scene(unsigned short sceneTypeMask)
        : sceneManager(nullptr), ambientLight(0.0f, 0.0f, 0.0f, 1.0f)
    {
        Ogre::Root* root = Ogre::Root::getSingletonPtr();
        if (!root)
            ThrowError("Engine::Scene::Scene", "Ogre Root could not be found. Have you created an Engine::Application?");
        // Read before anything is made, so that a missing setting leaves nothing behind.
        const Ogre::Real shadowFarDistance = Ogre::StringConverter::parseReal(Settings::Get("Engine/ShadowFarDistance"));

        // This renderer serves every scene type with its generic scene manager; the mask is
        // what the caller asks for, kept for the day a specialised one is registered.
        (void)sceneTypeMask;
        sceneManager = root->createSceneManager(Ogre::DefaultSceneManagerFactory::FACTORY_TYPE_NAME, "");

        sceneManager->setShadowTechnique(Ogre::SHADOWTYPE_TEXTURE_MODULATIVE_INTEGRATED);
        sceneManager->setShadowTextureFadeStart(0.1f);
        sceneManager->setShadowDirectionalLightExtrusionDistance(100.0f);
        Ogre::ShadowCameraSetupPtr cameraSetup = Ogre::LiSPSMShadowCameraSetup::create();
        static_cast<Ogre::LiSPSMShadowCameraSetup*>(cameraSetup.get())->setOptimalAdjustFactor(0.5f);
        sceneManager->setShadowCameraSetup(cameraSetup);
        // LiSPSM spends the texture on what the camera sees: at 512 texels the shadows under
        // characters and props look as they did at 1024, and a software renderer draws the
        // casters into a quarter of the texels.
        sceneManager->setShadowTextureSettings(512, 2, Ogre::PF_X8R8G8B8);

        sceneManager->setAmbientLight(ambientLight);
        sceneManager->setShadowColour(ambientLight * 0.1f);
        sceneManager->setShadowFarDistance(shadowFarDistance);

        // Overlays (the GUI, the HUD) draw in the scene managers the overlay system listens to.
        if (Ogre::OverlaySystem* overlays = Ogre::OverlaySystem::getSingletonPtr())
            sceneManager->addRenderQueueListener(overlays);
    }

    Scene::~Scene()
    {
        try
        {
            // Without the renderer root (process exit) the scene manager is gone already.
            if (Ogre::Root::getSingletonPtr())
                Clear();
        }
        catch (const std::exception& error)
        {
            LogCritical(std::string("Error in Engine::Scene::~Scene(). ") + error.what());
        }
        ReleaseMembers();
        terrain.reset();
        // The renderer root may already be gone at process exit; then it took the scene
        // manager with it.
        if (Ogre::Root* root = Ogre::Root::getSingletonPtr())
            if (sceneManager)
                root->destroySceneManager(sceneManager);
        sceneManager = nullptr;
    }

    void Scene::ReleaseMembers()
    {
        while (!members.empty())
        {
            Entity* entity = *members.begin();
            try
            {
                entity->Release();
            }
            catch (const std::exception& error)
            {
                LogCritical(std::string("Error in Engine::Scene::ReleaseMembers(). ") + error.what());
            }
            members.erase(entity);
        }
    }

    void Scene::Load(const std::string& fileName)
    {
        const char* const where = "Engine::Scene::Load";
        Clear();

        std::string text;
        try
        {
            Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
            std::string group = Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME;
            if (!groups.resourceExists(group, fileName))
                group = groups.findGroupContainingResource(fileName);
            text = groups.openResource(fileName, group)->getAsString();
        }
        catch (const Ogre::Exception&)
        {
            ThrowError(where, "Unable to open scene '" + fileName +
                                  "', ensure that the file exists within your resource locations");
        }

        TiXmlDocument document(fileName);
        if (!ParseXml(document, text))
            ThrowError(where, "Malformed scene file '" + fileName + "': its elements nest deeper than " +
                                  Ogre::StringConverter::toString(maxXmlDepth) + " levels");
        if (document.Error())
            ThrowError(where, "Malformed scene file '" + fileName + "' at row " +
                                  Ogre::StringConverter::toString(document.ErrorRow()) + ", column " +
                                  Ogre::StringConverter::toString(document.ErrorCol()) + ": " + document.ErrorDesc());
        const TiXmlElement* root = document.FirstChildElement("Scene");
        if (!root)
            ThrowError(where, "Malformed scene file '" + fileName + "': XML element 'Scene' could not be found");

        if (const TiXmlElement* locations = root->FirstChildElement("ResourceLocations"))
        {
            for (const TiXmlElement* location = locations->FirstChildElement("ResourceLocation"); location;
                 location = location->NextSiblingElement("ResourceLocation"))
            {
                const std::string* archive = location->Attribute(std::string("Location"));
                const std::string* type = location->Attribute(std::string("Type"));
                if (!archive || !type)
                {
                    LogWarning(where, "Malformed resource location in scene '" + fileName +
                                          "', attributes 'Location' or 'Type' are missing");
                    continue;
                }
                AddLocationToGroup(where, *archive, *type);
                resourceLocations[*archive] = *type;
            }
            Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();
        }
        else
        {
            LogWarning(where, "Scene '" + fileName + "' has no resource locations");
        }

        if (const std::string* sceneName = root->Attribute(std::string("Name")))
        {
            name = *sceneName;
        }
        else
        {
            // A scene without a name still loads; it is simply unnamed.
            LogWarning(where, "Scene '" + fileName + "' has no attribute 'Name', its name is empty");
            name.clear();
        }
        if (const std::string* ambient = root->Attribute(std::string("AmbientLight")))
        {
            const Ogre::ColourValue colour = Ogre::StringConverter::parseColourValue(*ambient);
            if (!(std::isfinite(colour.r) && std::isfinite(colour.g) && std::isfinite(colour.b) && std::isfinite(colour.a)))
                ThrowError(where, "Scene '" + fileName + "' attribute 'AmbientLight' value '" + *ambient + "' is not finite");
            SetAmbientLight(colour);
        }
        if (const std::string* geometry = root->Attribute(std::string("WorldGeometry")))
            SetWorldGeometry(*geometry);
        if (const std::string* groundPlane = root->Attribute(std::string("GroundPlane")))
            if (const boost::shared_ptr<Simulation> physics = Physics())
                physics->EnableGroundPlane(Ogre::StringConverter::parseBool(*groundPlane));

        if (const TiXmlElement* files = root->FirstChildElement("EntityTemplates"))
        {
            for (const TiXmlElement* file = files->FirstChildElement("File"); file; file = file->NextSiblingElement("File"))
                if (const std::string* location = file->Attribute(std::string("Location")))
                    entityTemplateManager.AddFile(*location);
        }
        else
        {
            LogWarning(where, "Scene '" + fileName + "' has no entity template packages");
        }

        if (const TiXmlElement* list = root->FirstChildElement("Entities"))
        {
            for (const TiXmlElement* element = list->FirstChildElement("Entity"); element;
                 element = element->NextSiblingElement("Entity"))
            {
                const boost::shared_ptr<Entity> entity = Entity::Create(*this, GenerateUniqueIdString());
                // Loaded before it joins the scene: an entity whose element is broken never
                // becomes a typeless member that every later streaming pass would trip over.
                entity->Load(*element);
                entities.push_back(entity);
                observers.ForEach([this, &entity](ISceneObserver* o) { o->OnEntityAdded(this, entity.get()); });
                if (!entity->IsDisablable())
                    entity->Enable();
            }
        }

        sceneFileName = fileName;
        observers.ForEach([this](ISceneObserver* o) { o->OnSceneLoaded(this); });
    }

    void Scene::Save(const std::string& fileName) const
    {
        entityTemplateManager.SaveFiles();

        TiXmlDocument document;
        document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
        TiXmlElement* root = new TiXmlElement("Scene");
        document.LinkEndChild(root);
        root->SetAttribute("Name", name);
        root->SetAttribute("AmbientLight", Ogre::StringConverter::toString(ambientLight));
        const boost::shared_ptr<Simulation> physics = Physics();
        root->SetAttribute("GroundPlane", physics && physics->IsGroundPlaneEnabled() ? "true" : "false");
        if (!worldGeometryConfig.empty())
            root->SetAttribute("WorldGeometry", worldGeometryConfig);

        TiXmlElement* locations = new TiXmlElement("ResourceLocations");
        root->LinkEndChild(locations);
        for (const auto& entry : resourceLocations)
        {
            TiXmlElement* location = new TiXmlElement("ResourceLocation");
            location->SetAttribute("Location", entry.first);
            location->SetAttribute("Type", entry.second);
            locations->LinkEndChild(location);
        }

        TiXmlElement* files = new TiXmlElement("EntityTemplates");
        root->LinkEndChild(files);
        for (auto file = entityTemplateManager.GetFirstFile(); file != entityTemplateManager.GetEndFile(); ++file)
        {
            TiXmlElement* element = new TiXmlElement("File");
            element->SetAttribute("Location", file->first);
            files->LinkEndChild(element);
        }

        TiXmlElement* list = new TiXmlElement("Entities");
        root->LinkEndChild(list);
        for (const auto& entity : entities)
            entity->Save(*list);

        if (!document.SaveFile(fileName))
            ThrowError("Engine::Scene::Save", "Can't write scene file '" + fileName + "'");
        Scene* self = const_cast<Scene*>(this);
        self->observers.ForEach([self](ISceneObserver* o) { o->OnSceneSaved(self); });
    }

    void Scene::Clear()
    {
        observers.ForEach([this](ISceneObserver* o) { o->OnSceneCleared(this); });

        // Moved out first: entities unloading their components must find the lists in a
        // consistent state.
        EntityList dropped;
        dropped.swap(entities);
        EntityList droppedNew;
        droppedNew.swap(newEntities);
        removalMarks.clear();
        timedRemovals.clear();
        dropped.clear();
        droppedNew.clear();

        entityTemplateManager.RemoveFiles();
        // Entities held elsewhere hear of their templates going and ask to be removed.
        removalMarks.clear();

        worldGeometryConfig.clear();
        RemoveWorldGeometry();
        if (const boost::shared_ptr<Simulation> physics = Physics())
        {
            physics->SetWorldGeometry("");
            physics->EnableGroundPlane(false);
        }

        // clearScene destroys every scene node: entities still held elsewhere must give up
        // theirs before.
        ReleaseMembers();
        sceneManager->clearScene();
        // clearScene resets the manager's ambient light to black; the scene's colour stays in
        // effect until it is set again.
        sceneManager->setAmbientLight(ambientLight);

        Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
        if (!resourceLocations.empty())
        {
            if (groups.resourceGroupExists(resourceGroupName_))
            {
                groups.unloadResourceGroup(resourceGroupName_, true);
                groups.destroyResourceGroup(resourceGroupName_);
            }
        }
        resourceLocations.clear();

        if (Ogre::ParticleSystemManager* particles = Ogre::ParticleSystemManager::getSingletonPtr())
            particles->removeAllTemplates(true);

        if (const boost::shared_ptr<Simulation> physics = Physics())
            physics->Reset();
    }

    void Scene::Update(float seconds)
    {
        if (!newEntities.empty())
        {
            EntityList arrived;
            arrived.swap(newEntities);
            entities.insert(entities.end(), arrived.begin(), arrived.end());
            if (!observers.Empty())
                for (const auto& entity : arrived)
                    observers.ForEach([this, &entity](ISceneObserver* o) { o->OnEntityAdded(this, entity.get()); });
        }

        if (!removalMarks.empty())
        {
            std::vector<Entity*> marks;
            marks.swap(removalMarks);
            for (Entity* entity : marks)
                RemoveEntity(entity);
        }

        // Records hold weak pointers: an entity that has gone meanwhile is forgotten untouched.
        std::size_t i = 0;
        while (i < timedRemovals.size())
        {
            TimedRemoval& record = timedRemovals[i];
            const boost::shared_ptr<Entity> entity = record.entity.lock();
            if (!entity)
            {
                timedRemovals.erase(timedRemovals.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
            record.secondsLeft -= seconds;
            const bool expired = record.secondsLeft < 0.0f;
            entity->Update(seconds);
            if (i >= timedRemovals.size())
                break;   // the update cleared the scene
            if (expired)
            {
                entity->Destroy();
                timedRemovals.erase(timedRemovals.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
            ++i;
        }

        // By index, each entity held while it runs: an update may end in Clear or Load.
        for (std::size_t e = 0; e < entities.size(); ++e)
        {
            const boost::shared_ptr<Entity> entity = entities[e];
            entity->Update(seconds);
        }
    }

    void Scene::StreamEntities(float radius)
    {
        const boost::shared_ptr<CameraManager> cameras = CameraManager::GetSingleton();
        std::vector<Ogre::Vector3> positions;
        if (cameras)
            for (unsigned int c = 0; c < cameras->GetCameraCount(); ++c)
                if (Ogre::Camera* camera = cameras->GetCameraByIndex(c))
                    positions.push_back(camera->getDerivedPosition());

        for (std::size_t e = 0; e < entities.size(); ++e)
        {
            const boost::shared_ptr<Entity> entity = entities[e];
            const Ogre::Vector3& position = entity->GetSceneNode() ? entity->GetSceneNode()->getPosition()
                                                                   : Ogre::Vector3::ZERO;
            bool near = false;
            for (const Ogre::Vector3& camera : positions)
                if (camera.distance(position) < radius)
                {
                    near = true;
                    break;
                }
            if (near)
            {
                if (!entity->IsEnabled())
                    entity->Enable();
            }
            else
            {
                entity->Disable();
            }
        }
    }

    boost::shared_ptr<Entity> Scene::CreateEntity(const std::string& type, const Ogre::Vector3& position)
    {
        const boost::shared_ptr<Entity> entity = Entity::Create(*this, GenerateUniqueIdString(), type, position);
        newEntities.push_back(entity);
        if (!entity->IsDisablable())
            entity->Enable();
        return entity;
    }

    boost::shared_ptr<Entity> Scene::CreateEntity(const std::string& type, Ogre::SceneNode& parent)
    {
        const boost::shared_ptr<Entity> entity =
            Entity::Create(*this, GenerateUniqueIdString(), type, Ogre::Vector3::ZERO, &parent);
        newEntities.push_back(entity);
        if (!entity->IsDisablable())
            entity->Enable();
        return entity;
    }

    void Scene::AddEntity(boost::shared_ptr<Entity> entity)
    {
        if (entity)
            newEntities.push_back(entity);
    }

    void Scene::MarkEntityForRemoval(Entity* entity)
    {
        if (std::find(removalMarks.begin(), removalMarks.end(), entity) == removalMarks.end())
            removalMarks.push_back(entity);
    }

    void Scene::MarkEntityForRemoval(const boost::shared_ptr<Entity>& entity)
    {
        MarkEntityForRemoval(entity.get());
    }

    bool Scene::RemoveEntity(Entity* entity)
    {
        for (auto it = entities.begin(); it != entities.end(); ++it)
        {
            if (it->get() != entity)
                continue;
            // Held until the observers have heard of it and the list is consistent again.
            const boost::shared_ptr<Entity> removed = *it;
            entities.erase(it);
            observers.ForEach([this, entity](ISceneObserver* o) { o->OnEntityRemoved(this, entity); });
            return true;
        }
        return false;
    }

    void Scene::RemoveEntityAfter(Entity* entity, float seconds)
    {
        TimedRemoval record;
        if (entity)
            record.entity = entity->GetInternalWeakPtr();
        record.secondsLeft = seconds;
        timedRemovals.push_back(record);
    }

    boost::weak_ptr<Entity> Scene::FindEntity(const std::string& entityName) const
    {
        for (const auto& entity : entities)
            if (entity->GetName() == entityName)
                return entity;
        return boost::weak_ptr<Entity>();
    }

    boost::shared_ptr<Entity> Scene::FindClosestEntityByType(const std::string& type,
                                                             const Ogre::Vector3& position) const
    {
        boost::shared_ptr<Entity> closest;
        float best = std::numeric_limits<float>::max();
        for (const auto& entity : entities)
        {
            if (entity->GetType() != type || !entity->GetSceneNode())
                continue;
            const float distance = entity->GetSceneNode()->getPosition().squaredDistance(position);
            if (distance < best)
            {
                best = distance;
                closest = entity;
            }
        }
        return closest;
    }

    unsigned int Scene::GetEntityCount() const
    {
        return static_cast<unsigned int>(entities.size());
    }

    unsigned int Scene::GetEntityCount(const std::string& type) const
    {
        unsigned int count = 0;
        for (const auto& entity : entities)
            if (entity->GetType() == type)
                ++count;
        return count;
    }

    void Scene::InflictAreaDamage(const Ogre::Vector3& center, float radius, int damage)
    {
        const float radiusSquared = radius * radius;
        for (std::size_t e = 0; e < entities.size(); ++e)
        {
            const boost::shared_ptr<Entity> entity = entities[e];
            if (!entity->GetSceneNode())
                continue;
            const Ogre::Vector3 offset = entity->GetSceneNode()->getPosition() - center;
            if (offset.squaredLength() < radiusSquared)
                entity->TakeDamage(damage, center, offset.normalisedCopy() * 100.0f);
        }
    }

    void Scene::AddLocationToGroup(const std::string& where, const std::string& location, const std::string& type)
    {
        try
        {
            // In the global pool, so that what the scene's scripts name (the particle systems'
            // materials) is found among the application's resources; in a group of its own a
            // particle system got an empty, lit, untextured material of that name instead.
            Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
            if (!groups.resourceGroupExists(resourceGroupName_))
                groups.createResourceGroup(resourceGroupName_, true);
            groups.addResourceLocation(location, type, resourceGroupName_, false);
        }
        catch (const Ogre::Exception& error)
        {
            ThrowError(where, "Can't add resource location '" + location + "' of type '" + type + "': " +
                                  error.getDescription());
        }
    }

    void Scene::AddResourceLocation(const std::string& location, const std::string& type)
    {
        const char* const where = "Engine::Scene::AddResourceLocation";
        auto found = resourceLocations.find(location);
        if (found != resourceLocations.end())
        {
            if (found->second == type)
                LogWarning(where, "Skipping resource location '" + location +
                                      "', it has already been added (types match).");
            else
                ThrowError(where, "Resource location '" + location + "' already exists, but their types differ: '" +
                                      type + "' (new) and '" + found->second + "' (old)");
            return;
        }
        AddLocationToGroup(where, location, type);
        Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
        groups.clearResourceGroup(resourceGroupName_);
        groups.initialiseResourceGroup(resourceGroupName_);
        resourceLocations[location] = type;
    }

    void Scene::RemoveResourceLocation(const std::string& location)
    {
        auto found = resourceLocations.find(location);
        if (found == resourceLocations.end())
            ThrowError("Engine::Scene::RemoveResourceLocation", "Can't find resource location '" + location + "'");
        resourceLocations.erase(found);
        Ogre::ResourceGroupManager::getSingleton().removeResourceLocation(location, resourceGroupName_);
    }

    void Scene::SetWorldGeometry(const std::string& config)
    {
        const char* const where = "Engine::Scene::SetWorldGeometry";
        std::string path;
        if (!config.empty() && !FindResourcePath(config, path))
            ThrowError(where, "Can't find world geometry '" + config + "' in any resource location");

        RemoveWorldGeometry();
        worldGeometryConfig = config;
        if (const boost::shared_ptr<Simulation> physics = Physics())
        {
            // The physics world adds a terrain without dropping the one it has.
            physics->SetWorldGeometry("");
            if (!path.empty())
                physics->SetWorldGeometry(path);
        }
        // This renderer has no terrain scene manager: the scene draws the terrain itself from
        // the same description file.
        if (!config.empty())
            terrain.reset(new TerrainGeometry(*sceneManager, path));
    }

    void Scene::RemoveWorldGeometry()
    {
        terrain.reset();
    }

    void Scene::SetAmbientLight(const Ogre::ColourValue& colour)
    {
        ambientLight = colour;
        sceneManager->setAmbientLight(colour);
    }

    void Scene::AddObserver(ISceneObserver* observer)
    {
        observers.Add(observer);
    }

    void Scene::RemoveObserver(ISceneObserver* observer)
    {
        observers.Remove(observer);
    }
}
