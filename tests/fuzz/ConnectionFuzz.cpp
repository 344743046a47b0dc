// Bytes arriving on a connection: whatever a peer sends reaches the observers whole, in order
// and in chunks of at most ReadSize bytes.
#include "tests/fuzz/Fuzz.h"
#include "engine/net/Connection.h"
#include "engine/net/IConnectionObserver.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>

namespace
{
    class Collector : public Engine::IConnectionObserver
    {
    public:
        void OnServerConnect(Engine::Connection*, int) override {}
        void OnServerDisconnect(Engine::Connection*, int) override {}
        void OnClientConnect(Engine::Connection*, int) override { Notify([this] { ++clients; }); }
        void OnClientDisconnect(Engine::Connection*, int) override {}
        void OnReceive(Engine::Connection*, int, const char* data, int length) override
        {
            if (length <= 0 || length > Engine::Connection::ReadSize)
                Fuzz::Fail("a chunk of " + std::to_string(length) + " bytes was delivered");
            Notify([&] { received.append(data, static_cast<std::size_t>(length)); });
        }

        // Waits (at most 10 s) until the predicate holds, then runs `then` under the lock.
        template <class Done, class Then>
        bool WaitFor(Done done, Then then)
        {
            std::unique_lock<std::mutex> lock(mutex);
            const bool ok = changed.wait_for(lock, std::chrono::seconds(10), [&] { return done(); });
            then();
            return ok;
        }

        int clients = 0;
        std::string received;

    private:
        template <class Change>
        void Notify(Change change)
        {
            {
                std::lock_guard<std::mutex> lock(mutex);
                change();
            }
            changed.notify_all();
        }

        std::mutex mutex;
        std::condition_variable changed;
    };

    // Both ends live until the process ends: the connection's threads serve it that long.
    Engine::Connection* server = nullptr;
    Engine::Connection* client = nullptr;
    Collector* collector = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    server = new Engine::Connection;
    client = new Engine::Connection;
    collector = new Collector;
    server->AddObserver(collector);
    std::mt19937 random(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    int port = 0;
    for (int attempt = 0; attempt < 50 && !port; ++attempt)
    {
        const int candidate = 20000 + static_cast<int>(random() % 30000);
        if (server->Listen(candidate))
            port = candidate;
    }
    if (!port || !client->Connect("127.0.0.1:" + std::to_string(port)))
        Fuzz::Fail("no local connection could be made");
    if (!collector->WaitFor([] { return collector->clients == 1; }, [] {}))
        Fuzz::Fail("the server never accepted its client");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int length = static_cast<int>(std::min<std::size_t>(size, 1 << 20));
    // The socket does not block: a full send buffer takes nothing until the receiver reads.
    int sent = 0, idle = 0;
    while (sent < length)
    {
        const int n = client->SendToAllServers(data + sent, length - sent);
        if (n <= 0 && ++idle > 5000)
            Fuzz::Fail("sending to the local server failed");
        if (n <= 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sent += std::max(0, n);
    }
    std::string got;
    const bool arrived = collector->WaitFor([&] { return collector->received.size() >= static_cast<std::size_t>(length); },
                                            [&] { got.swap(collector->received); });
    if (!arrived || got != std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length)))
        Fuzz::Fail("sent " + std::to_string(length) + " bytes, received " + std::to_string(got.size()) +
                   (arrived ? " different ones" : " before the time-out"));
    return 0;
}
