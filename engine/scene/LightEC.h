#pragma once
#include <map>
#include <string>

#include <OgreAnimable.h>

#include "engine/scene/IEntityComponent.h"

namespace Ogre { class BillboardSet; class Light; class SceneNode; }

namespace Engine
{
    /// "Light": a point, spot or directional light on the entity ("Type"), with optional
    /// "Direction" (spot and directional only), "Diffuse", "Specular", "Power", "Attenuation"
    /// (range, constant, linear, quadratic), "Position" (relative to the entity) and
    /// "CastShadows". While visualisation is on (LightEC::Visualize), lights loaded afterwards
    /// are also drawn as a billboard in their diffuse colour. The light, its node and the
    /// billboards belong to the scene manager; Unload destroys them.
    class LightEC : public IEntityComponent
    {
    public:
        LightEC();
        ~LightEC() override;

        void Load(Scene& scene, EntityTemplate& tmpl) override;
        void Unload(Scene& scene) override;
        std::string GetId() override;
        LoadStatus CheckLoadStatus(Entity& entity) override;
        void Update(float seconds) override;

        /// A value of the light that animation tracks can drive ("diffuseColour",
        /// "attenuation", ...), made once and cached; empty without a light.
        Ogre::AnimableValuePtr GetAnimableValue(const std::string& name);

        /// Draws lights loaded from now on as billboards of `size` in `material` (on), or not
        /// (off).
        static void Visualize(bool on, float size, const std::string& material);

        Ogre::Light* GetLight() const { return light; }
        /// The visualisation billboards; null when not visualised.
        Ogre::BillboardSet* GetVisualization() const { return visBillboards; }

    private:
        LightEC(const LightEC&) = delete;
        LightEC& operator=(const LightEC&) = delete;

        Ogre::Light* light;
        Ogre::SceneNode* lightNode;            // under the entity's node: position and direction
        Ogre::BillboardSet* visBillboards;
        std::map<std::string, Ogre::AnimableValuePtr> animableValues;

        static bool visualize_;
        static float visSize_;
        static std::string visMaterial_;
    };
}
