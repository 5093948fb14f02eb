#include "link_harness.h"
#include "tnl/ghostconnection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

using namespace TNL;

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
