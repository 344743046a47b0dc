#include "engine/scene/MeshEC.h"
#include "engine/scene/ComponentErrors.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/Scene.h"
#include "engine/core/Error.h"
#include "engine/core/UniqueId.h"

#include <OgreAnimationState.h>
#include <OgreEntity.h>
#include <OgreMesh.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

namespace Engine
{
    namespace
    {
        const char* const loadWhere = "Engine::MeshEC::Load";
    }

    MeshEC::MeshEC() : ogreEntity(nullptr)
    {
    }

    MeshEC::~MeshEC() = default;

    std::string MeshEC::GetId()
    {
        return "Mesh";
    }

    LoadStatus MeshEC::CheckLoadStatus(Entity&)
    {
        return Ready;
    }

    void MeshEC::Load(Scene& scene, EntityTemplate& tmpl)
    {
        RequireAttribute(loadWhere, *this, tmpl, "File");
        const std::string file = tmpl.GetAttribute<std::string>("File");
        if (file.empty())
            ThrowInvalidAttribute(loadWhere, *this, "File", file);

        Ogre::SceneManager* manager = scene.GetSceneManager();
        try
        {
            ogreEntity = manager->createEntity(GenerateUniqueIdString(), file);
        }
        catch (const Ogre::Exception&)
        {
            ThrowError(loadWhere, OwnerType(*this) + " component 'Mesh' was unable to load geometry from '" + file + "'.");
        }
        GetOwner()->GetSceneNode()->attachObject(ogreEntity);

        if (tmpl.HasAttribute("CastShadows"))
        {
            const std::string castShadows = tmpl.GetAttribute<std::string>("CastShadows");
            if (castShadows == "true")
                ogreEntity->setCastShadows(true);
            else if (castShadows == "false")
                ogreEntity->setCastShadows(false);
            else
                ThrowInvalidAttribute(loadWhere, *this, "CastShadows", castShadows);
        }
        if (tmpl.HasAttribute("Material"))
            ogreEntity->setMaterialName(tmpl.GetAttribute<std::string>("Material"));

        // Tangents (for normal-mapped materials) and the edge list (for shadows) belong to the
        // mesh, which every entity of the same file shares: they are built once. A mesh
        // without texture coordinates can have no tangents and is drawn without them.
        const Ogre::MeshPtr& mesh = ogreEntity->getMesh();
        try
        {
            unsigned short source = 0, index = 0;
            if (!mesh->suggestTangentVectorBuildParams(Ogre::VES_TANGENT, source, index))
                mesh->buildTangentVectors(Ogre::VES_TANGENT, 0, 0);
        }
        catch (const Ogre::Exception& error)
        {
            LogWarning(loadWhere, "Mesh '" + file + "' gets no tangent vectors: " + error.getDescription());
        }
        mesh->buildEdgeList();

        GetOwner()->NotifyBoundsAffector(ogreEntity->getBoundingBox());
    }

    void MeshEC::Unload(Scene& scene)
    {
        // The states belong to the renderer entity that goes now.
        animations.clear();
        if (!ogreEntity)
            return;
        if (ogreEntity->isAttached())
            ogreEntity->detachFromParent();
        if (Ogre::SceneManager* manager = scene.GetSceneManager())
            manager->destroyEntity(ogreEntity);
        ogreEntity = nullptr;
    }

    void MeshEC::AnimPlayOnce(const std::string& name, float speed, bool restart)
    {
        if (!ogreEntity || animations.count(name))
            return;
        Ogre::AnimationState* state = ogreEntity->getAnimationState(name);
        state->setLoop(false);
        state->setEnabled(true);
        if (restart)
            state->setTimePosition(0.0f);
        animations[name] = std::make_pair(state, speed);
    }

    void MeshEC::Update(float seconds)
    {
        auto it = animations.begin();
        while (it != animations.end())
        {
            Ogre::AnimationState* state = it->second.first;
            const float step = it->second.second * seconds;
            const float start = state->getTimePosition();
            state->addTime(step);
            if (state->hasEnded())
            {
                // What the step carried past the end, so that a restart can pick up from there.
                state->setTimePosition(step - (state->getLength() - start));
                state->setEnabled(false);
                it = animations.erase(it);
            }
            else
            {
                ++it;
            }
        }
    }
}
