#pragma once
#include <string>

namespace Engine
{
    // The one way the engine reports problems. `where` is the qualified operation without
    // parentheses, e.g. "Engine::Settings::Get".

    /// Logs "Error in <where>(). <detail>" at the critical level (when a log manager exists)
    /// and throws the same text as Engine::Exception.
    [[noreturn]] void ThrowError(const std::string& where, const std::string& detail);

    /// Logs "Warning in <where>(): <detail>" at the normal level (when a log manager exists).
    void LogWarning(const std::string& where, const std::string& detail);

    /// Logs an informational line at the normal level (when a log manager exists).
    void LogInfo(const std::string& text);

    /// Logs a line at the critical level (when a log manager exists) without throwing.
    void LogCritical(const std::string& text);
}
