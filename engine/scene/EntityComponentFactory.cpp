#include "engine/scene/EntityComponentFactory.h"
#include "engine/logic/ControllerEC.h"
#include "engine/physics/ActorEC.h"
#include "engine/physics/BodyEC.h"
#include "engine/physics/BoxSensorEC.h"
#include "engine/scene/LightEC.h"
#include "engine/scene/ManualObjectEC.h"
#include "engine/scene/MeshEC.h"
#include "engine/scene/ParticleEC.h"

namespace Engine
{
    namespace
    {
        const char* const factoryName =
            "Engine::Factory<class Engine::IEntityComponent,class std::basic_string<char,struct "
            "std::char_traits<char>,class std::allocator<char> >,class boost::shared_ptr<class "
            "Engine::IEntityComponent> >";

        template <class Component>
        boost::shared_ptr<IEntityComponent> Allocate()
        {
            return boost::shared_ptr<IEntityComponent>(new Component);
        }
    }

    EntityComponentFactory::EntityComponentFactory() : Factory(factoryName)
    {
        // The engine's component types, in this order: "Actor", "Body", "BoxSensor",
        // "Controller", "Light", "ManualObject", "Mesh", "Particle". Each is registered here
        // with Register("<Id>", &Allocate<<Class>>) by the file that adds its class.
        Register("Actor", &Allocate<ActorEC>);
        Register("Body", &Allocate<BodyEC>);
        Register("BoxSensor", &Allocate<BoxSensorEC>);
        Register("Controller", &Allocate<ControllerEC>);
        Register("Light", &Allocate<LightEC>);
        Register("ManualObject", &Allocate<ManualObjectEC>);
        Register("Mesh", &Allocate<MeshEC>);
        Register("Particle", &Allocate<ParticleEC>);
    }

    EntityComponentFactory& EntityComponentFactory::GetSingleton()
    {
        static EntityComponentFactory instance;
        return instance;
    }
}
