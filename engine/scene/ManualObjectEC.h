#pragma once
#include <string>

#include "engine/scene/IEntityComponent.h"

namespace Engine
{
    /// "ManualObject": shows an existing manual object of the scene manager, named by "Source"
    /// (made before, for example by the geometry generator), on the entity's node; optional
    /// "CastShadows". The object stays its creator's: Unload only detaches it.
    class ManualObjectEC : public IEntityComponent
    {
    public:
        ManualObjectEC();
        ~ManualObjectEC() override;

        void Load(Scene& scene, EntityTemplate& tmpl) override;
        void Unload(Scene& scene) override;
        std::string GetId() override;
        LoadStatus CheckLoadStatus(Entity& entity) override;
        void Update(float seconds) override;

        /// The name of the attached manual object; empty when not loaded.
        const std::string& GetObjectName() const { return objectName; }

    private:
        ManualObjectEC(const ManualObjectEC&) = delete;
        ManualObjectEC& operator=(const ManualObjectEC&) = delete;

        std::string objectName;
    };
}
