#pragma once
// A fuzz driver is one file that defines the two functions below (libFuzzer's entry points) and
// one line in tests/fuzz/CMakeLists.txt. In the guided fuzz build libFuzzer supplies main();
// elsewhere FuzzMain.cpp does, and runs the driver's regression cases and corpus once.
#include "engine/core/Exception.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <typeinfo>

#include <OgreException.h>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace Fuzz
{
    /// Reports a fault the driver found (a value that should have been refused, an unexpected
    /// exception type) and ends the run as a crash, so that the input is kept.
    [[noreturn]] void Fail(const std::string& what);

    /// Runs the call, letting through the engine's own error and the renderer's exception (the
    /// game reports both to the player). Any other exception, and the renderer's assertion
    /// (raised when something unusable reached it), is a fault.
    template <class Call>
    void ExpectOnlyEngineErrors(Call call)
    {
        try
        {
            call();
        }
        catch (const Engine::Exception&)
        {
        }
        catch (const Ogre::RuntimeAssertionException& e)
        {
            Fail(std::string("the renderer's assertion failed: ") + e.what());
        }
        catch (const Ogre::Exception&)
        {
        }
        catch (const std::exception& e)
        {
            Fail(std::string("unexpected ") + typeid(e).name() + ": " + e.what());
        }
    }
}
