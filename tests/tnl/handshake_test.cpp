#include "link_harness.h"

using namespace TNL;

uint32_t LinkTest::sNow = 0;

namespace {

bool isHandshakeType(const uint8_t *data, size_t size, uint8_t type) {
  return size > 0 && !isConnectionPacket(data) && data[0] == type;
}

} // namespace

using Handshake = LinkTest;

TEST_F(Handshake, BothEndsReachConnectedWithTheEventClassCountSettledAndShutDownTogether) {
  server = makeServer();
  client = startClient(server);
  EXPECT_EQ(client->getConnectionState(), NetConnection::AwaitingChallengeResponse);
  // A solution against the nonce the server has just rotated away is still good.
  ASSERT_TRUE(pumpUntil(
      [&] { return client->getConnectionState() == NetConnection::AwaitingConnectResponse; }, 1000));
  sNow += 31000;
  server->serviceConnections(); // one rotation
  ASSERT_TRUE(pumpUntil([&] { return client->isEstablished(); }, 3000));
  pump(50);
  EXPECT_EQ(log.countContaining("Received Connect Reject"), 0);
  RefPtr<TestConnection> atServer = serverConnection(server);
  ASSERT_TRUE(atServer.isValid());
  EXPECT_TRUE(atServer->isEstablished());
  EXPECT_EQ(client->establishedCount, 1);
  EXPECT_EQ(atServer->establishedCount, 1);
  EXPECT_TRUE(client->isConnectionToServer());
  EXPECT_TRUE(atServer->isConnectionToClient());
  uint32_t count = NetClassRep::getNetClassCount(NetClassGroupGame, NetClassTypeEvent);
  EXPECT_EQ(client->getEventClassCount(), count);
  EXPECT_EQ(atServer->getEventClassCount(), count);
  EXPECT_EQ(client->getEventClassBitSize(), bitsForCount(count));
  EXPECT_EQ(client->getNetAddress(), server->getBoundAddress());
  EXPECT_EQ(atServer->getNetAddress(), client->getInterface()->getBoundAddress());

  // Destroying the server's interface ends both connections with "Shutdown".
  interfaces.erase(std::find(interfaces.begin(), interfaces.end(), RefPtr<NetInterface>(server)));
  EXPECT_EQ(atServer->terminatedCount, 1);
  EXPECT_EQ(atServer->lastReason, NetConnection::ReasonSelfDisconnect);
  EXPECT_EQ(atServer->lastReasonText, "Shutdown");
  EXPECT_EQ(atServer->getInterface(), nullptr);
  pump(50);
  EXPECT_EQ(client->terminatedCount, 1);
  EXPECT_EQ(client->lastReason, NetConnection::ReasonRemoteDisconnectPacket);
  EXPECT_EQ(client->lastReasonText, "Shutdown");
}

// A server that does not allow connections reads the requests and answers
// none: the client gives up after five, about 15 s.
TEST_F(Handshake, ConnectToAServerThatAllowsNoneGivesUpAfterFiveChallengeRequests) {
  server = makeServer();
  server->setAllowConnections(false);
  NetInterface *clientInterface = makeInterface();
  client = startClient(server, clientInterface);
  uint32_t started = sNow;
  ASSERT_TRUE(pumpUntil([&] { return client->failedCount > 0; }, 30000));
  EXPECT_EQ(log.countContaining("Received Connect Challenge Request from"), 5);
  EXPECT_EQ(log.countContaining("Sending Challenge Response"), 0);
  EXPECT_EQ(log.countContaining("Sending Connect Challenge Request to"), 5);
  EXPECT_EQ(client->lastReason, NetConnection::ReasonTimedOut);
  EXPECT_EQ(client->lastReasonText, "Timeout");
  EXPECT_EQ(client->getConnectionState(), NetConnection::ConnectTimedOut);
  EXPECT_GE(client->terminatedAt - started, 14000u);
  EXPECT_LE(client->terminatedAt - started, 17000u);
  EXPECT_EQ(clientInterface->getPendingConnectionCount(), 0u);
}

// The connect request waits in the server's socket while its puzzle nonce
// rotates twice: the solution is stale and refused with "Puzzle"; the client
// retries once and gets in. Its own retry of the stale request draws a
// second "Puzzle" reject that must not end the new attempt. A client whose
// retry goes stale too gives up.
TEST_F(Handshake, StaleSolutionIsRefusedWithPuzzleAndRetriedOnceOnly) {
  server = makeServer();
  client = startClient(server);
  const auto awaitingResponse = [](TestConnection *connection) {
    return connection->getConnectionState() == NetConnection::AwaitingConnectResponse;
  };
  ASSERT_TRUE(pumpUntil([&] { return awaitingResponse(client); }, 1000));
  sNow += 61000;
  server->serviceConnections();                 // two nonce rotations, the request still unread
  client->getInterface()->serviceConnections(); // the client repeats the same stale request
  ASSERT_TRUE(pumpUntil([&] { return client->isEstablished(); }, 10000));
  EXPECT_EQ(log.countContaining("Sending Connect Request"), 3);
  EXPECT_EQ(log.countContaining("Received Connect Reject - reason Puzzle"), 1);
  EXPECT_EQ(client->failedCount, 0);
  EXPECT_TRUE(client->getConnectionParameters().puzzleRetried);
  EXPECT_EQ(server->getConnectionList().size(), 1u);

  TestConnection *unlucky = startClient(server);
  ASSERT_TRUE(pumpUntil([&] { return awaitingResponse(unlucky); }, 2000));
  sNow += 61000;
  server->serviceConnections(); // the first request is stale when read
  // Retried: the second request has just left when it awaits the response again.
  ASSERT_TRUE(pumpUntil(
      [&] { return unlucky->getConnectionParameters().puzzleRetried && awaitingResponse(unlucky); }, 5000));
  sNow += 61000;
  server->serviceConnections(); // and so is the second
  ASSERT_TRUE(pumpUntil([&] { return unlucky->failedCount > 0; }, 5000));
  EXPECT_EQ(unlucky->lastReason, NetConnection::ReasonRemoteHostRejectedConnection);
  EXPECT_EQ(unlucky->lastReasonText, "Puzzle");
  EXPECT_EQ(unlucky->getConnectionState(), NetConnection::ConnectRejected);
  EXPECT_EQ(server->getConnectionList().size(), 1u);
}

TEST_F(Handshake, LostConnectAcceptIsAnsweredAgainNotWithASecondConnection) {
  server = makeServer();
  int acceptsDropped = 0;
  server->setSendFilter([&](const Address &, const uint8_t *data, size_t size) {
    if (isHandshakeType(data, size, NetInterface::ConnectAccept) && acceptsDropped == 0) {
      ++acceptsDropped;
      return false;
    }
    return true;
  });
  int instancesBefore = TestConnection::sInstances;
  client = startClient(server);
  ASSERT_TRUE(pumpUntil([&] { return client->isEstablished(); }, 10000));
  EXPECT_EQ(acceptsDropped, 1);
  ASSERT_EQ(server->getConnectionList().size(), 1u);
  EXPECT_EQ(serverConnection(server)->establishedCount, 1);
  EXPECT_EQ(TestConnection::sInstances - instancesBefore, 2); // the client's and one on the server
  EXPECT_EQ(log.countContaining("Sending Connect Request"), 2);
}

TEST_F(Handshake, ReconnectFromTheSameAddressReplacesTheOldConnection) {
  server = makeServer();
  NetInterface *firstRun = makeInterface();
  client = startClient(server, firstRun);
  ASSERT_TRUE(
      pumpUntil([&] { return client->isEstablished() && !server->getConnectionList().empty(); }, 3000));
  RefPtr<TestConnection> oldAtServer = serverConnection(server);
  uint16_t port = firstRun->getBoundAddress().port;

  // The station dies without a word and starts again on the same port.
  firstRun->setSendFilter(dropEverything);
  interfaces.erase(std::find(interfaces.begin(), interfaces.end(), RefPtr<NetInterface>(firstRun)));
  NetInterface *secondRun = makeInterface(port);
  TestConnection *again = startClient(server, secondRun);
  ASSERT_TRUE(pumpUntil([&] { return again->isEstablished(); }, 3000));
  pump(50);

  EXPECT_EQ(oldAtServer->terminatedCount, 1);
  EXPECT_EQ(oldAtServer->lastReason, NetConnection::ReasonSelfDisconnect);
  EXPECT_EQ(oldAtServer->lastReasonText, "NewConnection");
  ASSERT_EQ(server->getConnectionList().size(), 1u);
  EXPECT_NE(serverConnection(server), oldAtServer.getPointer());
  EXPECT_EQ(server->findConnection(secondRun->getBoundAddress()), serverConnection(server));
}

TEST_F(Handshake, DisconnectNoticeEndsThePeersConnectionUnlessItsNoncesAreForeign) {
  ASSERT_NO_FATAL_FAILURE(establish());
  RefPtr<TestConnection> hold = atServer;
  PacketStream forged;
  forged.writeInt(NetInterface::Disconnect, 8);
  forged.writeBytes(client->getConnectionParameters().clientNonce.data, 8);
  uint8_t wrong[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  forged.writeBytes(wrong, 8);
  forged.writeString("x", 1);
  client->getInterface()->sendRawDatagram(server->getBoundAddress(), forged.getBuffer(),
                                          forged.getBytePosition());
  pump(50);
  EXPECT_EQ(hold->terminatedCount, 0);
  EXPECT_EQ(server->getConnectionList().size(), 1u);

  client->getInterface()->disconnect(client, NetConnection::ReasonSelfDisconnect, "Bye");
  EXPECT_EQ(client->getConnectionState(), NetConnection::Disconnected);
  EXPECT_EQ(client->terminatedCount, 1);
  pump(50);
  EXPECT_EQ(hold->terminatedCount, 1);
  EXPECT_EQ(hold->lastReason, NetConnection::ReasonRemoteDisconnectPacket);
  EXPECT_EQ(hold->lastReasonText, "Bye");
  EXPECT_TRUE(server->getConnectionList().empty());
}

// A connection still solving its puzzle is pending too: disconnecting it (as
// the interface does at shutdown) reports the failure instead of leaving it.
TEST_F(Handshake, DisconnectWhileSolvingThePuzzleReportsTheFailure) {
  server = makeServer();
  pausedInterfaces.push_back(server); // it never answers; the test does
  client = startClient(server);
  NetInterface *clientInterface = client->getInterface();
  // A challenge response of the hardest accepted difficulty: one batch of
  // candidates practically never solves it.
  PacketStream response;
  response.writeInt(NetInterface::ConnectChallengeResponse, 8);
  response.writeBytes(client->getConnectionParameters().clientNonce.data, Nonce::Size);
  response.write(uint32_t(0x1234));
  const uint8_t serverNonce[Nonce::Size] = {9, 8, 7, 6, 5, 4, 3, 2};
  response.writeBytes(serverNonce, Nonce::Size);
  response.write(uint32_t(ClientPuzzleManager::MaxPuzzleDifficulty));
  response.writeFlag(false);
  server->sendRawDatagram(clientInterface->getBoundAddress(), response.getBuffer(),
                          response.getBytePosition());
  // 31 ms pass on every clock reading: one batch of candidates per call.
  Platform::setClock([] { return sNow += 31; });
  for (int call = 0; call < 100 && client->getConnectionState() != NetConnection::ComputingPuzzleSolution;
       ++call) {
    Platform::sleep(1);
    clientInterface->receiveDatagrams();
  }
  Platform::setClock([] { return sNow; });
  ASSERT_EQ(client->getConnectionState(), NetConnection::ComputingPuzzleSolution);
  clientInterface->disconnect(client, NetConnection::ReasonSelfDisconnect, "Shutdown");
  EXPECT_EQ(client->failedCount, 1);
  EXPECT_EQ(client->lastReasonText, "Shutdown");
  EXPECT_EQ(clientInterface->getPendingConnectionCount(), 0u);
}
