#pragma once
#include <map>
#include <string>
#include <utility>

#include "engine/scene/IEntityComponent.h"

namespace Ogre { class AnimationState; class Entity; }

namespace Engine
{
    /// "Mesh": a mesh from the resources ("File"), attached to the entity's node, with optional
    /// "CastShadows" ("true"/"false") and "Material". Plays one-shot animations. The renderer
    /// entity belongs to the scene manager; Unload destroys it.
    class MeshEC : public IEntityComponent
    {
    public:
        MeshEC();
        ~MeshEC() override;

        void Load(Scene& scene, EntityTemplate& tmpl) override;
        void Unload(Scene& scene) override;
        std::string GetId() override;
        LoadStatus CheckLoadStatus(Entity& entity) override;
        /// Advances the playing one-shot animations; those that reach their end stop.
        void Update(float seconds) override;

        /// Plays the mesh's animation `name` once at `speed` (1 is the authored pace). Nothing
        /// happens while that animation is still playing; `restart` starts it from its
        /// beginning instead of where it stands. Nothing happens before Load.
        void AnimPlayOnce(const std::string& name, float speed, bool restart);

        /// The renderer entity; null when not loaded.
        Ogre::Entity* GetMesh() const { return ogreEntity; }

    private:
        MeshEC(const MeshEC&) = delete;
        MeshEC& operator=(const MeshEC&) = delete;

        Ogre::Entity* ogreEntity;
        /// The one-shot animations playing: name -> (state, speed).
        std::map<std::string, std::pair<Ogre::AnimationState*, float> > animations;
    };
}
