// Loopback figures for the TCP connection facility: one-way throughput, echo round trips,
// many clients at once, and what idle connections cost.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/net/Connection.h"
#include "engine/net/IConnectionObserver.h"

namespace
{
    using Clock = std::chrono::steady_clock;

    // Counts what arrives and lets the benchmark wait for a total.
    class Counter : public Engine::IConnectionObserver
    {
    public:
        void OnServerConnect(Engine::Connection*, int) override {}
        void OnServerDisconnect(Engine::Connection*, int) override {}
        void OnClientConnect(Engine::Connection*, int) override { ++clients; }
        void OnClientDisconnect(Engine::Connection*, int) override {}
        void OnReceive(Engine::Connection* connection, int socket, const char* data, int length) override
        {
            if (echo)
                connection->Send(socket, data, length);
            std::lock_guard<std::mutex> lock(mutex);
            bytes += length;
            arrived.notify_all();
        }

        bool WaitBytes(long long total)
        {
            std::unique_lock<std::mutex> lock(mutex);
            return arrived.wait_for(lock, std::chrono::seconds(20), [&] { return bytes >= total; });
        }
        long long Bytes()
        {
            std::lock_guard<std::mutex> lock(mutex);
            return bytes;
        }

        bool echo = false;
        std::atomic<int> clients{ 0 };

    private:
        std::mutex mutex;
        std::condition_variable arrived;
        long long bytes = 0;
    };

    int FreePort()
    {
        const int fd = ::socket(AF_INET6, SOCK_STREAM, 0);
        const int off = 0;
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
        sockaddr_in6 address = {};
        address.sin6_family = AF_INET6;
        socklen_t length = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(fd);
        return ntohs(address.sin6_port);
    }

    std::string Listen(Engine::Connection& server)
    {
        for (int attempt = 0; attempt < 20; ++attempt)
        {
            const int port = FreePort();
            if (server.Listen(port))
                return "127.0.0.1:" + std::to_string(port);
        }
        return std::string();
    }

    // Send never waits: offer the rest until all is taken.
    void SendAll(Engine::Connection& connection, int socket, const char* data, int length)
    {
        int sent = 0;
        while (sent < length)
        {
            const int count = connection.Send(socket, data + sent, length - sent);
            if (count < 0)
                return;
            sent += count;
            if (count == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }

    double CpuSeconds()
    {
        rusage usage;
        ::getrusage(RUSAGE_SELF, &usage);
        return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
}

// One client streams to the server, which reads 128 bytes at a time.
static void BM_Throughput(benchmark::State& state)
{
    Engine::Connection server, client;
    Counter counter;
    server.AddObserver(&counter);
    const std::string address = Listen(server);
    if (address.empty() || !client.Connect(address))
    {
        state.SkipWithError("no connection");
        return;
    }
    const int socket = client.GetServers()[0];
    const std::string block(1 << 20, 'x');
    long long expected = 0;
    for (auto _ : state)
    {
        SendAll(client, socket, block.data(), static_cast<int>(block.size()));
        expected += static_cast<long long>(block.size());
        if (!counter.WaitBytes(expected))
        {
            state.SkipWithError("data did not arrive");
            return;
        }
    }
    state.SetBytesProcessed(expected);
}
BENCHMARK(BM_Throughput)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// A 64-byte message to a server that echoes it from inside OnReceive, and back.
static void BM_EchoRoundTrip(benchmark::State& state)
{
    Engine::Connection server, client;
    Counter serverSide, clientSide;
    serverSide.echo = true;
    server.AddObserver(&serverSide);
    client.AddObserver(&clientSide);
    const std::string address = Listen(server);
    if (address.empty() || !client.Connect(address))
    {
        state.SkipWithError("no connection");
        return;
    }
    const int socket = client.GetServers()[0];
    const std::string message(64, 'm');
    std::vector<double> samples;
    long long expected = 0;
    for (auto _ : state)
    {
        const auto start = Clock::now();
        SendAll(client, socket, message.data(), 64);
        expected += 64;
        if (!clientSide.WaitBytes(expected))
        {
            state.SkipWithError("no echo");
            return;
        }
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(samples.begin(), samples.end());
    state.counters["median_us"] = samples[samples.size() / 2];
    state.counters["p99_us"] = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
}
BENCHMARK(BM_EchoRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(20000);

// 100 clients each send a 64-byte message per round; the server's one receiver serves them all.
static void BM_HundredClients(benchmark::State& state)
{
    const int clients = 100, senders = 4;
    Engine::Connection server;
    Counter counter;
    server.AddObserver(&counter);
    const std::string address = Listen(server);
    std::vector<std::unique_ptr<Engine::Connection>> peers;
    for (int i = 0; i < clients; ++i)
    {
        peers.push_back(std::make_unique<Engine::Connection>());
        if (address.empty() || !peers.back()->Connect(address))
        {
            state.SkipWithError("no connection");
            return;
        }
    }
    while (counter.clients < clients)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    const std::string message(64, 'c');
    const int rounds = 10;
    long long expected = 0;
    for (auto _ : state)
    {
        // Several threads send at once, each for its share of the clients.
        std::vector<std::thread> threads;
        for (int t = 0; t < senders; ++t)
            threads.emplace_back([&, t] {
                for (int round = 0; round < rounds; ++round)
                    for (int i = t; i < clients; i += senders)
                        SendAll(*peers[i], peers[i]->GetServers()[0], message.data(), 64);
            });
        for (auto& thread : threads)
            thread.join();
        expected += 64LL * clients * rounds;
        if (!counter.WaitBytes(expected))
        {
            state.SkipWithError("data did not arrive");
            return;
        }
    }
    state.SetItemsProcessed(expected / 64);

    // Then nobody sends: what do 101 connections (102 background threads) cost while idle?
    const double cpuBefore = CpuSeconds();
    const auto wallBefore = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    state.counters["idle_cpu_percent"] = 100.0 * (CpuSeconds() - cpuBefore) / wall;
}
BENCHMARK(BM_HundredClients)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

BENCHMARK_MAIN();
