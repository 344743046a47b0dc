#include "engine/net/SocketLibrary.h"
#include "engine/net/WakeSignal.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Engine
{
    namespace
    {
        // Owns one descriptor. The table holds it while the handle is open; an operation in
        // progress on another thread holds it too, so the descriptor cannot be closed (and its
        // number reused by the system) underneath that operation.
        struct Descriptor
        {
            explicit Descriptor(int fd) : fd(fd) {}
            ~Descriptor() { ::close(fd); }
            Descriptor(const Descriptor&) = delete;
            Descriptor& operator=(const Descriptor&) = delete;
            const int fd;
        };
        typedef std::shared_ptr<Descriptor> DescriptorPtr;

        struct Table
        {
            std::mutex mutex;
            std::unordered_map<int, DescriptorPtr> sockets;
            int lastHandle = 0;
            int users = 0;
        };

        // Never destroyed: background threads of connections that live in static objects may
        // still use it while the process exits.
        Table& GetTable()
        {
            static Table* table = new Table;
            return *table;
        }

        int AddDescriptor(int fd)
        {
            Table& table = GetTable();
            auto descriptor = std::make_shared<Descriptor>(fd);
            std::lock_guard<std::mutex> lock(table.mutex);
            int handle = table.lastHandle;
            do
            {
                handle = handle == INT_MAX ? 1 : handle + 1;
            } while (handle == SocketLibrary::NoSocket || table.sockets.count(handle));
            table.lastHandle = handle;
            table.sockets.emplace(handle, std::move(descriptor));
            return handle;
        }

        DescriptorPtr FindDescriptor(int handle)
        {
            Table& table = GetTable();
            std::lock_guard<std::mutex> lock(table.mutex);
            auto it = table.sockets.find(handle);
            return it == table.sockets.end() ? DescriptorPtr() : it->second;
        }

        void SetNoDelay(int fd)
        {
            // Game traffic is small messages that should leave at once.
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        }

        int OpenBoundListener(int family, int port)
        {
            const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (fd < 0)
                return -1;
            const int on = 1, off = 0;
            // Lets a server listen again at once after a restart (old connections in TIME_WAIT);
            // a port that another socket listens on is still refused.
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            int result;
            if (family == AF_INET6)
            {
                ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
                sockaddr_in6 address = {};
                address.sin6_family = AF_INET6;
                address.sin6_addr = in6addr_any;
                address.sin6_port = htons(static_cast<uint16_t>(port));
                result = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            }
            else
            {
                sockaddr_in address = {};
                address.sin_family = AF_INET;
                address.sin_addr.s_addr = htonl(INADDR_ANY);
                address.sin_port = htons(static_cast<uint16_t>(port));
                result = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            }
            if (result != 0 || ::listen(fd, SOMAXCONN) != 0)
            {
                const int error = errno;
                ::close(fd);
                errno = error;
                return -1;
            }
            return fd;
        }

        // Splits "host:port" or "[host]:port". The port must be a number from 1 to 65535; a
        // bare IPv6 address is refused since its last group cannot be told from a port.
        bool SplitAddress(const std::string& text, std::string& host, std::string& port)
        {
            std::string::size_type colon;
            if (!text.empty() && text[0] == '[')
            {
                const std::string::size_type close = text.find(']');
                if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
                    return false;
                host = text.substr(1, close - 1);
                colon = close + 1;
            }
            else
            {
                colon = text.rfind(':');
                if (colon == std::string::npos)
                    return false;
                host = text.substr(0, colon);
                if (host.find(':') != std::string::npos)
                    return false;
            }
            port = text.substr(colon + 1);
            if (host.empty() || host.find('\0') != std::string::npos || port.empty() || port.size() > 5 ||
                port.find_first_not_of("0123456789") != std::string::npos)
                return false;
            const int number = std::stoi(port);
            return number >= 1 && number <= 65535;
        }

        // A non-blocking connect that waits for its outcome at most timeoutMs.
        int ConnectDescriptor(const addrinfo& address, int timeoutMs)
        {
            const int fd = ::socket(address.ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (fd < 0)
                return -1;
            if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0)
                return fd;
            if (errno == EINPROGRESS || errno == EINTR)
            {
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
                for (;;)
                {
                    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now()).count();
                    if (left < 0)
                        break;
                    pollfd entry = { fd, POLLOUT, 0 };
                    const int ready = ::poll(&entry, 1, static_cast<int>(left));
                    if (ready < 0 && errno == EINTR)
                        continue;
                    if (ready <= 0)
                        break;
                    int error = 0;
                    socklen_t length = sizeof error;
                    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
                        return fd;
                    break;
                }
            }
            ::close(fd);
            return -1;
        }
    }

    void SocketLibrary::Acquire()
    {
        Table& table = GetTable();
        std::lock_guard<std::mutex> lock(table.mutex);
        ++table.users;
    }

    void SocketLibrary::Release()
    {
        Table& table = GetTable();
        std::unordered_map<int, DescriptorPtr> left;
        {
            std::lock_guard<std::mutex> lock(table.mutex);
            if (table.users == 0 || --table.users > 0)
                return;
            left.swap(table.sockets);
        }
        for (auto& entry : left)
            ::shutdown(entry.second->fd, SHUT_RDWR);
    }

    int SocketLibrary::OpenListener(int port)
    {
        if (port < 0 || port > 65535)
            return InvalidSocket;
        int fd = OpenBoundListener(AF_INET6, port);
        if (fd < 0 && (errno == EAFNOSUPPORT || errno == EADDRNOTAVAIL))
            fd = OpenBoundListener(AF_INET, port); // a system without IPv6
        return fd < 0 ? InvalidSocket : AddDescriptor(fd);
    }

    int SocketLibrary::Accept(int listener)
    {
        DescriptorPtr descriptor = FindDescriptor(listener);
        if (!descriptor)
            return AcceptFailed;
        for (;;)
        {
            const int fd = ::accept4(descriptor->fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0)
            {
                SetNoDelay(fd);
                return AddDescriptor(fd);
            }
            switch (errno)
            {
            case EINTR:
                continue;
            case EAGAIN:
#if EWOULDBLOCK != EAGAIN
            case EWOULDBLOCK:
#endif
                return InvalidSocket;
            case ECONNABORTED: // the client gave up before we took it: look at the next one
            case EPROTO:
                continue;
            default:
                return AcceptFailed;
            }
        }
    }

    int SocketLibrary::Connect(const std::string& address, int timeoutMs)
    {
        std::string host, port;
        if (!SplitAddress(address, host, port))
            return InvalidSocket;
        addrinfo hints = {};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_NUMERICSERV;
        addrinfo* found = nullptr;
        if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0)
            return InvalidSocket;
        int fd = -1;
        for (const addrinfo* candidate = found; candidate && fd < 0; candidate = candidate->ai_next)
            fd = ConnectDescriptor(*candidate, timeoutMs);
        ::freeaddrinfo(found);
        if (fd < 0)
            return InvalidSocket;
        SetNoDelay(fd);
        return AddDescriptor(fd);
    }

    int SocketLibrary::Read(int socket, void* buffer, int size)
    {
        if (!buffer || size <= 0)
            return ReadFailed;
        DescriptorPtr descriptor = FindDescriptor(socket);
        if (!descriptor)
            return ReadClosed;
        for (;;)
        {
            const ssize_t count = ::recv(descriptor->fd, buffer, static_cast<size_t>(size), 0);
            if (count > 0)
                return static_cast<int>(count);
            if (count == 0)
                return ReadClosed;
            switch (errno)
            {
            case EINTR:
                continue;
            case EAGAIN:
#if EWOULDBLOCK != EAGAIN
            case EWOULDBLOCK:
#endif
                return NothingToRead;
            case ENOMEM:
            case ENOBUFS:
                return ReadFailed;
            default: // reset, timed out, unreachable: the connection is gone
                return ReadClosed;
            }
        }
    }

    int SocketLibrary::Write(int socket, const void* data, int length)
    {
        if (length < 0 || (!data && length > 0))
            return -1;
        DescriptorPtr descriptor = FindDescriptor(socket);
        if (!descriptor)
            return -1;
        if (length == 0)
            return 0;
        for (;;)
        {
            const ssize_t count = ::send(descriptor->fd, data, static_cast<size_t>(length), MSG_NOSIGNAL);
            if (count >= 0)
                return static_cast<int>(count);
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return 0;
            return -1;
        }
    }

    void SocketLibrary::Close(int socket)
    {
        Table& table = GetTable();
        DescriptorPtr descriptor;
        {
            std::lock_guard<std::mutex> lock(table.mutex);
            auto it = table.sockets.find(socket);
            if (it == table.sockets.end())
                return;
            descriptor = std::move(it->second);
            table.sockets.erase(it);
        }
        // Ends the stream now even when another thread still holds the descriptor; the
        // descriptor itself is closed when the last holder lets go.
        ::shutdown(descriptor->fd, SHUT_RDWR);
    }

    void SocketLibrary::WaitReadable(const std::vector<int>& sockets, WakeSignal& wake, int timeoutMs,
                                     std::vector<int>& ready)
    {
        ready.clear();
        std::vector<DescriptorPtr> held;
        std::vector<int> handles;
        std::vector<pollfd> entries;
        held.reserve(sockets.size());
        handles.reserve(sockets.size());
        entries.reserve(sockets.size() + 1);
        entries.push_back({ wake.GetDescriptor(), POLLIN, 0 });
        {
            Table& table = GetTable();
            std::lock_guard<std::mutex> lock(table.mutex);
            for (int handle : sockets)
            {
                auto it = table.sockets.find(handle);
                if (it == table.sockets.end())
                    continue;
                held.push_back(it->second);
                handles.push_back(handle);
                entries.push_back({ it->second->fd, POLLIN, 0 });
            }
        }
        if (::poll(entries.data(), entries.size(), timeoutMs) <= 0)
            return;
        if (entries[0].revents)
            wake.Clear();
        for (size_t i = 1; i < entries.size(); ++i)
            if (entries[i].revents & (POLLIN | POLLHUP | POLLERR | POLLRDHUP))
                ready.push_back(handles[i - 1]);
    }

    int SocketLibrary::GetOpenCount()
    {
        Table& table = GetTable();
        std::lock_guard<std::mutex> lock(table.mutex);
        return static_cast<int>(table.sockets.size());
    }
}
