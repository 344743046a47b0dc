// The embedded interpreter running script resources, inside a process with a live renderer
// root (its resource system) and, as in the game, the module Marrow linked in.
#include <boost/python.hpp>

#include "engine/core/Exception.h"
#include "script/Interpreter.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <memory>
#include <thread>

#include <Ogre.h>
#include <gtest/gtest.h>

namespace
{
    namespace py = boost::python;

    class Interpreter : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            root.reset(new Ogre::Root("", "", ""));
            char program[] = "test_script";
            char* argv[] = {program, nullptr};
            Engine::Python::Initialize(1, argv);
        }

        void TearDown() override
        {
            Engine::Python::Finalize();
            root.reset();
        }

        // Makes the written scripts visible: default group and a second group. Ogre indexes a
        // folder when it is added, so scripts are written first.
        void AddScriptFolders()
        {
            Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
            groups.addResourceLocation(scripts.Path(), "FileSystem", "General");
            groups.addResourceLocation(otherScripts.Path(), "FileSystem", "Levels");
            groups.initialiseAllResourceGroups();
        }

        static py::object Global(const char* name)
        {
            return py::import("__main__").attr("__dict__").attr("get")(name);
        }

        static std::string RunAndCaptureStderr(const std::string& name)
        {
            testing::internal::CaptureStderr();
            Engine::Python::ExecResource(name);
            PyRun_SimpleString("import sys\nsys.stderr.flush()\n");
            return testing::internal::GetCapturedStderr();
        }

        ::Test::LogCapture log;  // before the root, which then logs into it
        std::unique_ptr<Ogre::Root> root;
        ::Test::TempDir scripts;
        ::Test::TempDir otherScripts;
    };

    TEST_F(Interpreter, ScriptsShareMainAndLineEndingsDoNotMatter)
    {
        scripts.Write("first.py", "shared = 40");  // no final line break
        scripts.Write("second.py", "if shared == 40:\r\n    shared += 2");  // CR-LF, open block at the end
        scripts.Write("empty.py", "");
        AddScriptFolders();

        Engine::Python::ExecResource("first.py");
        Engine::Python::ExecResource("second.py");
        Engine::Python::ExecResource("empty.py");
        EXPECT_EQ(42, py::extract<int>(Global("shared"))());
    }

    TEST_F(Interpreter, FailingScriptsPrintTracebackAndLeaveInterpreterUsable)
    {
        scripts.Write("raises.py", "raise ValueError('boom')\nafterRaise = 1\n");
        scripts.Write("syntax.py", "ok = 1\ndef broken(:\n");
        scripts.Write("exits.py", "import sys\nsys.exit(3)\nafterExit = 1\n");
        scripts.Write("nul.py", std::string("cut = 1\0\nhidden = 1\n", 20));
        scripts.Write("fine.py", "fine = 'yes'\n");
        AddScriptFolders();

        const std::string raised = RunAndCaptureStderr("raises.py");
        EXPECT_NE(std::string::npos, raised.find("File \"raises.py\", line 1")) << raised;
        EXPECT_NE(std::string::npos, raised.find("ValueError: boom")) << raised;
        EXPECT_TRUE(Global("afterRaise").is_none());

        const std::string syntax = RunAndCaptureStderr("syntax.py");
        EXPECT_NE(std::string::npos, syntax.find("SyntaxError")) << syntax;
        EXPECT_TRUE(Global("ok").is_none()) << "a script that does not compile runs no line";

        // SystemExit would normally end the process: it must not end the game.
        const std::string exited = RunAndCaptureStderr("exits.py");
        EXPECT_NE(std::string::npos, exited.find("SystemExit: 3")) << exited;
        EXPECT_TRUE(Global("afterExit").is_none());

        const std::string nul = RunAndCaptureStderr("nul.py");
        EXPECT_NE(std::string::npos, nul.find("null bytes")) << nul;
        EXPECT_TRUE(Global("cut").is_none()) << "a script cut short at a NUL byte must not run";

        EXPECT_EQ(4, log.Count("Warning in Engine::Python::ExecResource(): python script file '"));
        EXPECT_FALSE(PyErr_Occurred());

        Engine::Python::ExecResource("fine.py");
        EXPECT_EQ("yes", py::extract<std::string>(Global("fine"))());
    }

    TEST_F(Interpreter, MissingScriptThrowsNamedError)
    {
        AddScriptFolders();
        const std::string expected = "Error in Engine::Python::ExecResource(). Unable to open python script file 'missing.py'";
        try
        {
            Engine::Python::ExecResource("missing.py");
            FAIL() << "no exception";
        }
        catch (const Engine::Exception& e)
        {
            EXPECT_EQ(expected, e.what());
        }
        EXPECT_TRUE(log.Has(expected, Ogre::LML_CRITICAL));
    }

    TEST_F(Interpreter, DefaultGroupWinsThenEveryGroupIsSearched)
    {
        scripts.Write("level.py", "origin = 'default'\n");
        otherScripts.Write("level.py", "origin = 'levels'\n");
        otherScripts.Write("only_in_levels.py", "found = True\n");
        AddScriptFolders();

        Engine::Python::ExecResource("level.py");
        EXPECT_EQ("default", py::extract<std::string>(Global("origin"))());
        Engine::Python::ExecResource("only_in_levels.py");
        EXPECT_TRUE(py::extract<bool>(Global("found"))());
    }

    TEST_F(Interpreter, ScriptsImportMarrowFromTheRunningProgram)
    {
        scripts.Write("outer.py",
                      "import sys, Marrow\n"
                      "builtin = 'Marrow' in sys.builtin_module_names\n"
                      "Marrow.ExecScriptResource('inner.py')\n"
                      "try:\n"
                      "    Marrow.ExecScriptResource('missing.py')\n"
                      "except RuntimeError as error:\n"
                      "    missingMessage = str(error)\n");
        scripts.Write("inner.py", "inner = 'ran'\n");
        AddScriptFolders();

        Engine::Python::ExecResource("outer.py");
        EXPECT_TRUE(py::extract<bool>(Global("builtin"))()) << "Marrow must come from this program, not a path search";
        EXPECT_EQ("ran", py::extract<std::string>(Global("inner"))());
        EXPECT_EQ("Error in Engine::Python::ExecResource(). Unable to open python script file 'missing.py'",
                  py::extract<std::string>(Global("missingMessage"))());
    }

    TEST_F(Interpreter, GameStartupScriptRuns)
    {
        Ogre::ResourceGroupManager::getSingleton().addResourceLocation(
            std::string(GORVANE_BUILD_DIR) + "/data/scripts", "FileSystem", "General");
        Engine::Python::ExecResource("startup.py");
        EXPECT_TRUE(py::extract<bool>(py::import("Marrow").attr("StartupDone"))());
        EXPECT_EQ(0, log.Count("Warning in Engine::Python::ExecResource()"));
    }

    TEST(InterpreterLifetime, RefusesToRunWhenNotRunning)
    {
        Ogre::Root root("", "", "");
        EXPECT_THROW(Engine::Python::ExecResource("startup.py"), Engine::Exception);

        char program[] = "test_script";
        char* argv[] = {program, nullptr};
        Engine::Python::Initialize(1, argv);
        Engine::Python::Initialize(1, argv);  // a second start is ignored

        // Only the thread that runs the interpreter may run scripts.
        bool threwElsewhere = false;
        std::thread other([&] {
            try
            {
                Engine::Python::ExecResource("startup.py");
            }
            catch (const Engine::Exception&)
            {
                threwElsewhere = true;
            }
        });
        other.join();
        EXPECT_TRUE(threwElsewhere);

        Engine::Python::Finalize();
        EXPECT_THROW(Engine::Python::ExecResource("startup.py"), Engine::Exception);
        EXPECT_THROW(Engine::Python::Initialize(1, argv), Engine::Exception);
        Engine::Python::Finalize();  // harmless when stopped
    }
}
