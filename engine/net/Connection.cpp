#include "engine/net/Connection.h"
#include "engine/core/Error.h"
#include "engine/net/IConnectionObserver.h"
#include "engine/net/SocketLibrary.h"

#include <algorithm>
#include <climits>
#include <exception>

namespace Engine
{
    namespace
    {
        // Longest wait of a background thread before it looks at its stop flag again. Stops and
        // new sockets wake the threads at once; this only bounds a missed wake-up.
        const int PollTimeoutMs = 100;
        const int ConnectTimeoutMs = 5000;
        // Reads from one socket before the receiver serves the others: a client that sends
        // without pause must not starve the rest (its data waits for the next pass).
        const int ReadsPerPass = 256;
        // Clients taken from the listening socket before the acceptor looks at its stop flag again.
        const int AcceptsPerPass = 64;

        // The connections whose observers are being called on this thread, innermost last.
        // Disconnect cannot join the threads from inside a callback (it would wait for itself).
        thread_local std::vector<const Connection*> notifying;

        bool IsNotifying(const Connection* connection)
        {
            return std::find(notifying.begin(), notifying.end(), connection) != notifying.end();
        }
    }

    Connection::Connection()
        : listeningSocket(NoSocket)
        , stopping(false)
        , stopRequested(false)
    {
        SocketLibrary::Acquire();
        sockets[ServersGroup];
        sockets[ClientsGroup];
    }

    Connection::~Connection()
    {
        Disconnect();
        SocketLibrary::Release();
    }

    bool Connection::Listen(int port)
    {
        if (listeningSocket.load() != NoSocket)
            ThrowError("Engine::Connection::Listen", "Server socket already in use");
        const int socket = SocketLibrary::OpenListener(port);
        if (socket == SocketLibrary::InvalidSocket)
        {
            listeningSocket = NoSocket;
            return false;
        }
        listeningSocket = socket;
        StartAcceptor();
        StartReceiver();
        acceptorWake.Raise(); // an acceptor already running picks up the new socket
        return true;
    }

    void Connection::Accept()
    {
        StartAcceptor();
    }

    void Connection::Receive()
    {
        StartReceiver();
    }

    bool Connection::Connect(const std::string& address)
    {
        const int socket = SocketLibrary::Connect(address, ConnectTimeoutMs);
        if (socket == SocketLibrary::InvalidSocket)
            return false;
        AddSocket(ServersGroup, socket);
        StartReceiver();
        return true;
    }

    void Connection::Disconnect()
    {
        if (IsNotifying(this))
            ThrowError("Engine::Connection::Disconnect", "Can't disconnect from inside an observer callback");
        StopThreads();
        std::lock_guard<std::recursive_mutex> lock(groupMutex);
        for (auto& group : sockets)
        {
            for (int socket : group.second)
                SocketLibrary::Close(socket);
            group.second.clear();
        }
        const int listener = listeningSocket.exchange(NoSocket);
        if (listener != NoSocket)
            SocketLibrary::Close(listener);
    }

    int Connection::Send(long socket, const void* data, int length)
    {
        if (socket == NoSocket)
            ThrowError("Engine::Connection::Send", "Invalid socket");
        if (socket < INT_MIN || socket > INT_MAX)
            return -1;
        return SocketLibrary::Write(static_cast<int>(socket), data, length);
    }

    int Connection::SendToAllClients(const void* data, int length)
    {
        return SendToAll(ClientsGroup, data, length);
    }

    int Connection::SendToAllServers(const void* data, int length)
    {
        return SendToAll(ServersGroup, data, length);
    }

    int Connection::SendToAll(int group, const void* data, int length)
    {
        std::lock_guard<std::recursive_mutex> lock(groupMutex);
        // A failed send counts nothing, so the total stays the number of bytes written.
        long long total = 0;
        for (int socket : sockets[group])
            total += std::max(0, SocketLibrary::Write(socket, data, length));
        return static_cast<int>(std::min<long long>(total, INT_MAX));
    }

    void Connection::AddObserver(IConnectionObserver* observer)
    {
        if (!observer)
            return;
        std::lock_guard<std::recursive_mutex> lock(observerMutex);
        observers.insert(observer);
    }

    void Connection::RemoveObserver(IConnectionObserver* observer)
    {
        std::lock_guard<std::recursive_mutex> lock(observerMutex);
        observers.erase(observer);
    }

    bool Connection::IsListening() const
    {
        return listeningSocket.load() != NoSocket;
    }

    std::vector<int> Connection::GetClients() const
    {
        std::lock_guard<std::recursive_mutex> lock(groupMutex);
        return sockets.at(ClientsGroup);
    }

    std::vector<int> Connection::GetServers() const
    {
        std::lock_guard<std::recursive_mutex> lock(groupMutex);
        return sockets.at(ServersGroup);
    }

    void Connection::StartAcceptor()
    {
        std::lock_guard<std::mutex> lock(threadMutex);
        if (!stopping && !acceptor.joinable())
            acceptor = std::thread(&Connection::RunAcceptor, this);
    }

    void Connection::StartReceiver()
    {
        std::lock_guard<std::mutex> lock(threadMutex);
        if (!stopping && !receiver.joinable())
            receiver = std::thread(&Connection::RunReceiver, this);
    }

    void Connection::StopThreads()
    {
        std::thread stoppedAcceptor, stoppedReceiver;
        {
            std::lock_guard<std::mutex> lock(threadMutex);
            stopping = true;
            stopRequested = true;
            stoppedAcceptor.swap(acceptor);
            stoppedReceiver.swap(receiver);
        }
        acceptorWake.Raise();
        receiverWake.Raise();
        // Joined without holding any lock: the threads may be waiting for the group or
        // observer mutex, or starting each other, until they see the stop flag.
        if (stoppedAcceptor.joinable())
            stoppedAcceptor.join();
        if (stoppedReceiver.joinable())
            stoppedReceiver.join();
        std::lock_guard<std::mutex> lock(threadMutex);
        stopping = false;
        stopRequested = false;
    }

    void Connection::AddSocket(int group, int socket)
    {
        // Both locks for the whole step, group first: the receiver cannot see the socket
        // before its connect callback has run, so a disconnect is never reported first.
        std::lock_guard<std::recursive_mutex> groupLock(groupMutex);
        sockets[group].push_back(socket);
        std::lock_guard<std::recursive_mutex> observerLock(observerMutex);
        if (group == ServersGroup)
            Notify("OnServerConnect", [&](IConnectionObserver* o) { o->OnServerConnect(this, socket); });
        else
            Notify("OnClientConnect", [&](IConnectionObserver* o) { o->OnClientConnect(this, socket); });
        receiverWake.Raise(); // the receiver starts watching the new socket
    }

    void Connection::RunAcceptor()
    {
        std::vector<int> watched, ready;
        bool failing = false;
        while (!stopRequested)
        {
            const int listener = listeningSocket.load();
            watched.clear();
            if (listener != NoSocket)
                watched.push_back(listener);
            SocketLibrary::WaitReadable(watched, acceptorWake, PollTimeoutMs, ready);
            for (int i = 0; !ready.empty() && i < AcceptsPerPass && !stopRequested; ++i)
            {
                const int socket = SocketLibrary::Accept(listener);
                if (socket == SocketLibrary::InvalidSocket)
                    break;
                if (socket == SocketLibrary::AcceptFailed)
                {
                    // Usually out of descriptors: the client stays queued; try again after a pause
                    // instead of spinning on a listening socket that keeps reporting it.
                    if (!failing)
                        LogWarning("Engine::Connection::Accept", "Can't accept a client, retrying");
                    failing = true;
                    SocketLibrary::WaitReadable(std::vector<int>(), acceptorWake, PollTimeoutMs, ready);
                    break;
                }
                failing = false;
                AddSocket(ClientsGroup, socket);
            }
        }
    }

    void Connection::RunReceiver()
    {
        std::vector<int> watched, ready;
        char buffer[ReadSize];
        while (!stopRequested)
        {
            watched.clear();
            {
                std::lock_guard<std::recursive_mutex> lock(groupMutex);
                for (const auto& group : sockets)
                    watched.insert(watched.end(), group.second.begin(), group.second.end());
            }
            // Waits without the group mutex, so the caller's thread is never held up by it.
            SocketLibrary::WaitReadable(watched, receiverWake, PollTimeoutMs, ready);
            if (ready.empty() || stopRequested)
                continue;
            std::lock_guard<std::recursive_mutex> lock(groupMutex);
            // Ready sockets come in table order (servers, then clients, each in order of joining).
            // Callbacks may change the table, so each socket's group is looked up afresh.
            for (int socket : ready)
            {
                if (stopRequested)
                    break;
                for (const auto& group : sockets)
                {
                    if (std::find(group.second.begin(), group.second.end(), socket) != group.second.end())
                    {
                        ServeSocket(group.first, socket, buffer);
                        break;
                    }
                }
            }
        }
    }

    void Connection::ServeSocket(int group, int socket, char* buffer)
    {
        for (int reads = 0; reads < ReadsPerPass && !stopRequested; ++reads)
        {
            const int count = SocketLibrary::Read(socket, buffer, ReadSize);
            if (count > 0)
            {
                std::lock_guard<std::recursive_mutex> lock(observerMutex);
                Notify("OnReceive", [&](IConnectionObserver* o) { o->OnReceive(this, socket, buffer, count); });
                continue;
            }
            if (count == SocketLibrary::ReadClosed)
            {
                {
                    std::lock_guard<std::recursive_mutex> lock(observerMutex);
                    if (group == ServersGroup)
                        Notify("OnServerDisconnect", [&](IConnectionObserver* o) { o->OnServerDisconnect(this, socket); });
                    else
                        Notify("OnClientDisconnect", [&](IConnectionObserver* o) { o->OnClientDisconnect(this, socket); });
                }
                std::vector<int>& members = sockets[group];
                members.erase(std::remove(members.begin(), members.end(), socket), members.end());
                SocketLibrary::Close(socket);
            }
            return; // nothing more to read now, or a passing failure: try on the next pass
        }
    }

    template <class Call>
    void Connection::Notify(const char* callback, Call call)
    {
        // Called with observerMutex held. Walks a copy so that a callback may add or remove
        // observers; one removed during the walk is skipped.
        const std::vector<IConnectionObserver*> current(observers.begin(), observers.end());
        notifying.push_back(this);
        for (IConnectionObserver* observer : current)
        {
            if (!observers.count(observer))
                continue;
            // An exception cannot travel from a background thread to the caller: report it and
            // go on with the next observer.
            try
            {
                call(observer);
            }
            catch (const std::exception& error)
            {
                LogWarning("Engine::Connection::Notify", std::string(callback) + " threw: " + error.what());
            }
            catch (...)
            {
                LogWarning("Engine::Connection::Notify", std::string(callback) + " threw an unknown exception");
            }
        }
        notifying.pop_back();
    }
}
