#include "NetTestSupport.h"

#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "engine/net/Connection.h"

namespace Test
{
    namespace
    {
        const auto WaitLimit = std::chrono::seconds(10);
    }

    void Recorder::Add(Call call)
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back(std::move(call));
        changed.notify_all();
    }

    bool Recorder::Wait(const std::function<bool ()>& done) const
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, WaitLimit, done);
    }

    std::vector<Recorder::Call> Recorder::Calls() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return calls;
    }

    int Recorder::Count(Kind kind) const
    {
        return static_cast<int>(Sockets(kind).size());
    }

    std::vector<int> Recorder::Sockets(Kind kind) const
    {
        std::vector<int> result;
        for (const Call& call : Calls())
            if (call.kind == kind)
                result.push_back(call.socket);
        return result;
    }

    std::string Recorder::Received(int socket) const
    {
        std::string result;
        for (const Call& call : Calls())
            if (call.kind == Receive && call.socket == socket)
                result += call.data;
        return result;
    }

    std::vector<int> Recorder::Chunks(int socket) const
    {
        std::vector<int> result;
        for (const Call& call : Calls())
            if (call.kind == Receive && call.socket == socket)
                result.push_back(static_cast<int>(call.data.size()));
        return result;
    }

    bool Recorder::WaitCount(Kind kind, int count) const
    {
        return Wait([&] {
            int found = 0;
            for (const Call& call : calls)
                found += call.kind == kind;
            return found >= count;
        });
    }

    bool Recorder::WaitReceived(int socket, size_t size) const
    {
        return Wait([&] {
            size_t found = 0;
            for (const Call& call : calls)
                if (call.kind == Receive && call.socket == socket)
                    found += call.data.size();
            return found >= size;
        });
    }

    int FreePort()
    {
        // Bind to port 0 on every address (IPv6 with IPv4 mapped, or IPv4 only) and ask
        // which port the system chose; the socket is closed again before use.
        int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
        int port = 0;
        if (fd >= 0)
        {
            const int off = 0;
            ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
            sockaddr_in6 address = {};
            address.sin6_family = AF_INET6;
            address.sin6_addr = in6addr_any;
            socklen_t length = sizeof address;
            if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
                port = ntohs(address.sin6_port);
            ::close(fd);
            if (port)
                return port;
        }
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        socklen_t length = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        ::close(fd);
        return port;
    }

    int ListenOnFreePort(Engine::Connection& connection)
    {
        for (int attempt = 0; attempt < 20; ++attempt)
        {
            const int port = FreePort();
            if (port && connection.Listen(port))
                return port;
        }
        ADD_FAILURE() << "no free port to listen on";
        return 0;
    }

    int CountDescriptors()
    {
        int count = 0;
        if (DIR* dir = ::opendir("/proc/self/fd"))
        {
            while (const dirent* entry = ::readdir(dir))
                count += entry->d_name[0] != '.';
            ::closedir(dir);
        }
        return count - 1; // the directory itself
    }

    bool HasIPv6Loopback()
    {
        const int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
        if (fd < 0)
            return false;
        sockaddr_in6 address = {};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return ok;
    }

    int RawConnect(int port, bool ipv6)
    {
        const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int result;
        if (ipv6)
        {
            sockaddr_in6 address = {};
            address.sin6_family = AF_INET6;
            address.sin6_addr = in6addr_loopback;
            address.sin6_port = htons(static_cast<uint16_t>(port));
            result = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
        else
        {
            sockaddr_in address = {};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(static_cast<uint16_t>(port));
            result = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
        if (result != 0)
        {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    void RawSendAll(int fd, const std::string& data)
    {
        size_t sent = 0;
        while (sent < data.size())
        {
            const ssize_t count = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            ASSERT_GT(count, 0);
            sent += static_cast<size_t>(count);
        }
    }

    std::string RawReceive(int fd, size_t size)
    {
        std::string result;
        const auto deadline = std::chrono::steady_clock::now() + WaitLimit;
        char buffer[4096];
        while (result.size() < size && std::chrono::steady_clock::now() < deadline)
        {
            pollfd entry = { fd, POLLIN, 0 };
            if (::poll(&entry, 1, 100) <= 0)
                continue;
            const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
            if (count <= 0)
                break;
            result.append(buffer, static_cast<size_t>(count));
        }
        return result;
    }

    std::string RandomBytes(size_t size, unsigned seed)
    {
        std::mt19937 random(seed);
        std::string result(size, '\0');
        for (char& byte : result)
            byte = static_cast<char>(random() & 0xff);
        return result;
    }

    bool Eventually(const std::function<bool ()>& condition)
    {
        const auto deadline = std::chrono::steady_clock::now() + WaitLimit;
        while (!condition())
        {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
}
