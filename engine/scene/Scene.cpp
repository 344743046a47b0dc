#include "engine/scene/Scene.h"
#include "engine/scene/Entity.h"
#include "engine/core/Error.h"
#include "engine/core/Settings.h"

#include <exception>

#include <OgreRoot.h>
#include <OgreOverlaySystem.h>
#include <OgreSceneManager.h>
#include <OgreShadowCameraSetupLiSPSM.h>
#include <OgreStringConverter.h>

namespace Engine
{
    const std::string Scene::resourceGroupName_ = "SCENE";

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
        sceneManager->setShadowTextureSettings(1024, 2, Ogre::PF_X8R8G8B8);

        sceneManager->setAmbientLight(ambientLight);
        sceneManager->setShadowColour(ambientLight * 0.1f);
        sceneManager->setShadowFarDistance(shadowFarDistance);

        // Overlays (the GUI, the HUD) draw in the scene managers the overlay system listens to.
        if (Ogre::OverlaySystem* overlays = Ogre::OverlaySystem::getSingletonPtr())
            sceneManager->addRenderQueueListener(overlays);
    }

    Scene::~Scene()
    {
        removalMarks.clear();
        // Entities still held elsewhere (scripts, tests) lose their components and node now,
        // while the scene manager exists; they live on as empty shells.
        while (!members.empty())
        {
            Entity* entity = *members.begin();
            try
            {
                entity->Release();
            }
            catch (const std::exception& error)
            {
                LogCritical(std::string("Error in Engine::Scene::~Scene(). ") + error.what());
            }
            members.erase(entity);
        }
        // The renderer root may already be gone at process exit; then it took the scene
        // manager with it.
        if (Ogre::Root* root = Ogre::Root::getSingletonPtr())
            if (sceneManager)
                root->destroySceneManager(sceneManager);
        sceneManager = nullptr;
    }

    void Scene::MarkEntityForRemoval(Entity* entity)
    {
        removalMarks.insert(entity);
    }

    void Scene::MarkEntityForRemoval(const boost::shared_ptr<Entity>& entity)
    {
        MarkEntityForRemoval(entity.get());
    }
}
