#pragma once

namespace Engine
{
    class Connection;

    /// Told about everything that happens on a Connection's sockets. Registered with
    /// Connection::AddObserver (not owned). Calls arrive on the connection's background threads
    /// (OnServerConnect on the thread that called Connect) while the connection holds its locks,
    /// so they should return quickly.
    class IConnectionObserver
    {
    public:
        virtual ~IConnectionObserver() = default;

        /// An outgoing connection to a server was made.
        virtual void OnServerConnect(Connection* connection, int socket) = 0;
        /// A server socket was lost (the server closed it or the connection broke).
        virtual void OnServerDisconnect(Connection* connection, int socket) = 0;
        /// A client was accepted.
        virtual void OnClientConnect(Connection* connection, int socket) = 0;
        /// A client socket was lost.
        virtual void OnClientDisconnect(Connection* connection, int socket) = 0;
        /// A chunk of at most 128 bytes arrived; chunks of one socket arrive in stream order.
        /// The data is valid only during the call.
        virtual void OnReceive(Connection* connection, int socket, const char* data, int length) = 0;
    };
}
