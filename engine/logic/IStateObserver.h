#pragma once
#include <string>

namespace Engine
{
    /// Takes part in every change of application state: may refuse a request, and is told
    /// when a change is made. Registered with StateManager::AddStateObserver (not owned).
    class IStateObserver
    {
    public:
        IStateObserver() = default;
        IStateObserver(const IStateObserver&) {}
        IStateObserver& operator=(const IStateObserver&) { return *this; }
        virtual ~IStateObserver() = default;

        /// Asked before a change; false refuses it.
        virtual bool OnStateRequest(const std::string& currentState, const std::string& requestedState) = 0;
        /// Told that the change is being made; currentState is still the old state.
        virtual void OnStateChange(const std::string& currentState, const std::string& requestedState) = 0;
    };
}
