#include "engine/logic/StateManager.h"
#include "engine/logic/IStateObserver.h"
#include "engine/core/Error.h"

#include <algorithm>

namespace Engine
{
    StateManager* StateManager::pInstance_ = nullptr;

    namespace
    {
        const std::string prefix = "Engine::StateManager::";

        template <class Function>
        bool SamePlainFunction(const Function& a, const Function& b)
        {
            typedef typename Function::result_type (*Plain)();
            const Plain* pa = a.template target<Plain>();
            const Plain* pb = b.template target<Plain>();
            return pa && pb && *pa == *pb;
        }
    }

    void StateManager::Create()
    {
        static StateManager instance;
        if (pInstance_)
            ThrowError(prefix + "Create", "Only one state manager allowed");
        pInstance_ = &instance;
    }

    bool StateManager::HasState(const std::string& name) const
    {
        return std::find(states.begin(), states.end(), name) != states.end();
    }

    void StateManager::AddState(const std::string& name)
    {
        if (!pInstance_->HasState(name))
            pInstance_->states.push_back(name);
    }

    void StateManager::RemoveState(const std::string& name)
    {
        auto it = std::find(pInstance_->states.begin(), pInstance_->states.end(), name);
        if (it == pInstance_->states.end())
            ThrowError(prefix + "RemoveState", "Unknown state " + name);
        pInstance_->states.erase(it);
    }

    void StateManager::AddStateObserver(IStateObserver* const observer)
    {
        pInstance_->observers.push_back(observer);
    }

    void StateManager::RemoveStateObserver(IStateObserver* const observer)
    {
        auto& observers = pInstance_->observers;
        auto it = std::find(observers.begin(), observers.end(), observer);
        if (it == observers.end())
            ThrowError(prefix + "RemoveStateObserver", "Can't find state observer");
        observers.erase(it);
    }

    template <class Function>
    void StateManager::AddListener(const char* operation, ListenerMap<Function>& map,
                                   const std::string& name, Function& listener)
    {
        if (!pInstance_->HasState(name))
            ThrowError(prefix + operation, "Unknown state " + name);
        map[name].push_back(Registered<Function>{listener, &listener});
    }

    template <class Function>
    void StateManager::RemoveListener(const char* operation, ListenerMap<Function>& map,
                                      const std::string& name, Function& listener)
    {
        auto& list = map[name];
        auto it = std::find_if(list.begin(), list.end(), [&](const Registered<Function>& r) {
            return r.source == &listener || SamePlainFunction(r.function, listener);
        });
        if (it == list.end())
            ThrowError(prefix + operation, "Can't find state");
        list.erase(it);
    }

    void StateManager::AddStateRequestListener(const std::string& name, RequestListener& listener)
    {
        AddListener("AddStateRequestListener", pInstance_->requestListeners, name, listener);
    }

    void StateManager::RemoveStateRequestListener(const std::string& name, RequestListener& listener)
    {
        RemoveListener("RemoveStateRequestListener", pInstance_->requestListeners, name, listener);
    }

    void StateManager::AddStateChangeListener(const std::string& name, ChangeListener& listener)
    {
        AddListener("AddStateChangeListener", pInstance_->changeListeners, name, listener);
    }

    void StateManager::RemoveStateChangeListener(const std::string& name, ChangeListener& listener)
    {
        RemoveListener("RemoveStateChangeListener", pInstance_->changeListeners, name, listener);
    }

    bool StateManager::RequestState(const std::string& name)
    {
        StateManager& self = *pInstance_;
        if (!self.HasState(name))
            ThrowError(prefix + "RequestState", "Unknown state " + name);

        for (IStateObserver* observer : self.observers)
            if (!observer->OnStateRequest(self.currentState, name))
                return false;

        for (const auto& listener : self.requestListeners[name])
            if (!listener.function())
                return false;

        const std::string oldState = self.currentState;
        const std::string newState = name;
        for (IStateObserver* observer : self.observers)
            observer->OnStateChange(oldState, newState);

        for (const auto& listener : self.changeListeners[name])
            listener.function();

        self.currentState = newState;
        return true;
    }
}
