// Lost peers, Disconnect, destruction with threads at work, and descriptors over many
// connections.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>

#include "NetTestSupport.h"
#include "engine/core/Exception.h"
#include "engine/net/Connection.h"
#include "engine/net/SocketLibrary.h"
#include "tests/support/LogCapture.h"

using Engine::Connection;
using Test::Recorder;

namespace
{
    const int Cycles = 10000;

    void Settle()
    {
        // Long enough for a wrongly repeated callback to show up.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
}

TEST(Disconnects, AClosingClientGivesExactlyOneClientDisconnectAndLeavesTheTable)
{
    Recorder calls; // observers outlive the connections they watch
    Connection server;
    server.AddObserver(&calls);
    const int port = ::Test::ListenOnFreePort(server);
    const int stays = ::Test::RawConnect(port);
    const int leaves = ::Test::RawConnect(port, ::Test::HasIPv6Loopback());
    ASSERT_TRUE(stays >= 0 && leaves >= 0);
    ASSERT_TRUE(calls.WaitCount(Recorder::ClientConnect, 2));
    ASSERT_EQ(2u, server.GetClients().size());

    // The last bytes before the close still arrive, then the loss.
    ::Test::RawSendAll(leaves, "bye");
    ::close(leaves);
    ASSERT_TRUE(calls.WaitCount(Recorder::ClientDisconnect, 1));
    Settle();
    EXPECT_EQ(1, calls.Count(Recorder::ClientDisconnect));
    EXPECT_EQ(0, calls.Count(Recorder::ServerDisconnect));
    const int gone = calls.Sockets(Recorder::ClientDisconnect)[0];
    EXPECT_EQ("bye", calls.Received(gone));
    const std::vector<Recorder::Call> all = calls.Calls();
    EXPECT_EQ(Recorder::ClientDisconnect, all.back().kind);

    const std::vector<int> left = server.GetClients();
    ASSERT_EQ(1u, left.size());
    EXPECT_NE(gone, left[0]);
    EXPECT_EQ(-1, server.Send(gone, "x", 1));      // closed in the library too
    EXPECT_EQ(2, server.SendToAllClients("hi", 2)); // only the one that stays
    EXPECT_EQ("hi", ::Test::RawReceive(stays, 2));
    ::close(stays);
    EXPECT_TRUE(calls.WaitCount(Recorder::ClientDisconnect, 2));
}

TEST(Disconnects, ALostServerGivesExactlyOneServerDisconnect)
{
    Recorder calls;
    Connection client;
    client.AddObserver(&calls);
    {
        Connection server;
        const int port = ::Test::ListenOnFreePort(server);
        ASSERT_TRUE(client.Connect("127.0.0.1:" + std::to_string(port)));
        ASSERT_TRUE(client.Connect("127.0.0.1:" + std::to_string(port)));
        ASSERT_TRUE(::Test::Eventually([&] { return server.GetClients().size() == 2; }));
    } // destroyed: both of the client's sockets lose their server
    ASSERT_TRUE(calls.WaitCount(Recorder::ServerDisconnect, 2));
    Settle();
    EXPECT_EQ(2, calls.Count(Recorder::ServerDisconnect));
    EXPECT_EQ(0, calls.Count(Recorder::ClientDisconnect));
    EXPECT_EQ(calls.Sockets(Recorder::ServerConnect), calls.Sockets(Recorder::ServerDisconnect));
    EXPECT_TRUE(client.GetServers().empty());
}

TEST(Disconnects, PeersThatCloseAtOnceAreConnectedThenLostEachExactlyOnce)
{
    Recorder calls; // observers outlive the connections they watch
    Connection server;
    server.AddObserver(&calls);
    const int port = ::Test::ListenOnFreePort(server);
    const int peers = 50;
    for (int i = 0; i < peers; ++i)
    {
        const int fd = ::Test::RawConnect(port);
        ASSERT_GE(fd, 0);
        if (i % 2)
            ::Test::RawSendAll(fd, ::Test::RandomBytes(1000, static_cast<unsigned>(i)));
        ::close(fd);
    }
    ASSERT_TRUE(calls.WaitCount(Recorder::ClientDisconnect, peers));
    Settle();
    EXPECT_EQ(peers, calls.Count(Recorder::ClientConnect));
    EXPECT_EQ(peers, calls.Count(Recorder::ClientDisconnect));
    // For every socket: its connect comes first and its disconnect is its last call.
    std::map<int, std::vector<Recorder::Kind>> history;
    for (const Recorder::Call& call : calls.Calls())
        history[call.socket].push_back(call.kind);
    EXPECT_EQ(static_cast<size_t>(peers), history.size());
    for (const auto& entry : history)
    {
        EXPECT_EQ(Recorder::ClientConnect, entry.second.front());
        EXPECT_EQ(Recorder::ClientDisconnect, entry.second.back());
    }
    EXPECT_TRUE(server.GetClients().empty());
}

TEST(Disconnects, DisconnectClosesEverythingWithoutTellingObservers)
{
    Recorder serverCalls, clientCalls;
    Connection server, client;
    server.AddObserver(&serverCalls);
    client.AddObserver(&clientCalls);
    const int port = ::Test::ListenOnFreePort(server);
    ASSERT_TRUE(client.Connect("127.0.0.1:" + std::to_string(port)));
    ASSERT_TRUE(serverCalls.WaitCount(Recorder::ClientConnect, 1));

    client.Disconnect();
    EXPECT_TRUE(client.GetServers().empty());
    ASSERT_TRUE(serverCalls.WaitCount(Recorder::ClientDisconnect, 1)); // the other side notices
    server.Disconnect();
    server.Disconnect(); // twice: nothing more
    EXPECT_FALSE(server.IsListening());
    Settle();
    EXPECT_EQ(0, clientCalls.Count(Recorder::ServerDisconnect));
    EXPECT_EQ(1, serverCalls.Count(Recorder::ClientDisconnect));
}

namespace
{
    // Tries to disconnect its own connection from inside a callback.
    struct Quitter : Recorder
    {
        std::atomic<bool> refused{ false };
        void OnReceive(Engine::Connection* connection, int socket, const char* data, int length) override
        {
            Recorder::OnReceive(connection, socket, data, length);
            try
            {
                connection->Disconnect();
            }
            catch (const Engine::Exception&)
            {
                refused = true;
            }
        }
    };
}

TEST(Disconnects, DisconnectFromInsideACallbackIsRefusedAndTheConnectionGoesOn)
{
    ::Test::LogCapture log;
    Quitter quitter;
    Connection server, client;
    server.AddObserver(&quitter);
    const int port = ::Test::ListenOnFreePort(server);
    ASSERT_TRUE(client.Connect("127.0.0.1:" + std::to_string(port)));
    ASSERT_TRUE(quitter.WaitCount(Recorder::ClientConnect, 1));
    EXPECT_EQ(1, client.SendToAllServers("a", 1));
    ASSERT_TRUE(quitter.WaitCount(Recorder::Receive, 1));
    EXPECT_TRUE(::Test::Eventually([&] { return quitter.refused.load(); }));
    EXPECT_TRUE(log.Has("Error in Engine::Connection::Disconnect(). Can't disconnect from inside an observer callback",
                        Ogre::LML_CRITICAL));
    EXPECT_TRUE(server.IsListening());
    EXPECT_EQ(1, client.SendToAllServers("b", 1));
    EXPECT_TRUE(quitter.WaitCount(Recorder::Receive, 2));
}

namespace
{
    // Keeps the receiver busy inside a callback for a while.
    struct Sluggard : Recorder
    {
        void OnReceive(Engine::Connection* connection, int socket, const char* data, int length) override
        {
            Recorder::OnReceive(connection, socket, data, length);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    };
}

TEST(Destruction, ConnectionsDieWithClientsAttachedAndThreadsAtWork)
{
    const int descriptors = ::Test::CountDescriptors();
    for (int round = 0; round < 10; ++round)
    {
        Sluggard serverCalls;
        Recorder clientCalls[4];
        std::vector<std::unique_ptr<Connection>> clients;
        auto server = std::make_unique<Connection>();
        server->AddObserver(&serverCalls);
        const int port = ::Test::ListenOnFreePort(*server);
        for (int i = 0; i < 4; ++i)
        {
            clients.push_back(std::make_unique<Connection>());
            clients.back()->AddObserver(&clientCalls[i]);
            ASSERT_TRUE(clients.back()->Connect("127.0.0.1:" + std::to_string(port)));
        }
        // Senders on other threads keep all threads busy while the server goes away.
        std::atomic<bool> run{ true };
        std::vector<std::thread> senders;
        for (auto& client : clients)
            senders.emplace_back([&run, connection = client.get()] {
                const std::string data(300, 'd');
                while (run)
                {
                    connection->SendToAllServers(data.data(), static_cast<int>(data.size()));
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                }
            });
        ASSERT_TRUE(serverCalls.WaitCount(Recorder::Receive, 5));
        server.reset(); // in the middle of callbacks, with four clients attached
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(clientCalls[i].WaitCount(Recorder::ServerDisconnect, 1));
        // The clients' own threads still run when they go at the end of the round (another
        // thread using an object while it is destroyed would be the caller's fault).
        run = false;
        for (auto& sender : senders)
            sender.join();
    }
    EXPECT_EQ(0, Engine::SocketLibrary::GetOpenCount());
    EXPECT_TRUE(::Test::Eventually([&] { return ::Test::CountDescriptors() <= descriptors; }));
}

TEST(Destruction, ManyConnectionsComeAndGoInOneProcess)
{
    Recorder calls;
    Connection server;
    const int descriptors = ::Test::CountDescriptors();
    server.AddObserver(&calls);
    const int port = ::Test::ListenOnFreePort(server);
    for (int i = 0; i < 100; ++i)
    {
        Recorder clientCalls;
        Connection client;
        client.AddObserver(&clientCalls);
        ASSERT_TRUE(client.Connect("127.0.0.1:" + std::to_string(port)));
        if (i % 3 == 0)
        {
            ASSERT_TRUE(calls.WaitCount(Recorder::ClientConnect, i + 1));
            server.SendToAllClients("x", 1);
            EXPECT_TRUE(clientCalls.WaitCount(Recorder::Receive, 1));
        }
        if (i % 5 == 0)
            client.Accept(); // an idle acceptor thread that must stop too
    }
    ASSERT_TRUE(calls.WaitCount(Recorder::ClientDisconnect, 100));
    server.Disconnect();
    EXPECT_EQ(0, Engine::SocketLibrary::GetOpenCount());
    EXPECT_TRUE(::Test::Eventually([&] { return ::Test::CountDescriptors() <= descriptors; }));
}

TEST(Destruction, QuickConnectCloseCyclesLeakNothing)
{
    Recorder calls; // observers outlive the connections they watch
    Connection server;
    server.AddObserver(&calls);
    const int port = ::Test::ListenOnFreePort(server);
    Connection client;
    const int descriptors = ::Test::CountDescriptors();
    const int open = Engine::SocketLibrary::GetOpenCount();
    const std::string address = "127.0.0.1:" + std::to_string(port);

    for (int i = 0; i < Cycles; ++i)
    {
        ASSERT_TRUE(client.Connect(address)) << "cycle " << i;
        client.Disconnect();
    }
    ASSERT_TRUE(calls.WaitCount(Recorder::ClientDisconnect, Cycles));
    EXPECT_EQ(Cycles, calls.Count(Recorder::ClientConnect));
    EXPECT_TRUE(server.GetClients().empty());
    EXPECT_EQ(open, Engine::SocketLibrary::GetOpenCount());
    EXPECT_TRUE(::Test::Eventually([&] { return ::Test::CountDescriptors() <= descriptors; }));
}
