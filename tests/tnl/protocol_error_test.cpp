#include "link_harness.h"

using namespace TNL;

namespace {

// A server with one ordinary client and one crafting client.
class ProtocolError : public LinkTest {
protected:
  void SetUp() override {
    LinkTest::SetUp();
    server = makeServer();
    bystander = startClient(server);
    crafter = startClient<CraftingConnection>(server);
    ASSERT_TRUE(pumpUntil(
        [&] {
          return bystander->isEstablished() && crafter->isEstablished() &&
                 server->getConnectionList().size() == 2;
        },
        5000));
    crafterAtServer =
        dynamic_cast<TestConnection *>(server->findConnection(crafter->getInterface()->getBoundAddress()));
    ASSERT_TRUE(crafterAtServer.isValid());
  }

  // The crafted packet ends the crafter's connection at the server with
  // reason error; the bystander keeps being served.
  void expectDroppedWithError(const char *text) {
    ASSERT_TRUE(pumpUntil([&] { return crafterAtServer->terminatedCount > 0; }, 2000));
    EXPECT_EQ(crafterAtServer->lastReason, NetConnection::ReasonError);
    EXPECT_EQ(crafterAtServer->lastReasonText, text);
    EXPECT_STREQ(crafterAtServer->getErrorString(), text);
    ASSERT_TRUE(pumpUntil([&] { return crafter->terminatedCount > 0; }, 2000));
    EXPECT_EQ(crafter->lastReason, NetConnection::ReasonRemoteDisconnectPacket);
    EXPECT_EQ(crafter->lastReasonText, text);
    ASSERT_EQ(server->getConnectionList().size(), 1u);
    TestConnection *stillServed = serverConnection(server);
    bystander->c2sOrdered(77);
    ASSERT_TRUE(pumpUntil([&] { return !stillServed->ordered.empty(); }, 2000));
    EXPECT_EQ(stillServed->ordered, std::vector<uint32_t>{77});
  }

  TestConnection *bystander = nullptr;
  CraftingConnection *crafter = nullptr;
  RefPtr<TestConnection> crafterAtServer; // outlives its removal from the server
};

} // namespace

TEST_F(ProtocolError, ClassIdBeyondTheSettledCountDropsTheConnection) {
  ASSERT_LT(crafter->getEventClassCount(), 1u << crafter->getEventClassBitSize())
      << "the test needs a class count below a power of two";
  crafter->arm(CraftingConnection::ClassIdOutOfRange);
  expectDroppedWithError("Invalid packet.");
}

TEST_F(ProtocolError, EventInTheWrongDirectionDropsTheConnection) {
  crafter->arm(CraftingConnection::WrongDirection);
  expectDroppedWithError("Invalid Packet.");
}

TEST_F(ProtocolError, PacketThatEndsInsideAnEventDropsTheConnection) {
  crafter->arm(CraftingConnection::TruncatedArguments);
  expectDroppedWithError("Invalid Packet.");
}

TEST_F(ProtocolError, SecondCopyOfAWaitingOrderedEventIsDropped) {
  crafter->arm(CraftingConnection::DuplicateOrderedEvents);
  ASSERT_TRUE(pumpUntil([&] { return crafterAtServer->ordered.size() >= 3; }, 2000));
  pump(500);
  EXPECT_EQ(crafterAtServer->ordered, (std::vector<uint32_t>{100, 101, 102}));
  EXPECT_TRUE(crafterAtServer->isEstablished());
}

// A truncated header from the peer, or garbage from a stranger, is dropped
// without harm to anyone's connection.
TEST_F(ProtocolError, TruncatedHeaderAndGarbageFromAStrangerAreIgnored) {
  const uint8_t truncated[2] = {0x80 | 0x04, 0x01};
  crafter->getInterface()->sendRawDatagram(server->getBoundAddress(), truncated, sizeof truncated);
  NetInterface *stranger = makeInterface();
  uint8_t junk[64];
  for (int type = 0; type < 256; type += 3) {
    for (size_t i = 0; i < sizeof junk; ++i)
      junk[i] = uint8_t(i * 31 + type);
    junk[0] = uint8_t(type);
    stranger->sendRawDatagram(server->getBoundAddress(), junk, sizeof junk);
  }
  pump(200);
  EXPECT_EQ(server->getConnectionList().size(), 2u);
  EXPECT_TRUE(crafterAtServer->isEstablished());
  EXPECT_EQ(crafterAtServer->terminatedCount, 0);
  crafter->c2sOrdered(5);
  ASSERT_TRUE(pumpUntil([&] { return !crafterAtServer->ordered.empty(); }, 2000));
}
