#include "engine/scene/LightEC.h"
#include "engine/scene/ComponentErrors.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/Scene.h"
#include "engine/core/OgreStreams.h"
#include "engine/core/UniqueId.h"

#include <OgreBillboard.h>
#include <OgreBillboardSet.h>
#include <OgreLight.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

namespace Engine
{
    bool LightEC::visualize_ = false;
    float LightEC::visSize_ = 1.0f;
    std::string LightEC::visMaterial_;

    namespace
    {
        const char* const loadWhere = "Engine::LightEC::Load";
    }

    LightEC::LightEC() : light(nullptr), lightNode(nullptr), visBillboards(nullptr)
    {
    }

    LightEC::~LightEC() = default;

    std::string LightEC::GetId()
    {
        return "Light";
    }

    LoadStatus LightEC::CheckLoadStatus(Entity&)
    {
        return Ready;
    }

    void LightEC::Update(float)
    {
    }

    void LightEC::Visualize(bool on, float size, const std::string& material)
    {
        visualize_ = on;
        visSize_ = size;
        visMaterial_ = on ? material : std::string();
    }

    void LightEC::Load(Scene& scene, EntityTemplate& tmpl)
    {
        RequireAttribute(loadWhere, *this, tmpl, "Type");
        const std::string type = tmpl.GetAttribute<std::string>("Type");
        Ogre::Light::LightTypes lightType = Ogre::Light::LT_POINT;
        if (type == "Point")
            lightType = Ogre::Light::LT_POINT;
        else if (type == "Spot")
            lightType = Ogre::Light::LT_SPOTLIGHT;
        else if (type == "Directional")
            lightType = Ogre::Light::LT_DIRECTIONAL;
        else
            ThrowInvalidAttribute(loadWhere, *this, "Type", type);

        Ogre::SceneManager* manager = scene.GetSceneManager();
        Entity* owner = GetOwner();
        // The light hangs from a node of its own under the entity's, which carries its
        // position and direction relative to the entity (the renderer places lights by nodes).
        lightNode = owner->GetSceneNode()->createChildSceneNode();
        light = manager->createLight(GenerateUniqueIdString());
        lightNode->attachObject(light);
        light->setType(lightType);

        if (lightType != Ogre::Light::LT_POINT && tmpl.HasAttribute("Direction"))
            lightNode->setDirection(tmpl.GetAttribute<Ogre::Vector3>("Direction"), Ogre::Node::TS_PARENT);
        if (tmpl.HasAttribute("Diffuse"))
            light->setDiffuseColour(tmpl.GetAttribute<Ogre::ColourValue>("Diffuse"));
        if (tmpl.HasAttribute("Specular"))
            light->setSpecularColour(tmpl.GetAttribute<Ogre::ColourValue>("Specular"));
        if (tmpl.HasAttribute("Power"))
            light->setPowerScale(tmpl.GetAttribute<float>("Power"));
        if (tmpl.HasAttribute("Attenuation"))
        {
            const Ogre::ColourValue attenuation = tmpl.GetAttribute<Ogre::ColourValue>("Attenuation");
            light->setAttenuation(attenuation.r, attenuation.g, attenuation.b, attenuation.a);
        }
        if (tmpl.HasAttribute("Position"))
            lightNode->setPosition(tmpl.GetAttribute<Ogre::Vector3>("Position"));
        if (tmpl.HasAttribute("CastShadows"))
            light->setCastShadows(tmpl.GetAttribute<bool>("CastShadows"));

        if (visualize_)
        {
            visBillboards = manager->createBillboardSet("LightVis" + owner->GetName(), 20);
            if (!visMaterial_.empty())
                visBillboards->setMaterialName(visMaterial_);
            visBillboards->setDefaultDimensions(0.5f, 0.5f);
            visBillboards->setBounds(Ogre::AxisAlignedBox(-0.25f, -0.25f, -0.25f, 0.25f, 0.25f, 0.25f), 0.25f);
            // Drawn where the light is.
            lightNode->attachObject(visBillboards);
            const Ogre::ColourValue colour = tmpl.HasAttribute("Diffuse")
                                                 ? tmpl.GetAttribute<Ogre::ColourValue>("Diffuse")
                                                 : Ogre::ColourValue::White;
            Ogre::Billboard* billboard = visBillboards->createBillboard(Ogre::Vector3::ZERO, colour);
            billboard->setDimensions(visSize_, visSize_);
        }
    }

    void LightEC::Unload(Scene& scene)
    {
        animableValues.clear();
        Ogre::SceneManager* manager = scene.GetSceneManager();
        if (light)
        {
            if (light->isAttached())
                light->detachFromParent();
            if (manager)
                manager->destroyLight(light);
        }
        if (visBillboards)
        {
            if (visBillboards->isAttached())
                visBillboards->detachFromParent();
            if (manager)
                manager->destroyBillboardSet(visBillboards);
        }
        if (lightNode && manager)
            manager->destroySceneNode(lightNode);
        light = nullptr;
        visBillboards = nullptr;
        lightNode = nullptr;
    }

    Ogre::AnimableValuePtr LightEC::GetAnimableValue(const std::string& name)
    {
        if (!light)
            return Ogre::AnimableValuePtr();
        auto it = animableValues.find(name);
        if (it != animableValues.end())
            return it->second;
        Ogre::AnimableValuePtr value = light->createAnimableValue(name);
        animableValues[name] = value;
        return value;
    }
}
