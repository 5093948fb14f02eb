// Connection packet layout (bits in stream order; the first three fields
// fill the first byte, whose top bit is always 1, telling a connection packet
// from a handshake packet):
//
//   +------+---------+---+----------+----------+-------+-----------+-------+
//   | type | seq low | 1 | seq high | ack seq  | ack   | ack mask  | send  |
//   | 2    | 5       | 1 | 6        | 10       | bytes | 8 x bytes | delay |
//   |      |         |   |          |          | 3     |           | 8     |
//   +------+---------+---+----------+----------+-------+-----------+-------+
//   data packets only, then:
//   +------+----------+--------------+--------------+------------+------------+
//   | rate | adaptive | max recv bw  | max send bw  | min recv   | min send   |
//   | 1    | 1        | 16           | 16           | period-1 11| period-1 11|
//   +------+----------+--------------+--------------+------------+------------+
//   (the fields after "rate" only when it is 1; after "adaptive" only when 0)
//   followed by the events of the EventConnection.
//
//   type      0 data, 1 ping, 2 acknowledgement
//   seq       last send sequence number, 11 bits (low 5 + high 6); pings and
//             acknowledgements repeat the last data packet's number
//   ack seq   last received sequence number modulo 1024
//   ack bytes (last received - last received ack-of-ack + 7) / 8, 0..4
//   ack mask  bit n: the data packet n places before "ack seq" arrived
//   send delay milliseconds since the last packet from the peer (<= 2047) / 8
#include "netconnection.h"

#include "log.h"
#include "netinterface.h"
#include "random.h"
#include "tnlbitstream.h"

#include <algorithm>
#include <cstring>

namespace TNL {
namespace {

const char *packetTypeName(uint32_t type) {
  static const char *const names[] = {"DataPacket", "PingPacket", "AckPacket"};
  return type < 3 ? names[type] : "InvalidPacket";
}

} // namespace

NetConnectionRep *NetConnectionRep::mConnectionList = nullptr;

NetConnectionRep::NetConnectionRep(const char *className, uint32_t groupMask, bool canRemoteCreate)
    : NetClassRep(className, groupMask, NetClassTypeNone, 0), mCanRemoteCreate(canRemoteCreate),
      mNextConnectionClass(mConnectionList) {
  mConnectionList = this;
}

NetConnection *NetConnectionRep::createByName(const char *className) {
  for (NetConnectionRep *rep = mConnectionList; rep; rep = rep->mNextConnectionClass) {
    if (rep->mCanRemoteCreate && std::strcmp(rep->getClassName(), className) == 0)
      return dynamic_cast<NetConnection *>(rep->create());
  }
  return nullptr;
}

NetConnection::NetConnection() : mInitialSendSeq(Random::readI()) {
  mParameters.clientNonce.randomize();
  computeNegotiatedRate();
}

NetConnection::~NetConnection() = default;

void NetConnection::connectTo(NetInterface *theInterface, const Address &address, bool requestKeyExchange,
                              bool requestCertificate) {
  if (mConnectionState != NotConnected || !theInterface)
    return;
  mIsInitiator = true;
  mParameters.requestKeyExchange = requestKeyExchange;
  mParameters.requestCertificate = requestCertificate;
  setNetAddress(address);
  theInterface->startConnection(this);
}

void NetConnection::onEstablished() {
  if (mIsInitiator)
    mIsConnectionToServer = true;
  else
    mIsConnectionToClient = true;
}

void NetConnection::onTerminated(TerminationReason, const char *) {}
void NetConnection::onConnectFailed(TerminationReason, const char *) {}

void NetConnection::setNetAddress(const Address &address) {
  mAddress = address;
  mAddressString = address.toString();
}

void NetConnection::setPingTimeouts(uint32_t timeoutMs, uint32_t retryCount) {
  mPingTimeout = timeoutMs;
  mPingRetryCount = retryCount;
}

void NetConnection::setSimulatedNetParams(float packetLoss, uint32_t latencyMs) {
  mSimulatedPacketLoss = packetLoss;
  mSimulatedLatency = latencyMs;
}

void NetConnection::setLastError(const char *text) {
  mErrorString.assign(text ? text : "");
  if (mErrorString.size() > MaxErrorStringLength)
    mErrorString.resize(MaxErrorStringLength);
}

uint32_t NetConnection::getCurrentTime() const {
  return mInterface ? mInterface->getCurrentTime() : Platform::getRealMilliseconds();
}

void NetConnection::setInitialRecvSequence(uint32_t sequence) {
  mLastSendSeq = mInitialSendSeq;
  mHighestAckedSeq = mInitialSendSeq;
  mLastSeqRecvd = sequence;
  mLastRecvAckAck = sequence;
  mAckMask = 0;
  for (uint32_t &remembered : mLastSeqRecvdAtSend)
    remembered = sequence;
}

void NetConnection::onConnectionEstablished() {
  uint32_t now = getCurrentTime();
  mLastDataSendTime = now;
  mLastDataRecvTime = now;
  mSendDelayCredit = 0;
  mPingTimerStarted = false;
  mPingSendCount = 0;
  mConnectionState = Connected;
}

// ---- handshake class data -------------------------------------------------
//   connect request: net class group (32), group check value (32)

void NetConnection::writeConnectRequest(BitStream &stream) {
  stream.write(uint32_t(getNetClassGroup()));
  stream.write(NetClassRep::getClassGroupCRC(getNetClassGroup()));
}

bool NetConnection::readConnectRequest(BitStream &stream, std::string &reason) {
  uint32_t group = stream.readInt(32);
  uint32_t check = stream.readInt(32);
  if (!stream.isValid()) {
    reason.clear();
    return false;
  }
  if (group != uint32_t(getNetClassGroup()) || check != NetClassRep::getClassGroupCRC(getNetClassGroup())) {
    reason = "CHR_INVALID";
    return false;
  }
  return true;
}

void NetConnection::writeConnectAccept(BitStream &) {}

bool NetConnection::readConnectAccept(BitStream &, std::string &) {
  return true;
}

// ---- packet body hooks ----------------------------------------------------

void NetConnection::writePacket(BitStream &, PacketNote &) {}
void NetConnection::readPacket(BitStream &) {}
void NetConnection::packetDropped(PacketNote &) {}
void NetConnection::packetReceived(PacketNote &) {}

// ---- header: write and read side by side -----------------------------------

void NetConnection::writePacketHeader(BitStream &stream, PacketType type) {
  assert(type < InvalidPacketType);
  uint32_t ackByteCount = (mLastSeqRecvd - mLastRecvAckAck + 7) >> 3;
  assert(ackByteCount <= 4);
  // The peer subtracts this from the trip time of the data packet it sees
  // acknowledged here, which is the last new data packet this end received.
  uint32_t sinceReceive = std::min<uint32_t>(getCurrentTime() - mLastDataRecvTime, 2047);

  stream.writeInt(type, 2);
  stream.writeInt(mLastSendSeq & 31, 5);
  stream.writeFlag(true);
  stream.writeInt((mLastSendSeq >> 5) & 63, 6);
  stream.writeInt(mLastSeqRecvd & 1023, 10);
  stream.writeInt(ackByteCount, 3);
  stream.writeInt(mAckMask, ackByteCount * 8);
  stream.writeInt(sinceReceive >> 3, 8);
  logprintfChannel("LogConnectionProtocol", "build hdr %d %d", int(mLastSendSeq), int(mLastSeqRecvd));
}

bool NetConnection::readPacketHeader(BitStream &stream, PacketType &type, bool &isNewData) {
  uint32_t packetType = stream.readInt(2);
  uint32_t sequence = stream.readInt(5);
  bool marker = stream.readFlag();
  sequence |= stream.readInt(6) << 5;
  uint32_t highestAck = stream.readInt(10);
  if (stream.isValid() && !marker) {
    logprintfChannel("LogNetConnection", "Invalid packet header in NetConnection::readPacketHeader!");
    return false;
  }

  // Widen the 11-bit sequence against the last received number.
  uint32_t packetSeq = (mLastSeqRecvd & ~0x7FFu) | sequence;
  if (seqLess(packetSeq, mLastSeqRecvd))
    packetSeq += 2048;
  if (seqDifference(packetSeq, mLastSeqRecvd) >= 32)
    return false;

  // Widen the 10-bit acknowledgement against the highest acknowledged one.
  uint32_t ackSeq = (mHighestAckedSeq & ~0x3FFu) | highestAck;
  if (seqLess(ackSeq, mHighestAckedSeq))
    ackSeq += 1024;
  if (seqGreater(ackSeq, mLastSendSeq))
    return false;

  uint32_t ackByteCount = stream.readInt(3);
  if (ackByteCount > 4 || packetType >= InvalidPacketType)
    return false;
  uint32_t ackMask = stream.readInt(ackByteCount * 8);
  uint32_t sendDelay = stream.readInt(8) * 8 + 4;
  if (!stream.isValid())
    return false;

  type = PacketType(packetType);
  // A packet that does not advance the sequence (its number was already
  // seen on a ping or acknowledgement that overtook it) is not a new data
  // packet: acknowledging it without reading it would lose its events.
  uint32_t distance = packetSeq - mLastSeqRecvd;
  isNewData = type == DataPacket && distance > 0;
  mAckMask = distance < 32 ? mAckMask << distance : 0;
  if (isNewData)
    mAckMask |= 1;
  logprintfChannel("LogConnectionProtocol", "Recv %d %s", int(packetSeq), packetTypeName(type));

  for (uint32_t seq = mHighestAckedSeq + 1; !seqGreater(seq, ackSeq); ++seq) {
    uint32_t bit = ackSeq - seq;
    bool delivered = bit < ackByteCount * 8 && ((ackMask >> bit) & 1) != 0;
    if (!delivered)
      logprintfChannel("LogConnectionProtocol", "Not recv %d", int(seq));
    handleNotify(seq, delivered, sendDelay);
  }
  if (seqDifference(packetSeq, mLastRecvAckAck) > 32)
    mLastRecvAckAck = packetSeq - 32;

  mHighestAckedSeq = ackSeq;
  mLastSeqRecvd = packetSeq;
  mPingSendCount = 0;
  mPingTimerStarted = false;
  if (isNewData)
    mLastDataRecvTime = getCurrentTime();
  logprintfChannel("LogConnectionProtocol", "Ack %d %d", int(ackSeq), int(packetSeq));

  if (type == PingPacket || seqDifference(mLastSeqRecvd, mLastRecvAckAck) > 16)
    sendAckPacket();
  return true;
}

void NetConnection::writeRateInfo(BitStream &stream) {
  if (!stream.writeFlag(mLocalRateChanged))
    return;
  mLocalRateChanged = false;
  stream.writeFlag(false); // not adaptive
  stream.writeInt(mLocalRate.maxRecvBandwidth, 16);
  stream.writeInt(mLocalRate.maxSendBandwidth, 16);
  stream.writeInt(mLocalRate.minPacketRecvPeriod - 1, 11);
  stream.writeInt(mLocalRate.minPacketSendPeriod - 1, 11);
}

void NetConnection::readRateInfo(BitStream &stream) {
  if (!stream.readFlag() || stream.readFlag())
    return; // no rate, or an adaptive peer, which sends nothing more
  RateInfo remote;
  remote.maxRecvBandwidth = stream.readInt(16);
  remote.maxSendBandwidth = stream.readInt(16);
  remote.minPacketRecvPeriod = stream.readInt(11) + 1;
  remote.minPacketSendPeriod = stream.readInt(11) + 1;
  if (!stream.isValid())
    return;
  mRemoteRate = remote;
  computeNegotiatedRate();
}

void NetConnection::computeNegotiatedRate() {
  mCurrentPacketSendPeriod = std::max(mLocalRate.minPacketSendPeriod, mRemoteRate.minPacketRecvPeriod);
  uint32_t bandwidth = std::min(mLocalRate.maxSendBandwidth, mRemoteRate.maxRecvBandwidth);
  mCurrentPacketSendSize = std::min<uint32_t>(bandwidth * mCurrentPacketSendPeriod / 1000, 1500);
}

void NetConnection::handleNotify(uint32_t sequence, bool delivered, uint32_t sendDelay) {
  if (mNotifyQueue.empty())
    return;
  logprintfChannel("LogNetConnection", "NetConnection %s: NOTIFY %d %s", getNetAddressString(), int(sequence),
                   delivered ? "RECVD" : "DROPPED");
  PacketNote note = mNotifyQueue.front();
  mNotifyQueue.pop_front();
  if (delivered) {
    int32_t tripTime = int32_t(getCurrentTime() - note.sendTime - sendDelay);
    mRoundTripTime = std::max(0.0f, 0.1f * float(tripTime) + 0.9f * mRoundTripTime);
    mLastRecvAckAck = mLastSeqRecvdAtSend[sequence & 31];
    packetReceived(note);
  } else {
    if (note.rateChanged)
      mLocalRateChanged = true;
    packetDropped(note);
  }
}

// ---- sending ----------------------------------------------------------------

void NetConnection::checkPacketSend(uint32_t now) {
  if (!isEstablished())
    return;
  // The period runs from the last data packet, not from the last chance to
  // send one: an event posted after an idle spell leaves at once.
  uint32_t elapsed = now - mLastDataSendTime;
  if (elapsed + mSendDelayCredit < mCurrentPacketSendPeriod)
    return;
  if (mLastSendSeq - mHighestAckedSeq >= MaxPacketWindowSize)
    return;
  if (!isDataToTransmit())
    return;
  mSendDelayCredit =
      std::min<uint32_t>(elapsed + mSendDelayCredit - mCurrentPacketSendPeriod, MaxSendDelayCredit);
  mLastDataSendTime = now;
  sendDataPacket(now);
}

void NetConnection::sendDataPacket(uint32_t now) {
  PacketStream stream;
  ++mLastSendSeq;
  logprintfChannel("LogNetConnection", "NetConnection %s: START %s", getNetAddressString(),
                   getClassRep()->getClassName());
  writePacketHeader(stream, DataPacket);
  PacketNote note;
  note.sendTime = now;
  note.rateChanged = mLocalRateChanged;
  mNotifyQueue.push_back(note);
  writeRateInfo(stream);
  writePacket(stream, mNotifyQueue.back());
  mLastSeqRecvdAtSend[mLastSendSeq & 31] = mLastSeqRecvd;
  logprintfChannel("LogNetConnection", "NetConnection %s: END %s - %d bits", getNetAddressString(),
                   getClassRep()->getClassName(), int(stream.getBitPosition()));
  sendDatagram(stream);
}

void NetConnection::sendPingPacket() {
  PacketStream stream;
  writePacketHeader(stream, PingPacket);
  logprintfChannel("LogNetConnection", "send ping %d", int(mLastSendSeq));
  sendDatagram(stream);
}

void NetConnection::sendAckPacket() {
  PacketStream stream;
  writePacketHeader(stream, AckPacket);
  logprintfChannel("LogNetConnection", "send ack %d", int(mLastSendSeq));
  sendDatagram(stream);
}

void NetConnection::sendDatagram(BitStream &stream) {
  size_t size = stream.getBytePosition();
  if (mSimulatedPacketLoss > 0 && Random::readF() < mSimulatedPacketLoss) {
    logprintfChannel("LogNetConnection", "NetConnection %s: SENDDROP - %d", getNetAddressString(),
                     int(mLastSendSeq));
    return;
  }
  logprintfChannel("LogNetConnection", "NetConnection %s: SEND - %d bytes", getNetAddressString(), int(size));
  if (mInterface)
    mInterface->sendDatagram(mAddress, stream.getBuffer(), size, mSimulatedLatency);
}

// ---- receiving --------------------------------------------------------------

void NetConnection::readRawPacket(PacketStream &stream) {
  if (mSimulatedPacketLoss > 0 && Random::readF() < mSimulatedPacketLoss) {
    logprintfChannel("LogNetConnection", "NetConnection %s: RECVDROP - %d", getNetAddressString(),
                     int(stream.getMaxBits() / 8));
    return;
  }
  logprintfChannel("LogNetConnection", "NetConnection %s: RECV- %d bytes", getNetAddressString(),
                   int(stream.getMaxBits() / 8));
  PacketType type;
  bool isNewData = false;
  if (!readPacketHeader(stream, type, isNewData) || !isNewData)
    return;
  readRateInfo(stream);
  if (!stream.isValid()) {
    setLastError("Invalid Packet.");
    return;
  }
  readPacket(stream);
  if (!stream.isValid() && !hasError())
    setLastError("Invalid Packet.");
}

bool NetConnection::checkPingTimeout(uint32_t now) {
  if (!mPingTimerStarted) {
    mPingTimerStarted = true;
    mLastPingSendTime = now;
    return false;
  }
  if (now - mLastPingSendTime <= mPingTimeout)
    return false;
  if (mPingSendCount >= mPingRetryCount)
    return true;
  mLastPingSendTime = now;
  ++mPingSendCount;
  sendPingPacket();
  return false;
}

} // namespace TNL
