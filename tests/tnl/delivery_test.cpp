#include "link_harness.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

using namespace TNL;

namespace TNL {
// Moves a fresh connection's event sequence numbers (both directions) to
// start, as if that many ordered events had gone before.
struct TestAccess {
  static void startEventSequences(EventConnection *connection, uint32_t start) {
    connection->mNextSendEventSeq = start;
    connection->mLastAckedEventSeq = start - 1;
    connection->mNextRecvEventSeq = start;
  }
};
} // namespace TNL

namespace {

std::vector<uint32_t> sequence(uint32_t count) {
  std::vector<uint32_t> values(count);
  for (uint32_t i = 0; i < count; ++i)
    values[i] = i;
  return values;
}

} // namespace

using Delivery = LinkTest;

TEST_F(Delivery, EveryKindOfEventCrossesALossyLinkWithWrappingSequenceNumbers) {
  // Packet sequence numbers wrap after 16 packets, event sequence numbers
  // after 128 events.
  TestConnection::sUseInitialSequence = true;
  TestConnection::sInitialSequence = 0xFFFFFFF0u;
  ASSERT_NO_FATAL_FAILURE(establish());
  TestAccess::startEventSequences(client, 0xFFFFFF80u);
  TestAccess::startEventSequences(atServer, 0xFFFFFF80u);
  setLogChannelEnabled("LogNetConnection", false);
  // The client drops 30% of what it sends and of what it receives: 30% loss
  // each way. Both ends hold their datagrams back 40 ms.
  client->setSimulatedNetParams(0.3f, 40);
  atServer->setSimulatedNetParams(0.0f, 40);
  const uint32_t count = 3000, unordered = 800;
  for (uint32_t i = 0; i < count; ++i) {
    ASSERT_TRUE(client->c2sOrdered(i));
    ASSERT_TRUE(atServer->s2cOrdered(i));
  }
  for (uint32_t i = 0; i < unordered; ++i) {
    ASSERT_TRUE(client->c2sGuaranteed(i));
    ASSERT_TRUE(client->c2sUnguaranteed(i));
  }
  ASSERT_TRUE(pumpUntil(
      [&] {
        return atServer->ordered.size() >= count && client->ordered.size() >= count &&
               atServer->guaranteed.size() >= unordered;
      },
      600000));
  pump(3000);
  // Ordered events arrive once and in order both ways.
  EXPECT_EQ(atServer->ordered, sequence(count));
  EXPECT_EQ(client->ordered, sequence(count));
  // Guaranteed ones exactly once.
  std::vector<uint32_t> got = atServer->guaranteed;
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, sequence(unordered));
  // Unguaranteed ones are written once and never resent: some are lost.
  EXPECT_EQ(client->getQueuedEventCount(), 0u);
  EXPECT_EQ(log.countContaining("WroteEvent RPC_TestConnection_c2sUnguaranteed"), int(unordered));
  EXPECT_LT(atServer->unguaranteed.size(), unordered);
  EXPECT_GT(atServer->unguaranteed.size(), unordered / 4);
  EXPECT_EQ(std::set<uint32_t>(atServer->unguaranteed.begin(), atServer->unguaranteed.end()).size(),
            atServer->unguaranteed.size());
  EXPECT_LT(client->getLastSendSequence(), 0x10000u); // it did wrap
  EXPECT_TRUE(client->isEstablished());
}

TEST_F(Delivery, ArgumentsCrossTheLinkExactly) {
  ASSERT_NO_FATAL_FAILURE(establish());
  const double doubles[] = {-0.0, std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(), std::nan("0x5eed"), -560.0};
  const size_t lengths[] = {0, 1, 3, 254, 255, 255};
  std::vector<std::string> texts;
  for (size_t length : lengths)
    texts.push_back(std::string(length, 'p'));
  texts.back()[100] = 'Q'; // repeated string with a change deep inside
  for (size_t i = 0; i < texts.size(); ++i) {
    RefPtr<ByteBuffer> bytes = new ByteBuffer(i == 0 ? 0 : 1023);
    for (size_t b = 0; b < bytes->getBufferSize(); ++b)
      bytes->getBuffer()[b] = uint8_t(b * 13 + i);
    ASSERT_TRUE(
        client->c2sAllTypes(uint32_t(i), -int32_t(i), doubles[i % 5], StringPtr(texts[i]), bytes, i & 1));
  }
  // Extreme numbers; a null string and a null buffer arrive empty.
  ASSERT_TRUE(client->c2sAllTypes(0xFFFFFFFFu, INT32_MIN, 1.0, StringPtr(), nullptr, true));
  ASSERT_TRUE(pumpUntil([&] { return atServer->values.size() == texts.size() + 1; }, 5000));
  const ReceivedValues &last = atServer->values.back();
  EXPECT_EQ(last.u, 0xFFFFFFFFu);
  EXPECT_EQ(last.s, INT32_MIN);
  EXPECT_EQ(last.text.str(), "");
  ASSERT_TRUE(last.bytes.isValid());
  EXPECT_EQ(last.bytes->getBufferSize(), 0u);
  EXPECT_TRUE(client->values.empty()); // the handler ran at the receiving end only
  for (size_t i = 0; i < texts.size(); ++i) {
    const ReceivedValues &got = atServer->values[i];
    EXPECT_EQ(got.u, i);
    EXPECT_EQ(got.s, -int32_t(i));
    EXPECT_EQ(std::memcmp(&got.d, &doubles[i % 5], sizeof got.d), 0); // bit for bit
    EXPECT_EQ(got.text.str(), texts[i]);
    ASSERT_EQ(got.bytes->getBufferSize(), i == 0 ? 0u : 1023u);
    for (size_t b = 0; b < got.bytes->getBufferSize(); ++b)
      ASSERT_EQ(got.bytes->getBuffer()[b], uint8_t(b * 13 + i));
    EXPECT_EQ(got.flag, bool(i & 1));
  }
}

TEST_F(Delivery, EventOnAnIdleLinkLeavesAtOnceAndTheIdleCreditIsCappedAtOneSecond) {
  ASSERT_NO_FATAL_FAILURE(establish());
  std::vector<uint32_t> dataPacketTimes;
  client->getInterface()->setSendFilter([&](const Address &, const uint8_t *data, size_t size) {
    if (isPacketOfType(data, size, NetConnection::DataPacket))
      dataPacketTimes.push_back(sNow);
    EXPECT_LE(size, 260u);
    return true;
  });
  atServer->s2cOrdered(1);
  // Idle spells of different lengths put the post at every phase of the
  // 96 ms period; none of them may make the event wait for the next one.
  for (uint32_t trial = 0; trial < 24; ++trial) {
    pump(200 + trial * 7, 2);
    client->c2sOrdered(trial);
    step(2);
    ASSERT_FALSE(dataPacketTimes.empty());
    EXPECT_EQ(dataPacketTimes.back(), sNow) << "trial " << trial;
  }
  ASSERT_TRUE(pumpUntil([&] { return atServer->ordered.size() == 24; }, 5000));
  EXPECT_EQ(atServer->ordered, sequence(24));

  pump(4000, 2); // pings keep the link alive; four idle seconds
  dataPacketTimes.clear();
  const uint32_t postedAt = sNow;
  for (uint32_t i = 0; i < 2000; ++i)
    client->c2sOrdered(i);
  pump(5000, 2);
  ASSERT_GT(dataPacketTimes.size(), 20u);
  EXPECT_EQ(dataPacketTimes.front(), postedAt + 2);
  // The first packet uses 96 ms of the idle time and keeps 1000 ms of it,
  // which pays for ten more packets at once (one per pass); after that the
  // period of 96 ms rules again.
  size_t burst = 0;
  while (burst + 1 < dataPacketTimes.size() && dataPacketTimes[burst + 1] - dataPacketTimes[burst] <= 2)
    ++burst;
  EXPECT_GE(burst + 1, 10u);
  EXPECT_LE(burst + 1, 12u);
  for (size_t i = burst + 2; i < dataPacketTimes.size(); ++i)
    EXPECT_GE(dataPacketTimes[i] - dataPacketTimes[i - 1], 94u) << "packet " << i;
  // The data packets settled that rate on both ends.
  for (TestConnection *end : {client, atServer}) {
    EXPECT_EQ(end->getSendPeriod(), 96u);
    EXPECT_EQ(end->getPacketSize(), 240u);
  }
}

TEST_F(Delivery, WithoutAcknowledgementsSendingPausesAt30PacketsAnd126OrderedEvents) {
  ASSERT_NO_FATAL_FAILURE(establish());
  server->setSendFilter(dropEverything);
  std::vector<uint32_t> dataPackets;
  timePackets(client->getInterface(), NetConnection::DataPacket, dataPackets);
  for (uint32_t i = 0; i < 3000; ++i)
    client->c2sOrdered(i);
  pump(20000);
  EXPECT_EQ(dataPackets.size(), 30u);
  EXPECT_EQ(client->getUnackedPacketCount(), 30u);
  EXPECT_EQ(log.countContaining("WroteEvent RPC_TestConnection_c2sOrdered"), 126);
  EXPECT_EQ(client->getQueuedEventCount(), 3000u - 126u);
  server->setSendFilter(nullptr);
  ASSERT_TRUE(pumpUntil([&] { return atServer->ordered.size() == 3000; }, 120000));
  EXPECT_EQ(atServer->ordered, sequence(3000));
}

TEST_F(Delivery, PingIsAnsweredAtOnceAndTenUnansweredOnesEndTheLink) {
  ASSERT_NO_FATAL_FAILURE(establish());
  pausedInterfaces.push_back(server); // the server only reads, below
  std::vector<uint32_t> pings;
  timePackets(client->getInterface(), NetConnection::PingPacket, pings);
  size_t answered = 0;
  server->setSendFilter([&](const Address &, const uint8_t *data, size_t size) {
    EXPECT_TRUE(isPacketOfType(data, size, NetConnection::AckPacket));
    ++answered;
    return true;
  });
  // The server never services its connections: every datagram it sends is
  // an answer made while reading.
  for (int i = 0; i < 3000; ++i) {
    step(50);
    server->receiveDatagrams();
  }
  for (int i = 0; i < 20 && answered < pings.size(); ++i) {
    Platform::sleep(1);
    server->receiveDatagrams();
  }
  EXPECT_GE(pings.size(), 10u);
  EXPECT_EQ(answered, pings.size());
  EXPECT_TRUE(client->isEstablished()); // every answer reset its ping count

  // Once the server falls silent the client times out after ten unanswered pings.
  server->setSendFilter(dropEverything);
  pings.clear();
  const uint32_t silentFrom = sNow;
  ASSERT_TRUE(pumpUntil([&] { return client->terminatedCount > 0; }, 120000, 50));
  EXPECT_EQ(pings.size(), 10u);
  EXPECT_EQ(client->lastReason, NetConnection::ReasonTimedOut);
  EXPECT_EQ(client->lastReasonText, "Timeout");
  EXPECT_EQ(client->getConnectionState(), NetConnection::TimedOut);
  EXPECT_GE(client->terminatedAt - silentFrom, 60000u);
  EXPECT_LE(client->terminatedAt - silentFrom, 70000u);
  EXPECT_TRUE(client->getInterface() == nullptr);
}

TEST_F(Delivery, DataPacketOvertakenByAPingWithItsNumberIsNotAcknowledged) {
  ASSERT_NO_FATAL_FAILURE(establish());
  pump(200);
  std::vector<uint8_t> held;
  int passedAfterHold = 0;
  client->getInterface()->setSendFilter([&](const Address &, const uint8_t *data, size_t size) {
    if (held.empty() && isPacketOfType(data, size, NetConnection::DataPacket)) {
      held.assign(data, data + size);
      return false;
    }
    if (!held.empty())
      ++passedAfterHold;
    return true;
  });
  client->c2sOrdered(7);
  ASSERT_TRUE(pumpUntil([&] { return !held.empty(); }, 1000));
  // The server stays silent, so the client learns nothing of the held
  // packet, until the client's ping (repeating the held packet's number)
  // and then the held packet itself have arrived.
  server->setSendFilter(dropEverything);
  ASSERT_TRUE(pumpUntil([&] { return passedAfterHold > 0; }, 20000));
  step();
  client->getInterface()->sendRawDatagram(server->getBoundAddress(), held.data(), held.size());
  step();
  server->setSendFilter(nullptr);
  ASSERT_TRUE(pumpUntil([&] { return !atServer->ordered.empty(); }, 30000));
  pump(10000);
  EXPECT_EQ(atServer->ordered, std::vector<uint32_t>{7});
}

TEST_F(Delivery, LostPacketIsReportedItsOrderedEventsGoAheadAndTripTimeFollowsTheLatency) {
  ASSERT_NO_FATAL_FAILURE(establish());
  client->setSimulatedNetParams(0.0f, 40);
  atServer->setSimulatedNetParams(0.0f, 40);
  bool dropped = false;
  client->getInterface()->setSendFilter([&](const Address &, const uint8_t *data, size_t size) {
    if (!dropped && isPacketOfType(data, size, NetConnection::DataPacket)) {
      dropped = true;
      return false;
    }
    return true;
  });
  client->c2sOrdered(1);
  client->c2sOrdered(2);
  pump(300);
  for (uint32_t i = 3; i < 20; ++i) {
    client->c2sOrdered(i);
    atServer->s2cOrdered(i);
    pump(100);
  }
  ASSERT_TRUE(pumpUntil([&] { return atServer->ordered.size() == 19; }, 20000));
  std::vector<uint32_t> expected = sequence(20);
  expected.erase(expected.begin());
  EXPECT_EQ(atServer->ordered, expected);
  EXPECT_GE(log.countContaining("DroppedGuaranteed - 0"), 1);
  EXPECT_GE(log.countContaining("NOTIFY"), 1);
  // 80 ms there and back; the answer's own wait is taken out by its send delay
  // (to 8 ms), but an answer may carry the acknowledgement one period late.
  for (TestConnection *end : {client, atServer}) {
    EXPECT_GT(end->getRoundTripTime(), 70.0f);
    EXPECT_LT(end->getRoundTripTime(), 130.0f);
  }
}

// An event taken back out of a full packet must also take back the string it
// wrote, or the next string in the packet is written against a prefix the
// reader never saw.
TEST_F(Delivery, EventTakenBackOutOfAPacketTakesItsStringBackToo) {
  // The largest c2sBig that still fits an empty packet.
  size_t fitting = 0;
  for (size_t size = 0; size <= 1023; ++size) {
    RefPtr<TestConnection> probe = new TestConnection;
    if (probe->c2sBig("passenger_beta", new ByteBuffer(1023), new ByteBuffer(size)))
      fitting = size;
  }
  ASSERT_GT(fitting, 0u);
  ASSERT_LT(fitting, 1023u);

  ASSERT_NO_FATAL_FAILURE(establish());
  pump(200);
  const std::string small = "alpha_" + std::string(20, 'x');
  ASSERT_TRUE(client->c2sGuaranteedName(small));
  ASSERT_TRUE(client->c2sBig("passenger_beta", new ByteBuffer(1023), new ByteBuffer(fitting)));
  ASSERT_TRUE(client->c2sName("passenger_betamax"));
  ASSERT_TRUE(pumpUntil([&] { return atServer->names.size() == 3; }, 3000));
  EXPECT_EQ(atServer->names[0], small);
  EXPECT_EQ(atServer->names[1], "passenger_betamax");
  EXPECT_EQ(atServer->names[2], "passenger_beta:" + std::to_string(1023 + fitting));
  EXPECT_TRUE(atServer->isEstablished());
}

namespace {

// Send-delay field of a connection packet header, in units of 8 ms.
uint32_t sendDelayField(const uint8_t *data, size_t size) {
  std::vector<uint8_t> copy(data, data + size);
  BitStream stream(copy.data(), copy.size());
  stream.readInt(2 + 5 + 1 + 6 + 10);
  const uint32_t ackBytes = stream.readInt(3);
  stream.readInt(ackBytes * 8);
  return stream.readInt(8);
}

} // namespace

TEST_F(Delivery, SendDelayCountsFromTheLastDataPacketNotFromPingsOrAcknowledgements) {
  ASSERT_NO_FATAL_FAILURE(establish());
  atServer->s2cOrdered(1);
  ASSERT_TRUE(pumpUntil([&] { return client->ordered.size() == 1; }, 1000));
  pump(200);
  // The server's ping or acknowledgement arrives; no data follows it.
  bool serverSentHeaderOnly = false;
  server->setSendFilter([&](const Address &, const uint8_t *data, size_t size) {
    serverSentHeaderOnly |=
        size && isConnectionPacket(data) && connectionPacketType(data) != NetConnection::DataPacket;
    return true;
  });
  ASSERT_TRUE(pumpUntil([&] { return serverSentHeaderOnly; }, 20000));
  pump(20);
  std::vector<uint32_t> delays;
  client->getInterface()->setSendFilter([&](const Address &, const uint8_t *data, size_t size) {
    if (isPacketOfType(data, size, NetConnection::DataPacket))
      delays.push_back(sendDelayField(data, size));
    return true;
  });
  client->c2sOrdered(2);
  ASSERT_TRUE(pumpUntil([&] { return !delays.empty(); }, 1000));
  // Seconds since the server's data packet: the field's largest value
  // (2047 ms / 8), not the few milliseconds since its last header.
  EXPECT_EQ(delays.front(), 2047u / 8);
  // The ping time-out still counts from any packet: the link stays up.
  EXPECT_TRUE(client->isEstablished());
}
