#include <boost/python.hpp>

#include "script/Interpreter.h"

// The module scripts import as Marrow. The game links this same library, so a script and the
// game share one copy of the engine and its singletons. Engine classes are registered after the
// free functions, each before the ones whose methods return it (application, controllers,
// entities and their components, templates, events, geometry functions, scene, simulation
// objects, unique ids, math and scene-node types, Any).
BOOST_PYTHON_MODULE(Marrow)
{
    boost::python::def("ExecScriptResource", &Engine::Python::ExecResource);
}
