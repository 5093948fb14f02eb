#include "link_harness.h"
#include "tnl/ghostconnection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

using namespace TNL;

namespace {

const char *className(NetEvent *event) {
  return event->getClassRep()->getClassName();
}

// Packs an event as the connection would, then reads it back through the
// registry into a fresh event and processes it on target.
RefPtr<NetEvent> travel(NetEvent *sent, EventConnection *target) {
  RefPtr<NetEvent> hold(sent);
  NetClassRep::initialize();
  uint8_t bytes[1500] = {};
  BitStream writer(bytes, sizeof bytes);
  uint32_t id = sent->getClassRep()->getClassId(NetClassGroupGame);
  writer.writeInt(id, NetClassRep::getNetClassBitSize(NetClassGroupGame, NetClassTypeEvent));
  sent->pack(target, &writer);
  EXPECT_TRUE(writer.isValid());
  BitStream reader(bytes, writer.getBytePosition());
  uint32_t readId = reader.readInt(NetClassRep::getNetClassBitSize(NetClassGroupGame, NetClassTypeEvent));
  RefPtr<NetEvent> received =
      dynamic_cast<NetEvent *>(NetClassRep::create(NetClassGroupGame, NetClassTypeEvent, readId));
  EXPECT_TRUE(received.isValid());
  if (!received)
    return nullptr;
  received->unpack(target, &reader);
  EXPECT_TRUE(reader.isValid());
  received->process(target);
  return received;
}

} // namespace

TEST(ClassRegistry, EventIdsFollowVersionThenNameOrderAndFitTheirWidth) {
  NetClassRep::initialize();
  uint32_t count = NetClassRep::getNetClassCount(NetClassGroupGame, NetClassTypeEvent);
  ASSERT_GT(count, 3u);
  for (uint32_t id = 0; id + 1 < count; ++id) {
    NetClassRep *a = NetClassRep::findClassRep(NetClassGroupGame, NetClassTypeEvent, id);
    NetClassRep *b = NetClassRep::findClassRep(NetClassGroupGame, NetClassTypeEvent, id + 1);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->getClassId(NetClassGroupGame), id);
    EXPECT_TRUE(a->getClassVersion() < b->getClassVersion() ||
                (a->getClassVersion() == b->getClassVersion() &&
                 std::strcmp(a->getClassName(), b->getClassName()) < 0));
  }
  EXPECT_EQ(NetClassRep::findClassRep(NetClassGroupGame, NetClassTypeEvent, count), nullptr);
  EXPECT_EQ(NetClassRep::create(NetClassGroupGame, NetClassTypeEvent, count), nullptr);
  // Ids are log2 of the power of two at or above the count wide.
  for (auto [n, bits] : {std::pair<uint32_t, uint32_t>{0, 0}, {1, 0}, {2, 1}, {31, 5}, {32, 5}, {33, 6}})
    EXPECT_EQ(bitsForCount(n), bits) << n;
  EXPECT_EQ(NetClassRep::getNetClassBitSize(NetClassGroupGame, NetClassTypeEvent), bitsForCount(count + 1));
}

TEST(ClassRegistry, OnlyRemotelyCreatableConnectionClassesAreFoundByName) {
  RefPtr<NetConnection> made = NetConnectionRep::createByName("TestConnection");
  ASSERT_TRUE(made.isValid());
  EXPECT_NE(dynamic_cast<TestConnection *>(made.getPointer()), nullptr);
  EXPECT_EQ(NetConnectionRep::createByName("GhostConnection"), nullptr);
  EXPECT_EQ(NetConnectionRep::createByName("NoSuchConnection"), nullptr);
  EXPECT_EQ(NetConnectionRep::createByName(""), nullptr);
}

TEST(RpcDeclaration, EventClassIsNamedAfterConnectionAndMethodWithItsDeliveryAndDirection) {
  RefPtr<TestConnection> connection = new TestConnection;
  RefPtr<NetEvent> ordered = connection->c2sOrdered_construct(1);
  RefPtr<NetEvent> unguaranteed = connection->c2sUnguaranteed_construct(1);
  RefPtr<NetEvent> guaranteed = connection->c2sGuaranteed_construct(1);
  RefPtr<NetEvent> toClient = connection->s2cOrdered_construct(1);
  EXPECT_STREQ(className(ordered), "RPC_TestConnection_c2sOrdered");
  EXPECT_EQ(ordered->getGuaranteeType(), NetEvent::GuaranteedOrdered);
  EXPECT_EQ(ordered->getEventDirection(), NetEvent::DirClientToServer);
  EXPECT_EQ(guaranteed->getGuaranteeType(), NetEvent::Guaranteed);
  EXPECT_EQ(unguaranteed->getGuaranteeType(), NetEvent::Unguaranteed);
  EXPECT_EQ(toClient->getEventDirection(), NetEvent::DirServerToClient);
  EXPECT_EQ(ordered->getClassRep()->getClassType(), NetClassTypeEvent);
  // The handler runs on a connection of its class only.
  RefPtr<GhostConnection> other = new GhostConnection;
  ordered->process(other);
  EXPECT_TRUE(connection->ordered.empty());
  ordered->process(connection);
  EXPECT_EQ(connection->ordered, std::vector<uint32_t>{1});
}

TEST(RpcDeclaration, ArgumentsOfEveryTypeReachTheRemoteHandler) {
  RefPtr<TestConnection> sender = new TestConnection;
  RefPtr<TestConnection> receiver = new TestConnection;
  RefPtr<ByteBuffer> bytes = new ByteBuffer(reinterpret_cast<const uint8_t *>("\x01\x00\xFF"), 3);
  travel(sender->c2sAllTypes_construct(0xFFFFFFFFu, -7, -0.0, StringPtr("clone_passenger3"), bytes, true),
         receiver);
  ASSERT_EQ(receiver->values.size(), 1u);
  const ReceivedValues &got = receiver->values[0];
  EXPECT_EQ(got.u, 0xFFFFFFFFu);
  EXPECT_EQ(got.s, -7);
  EXPECT_TRUE(std::signbit(got.d));
  EXPECT_EQ(got.d, 0.0);
  EXPECT_EQ(got.text.str(), "clone_passenger3");
  ASSERT_EQ(got.bytes->getBufferSize(), 3u);
  EXPECT_EQ(std::memcmp(got.bytes->getBuffer(), "\x01\x00\xFF", 3), 0);
  EXPECT_TRUE(got.flag);
  EXPECT_TRUE(sender->values.empty());
  // A null string and a null buffer arrive empty.
  travel(sender->c2sAllTypes_construct(1, 2, 3.0, StringPtr(), nullptr, false), receiver);
  ASSERT_EQ(receiver->values.size(), 2u);
  EXPECT_EQ(receiver->values[1].text.str(), "");
  ASSERT_TRUE(receiver->values[1].bytes.isValid());
  EXPECT_EQ(receiver->values[1].bytes->getBufferSize(), 0u);
}

TEST(RpcSending, OverlongArgumentsAndOversizeEventsAreRefusedAtTheSendingCall) {
  LogCapture log;
  RefPtr<TestConnection> connection = new TestConnection;
  EXPECT_FALSE(connection->c2sName(StringPtr(std::string(256, 'n'))));
  EXPECT_EQ(log.countContaining("string argument longer than 255 characters"), 1);
  EXPECT_FALSE(connection->c2sAllTypes(1, 1, 1.0, "", new ByteBuffer(1024), false));
  EXPECT_EQ(log.countContaining("byte buffer argument longer than 1023 bytes"), 1);
  EXPECT_FALSE(connection->c2sBig("big", new ByteBuffer(1023), new ByteBuffer(1023)));
  EXPECT_EQ(log.countContaining("larger than an empty packet"), 1);
  EXPECT_EQ(connection->getQueuedEventCount(), 0u);
  // What fits is queued.
  EXPECT_TRUE(connection->c2sName(StringPtr(std::string(255, 'n'))));
  EXPECT_TRUE(connection->c2sAllTypes(1, 1, 1.0, "", new ByteBuffer(1023), false));
  EXPECT_TRUE(connection->c2sBig("fits", new ByteBuffer(1023), new ByteBuffer(300)));
  EXPECT_EQ(connection->getQueuedEventCount(), 3u);
}
