// Loopback links between interfaces in one process, driven by a fake
// millisecond clock so time-outs take no real time.
#pragma once

#include "../support/LogCapture.h"
#include "test_connection.h"
#include "tnl/log.h"
#include "tnl/netinterface.h"
#include "tnl/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

// First byte of a connection packet: top bit set, type in the low 2 bits.
inline bool isConnectionPacket(const uint8_t *data) {
  return (data[0] & 0x80) != 0;
}
inline uint32_t connectionPacketType(const uint8_t *data) {
  return data[0] & 3;
}
inline bool isPacketOfType(const uint8_t *data, size_t size, uint32_t type) {
  return size && isConnectionPacket(data) && connectionPacketType(data) == type;
}
// A send filter that loses everything.
inline bool dropEverything(const TNL::Address &, const uint8_t *, size_t) {
  return false;
}

class LinkTest : public ::testing::Test {
protected:
  void SetUp() override {
    sNow = 100000;
    TNL::Platform::setClock([] { return sNow; });
    TNL::Random::setSource(&mRandom);
    for (const char *channel : {"LogNetInterface", "LogEventConnection", "LogNetConnection"})
      TNL::setLogChannelEnabled(channel, true);
    TestConnection::sUseInitialSequence = false;
  }
  void TearDown() override {
    // Filters capture the test's locals; the shutdown notices go out unfiltered.
    for (TNL::NetInterface *each : interfaces)
      each->setSendFilter(nullptr);
    interfaces.clear();
    TNL::Random::setSource(nullptr);
    TNL::Platform::setClock(nullptr);
  }

  TNL::NetInterface *makeInterface(uint16_t port = 0) {
    interfaces.push_back(new TNL::NetInterface(TNL::Address(TNL::IPProtocol, TNL::Address::Localhost, port)));
    EXPECT_TRUE(interfaces.back()->isValid());
    return interfaces.back();
  }
  TNL::NetInterface *makeServer() {
    TNL::NetInterface *server = makeInterface();
    server->setAllowConnections(true);
    return server;
  }
  // A client interface and a connection on it, connecting to the server.
  template <class Connection = TestConnection>
  Connection *startClient(TNL::NetInterface *server, TNL::NetInterface *client = nullptr) {
    if (!client) {
      client = makeInterface();
      client->setAllowConnections(false);
    }
    Connection *connection = new Connection;
    clients.push_back(connection);
    connection->connectTo(client, server->getBoundAddress());
    return connection;
  }

  // One pass of every interface, as the main loop does it, after stepMs.
  void step(uint32_t stepMs = 10) {
    sNow += stepMs;
    for (TNL::NetInterface *each : interfaces)
      if (!paused(each))
        each->receiveDatagrams();
    for (TNL::NetInterface *each : interfaces)
      if (!paused(each))
        each->serviceConnections();
  }
  void pump(uint32_t totalMs, uint32_t stepMs = 10) {
    for (uint32_t elapsed = 0; elapsed < totalMs; elapsed += stepMs)
      step(stepMs);
  }
  bool pumpUntil(const std::function<bool()> &done, uint32_t maxMs, uint32_t stepMs = 10) {
    for (uint32_t elapsed = 0; elapsed < maxMs; elapsed += stepMs) {
      if (done())
        return true;
      step(stepMs);
    }
    return done();
  }
  bool paused(TNL::NetInterface *each) const {
    return std::find(pausedInterfaces.begin(), pausedInterfaces.end(), each) != pausedInterfaces.end();
  }

  TestConnection *serverConnection(TNL::NetInterface *server, size_t index = 0) {
    const auto &list = server->getConnectionList();
    return index < list.size() ? dynamic_cast<TestConnection *>(list[index].getPointer()) : nullptr;
  }

  // Establishes one client with the server: server, client and atServer.
  void establish() {
    server = makeServer();
    client = startClient(server);
    ASSERT_TRUE(
        pumpUntil([&] { return client->isEstablished() && server->getConnectionList().size() == 1; }, 5000));
    atServer = serverConnection(server);
    ASSERT_NE(atServer, nullptr);
  }
  // Notes the time of every packet of the type that from sends.
  void timePackets(TNL::NetInterface *from, uint32_t type, std::vector<uint32_t> &times) {
    from->setSendFilter([&times, type](const TNL::Address &, const uint8_t *data, size_t size) {
      if (isPacketOfType(data, size, type))
        times.push_back(sNow);
      return true;
    });
  }

  static uint32_t sNow;
  TNL::SeededRandomSource mRandom{12345};
  LogCapture log;
  std::vector<TNL::RefPtr<TNL::NetInterface>> interfaces;
  std::vector<TNL::RefPtr<TestConnection>> clients;
  std::vector<TNL::NetInterface *> pausedInterfaces;
  TNL::NetInterface *server = nullptr;
  TestConnection *client = nullptr;
  TestConnection *atServer = nullptr;
};
