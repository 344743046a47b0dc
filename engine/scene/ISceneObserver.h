#pragma once

namespace Engine
{
    class Entity;
    class Scene;

    /// Watches a scene. Observers are not owned by the scene; they are called synchronously, in
    /// order of registration, and must remove themselves before they go.
    class ISceneObserver
    {
    public:
        virtual ~ISceneObserver() {}
        /// An entity joined the live entities (at the update after its creation, or while a
        /// scene file is loaded).
        virtual void OnEntityAdded(Scene* scene, Entity* entity) = 0;
        /// An entity left the live entities at an update (RemoveEntity). Clear announces the
        /// loss of all entities with OnSceneCleared instead.
        virtual void OnEntityRemoved(Scene* scene, Entity* entity) = 0;
        /// The scene was written to a scene file.
        virtual void OnSceneSaved(Scene* scene) = 0;
        /// A scene file was loaded completely.
        virtual void OnSceneLoaded(Scene* scene) = 0;
        /// The scene is about to be emptied (also at the start of every load).
        virtual void OnSceneCleared(Scene* scene) = 0;
    };
}
