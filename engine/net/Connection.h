#pragma once
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/net/WakeSignal.h"

namespace Engine
{
    class IConnectionObserver;

    /// A TCP peer: at the same time it can listen for and accept clients, connect out to
    /// servers, send raw bytes to one socket or to every socket of either kind, and receive on a
    /// background thread. There is no framing: observers get the bytes in the chunks (at most
    /// 128 bytes) in which they were read.
    ///
    /// Threads: an acceptor and a receiver thread belong to the connection; they start on
    /// demand and are stopped and joined by Disconnect and by the destructor. Observers run on
    /// them with the connection's locks held; from inside a callback the connection may be used
    /// (Send, SendToAll..., Connect, Listen, Add/RemoveObserver) except for Disconnect, and it
    /// must not be destroyed there. Observers are not owned and must outlive their registration.
    class Connection
    {
    public:
        /// The listening socket when there is none; Send refuses it.
        static const int NoSocket = 259;
        /// The largest chunk handed to OnReceive.
        static const int ReadSize = 128;

        Connection();
        /// Disconnects (stopping the threads) and closes everything.
        ~Connection();
        Connection(const Connection&) = delete;
        Connection& operator=(const Connection&) = delete;

        /// Listens on every local address at port and starts accepting and receiving. False
        /// when the port is taken or out of range; throws when this connection already listens.
        bool Listen(int port);
        /// Starts the acceptor thread unless it runs.
        void Accept();
        /// Starts the receiver thread unless it runs.
        void Receive();
        /// Connects to "host:port" (an IPv4 address or host name) or "[IPv6 address]:port",
        /// tells the observers and starts receiving. False when the address is malformed or
        /// cannot be resolved, or the server refuses or does not answer within 5 seconds.
        bool Connect(const std::string& address);
        /// Stops the threads and closes every socket, the listening one too. Observers are not told.
        void Disconnect();

        /// Writes what the system accepts now, never waiting for a slow peer: the count written
        /// (possibly less than length, or 0), or -1 when the socket is closed or unknown.
        /// Throws for NoSocket.
        int Send(long socket, const void* data, int length);
        /// Send to every client in order of joining; the total count written. Failed sends add nothing.
        int SendToAllClients(const void* data, int length);
        /// Send to every server in order of joining; the total count written. Failed sends add nothing.
        int SendToAllServers(const void* data, int length);

        /// Adding twice keeps one entry, adding null nothing; removing an absent observer does nothing. Once
        /// RemoveObserver returns the observer is not called again.
        void AddObserver(IConnectionObserver* observer);
        void RemoveObserver(IConnectionObserver* observer);

        bool IsListening() const;
        /// The open client sockets, in order of joining.
        std::vector<int> GetClients() const;
        /// The open server sockets, in order of joining.
        std::vector<int> GetServers() const;

    private:
        // Keys of the socket table; map order is the order in which the receiver serves them.
        enum Group { ServersGroup = 1, ClientsGroup = 2 };

        void StartAcceptor();
        void StartReceiver();
        void StopThreads();
        void RunAcceptor();
        void RunReceiver();
        /// Reads what is waiting on one socket; handles the end of its stream.
        void ServeSocket(int group, int socket, char* buffer);
        /// Adds an accepted or connected socket to its group and tells the observers.
        void AddSocket(int group, int socket);
        int SendToAll(int group, const void* data, int length);
        template <class Call>
        void Notify(const char* callback, Call call);

        // Lock order: groupMutex before observerMutex. Both are recursive so that a callback,
        // which runs with both held, may use the connection.
        mutable std::recursive_mutex groupMutex;
        std::map<int, std::vector<int>> sockets; // group -> sockets in order of joining (groupMutex)
        std::recursive_mutex observerMutex;
        std::set<IConnectionObserver*> observers; // observerMutex
        std::atomic<int> listeningSocket;

        std::mutex threadMutex; // guards the thread objects and stopping
        std::thread acceptor;
        std::thread receiver;
        bool stopping;
        std::atomic<bool> stopRequested;
        WakeSignal acceptorWake;
        WakeSignal receiverWake;
    };
}
