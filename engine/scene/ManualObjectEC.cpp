#include "engine/scene/ManualObjectEC.h"
#include "engine/scene/ComponentErrors.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/Scene.h"
#include "engine/core/Error.h"

#include <OgreManualObject.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

namespace Engine
{
    namespace
    {
        const char* const loadWhere = "Engine::ManualObjectEC::Load";
    }

    ManualObjectEC::ManualObjectEC() = default;

    ManualObjectEC::~ManualObjectEC() = default;

    std::string ManualObjectEC::GetId()
    {
        return "ManualObject";
    }

    LoadStatus ManualObjectEC::CheckLoadStatus(Entity&)
    {
        return Ready;
    }

    void ManualObjectEC::Update(float)
    {
    }

    void ManualObjectEC::Load(Scene& scene, EntityTemplate& tmpl)
    {
        RequireAttribute(loadWhere, *this, tmpl, "Source");
        const std::string source = tmpl.GetAttribute<std::string>("Source");
        if (source.empty())
            ThrowInvalidAttribute(loadWhere, *this, "Source", source);
        Ogre::SceneManager* manager = scene.GetSceneManager();
        if (!manager->hasManualObject(source))
            ThrowError(loadWhere, OwnerType(*this) + " component 'ManualObject' can't find source '" + source + "'");
        Ogre::ManualObject* object = manager->getManualObject(source);
        if (tmpl.HasAttribute("CastShadows"))
            object->setCastShadows(tmpl.GetAttribute<bool>("CastShadows"));
        Entity* owner = GetOwner();
        owner->GetSceneNode()->attachObject(object);
        objectName = source;
        owner->NotifyBoundsAffector(object->getBoundingBox());
    }

    void ManualObjectEC::Unload(Scene& scene)
    {
        if (objectName.empty())
            return;
        Ogre::SceneManager* manager = scene.GetSceneManager();
        const Entity* owner = GetOwner();
        // Only from this entity's node: the object may have been moved elsewhere by its creator.
        if (manager && owner && owner->GetSceneNode() && manager->hasManualObject(objectName))
        {
            Ogre::ManualObject* object = manager->getManualObject(objectName);
            if (object->getParentSceneNode() == owner->GetSceneNode())
                owner->GetSceneNode()->detachObject(object);
        }
        objectName.clear();
    }
}
