#include "engine/logic/ControllerEC.h"
#include "engine/core/Error.h"
#include "engine/logic/ControllerManager.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/Scene.h"

namespace Engine
{
    bool ControllerEC::disableLoading_ = false;

    void ControllerEC::Load(Scene&, EntityTemplate& tmpl)
    {
        const std::string entityType = GetOwner() ? GetOwner()->GetType() : std::string();
        if (!tmpl.HasAttribute("Id"))
            ThrowError("Engine::ControllerEC::Load",
                       entityType + " component '" + GetId() + "' has no attribute named 'Id'.");
        const std::string id = tmpl.GetAttribute<std::string>("Id");
        if (disableLoading_)
            return;
        const boost::shared_ptr<ControllerManager> manager = ControllerManager::GetSingleton();
        if (!manager)
            ThrowError("Engine::ControllerEC::Load",
                       "No controller manager exists to run controller '" + id + "' of " + entityType);
        controller = manager->AttachController(id, GetOwnerWeakPtr());
    }

    void ControllerEC::Unload(Scene&)
    {
        // Forget the controller first: OnDetach may ask this component for it.
        const boost::shared_ptr<IController> attached = controller.lock();
        controller.reset();
        if (!attached || !GetOwner())
            return;
        // While the scene goes down its entities are released after the scene singleton is
        // gone; their controllers then end with the entity, without OnDetach, as nothing a
        // controller might touch in OnDetach can be relied on any more.
        const boost::shared_ptr<ControllerManager> manager = ControllerManager::GetSingleton();
        if (manager && Scene::GetSingleton())
            manager->DetachController(attached, GetOwner());
    }

    std::string ControllerEC::GetId()
    {
        return "Controller";
    }

    LoadStatus ControllerEC::CheckLoadStatus(Entity&)
    {
        return Ready;
    }

    void ControllerEC::Update(float)
    {
    }

    boost::shared_ptr<IController> ControllerEC::GetController() const
    {
        return controller.lock();
    }

    void ControllerEC::DisableLoading(bool disable)
    {
        disableLoading_ = disable;
    }
}
