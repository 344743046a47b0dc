// Moving bytes: chunking, order, integrity, send results, and using the connection from
// inside its own callbacks.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "NetTestSupport.h"
#include "engine/core/Exception.h"
#include "engine/net/Connection.h"
#include "tests/support/LogCapture.h"

using Engine::Connection;
using Test::Recorder;

namespace
{
    // A server with one connected client, both observed.
    struct Pair
    {
        Pair()
        {
            server.AddObserver(&serverCalls);
            client.AddObserver(&clientCalls);
            port = ::Test::ListenOnFreePort(server);
            EXPECT_TRUE(client.Connect("127.0.0.1:" + std::to_string(port)));
            EXPECT_TRUE(serverCalls.WaitCount(Recorder::ClientConnect, 1));
            clientSocket = serverCalls.Sockets(Recorder::ClientConnect).at(0);
            serverSocket = client.GetServers().at(0);
        }

        Recorder serverCalls, clientCalls;
        Connection server, client; // destroyed before the recorders
        int port = 0;
        int clientSocket = -1; // the client as the server sees it
        int serverSocket = -1; // the server as the client sees it
    };
}

TEST(Transfer, ThreeHundredBytesArriveAs128And128And44InOrderToEveryObserver)
{
    Recorder first, second;
    Connection server;
    server.AddObserver(&first);
    server.AddObserver(&second);
    server.AddObserver(&first); // kept once
    const int port = ::Test::ListenOnFreePort(server);
    const int fd = ::Test::RawConnect(port);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(first.WaitCount(Recorder::ClientConnect, 1));
    const int socket = first.Sockets(Recorder::ClientConnect)[0];

    // One write: on loopback the 300 bytes land in the receive buffer together.
    const std::string data = ::Test::RandomBytes(300, 1);
    ::Test::RawSendAll(fd, data);
    ASSERT_TRUE(first.WaitReceived(socket, 300));
    ASSERT_TRUE(second.WaitReceived(socket, 300));
    for (const Recorder* recorder : { &first, &second })
    {
        EXPECT_EQ(data, recorder->Received(socket));
        EXPECT_EQ((std::vector<int>{ 128, 128, 44 }), recorder->Chunks(socket));
    }
    EXPECT_EQ(1, first.Count(Recorder::ClientConnect));
    ::close(fd);
}

TEST(Transfer, RandomBytesArriveIntactBothWaysInChunksOfAtMost128)
{
    Pair pair;
    const std::string up = ::Test::RandomBytes(1 << 20, 2);
    const std::string down = ::Test::RandomBytes(300000, 3);

    // Send never waits for the peer: keep offering the rest until everything is taken.
    auto sendAll = [](Connection& connection, int socket, const std::string& data) {
        size_t sent = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (sent < data.size() && std::chrono::steady_clock::now() < deadline)
        {
            const int count = connection.Send(socket, data.data() + sent, static_cast<int>(data.size() - sent));
            ASSERT_GE(count, 0);
            sent += static_cast<size_t>(count);
            if (count == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ASSERT_EQ(data.size(), sent);
    };
    std::thread downstream([&] { sendAll(pair.server, pair.clientSocket, down); });
    sendAll(pair.client, pair.serverSocket, up);
    downstream.join();

    ASSERT_TRUE(pair.serverCalls.WaitReceived(pair.clientSocket, up.size()));
    ASSERT_TRUE(pair.clientCalls.WaitReceived(pair.serverSocket, down.size()));
    EXPECT_TRUE(pair.serverCalls.Received(pair.clientSocket) == up);
    EXPECT_TRUE(pair.clientCalls.Received(pair.serverSocket) == down);
    for (int size : pair.serverCalls.Chunks(pair.clientSocket))
        ASSERT_TRUE(size > 0 && size <= Connection::ReadSize) << size;
}

TEST(Transfer, SendResultsForNoSocketClosedSocketsAndEmptyGroups)
{
    ::Test::LogCapture log;
    Connection lone;
    EXPECT_EQ(0, lone.SendToAllClients("abc", 3));
    EXPECT_EQ(0, lone.SendToAllServers("abc", 3));
    try
    {
        lone.Send(Connection::NoSocket, "abc", 3);
        FAIL() << "sending to the no-socket value must throw";
    }
    catch (const Engine::Exception& error)
    {
        EXPECT_STREQ("Error in Engine::Connection::Send(). Invalid socket", error.what());
    }
    EXPECT_TRUE(log.Has("Error in Engine::Connection::Send(). Invalid socket", Ogre::LML_CRITICAL));
    EXPECT_EQ(-1, lone.Send(12345, "abc", 3)); // never opened
    EXPECT_EQ(-1, lone.Send(-1, "abc", 3));
    EXPECT_EQ(-1, lone.Send(1L << 40, "abc", 3));

    Pair pair;
    EXPECT_EQ(0, pair.client.Send(pair.serverSocket, "abc", 0));
    EXPECT_EQ(-1, pair.client.Send(pair.serverSocket, nullptr, 3));
    EXPECT_EQ(-1, pair.client.Send(pair.serverSocket, "abc", -3));
    EXPECT_EQ(3, pair.client.Send(pair.serverSocket, "abc", 3));

    // A socket closed by Disconnect is refused even if the system reuses its descriptor.
    pair.client.Disconnect();
    Connection other;
    ASSERT_TRUE(other.Connect("127.0.0.1:" + std::to_string(pair.port)));
    EXPECT_EQ(-1, pair.client.Send(pair.serverSocket, "abc", 3));
    EXPECT_EQ(0, pair.client.SendToAllServers("abc", 3));
}

TEST(Transfer, SendToAllReachesEveryClientAndCountsOnlyWhatWasWritten)
{
    Recorder serverCalls;
    Connection server;
    server.AddObserver(&serverCalls);
    const int port = ::Test::ListenOnFreePort(server);
    Recorder clientCalls[3];
    Connection clients[3];
    for (int i = 0; i < 3; ++i)
    {
        clients[i].AddObserver(&clientCalls[i]);
        ASSERT_TRUE(clients[i].Connect("127.0.0.1:" + std::to_string(port)));
        // Wait for each, so that the server's order of joining is the clients' order.
        ASSERT_TRUE(serverCalls.WaitCount(Recorder::ClientConnect, i + 1));
    }
    EXPECT_EQ(15, server.SendToAllClients("hello", 5));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(clientCalls[i].WaitReceived(clients[i].GetServers()[0], 5));

    // Each client says who it is; the server's table lists them in order of joining.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(1, clients[i].SendToAllServers(std::to_string(i).c_str(), 1));
    const std::vector<int> joined = server.GetClients();
    ASSERT_EQ(3u, joined.size());
    for (int i = 0; i < 3; ++i)
    {
        ASSERT_TRUE(serverCalls.WaitReceived(joined[i], 1));
        EXPECT_EQ(std::to_string(i), serverCalls.Received(joined[i]));
    }
}

namespace
{
    // Echoes everything back from inside OnReceive and greets each client from inside
    // OnClientConnect with a broadcast, as a small chat server would.
    struct EchoServer : Recorder
    {
        void OnClientConnect(Engine::Connection* connection, int socket) override
        {
            Recorder::OnClientConnect(connection, socket);
            connection->SendToAllClients("+", 1);
        }
        void OnReceive(Engine::Connection* connection, int socket, const char* data, int length) override
        {
            Recorder::OnReceive(connection, socket, data, length);
            connection->Send(socket, data, length);
        }
    };
}

TEST(Transfer, ObserversMayUseTheConnectionFromInsideCallbacks)
{
    EchoServer echo;
    Connection server;
    server.AddObserver(&echo);
    const int port = ::Test::ListenOnFreePort(server);

    Recorder firstCalls, secondCalls;
    Connection first, second;
    first.AddObserver(&firstCalls);
    second.AddObserver(&secondCalls);
    ASSERT_TRUE(first.Connect("127.0.0.1:" + std::to_string(port)));
    ASSERT_TRUE(firstCalls.WaitReceived(first.GetServers()[0], 1)); // its own greeting
    ASSERT_TRUE(second.Connect("127.0.0.1:" + std::to_string(port)));
    ASSERT_TRUE(firstCalls.WaitReceived(first.GetServers()[0], 2)); // the second one's

    const std::string message = ::Test::RandomBytes(1000, 4);
    EXPECT_EQ(1000, second.SendToAllServers(message.data(), 1000));
    ASSERT_TRUE(secondCalls.WaitReceived(second.GetServers()[0], 1001));
    EXPECT_EQ("+" + message, secondCalls.Received(second.GetServers()[0]));
    EXPECT_EQ("++", firstCalls.Received(first.GetServers()[0]));
}

namespace
{
    struct Thrower : Recorder
    {
        void OnReceive(Engine::Connection* connection, int socket, const char* data, int length) override
        {
            Recorder::OnReceive(connection, socket, data, length);
            throw std::runtime_error("bad packet");
        }
    };

    // Adds and removes observers from inside a callback: itself, and another one.
    struct Juggler : Recorder
    {
        Recorder* other = nullptr;
        void OnReceive(Engine::Connection* connection, int socket, const char* data, int length) override
        {
            Recorder::OnReceive(connection, socket, data, length);
            connection->RemoveObserver(this);
            connection->RemoveObserver(other);
        }
    };
}

TEST(Transfer, ObserversThatThrowOrUnregisterDoNotDisturbTheOthers)
{
    ::Test::LogCapture log;
    Thrower thrower;
    Juggler juggler;
    Recorder removedDuringCall, after;
    Pair pair;
    juggler.other = &removedDuringCall;
    pair.server.AddObserver(&thrower);
    pair.server.AddObserver(&juggler);
    pair.server.AddObserver(&removedDuringCall);

    EXPECT_EQ(1, pair.client.SendToAllServers("a", 1));
    ASSERT_TRUE(pair.serverCalls.WaitReceived(pair.clientSocket, 1));
    EXPECT_EQ(1, pair.client.SendToAllServers("b", 1));
    ASSERT_TRUE(pair.serverCalls.WaitReceived(pair.clientSocket, 2));
    EXPECT_EQ("ab", pair.serverCalls.Received(pair.clientSocket));
    EXPECT_EQ("ab", thrower.Received(pair.clientSocket)); // still called after throwing
    EXPECT_EQ("a", juggler.Received(pair.clientSocket));  // removed itself in its first call
    // Removed by another observer: depending on set order it saw "a" or nothing, never "b".
    EXPECT_EQ(std::string::npos, removedDuringCall.Received(pair.clientSocket).find('b'));
    EXPECT_GE(log.Count("Warning in Engine::Connection::Notify(): OnReceive threw: bad packet"), 2);

    // Once RemoveObserver has returned, the observer hears nothing more.
    pair.server.RemoveObserver(&pair.serverCalls);
    pair.server.RemoveObserver(&thrower);
    pair.server.RemoveObserver(&thrower); // absent: nothing happens
    EXPECT_EQ(1, pair.client.SendToAllServers("c", 1));
    pair.client.Disconnect();
    pair.server.AddObserver(&after);
    EXPECT_TRUE(::Test::Eventually([&] { return pair.server.GetClients().empty(); }));
    EXPECT_EQ("ab", pair.serverCalls.Received(pair.clientSocket));
    EXPECT_EQ(0, pair.serverCalls.Count(Recorder::ClientDisconnect));
}

TEST(Transfer, SlowOrVanishedPeersNeverBlockOrKillTheSender)
{
    // A peer that never reads: a plain listening socket that never even accepts.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(0, ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, ::listen(listener, 4));
    ASSERT_EQ(0, ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length));

    Recorder calls;
    Connection client;
    client.AddObserver(&calls);
    client.AddObserver(nullptr); // ignored
    ASSERT_TRUE(client.Connect("127.0.0.1:" + std::to_string(ntohs(address.sin_port))));
    const int socket = client.GetServers()[0];

    // Fill the path until the system takes no more; every call returns at once.
    const std::string block(1 << 16, 'x');
    long long total = 0;
    int zeroes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 4000 && zeroes < 3; ++i)
    {
        const int count = client.Send(socket, block.data(), static_cast<int>(block.size()));
        ASSERT_GE(count, 0);
        total += count;
        zeroes += count == 0;
    }
    EXPECT_EQ(3, zeroes);
    EXPECT_GT(total, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

    // The peer vanishes with unread data (a reset): sends fail with -1 instead of raising
    // SIGPIPE, and the loss is reported once.
    ::close(listener);
    ASSERT_TRUE(calls.WaitCount(Recorder::ServerDisconnect, 1));
    EXPECT_EQ(-1, client.Send(socket, "x", 1));
    EXPECT_EQ(0, client.SendToAllServers("x", 1));
    EXPECT_TRUE(client.GetServers().empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(1, calls.Count(Recorder::ServerDisconnect));
}
