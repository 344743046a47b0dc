// Python.h first: it sets feature macros that the standard headers must see.
#include <Python.h>

#include "script/Interpreter.h"
#include "script/Wrappers.h"
#include "engine/core/Error.h"

#include <OgreDataStream.h>
#include <OgreException.h>
#include <OgreResourceGroupManager.h>

// Defined by the module in this library (Module.cpp).
extern "C" PyObject* PyInit_Marrow();

namespace Engine::Python
{
    namespace
    {
        bool moduleRegistered = false;
        // Boost.Python keeps the types it registered in static storage for the life of the
        // process; after a restart they would refer to objects of the finished interpreter.
        bool finalized = false;

        // Reads the whole script and puts "\n" after every line (the last one included), so a
        // file without a final line break runs unchanged. CR of CR-LF endings is dropped.
        std::string ReadScript(Ogre::DataStream& stream)
        {
            std::string bytes;
            char buffer[4096];
            while (!stream.eof())
            {
                const std::size_t count = stream.read(buffer, sizeof(buffer));
                if (count == 0)
                    break;
                bytes.append(buffer, count);
            }

            std::string text;
            text.reserve(bytes.size() + 1);
            std::size_t start = 0;
            while (start < bytes.size())
            {
                std::size_t end = bytes.find('\n', start);
                if (end == std::string::npos)
                    end = bytes.size();
                std::size_t lineEnd = end;
                if (lineEnd > start && bytes[lineEnd - 1] == '\r')
                    --lineEnd;
                text.append(bytes, start, lineEnd - start);
                text += '\n';
                start = end + 1;
            }
            return text;
        }

        // Prints the pending Python error with its traceback on sys.stderr and clears it.
        void PrintError()
        {
            if (!PyErr_ExceptionMatches(PyExc_SystemExit))
            {
                PyErr_Print();
                return;
            }
            // PyErr_Print would end the whole process on SystemExit; a script must not take the
            // game down without its shutdown, so the exit is reported like any other error.
            PyObject* type = nullptr;
            PyObject* value = nullptr;
            PyObject* traceback = nullptr;
            PyErr_Fetch(&type, &value, &traceback);
            PyErr_NormalizeException(&type, &value, &traceback);
            if (value && traceback)
                PyException_SetTraceback(value, traceback);
            PyErr_Display(type, value, traceback);
            Py_XDECREF(type);
            Py_XDECREF(value);
            Py_XDECREF(traceback);
            PyErr_Clear();
        }

        // Runs the text in the namespace of "__main__". The resource name stands as the file name
        // in tracebacks. False when the script ended with an error (already printed).
        bool RunInMain(const std::string& name, const std::string& text)
        {
            PyObject* main = PyImport_AddModule("__main__");  // borrowed
            if (!main)
            {
                PrintError();
                return false;
            }
            PyObject* globals = PyModule_GetDict(main);  // borrowed

            PyObject* result = nullptr;
            if (text.find('\0') != std::string::npos)
            {
                // The compiler takes a C string: a NUL byte would silently cut the script short.
                PyErr_SetString(PyExc_ValueError, "source code string cannot contain null bytes");
            }
            else if (PyObject* code = Py_CompileStringExFlags(text.c_str(), name.c_str(), Py_file_input, nullptr, -1))
            {
                result = PyEval_EvalCode(code, globals, globals);
                Py_DECREF(code);
            }
            if (!result)
            {
                PrintError();
                return false;
            }
            Py_DECREF(result);
            return true;
        }
    }

    void Initialize(int argc, char* const* argv)
    {
        const std::string where = "Engine::Python::Initialize";
        if (Py_IsInitialized())
        {
            LogWarning(where, "The python interpreter is already running");
            return;
        }
        if (finalized)
            ThrowError(where, "The python interpreter can't be started again once it has been finalized");

        if (!moduleRegistered)
        {
            if (PyImport_AppendInittab("Marrow", &PyInit_Marrow) == -1)
                ThrowError(where, "Unable to register the module Marrow");
            moduleRegistered = true;
        }

        PyConfig config;
        PyConfig_InitPythonConfig(&config);
        config.parse_argv = 0;
        // The game owns its process: Ctrl+C and broken pipes keep their usual effect instead of
        // turning into Python exceptions inside whatever script happens to run next.
        config.install_signal_handlers = 0;
        PyStatus status = PyStatus_Ok();
        if (argc > 0 && argv && argv[0])
            status = PyConfig_SetBytesString(&config, &config.program_name, argv[0]);
        if (!PyStatus_Exception(status))
            status = Py_InitializeFromConfig(&config);
        PyConfig_Clear(&config);
        if (PyStatus_Exception(status))
            ThrowError(where, std::string("Unable to start the python interpreter: ") +
                                  (status.err_msg ? status.err_msg : "unknown error"));
        LogInfo(std::string("Python interpreter started: ") + Py_GetVersion());
    }

    void ExecResource(const std::string& name)
    {
        const std::string where = "Engine::Python::ExecResource";
        if (!Py_IsInitialized())
            ThrowError(where, "The python interpreter is not running; can't run python script file '" + name + "'");
        if (!PyGILState_Check())
            ThrowError(where, "Python scripts run on the thread that started the interpreter; can't run python script file '" +
                                  name + "'");
        Ogre::ResourceGroupManager* groups = Ogre::ResourceGroupManager::getSingletonPtr();
        if (!groups)
            ThrowError(where, "The engine is not running (no resource system); can't open python script file '" +
                                  name + "'");

        Ogre::DataStreamPtr stream;
        try
        {
            // The default group first; only when it lacks the script, every other group.
            const std::string& defaultGroup = Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME;
            const bool inDefault = groups->resourceExists(defaultGroup, name);
            stream = groups->openResource(
                name, inDefault ? defaultGroup : Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
        }
        catch (const Ogre::Exception&)
        {
            stream.reset();
        }
        if (!stream)
            ThrowError(where, "Unable to open python script file '" + name + "'");

        std::string text;
        try
        {
            text = ReadScript(*stream);
        }
        catch (const Ogre::Exception&)
        {
            ThrowError(where, "Unable to read python script file '" + name + "'");
        }
        stream->close();

        if (!RunInMain(name, text))
            LogWarning(where, "python script file '" + name + "' stopped with an error (traceback on standard error)");
    }

    void Finalize()
    {
        if (!Py_IsInitialized())
            return;
        // The engine must not call into script objects of a stopped interpreter: listeners
        // leave the event queues and the renderer now. Script controllers stay with the
        // controller manager, but refuse to run once the interpreter has gone.
        Detail::ReleaseScriptObjects();
        finalized = true;
        if (Py_FinalizeEx() < 0)
            LogWarning("Engine::Python::Finalize", "The python interpreter could not flush its output");
    }
}
