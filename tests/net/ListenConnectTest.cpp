// Listening, accepting and connecting: ports, address forms and the failures that must come
// back as false without callbacks or lost descriptors.
#include <gtest/gtest.h>

#include <unistd.h>

#include "NetTestSupport.h"
#include "engine/core/Exception.h"
#include "engine/net/Connection.h"
#include "engine/net/SocketLibrary.h"
#include "tests/support/LogCapture.h"

using Engine::Connection;
using Test::Recorder;

TEST(Listen, SecondListenThrowsAndKeepsTheFirstSocket)
{
    ::Test::LogCapture log;
    Recorder recorder;
    Connection server;
    const int port = ::Test::ListenOnFreePort(server);
    try
    {
        server.Listen(::Test::FreePort());
        FAIL() << "a second Listen must throw";
    }
    catch (const Engine::Exception& error)
    {
        EXPECT_STREQ("Error in Engine::Connection::Listen(). Server socket already in use", error.what());
    }
    EXPECT_TRUE(log.Has("Error in Engine::Connection::Listen(). Server socket already in use", Ogre::LML_CRITICAL));

    // The first socket still serves clients.
    server.AddObserver(&recorder);
    Connection client;
    ASSERT_TRUE(client.Connect("127.0.0.1:" + std::to_string(port)));
    EXPECT_TRUE(recorder.WaitCount(Recorder::ClientConnect, 1));
}

TEST(Listen, FailedListenLeavesNoSocketAndALaterListenSucceeds)
{
    Recorder recorder;
    Connection first;
    const int port = ::Test::ListenOnFreePort(first);
    Connection second;
    const int descriptors = ::Test::CountDescriptors();

    EXPECT_FALSE(second.Listen(port)); // taken by the first connection
    EXPECT_FALSE(second.IsListening());
    EXPECT_FALSE(second.Listen(-1));
    EXPECT_FALSE(second.Listen(65536));
    EXPECT_FALSE(second.IsListening());

    const int freePort = ::Test::ListenOnFreePort(second);
    EXPECT_TRUE(second.IsListening());
    second.AddObserver(&recorder);
    {
        Connection client;
        ASSERT_TRUE(client.Connect("127.0.0.1:" + std::to_string(freePort)));
        EXPECT_TRUE(recorder.WaitCount(Recorder::ClientConnect, 1));
    }
    EXPECT_TRUE(recorder.WaitCount(Recorder::ClientDisconnect, 1));
    second.Disconnect();
    EXPECT_TRUE(::Test::Eventually([&] { return ::Test::CountDescriptors() <= descriptors; }));
}

TEST(Listen, DisconnectFreesThePortForAnotherListen)
{
    Recorder recorder;
    Connection server;
    const int port = ::Test::ListenOnFreePort(server);
    {
        Connection client;
        ASSERT_TRUE(client.Connect("127.0.0.1:" + std::to_string(port)));
        ASSERT_TRUE(::Test::Eventually([&] { return server.GetClients().size() == 1; }));
        server.Disconnect();
        EXPECT_FALSE(server.IsListening());
        EXPECT_TRUE(server.GetClients().empty());
        EXPECT_FALSE(Connection().Connect("127.0.0.1:" + std::to_string(port)));
    }

    // Listen again on the same port, in the same object, and serve a new client.
    ASSERT_TRUE(server.Listen(port));
    server.AddObserver(&recorder);
    Connection client;
    ASSERT_TRUE(client.Connect("localhost:" + std::to_string(port)));
    ASSERT_TRUE(recorder.WaitCount(Recorder::ClientConnect, 1));
    const int socket = recorder.Sockets(Recorder::ClientConnect)[0];
    EXPECT_EQ(2, client.SendToAllServers("hi", 2));
    EXPECT_TRUE(recorder.WaitReceived(socket, 2));
    EXPECT_EQ("hi", recorder.Received(socket));
}

TEST(Connect, ReachesTheServerByAddressNameAndIPv6)
{
    Recorder serverCalls, clientCalls;
    Connection server;
    const int port = ::Test::ListenOnFreePort(server);
    server.AddObserver(&serverCalls);

    Connection client;
    client.AddObserver(&clientCalls);
    std::vector<std::string> addresses = { "127.0.0.1:", "localhost:" };
    if (::Test::HasIPv6Loopback())
        addresses.push_back("[::1]:");
    for (const std::string& host : addresses)
        EXPECT_TRUE(client.Connect(host + std::to_string(port))) << host;
    const int count = static_cast<int>(addresses.size());

    // OnServerConnect ran before Connect returned, once per socket, in order of joining.
    EXPECT_EQ(count, clientCalls.Count(Recorder::ServerConnect));
    EXPECT_EQ(clientCalls.Sockets(Recorder::ServerConnect), client.GetServers());
    EXPECT_TRUE(client.GetClients().empty());
    ASSERT_TRUE(serverCalls.WaitCount(Recorder::ClientConnect, count));
    EXPECT_EQ(serverCalls.Sockets(Recorder::ClientConnect), server.GetClients());

    // Every path carries data both ways.
    const std::vector<int> servers = client.GetServers();
    for (size_t i = 0; i < servers.size(); ++i)
        EXPECT_EQ(1, client.Send(servers[i], &"abc"[i], 1));
    const std::vector<int> clients = server.GetClients();
    for (size_t i = 0; i < clients.size(); ++i)
        EXPECT_TRUE(serverCalls.WaitReceived(clients[i], 1));
    EXPECT_EQ(3 * count, server.SendToAllClients("xyz", 3));
    for (int socket : servers)
        EXPECT_TRUE(clientCalls.WaitReceived(socket, 3));
    for (int socket : servers)
        EXPECT_EQ("xyz", clientCalls.Received(socket));
}

TEST(Connect, BadAddressesAndRefusedConnectionsReturnFalseQuietly)
{
    const int port = ::Test::FreePort(); // nobody listens there
    Recorder recorder;
    Connection client;
    client.AddObserver(&recorder);
    const int descriptors = ::Test::CountDescriptors();
    const int open = Engine::SocketLibrary::GetOpenCount();

    const std::vector<std::string> addresses = {
        "", "127.0.0.1", "127.0.0.1:", ":80", "127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:-5",
        "127.0.0.1:80x", "127.0.0.1:123456789012", "::1:80", "[::1]", "[::1]80", "[::1:80", "[]:80",
        std::string("127.0.0.1\0:80", 13),
        "127.0.0.1:" + std::to_string(port), "localhost:" + std::to_string(port),
    };
    for (const std::string& address : addresses)
        EXPECT_FALSE(client.Connect(address)) << address;
    if (::Test::HasIPv6Loopback())
    {
        EXPECT_FALSE(client.Connect("[::1]:" + std::to_string(port)));
    }

    EXPECT_TRUE(recorder.Calls().empty());
    EXPECT_TRUE(client.GetServers().empty());
    EXPECT_EQ(open, Engine::SocketLibrary::GetOpenCount());
    EXPECT_EQ(descriptors, ::Test::CountDescriptors());
}

TEST(Accept, AcceptOrReceiveBeforeListenStartThreadsThatServeALaterListen)
{
    Recorder recorder;
    Connection server;
    server.Accept();
    server.Receive();
    server.Accept(); // already running: nothing more
    server.AddObserver(&recorder);
    const int port = ::Test::ListenOnFreePort(server);

    const int fd = ::Test::RawConnect(port);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(recorder.WaitCount(Recorder::ClientConnect, 1));
    ::Test::RawSendAll(fd, "ping");
    EXPECT_TRUE(recorder.WaitReceived(recorder.Sockets(Recorder::ClientConnect)[0], 4));
    ::close(fd);
    EXPECT_TRUE(recorder.WaitCount(Recorder::ClientDisconnect, 1));
}
