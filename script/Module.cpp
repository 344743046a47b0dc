#include "script/Bindings.h"
#include "script/Interpreter.h"
#include "script/Wrappers.h"

// The module scripts import as Marrow. The game links this same library, so a script and the
// game share one copy of the engine and its singletons. Each class is registered before the
// ones whose methods return it.
BOOST_PYTHON_MODULE(Marrow)
{
    using namespace Engine::Python::Detail;

    // An error from making a script controller goes back to a script as its own python error.
    boost::python::register_exception_translator<PythonError>([](const PythonError& error) { error.Restore(); });

    boost::python::def("ExecScriptResource", &Engine::Python::ExecResource);
    RegisterApplication();
    RegisterIController();
    RegisterControllerManager();
    RegisterEntity();
    RegisterComponents();
    RegisterTemplates();
    RegisterEvents();
    RegisterGeometry();
    RegisterScene();
    RegisterSimulationActor();
    RegisterSimulationEntity();
    RegisterUniqueId();
    RegisterMath();
    RegisterAny();
}
