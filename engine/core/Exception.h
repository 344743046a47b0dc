#pragma once
#include <exception>
#include <string>

namespace Engine
{
    /// The engine's only exception type: carries the full message text that what() returns.
    class Exception : public std::exception
    {
    public:
        explicit Exception(const std::string& message);
        const char* what() const noexcept override;

    private:
        std::string message;
    };
}
