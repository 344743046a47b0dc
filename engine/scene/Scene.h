#pragma once
#include <set>
#include <string>

#include <boost/shared_ptr.hpp>

#include <OgreColourValue.h>

#include "engine/core/Singleton.h"
#include "engine/scene/EntityTemplateManager.h"

namespace Ogre { class SceneManager; }

namespace Engine
{
    class Entity;

    /// The engine's one world: the renderer's scene manager with its shadow set-up, the
    /// entity templates and the entities. The application creates it during Init and releases
    /// it at shutdown; everything else reaches it through Scene::GetSingleton().
    class Scene : public Singleton<Scene>
    {
    public:
        /// Needs the renderer root and the "Engine/ShadowFarDistance" setting. The application
        /// passes 2 (Ogre::ST_EXTERIOR_CLOSE).
        explicit Scene(unsigned short sceneTypeMask);
        ~Scene();

        /// The entity leaves the scene at the next update. Safe at any time, also from entity
        /// and component callbacks; marking twice is marking once.
        void MarkEntityForRemoval(Entity* entity);
        void MarkEntityForRemoval(const boost::shared_ptr<Entity>& entity);

        Ogre::SceneManager* GetSceneManager() const { return sceneManager; }
        EntityTemplateManager& GetEntityTemplateManager() { return entityTemplateManager; }

        /// The renderer resource group of scene resources and generated meshes: "SCENE".
        static const std::string& GetResourceGroupName();

    private:
        friend class Entity;

        static const std::string resourceGroupName_;

        Scene(const Scene&) = delete;
        Scene& operator=(const Scene&) = delete;

        Ogre::SceneManager* sceneManager;      // made and destroyed through the renderer root
        Ogre::ColourValue ambientLight;
        EntityTemplateManager entityTemplateManager;
        std::set<Entity*> removalMarks;        // not owned; removed at the next update
        // Every entity made for this scene and not yet released, wherever it is held: the scene
        // releases those still alive when it goes, so none is left pointing at a dead scene.
        std::set<Entity*> members;
    };
}
