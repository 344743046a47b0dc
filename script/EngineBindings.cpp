// The engine classes as scripts see them. Classes the engine holds by boost::shared_ptr cross
// into scripts the same way, so a script that keeps one keeps the engine object alive.
#include "script/Bindings.h"
#include "script/Wrappers.h"

#include <boost/bind/bind.hpp>
#include <boost/pointer_cast.hpp>

#include "engine/core/Application.h"
#include "engine/core/Error.h"
#include "engine/core/UniqueId.h"
#include "engine/generator/Generator.h"
#include "engine/logic/ControllerManager.h"
#include "engine/logic/Event.h"
#include "engine/physics/ActorEC.h"
#include "engine/physics/BodyEC.h"
#include "engine/physics/SimulationActor.h"
#include "engine/physics/SimulationEntity.h"
#include "engine/scene/Entity.h"
#include "engine/scene/EntityTemplate.h"
#include "engine/scene/EntityTemplateManager.h"
#include "engine/scene/LightEC.h"
#include "engine/scene/MeshEC.h"
#include "engine/scene/Scene.h"

namespace py = boost::python;

namespace Engine::Python::Detail
{
    namespace
    {
        /// Scripts may hand None where an engine object is expected; the engine never gets null.
        template <class T>
        T& Require(const boost::shared_ptr<T>& object, const char* where, const char* what)
        {
            if (!object)
                ThrowError(where, std::string("Expected ") + what + ", got None");
            return *object;
        }

        // ControllerManager

        void RegisterScriptController(ControllerManager& manager, const std::string& name)
        {
            manager.RegisterController(name, boost::bind(&CreateController, name));
        }

        void AttachController(ControllerManager& manager, const std::string& name, const boost::shared_ptr<Entity>& entity)
        {
            manager.AttachController(name, Require(entity, "Engine::Python::Detail::AttachController", "an Entity").GetInternalWeakPtr());
        }

        // Entity

        template <class Component>
        boost::shared_ptr<Component> ComponentOf(const Entity& entity, const char* id)
        {
            return boost::dynamic_pointer_cast<Component>(entity.GetComponent(id));
        }
        boost::shared_ptr<ActorEC> GetActorEC(const Entity& entity) { return ComponentOf<ActorEC>(entity, "Actor"); }
        boost::shared_ptr<BodyEC> GetBodyEC(const Entity& entity) { return ComponentOf<BodyEC>(entity, "Body"); }
        boost::shared_ptr<LightEC> GetLightEC(const Entity& entity) { return ComponentOf<LightEC>(entity, "Light"); }
        boost::shared_ptr<MeshEC> GetMeshEC(const Entity& entity) { return ComponentOf<MeshEC>(entity, "Mesh"); }

        std::string GetName(const Entity& entity) { return entity.GetName(); }
        std::string GetType(const Entity& entity) { return entity.GetType(); }

        EventQueueRef GetEventQueue(const Entity& entity) { return EventQueueRef(entity); }

        py::object GetSceneNode(const Entity& entity)
        {
            if (!entity.GetSceneNode())
                return py::object();  // an entity released by its scene has no node
            return py::object(SceneNodeRef(entity));
        }

        // Components

        // By non-const reference: the holder's own pointer, which shares the engine's count.
        py::object GetAnimableValue(boost::shared_ptr<LightEC>& light, const std::string& name)
        {
            Ogre::AnimableValuePtr value = light->GetAnimableValue(name);
            if (!value)
                return py::object();
            return py::object(AnimableValueRef(light, light->GetLight(), value));
        }

        // Templates

        void AddTemplateComponent(EntityTemplate& tmpl, const std::string& component)
        {
            tmpl.AddComponent(component);
        }
        std::string GetTemplateAttribute(const EntityTemplate& tmpl, const std::string& component, const std::string& name)
        {
            return tmpl.GetAttribute<std::string>(component, name);
        }
        void SetTemplateAttribute(EntityTemplate& tmpl, const std::string& component, const std::string& name,
                                  const std::string& value)
        {
            tmpl.SetAttribute<std::string>(component, name, value);
        }

        // Events

        void AddListener(const EventQueueRef& queue, const py::object& listener)
        {
            AddEventListener(queue.Owner(), listener);
        }
        void RemoveListener(const EventQueueRef& queue, const py::object& listener)
        {
            RemoveEventListener(queue.Owner(), listener);
        }
        void PostEvent(const EventQueueRef& queue, int type, const boost::shared_ptr<Event>& event)
        {
            Require(event, "Engine::Python::Detail::PostEvent", "an Event");
            queue.Owner()->GetEventQueue().PostEvent(type, event);
        }

        boost::weak_ptr<Entity> WeakOf(const boost::shared_ptr<Entity>& entity)
        {
            return entity ? entity->GetInternalWeakPtr() : boost::weak_ptr<Entity>();
        }
        boost::shared_ptr<Event> MakeEvent(const boost::shared_ptr<Entity>& origin, const boost::shared_ptr<Entity>& target)
        {
            return boost::shared_ptr<Event>(new Event(WeakOf(origin), WeakOf(target)));
        }

        // The entities of an event are handed out as shared references: a script that keeps one
        // keeps that entity, instead of a pointer that dies with it.
        boost::shared_ptr<Entity> GetOrigin(const Event& event) { return event.GetOriginWeakPtr().lock(); }
        boost::shared_ptr<Entity> GetTarget(const Event& event) { return event.GetTargetWeakPtr().lock(); }

        // Scene

        boost::shared_ptr<Entity> CreateEntity(Scene& scene, const std::string& type, const Ogre::Vector3& position)
        {
            return scene.CreateEntity(type, position);
        }
        void RemoveEntityAfter(Scene& scene, const boost::shared_ptr<Entity>& entity, float seconds)
        {
            scene.RemoveEntityAfter(&Require(entity, "Engine::Python::Detail::RemoveEntityAfter", "an Entity"), seconds);
        }

        boost::shared_ptr<Scene> GetScene() { return Scene::GetSingleton(); }
        boost::shared_ptr<ControllerManager> GetControllerManager() { return ControllerManager::GetSingleton(); }
    }

    SceneNodeRef::SceneNodeRef(const Entity& entity) : entity(entity.GetInternalWeakPtr()) {}

    EventQueueRef::EventQueueRef(const Entity& entity) : entity(entity.GetInternalWeakPtr()) {}

    Ogre::SceneNode& SceneNodeRef::Node() const
    {
        const boost::shared_ptr<Entity> owner = entity.lock();
        Ogre::SceneNode* node = owner ? owner->GetSceneNode() : nullptr;
        if (!node)
            ThrowError("Engine::Python::Detail::SceneNode", "The scene node no longer exists: its entity has been destroyed");
        return *node;
    }

    boost::shared_ptr<Entity> EventQueueRef::Owner() const
    {
        boost::shared_ptr<Entity> owner = entity.lock();
        if (!owner)
            ThrowError("Engine::Python::Detail::EventQueue", "The event queue no longer exists: its entity has been destroyed");
        return owner;
    }

    Ogre::AnimableValue& AnimableValueRef::Value(Ogre::AnimableValue::ValueType expected, const char* method) const
    {
        const std::string where = std::string("Engine::Python::Detail::AnimableValue::") + method;
        const boost::shared_ptr<LightEC> owner = component.lock();
        if (!owner || !light || owner->GetLight() != light)
            ThrowError(where, "The animable value no longer exists: its light has been destroyed");
        if (value->getType() != expected)
            ThrowError(where, "The animable value is of another type");
        return *value;
    }

    void RegisterApplication()
    {
        py::class_<Application, boost::noncopyable>("Application", py::no_init)
            .def("Run", &Application::Run)
            .def("RenderOneFrame", &Application::RenderOneFrame);
        py::def("GetApplication", &Application::GetSingletonPtr, py::return_value_policy<py::reference_existing_object>());
    }

    void RegisterIController()
    {
        py::class_<IControllerWrapper, boost::shared_ptr<IControllerWrapper>, boost::noncopyable>("IController")
            .def("Update", py::pure_virtual(&IController::Update))
            .def("OnAttach", py::pure_virtual(&IController::OnAttach))
            .def("OnDetach", py::pure_virtual(&IController::OnDetach));
    }

    void RegisterControllerManager()
    {
        py::class_<ControllerManager, boost::shared_ptr<ControllerManager>, boost::noncopyable>("ControllerManager", py::no_init)
            .def("RegisterController", &RegisterScriptController)
            .def("UnregisterController", &ControllerManager::UnregisterController)
            .def("AttachController", &AttachController);
        py::def("GetControllerManager", &GetControllerManager);
    }

    void RegisterEntity()
    {
        py::class_<Entity, boost::shared_ptr<Entity>, boost::noncopyable>("Entity", py::no_init)
            .def("Destroy", &Entity::Destroy)
            .def("GetActorEC", &GetActorEC)
            .def("GetBodyEC", &GetBodyEC)
            .def("GetLightEC", &GetLightEC)
            .def("GetMeshEC", &GetMeshEC)
            .def("GetAttributeInt", &Entity::GetAttributeInt)
            .def("SetAttributeInt", &Entity::SetAttributeInt)
            .def("GetEventQueue", &GetEventQueue)
            .def("GetName", &GetName)
            .def("GetSceneNode", &GetSceneNode)
            .def("GetType", &GetType)
            .def("HasComponent", &Entity::HasComponent)
            .def("TakeDamage", &Entity::TakeDamage);
    }

    void RegisterComponents()
    {
        py::class_<MeshEC, boost::shared_ptr<MeshEC>, boost::noncopyable>("MeshEC", py::no_init)
            .def("AnimPlayOnce", &MeshEC::AnimPlayOnce);
        py::class_<LightEC, boost::shared_ptr<LightEC>, boost::noncopyable>("LightEC", py::no_init)
            .def("GetAnimableValue", &GetAnimableValue);
        py::class_<BodyEC, boost::shared_ptr<BodyEC>, boost::noncopyable>("BodyEC", py::no_init)
            .def("GetSimulationEntity", &BodyEC::GetSimulationEntity);
        py::class_<ActorEC, boost::shared_ptr<ActorEC>, boost::noncopyable>("ActorEC", py::no_init)
            .def("GetActor", &ActorEC::GetActor);
    }

    void RegisterTemplates()
    {
        py::class_<EntityTemplate, boost::shared_ptr<EntityTemplate>, boost::noncopyable>("EntityTemplate", py::no_init)
            .def("AddComponent", &AddTemplateComponent)
            .def("GetAttribute", &GetTemplateAttribute)
            .def("SetAttribute", &SetTemplateAttribute);
        py::class_<EntityTemplateManager, boost::noncopyable>("EntityTemplateManager", py::no_init)
            .def("CreateTemplate", &EntityTemplateManager::CreateTemplate);
    }

    void RegisterEvents()
    {
        py::class_<EventQueueRef>("EventQueue", py::no_init)
            .def("AddListener", &AddListener)
            .def("RemoveListener", &RemoveListener)
            .def("PostEvent", &PostEvent);

        py::class_<IEventListenerWrapper, boost::shared_ptr<IEventListenerWrapper>, boost::noncopyable>("IEventListener")
            .def("OnEvent", py::pure_virtual(&IEventListener::OnEvent));

        py::enum_<EventType>("EventType")
            .value("SENSOR_ENTER", SENSOR_ENTER)
            .value("SENSOR_LEAVE", SENSOR_LEAVE)
            .value("SENSOR_STAY", SENSOR_STAY)
            .value("HIT_ACTOR", HIT_ACTOR)
            .value("HIT_ENTITY", HIT_ENTITY);

        // Scripts make events of their own to post: Event() or Event(origin, target).
        py::class_<Event, boost::shared_ptr<Event>>("Event")
            .def("__init__", py::make_constructor(&MakeEvent))
            .def("GetOrigin", &GetOrigin)
            .def("GetTarget", &GetTarget);
    }

    void RegisterGeometry()
    {
        py::def("CreateTriObject", &Generator::CreateTriObject);
        py::def("CompileTriObject", &Generator::CompileTriObject);
        py::def("ExportTriObject", &Generator::ExportTriObject);
        py::def("GenerateQuad", &Generator::GenerateQuad);
    }

    void RegisterScene()
    {
        py::class_<Scene, boost::shared_ptr<Scene>, boost::noncopyable>("Scene", py::no_init)
            .def("Load", &Scene::Load)
            .def("Save", &Scene::Save)
            .def("CreateEntity", &CreateEntity)
            // The manager belongs to the scene: the script's reference keeps the scene alive.
            .def("GetEntityTemplateManager", &Scene::GetEntityTemplateManager, py::return_internal_reference<>())
            .def("RemoveEntityAfter", &RemoveEntityAfter)
            .def("SetWorldGeometry", &Scene::SetWorldGeometry);
        py::def("GetScene", &GetScene);
    }

    void RegisterSimulationActor()
    {
        py::class_<SimulationActor, boost::shared_ptr<SimulationActor>, boost::noncopyable>("SimulationActor", py::no_init)
            .def("Move", &SimulationActor::Move)
            .def("MoveLocal", &SimulationActor::MoveLocal);
    }

    void RegisterSimulationEntity()
    {
        py::enum_<SimulationEntity::TransformSpace>("SimulationEntityTS")
            .value("LOCAL", SimulationEntity::LOCAL)
            .value("GLOBAL", SimulationEntity::GLOBAL);
        py::class_<SimulationEntity, boost::shared_ptr<SimulationEntity>, boost::noncopyable>("SimulationEntity", py::no_init)
            .def("AddForce", &SimulationEntity::AddForce)
            .def("GetGroup", &SimulationEntity::GetGroup);
    }

    void RegisterUniqueId()
    {
        py::def("GenerateUniqueIdString", &GenerateUniqueIdString);
    }
}
