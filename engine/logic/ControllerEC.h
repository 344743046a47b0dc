#pragma once
#include <string>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "engine/scene/IEntityComponent.h"

namespace Engine
{
    class IController;

    /// The "Controller" component: gives its entity a controller of the type named by its "Id"
    /// attribute while the component is loaded. The ControllerManager owns the controller; the
    /// component only watches it.
    class ControllerEC : public IEntityComponent
    {
    public:
        /// Attaches a controller of type "Id" (required) to the owner, unless loading is disabled.
        void Load(Scene& scene, EntityTemplate& tmpl) override;
        /// Detaches the controller this component attached, when it still runs.
        void Unload(Scene& scene) override;
        std::string GetId() override;
        LoadStatus CheckLoadStatus(Entity& entity) override;
        void Update(float seconds) override;

        /// The attached controller; empty before loading and once it has ended.
        boost::shared_ptr<IController> GetController() const;

        /// While set, loading the component creates no controller (tools that show scenes
        /// without running them).
        static void DisableLoading(bool disable);

    private:
        boost::weak_ptr<IController> controller;

        static bool disableLoading_;
    };
}
