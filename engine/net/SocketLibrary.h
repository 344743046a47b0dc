#pragma once
#include <string>
#include <vector>

namespace Engine
{
    class WakeSignal;

    /// The engine's own small TCP layer over POSIX sockets, shared by every Connection in the
    /// process. Sockets are named by integer handles from a process-wide table; a handle is not
    /// handed out again while the table still holds it, and a closed handle makes later calls
    /// fail instead of touching a descriptor the system has since reused. Every socket is
    /// non-blocking and close-on-exec, and writes to a vanished peer never raise SIGPIPE.
    /// All operations may be called from any thread.
    class SocketLibrary
    {
    public:
        /// Result of a failed open, connect or accept.
        static const int InvalidSocket = -1;
        /// Reserved: never handed out, so that callers may use it to mean "no socket".
        static const int NoSocket = 259;

        // Read results other than a positive byte count.
        static const int NothingToRead = 0;
        static const int ReadClosed = -1; ///< the peer closed its end or the connection broke
        static const int ReadFailed = -2; ///< a passing failure (memory); the socket stays usable

        /// Accept result for a failure that is not "no client waiting" (out of descriptors).
        static const int AcceptFailed = -2;

        /// Counts a user of the library; Release by the last user closes every socket left open.
        static void Acquire();
        static void Release();

        /// A socket listening on every local address (IPv6 and IPv4 where the system has both)
        /// at port, or InvalidSocket when the port is out of range or in use.
        static int OpenListener(int port);
        /// A waiting client's socket, InvalidSocket when none is waiting, AcceptFailed on error.
        static int Accept(int listener);
        /// Resolves "host:port" or "[IPv6 address]:port" and connects, trying each address the
        /// name resolves to in turn and giving each at most timeoutMs. InvalidSocket on failure.
        static int Connect(const std::string& address, int timeoutMs);

        /// Reads at most size bytes: the count read, NothingToRead, ReadClosed or ReadFailed.
        static int Read(int socket, void* buffer, int size);
        /// Writes what the system accepts now without waiting: the count written (which may be
        /// less than length, or 0, when the peer does not keep up), or -1 on failure.
        static int Write(int socket, const void* data, int length);
        /// Closes the socket at once (the peer sees the end of the stream). Unknown handles are ignored.
        static void Close(int socket);

        /// Waits at most timeoutMs until a socket has something to read (data, the end of the
        /// stream or an error) or wake is raised, which also clears it. Fills ready with the
        /// readable sockets in the order given; sockets that are not open are left out.
        static void WaitReadable(const std::vector<int>& sockets, WakeSignal& wake, int timeoutMs,
                                 std::vector<int>& ready);

        /// Number of sockets currently open through the library.
        static int GetOpenCount();
    };
}
