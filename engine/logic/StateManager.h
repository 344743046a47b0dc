#pragma once
#include <list>
#include <map>
#include <string>
#include <vector>

#include <boost/function.hpp>

namespace Engine
{
    class IStateObserver;

    /// The named application states, the current one, and the parties that may refuse or are
    /// told about a change. One instance per process, made by Create; every operation is static.
    ///
    /// Listener identity: a listener is removed by passing the same boost::function object that
    /// was added (the one the caller keeps), or any function holding the same plain function
    /// pointer. The first match in registration order is removed.
    class StateManager
    {
    public:
        typedef boost::function<bool ()> RequestListener;
        typedef boost::function<void ()> ChangeListener;

        static void Create();

        static void AddState(const std::string& name);
        static void RemoveState(const std::string& name);

        static void AddStateObserver(IStateObserver* const observer);
        static void RemoveStateObserver(IStateObserver* const observer);

        static void AddStateRequestListener(const std::string& name, RequestListener& listener);
        static void RemoveStateRequestListener(const std::string& name, RequestListener& listener);
        static void AddStateChangeListener(const std::string& name, ChangeListener& listener);
        static void RemoveStateChangeListener(const std::string& name, ChangeListener& listener);

        /// Asks the observers, then the request listeners of the state; commits only when
        /// nobody refused. True when the change was made.
        static bool RequestState(const std::string& name);

    private:
        template <class Function>
        struct Registered
        {
            Function function;
            const void* source; // address of the object the caller registered; never dereferenced
        };
        template <class Function>
        using ListenerMap = std::map<std::string, std::vector<Registered<Function>>>;

        StateManager() = default;
        bool HasState(const std::string& name) const;

        template <class Function>
        static void AddListener(const char* operation, ListenerMap<Function>& map,
                                const std::string& name, Function& listener);
        template <class Function>
        static void RemoveListener(const char* operation, ListenerMap<Function>& map,
                                   const std::string& name, Function& listener);

        static StateManager* pInstance_;

        std::list<std::string> states;
        ListenerMap<RequestListener> requestListeners;
        ListenerMap<ChangeListener> changeListeners;
        std::list<IStateObserver*> observers;
        std::string currentState;
    };
}
