#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/net/IConnectionObserver.h"

namespace Engine { class Connection; }

namespace Test
{
    /// Records every callback of the connections it observes, for tests to wait on and check.
    class Recorder : public Engine::IConnectionObserver
    {
    public:
        enum Kind { ServerConnect, ServerDisconnect, ClientConnect, ClientDisconnect, Receive };
        struct Call
        {
            Kind kind;
            int socket;
            std::string data;
        };

        void OnServerConnect(Engine::Connection*, int socket) override { Add({ ServerConnect, socket, "" }); }
        void OnServerDisconnect(Engine::Connection*, int socket) override { Add({ ServerDisconnect, socket, "" }); }
        void OnClientConnect(Engine::Connection*, int socket) override { Add({ ClientConnect, socket, "" }); }
        void OnClientDisconnect(Engine::Connection*, int socket) override { Add({ ClientDisconnect, socket, "" }); }
        void OnReceive(Engine::Connection*, int socket, const char* data, int length) override
        {
            Add({ Receive, socket, std::string(data, static_cast<size_t>(length)) });
        }

        std::vector<Call> Calls() const;
        int Count(Kind kind) const;
        /// Sockets of the calls of one kind, in order.
        std::vector<int> Sockets(Kind kind) const;
        /// Everything received on a socket, joined.
        std::string Received(int socket) const;
        /// Sizes of the chunks received on a socket, in order.
        std::vector<int> Chunks(int socket) const;
        /// Waits (at most 10 s) until there are at least count calls of the kind.
        bool WaitCount(Kind kind, int count) const;
        /// Waits (at most 10 s) until at least size bytes arrived on the socket.
        bool WaitReceived(int socket, size_t size) const;

    private:
        void Add(Call call);
        bool Wait(const std::function<bool ()>& done) const;

        mutable std::mutex mutex;
        mutable std::condition_variable changed;
        std::vector<Call> calls;
    };

    /// Listens on a port the system reports free (retrying when another process takes it
    /// first) and returns it.
    int ListenOnFreePort(Engine::Connection& connection);
    /// A port nobody listens on right now.
    int FreePort();
    /// Number of descriptors this process has open.
    int CountDescriptors();
    /// True when this system can connect to ::1.
    bool HasIPv6Loopback();

    /// A plain blocking client socket connected to the loopback address, -1 on failure.
    int RawConnect(int port, bool ipv6 = false);
    /// Sends everything or fails the test.
    void RawSendAll(int fd, const std::string& data);
    /// Reads until size bytes arrived or 10 s passed.
    std::string RawReceive(int fd, size_t size);

    /// Random bytes from a fixed seed.
    std::string RandomBytes(size_t size, unsigned seed);

    /// Polls a condition every millisecond for at most 10 s.
    bool Eventually(const std::function<bool ()>& condition);
}
