#pragma once
#include <string>

// The embedded Python interpreter as the game drives it. Scripts run on the frame-loop thread
// only, and reach the engine by importing the module Marrow, which lives in this same library.
namespace Engine::Python
{
    /// Starts the interpreter with argv[0] as its program name (the rest of the command line is
    /// not handed to scripts). Marrow is registered beforehand, so scripts import it from this
    /// library without any search path. Once per process: see Finalize.
    void Initialize(int argc, char* const* argv);

    /// Runs the script resource `name` (default resource group first, then every group) in the
    /// namespace of "__main__", so scripts share their globals. An error inside the script prints
    /// its traceback on the interpreter's standard error, is noted in the log, and returns
    /// normally; the interpreter stays usable. Throws Engine::Exception when the script cannot be
    /// opened or read, or when the interpreter or the renderer's resource system is not running.
    void ExecResource(const std::string& name);

    /// Stops the interpreter. Script event and frame listeners are taken off the engine first;
    /// script controllers stay with the controller manager but fail (Engine::Exception) if run
    /// afterwards, and are dropped without touching the stopped interpreter. The interpreter
    /// cannot be started again: Boost.Python keeps its type registrations for the whole process.
    void Finalize();
}
