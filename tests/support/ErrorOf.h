#pragma once
#include <functional>
#include <string>

namespace Test
{
    /// Runs the call and returns the text of the Engine::Exception it throws, or
    /// "(nothing thrown)". Other exceptions pass through.
    std::string ErrorOf(const std::function<void()>& call);
}
