#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <OgreColourValue.h>
#include <OgreVector.h>

#include "engine/core/ObserverList.h"
#include "engine/core/Singleton.h"
#include "engine/scene/EntityTemplateManager.h"

namespace Ogre { class SceneManager; class SceneNode; }

namespace Engine
{
    class Entity;
    class ISceneObserver;
    class TerrainGeometry;

    /// The engine's one world: the renderer's scene manager with its shadow set-up, the
    /// entity templates, the entities, the scene's resource locations (group "SCENE") and its
    /// world geometry. It loads and saves scene files, updates the entities every frame,
    /// removes them at safe points and streams them in and out around the cameras. The
    /// application creates it during Init and releases it at shutdown; everything else reaches
    /// it through Scene::GetSingleton().
    ///
    /// The scene owns its entities; requests made while it runs (CreateEntity, AddEntity,
    /// MarkEntityForRemoval, RemoveEntityAfter) take effect at the next Update, so they are safe
    /// from component updates, event handlers and rule-system callbacks.
    class Scene : public Singleton<Scene>
    {
    public:
        typedef std::vector<boost::shared_ptr<Entity> > EntityList;

        /// Needs the renderer root and the "Engine/ShadowFarDistance" setting. The application
        /// passes 2 (Ogre::ST_EXTERIOR_CLOSE).
        explicit Scene(unsigned short sceneTypeMask);
        /// Clears the scene; entities still held elsewhere are left as empty shells.
        ~Scene();

        /// Clears the scene, then reads a scene file from the resources ("General" first, then
        /// every group): resource locations, name, ambient light, world geometry, ground plane,
        /// template files and entities. Only entities that cannot be disabled are enabled;
        /// streaming enables the others.
        void Load(const std::string& fileName);
        /// Saves the template files where they were found, then writes the scene file to the
        /// path `fileName`.
        void Save(const std::string& fileName) const;
        /// Drops every entity, template file, resource location and the world geometry, and
        /// resets the physics world. Name, file name and ambient light stay.
        void Clear();

        /// Once per frame: takes in new entities, removes marked ones, counts down timed
        /// removals, then updates every entity (enabled or not).
        void Update(float seconds);
        /// Enables the entities closer than `radius` to any registered camera and disables the
        /// others (entities that cannot be disabled stay enabled).
        void StreamEntities(float radius);

        /// A new entity of the template `type`, named by a unique id. It joins the live entities
        /// at the next Update; one that cannot be disabled is enabled at once.
        boost::shared_ptr<Entity> CreateEntity(const std::string& type, const Ogre::Vector3& position);
        /// The same at the origin of `parent`.
        boost::shared_ptr<Entity> CreateEntity(const std::string& type, Ogre::SceneNode& parent);
        /// The entity joins the live entities at the next Update; nothing is enabled.
        void AddEntity(boost::shared_ptr<Entity> entity);

        /// The entity leaves the scene at the next update. Safe at any time, also from entity
        /// and component callbacks; marking twice is marking once.
        void MarkEntityForRemoval(Entity* entity);
        void MarkEntityForRemoval(const boost::shared_ptr<Entity>& entity);
        /// Takes the entity out of the live entities now (not from new ones); true when found.
        bool RemoveEntity(Entity* entity);
        /// Destroys the entity once `seconds` have run out (counted by Update); meanwhile it is
        /// updated an extra time each frame. Forgotten when the entity goes before.
        void RemoveEntityAfter(Entity* entity, float seconds);

        /// The first live entity of that name; empty when none.
        boost::weak_ptr<Entity> FindEntity(const std::string& name) const;
        /// The live entity of that type nearest to `position` (the earliest of equally near
        /// ones); empty when none.
        boost::shared_ptr<Entity> FindClosestEntityByType(const std::string& type, const Ogre::Vector3& position) const;
        unsigned int GetEntityCount() const;
        unsigned int GetEntityCount(const std::string& type) const;
        /// The live entities in order of arrival.
        const EntityList& GetEntities() const { return entities; }

        /// Every live entity strictly inside the sphere takes `damage`, pushed away from the
        /// centre (direction scaled to 100).
        void InflictAreaDamage(const Ogre::Vector3& center, float radius, int damage);

        /// Adds an archive to the "SCENE" group; the same location again with the same type is
        /// skipped with a warning, with another type it is an error.
        void AddResourceLocation(const std::string& location, const std::string& type);
        void RemoveResourceLocation(const std::string& location);
        const std::map<std::string, std::string>& GetResourceLocations() const { return resourceLocations; }

        /// The terrain: a terrain description file among the resources, rendered here and
        /// handed to the physics world, so that the ground one sees is the ground one stands on.
        /// An empty name removes it.
        void SetWorldGeometry(const std::string& config);
        const std::string& GetWorldGeometryConfig() const { return worldGeometryConfig; }
        /// The rendered terrain; null without world geometry.
        const TerrainGeometry* GetTerrain() const { return terrain.get(); }

        void SetAmbientLight(const Ogre::ColourValue& colour);
        const Ogre::ColourValue& GetAmbientLight() const { return ambientLight; }
        const std::string& GetName() const { return name; }
        void SetName(const std::string& value) { name = value; }
        /// The file given to the last Load.
        const std::string& GetSceneFileName() const { return sceneFileName; }

        Ogre::SceneManager* GetSceneManager() const { return sceneManager; }
        EntityTemplateManager& GetEntityTemplateManager() { return entityTemplateManager; }

        /// The renderer resource group of scene resources and generated meshes: "SCENE".
        static const std::string& GetResourceGroupName();

        void AddObserver(ISceneObserver* observer);
        void RemoveObserver(ISceneObserver* observer);

    private:
        friend class Entity;

        struct TimedRemoval
        {
            boost::weak_ptr<Entity> entity;   // the record never keeps an entity alive
            float secondsLeft;
        };

        static const std::string resourceGroupName_;

        Scene(const Scene&) = delete;
        Scene& operator=(const Scene&) = delete;

        /// Entities still held elsewhere lose their components and node now, while the scene
        /// manager exists; they live on as empty shells.
        void ReleaseMembers();
        void RemoveWorldGeometry();
        void AddLocationToGroup(const std::string& where, const std::string& location, const std::string& type);

        std::map<std::string, std::string> resourceLocations;   // location -> archive type
        std::string name;
        std::string sceneFileName;
        std::string worldGeometryConfig;
        Ogre::SceneManager* sceneManager;      // made and destroyed through the renderer root
        Ogre::ColourValue ambientLight;
        EntityTemplateManager entityTemplateManager;
        EntityList entities;
        EntityList newEntities;
        // Not owned; removed at the next update, in the order they were marked (so that the
        // physics world loses its bodies in the same order in every run).
        std::vector<Entity*> removalMarks;
        std::vector<TimedRemoval> timedRemovals;
        ObserverList<ISceneObserver> observers;
        std::unique_ptr<TerrainGeometry> terrain;   // the rendered world geometry, if any
        // Every entity made for this scene and not yet released, wherever it is held: the scene
        // releases those still alive when it is cleared or goes, so none is left pointing at
        // a dead scene node.
        std::set<Entity*> members;
    };
}
