#include "tests/support/ErrorOf.h"
#include "engine/core/Exception.h"

namespace Test
{
    std::string ErrorOf(const std::function<void()>& call)
    {
        try
        {
            call();
        }
        catch (const Engine::Exception& error)
        {
            return error.what();
        }
        return "(nothing thrown)";
    }
}
