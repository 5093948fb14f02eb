// One connection to one peer address: its state, the handshake parameters,
// the packet sequence and acknowledgement windows, the send rate, ping
// time-outs, and simulated loss and latency for tests.
//
// Sequence numbers start at random 32-bit values and wrap; every "below",
// "ahead" and "beyond" comparison of them uses the signed 32-bit difference
// (seqLess and friends below), never a plain < on the raw values.
#pragma once

#include "clientpuzzle.h"
#include "netbase.h"
#include "netsocket.h"

#include <deque>
#include <string>

namespace TNL {

class BitStream;
class NetInterface;
class PacketStream;
struct EventNote;

inline int32_t seqDifference(uint32_t a, uint32_t b) {
  return int32_t(a - b);
}
inline bool seqLess(uint32_t a, uint32_t b) {
  return seqDifference(a, b) < 0;
}
inline bool seqGreater(uint32_t a, uint32_t b) {
  return seqDifference(a, b) > 0;
}

class NetConnectionRep;

class NetConnection : public Object {
  friend class NetInterface;
  friend struct TestAccess;

public:
  enum TerminationReason {
    ReasonTimedOut = 0,
    ReasonFailedConnectHandshake = 1,
    ReasonRemoteHostRejectedConnection = 2,
    ReasonRemoteDisconnectPacket = 3,
    ReasonDuplicateConnectionAttempt = 4,
    ReasonSelfDisconnect = 5,
    ReasonError = 6,
  };

  enum NetConnectionState {
    NotConnected = 0,
    AwaitingChallengeResponse = 1,
    SendingPunchPackets = 2,
    ComputingPuzzleSolution = 3,
    AwaitingConnectResponse = 4,
    ConnectTimedOut = 5,
    ConnectRejected = 6,
    Connected = 7,
    Disconnected = 8,
    TimedOut = 9,
  };

  enum PacketType : uint32_t {
    DataPacket = 0,
    PingPacket = 1,
    AckPacket = 2,
    InvalidPacketType = 3,
  };

  static constexpr uint32_t DefaultPingTimeout = 5000; // milliseconds
  static constexpr uint32_t DefaultPingRetryCount = 10;
  static constexpr uint32_t MaxPacketWindowSize = 30; // unacknowledged data packets
  static constexpr uint32_t MaxErrorStringLength = 255;
  static constexpr uint32_t MaxSendDelayCredit = 1000; // milliseconds
  // Header without and with rate information, at their longest.
  static constexpr uint32_t MaxPacketHeaderBits = 8 + 6 + 10 + 3 + 32 + 8;
  static constexpr uint32_t MaxRateInfoBits = 1 + 1 + 16 + 16 + 11 + 11;

  struct RateInfo {
    uint32_t maxRecvBandwidth = 2500; // bytes per second, 0..65535
    uint32_t maxSendBandwidth = 2500;
    uint32_t minPacketRecvPeriod = 96; // milliseconds, 1..2048
    uint32_t minPacketSendPeriod = 96;
  };

  // What the handshake carries and both ends keep.
  struct ConnectionParameters {
    Nonce clientNonce;
    Nonce serverNonce;
    uint32_t clientIdentity = 0;
    uint32_t puzzleDifficulty = 0;
    uint32_t puzzleSolution = 0;
    bool requestKeyExchange = false;
    bool requestCertificate = false;
    bool usingEncryption = false;
    bool puzzleRetried = false;
    bool debugObjectSizes = false;
  };

  struct PacketNote {
    uint32_t sendTime = 0;
    bool rateChanged = false;
    EventNote *events = nullptr; // owned by the EventConnection while the note lives
  };

  NetConnection();
  ~NetConnection() override;

  virtual NetClassRep *getClassRep() const = 0;
  virtual NetClassGroup getNetClassGroup() const { return NetClassGroupGame; }

  // Starts the handshake with the interface's peer at address; valid only in
  // state NotConnected.
  void connectTo(NetInterface *theInterface, const Address &address, bool requestKeyExchange = false,
                 bool requestCertificate = false);

  // Sets the to-server flag on the initiator, the to-client flag otherwise.
  virtual void onEstablished();
  virtual void onTerminated(TerminationReason reason, const char *reasonText);
  virtual void onConnectFailed(TerminationReason reason, const char *reasonText);

  const Address &getNetAddress() const { return mAddress; }
  const char *getNetAddressString() const { return mAddressString.c_str(); }
  bool isInitiator() const { return mIsInitiator; }
  NetConnectionState getConnectionState() const { return mConnectionState; }
  bool isEstablished() const { return mConnectionState == Connected; }
  bool isConnectionToServer() const { return mIsConnectionToServer; }
  bool isConnectionToClient() const { return mIsConnectionToClient; }
  NetInterface *getInterface() const { return mInterface; }
  const ConnectionParameters &getConnectionParameters() const { return mParameters; }

  void setPingTimeouts(uint32_t timeoutMs, uint32_t retryCount);
  // Loss fraction 0..1 drops that share of the datagrams this end sends and
  // receives; latency holds each outgoing datagram back that many ms.
  void setSimulatedNetParams(float packetLoss, uint32_t latencyMs);

  // The protocol error found while reading the current packet, or "".
  const char *getErrorString() const { return mErrorString.c_str(); }
  void setLastError(const char *text);
  bool hasError() const { return !mErrorString.empty(); }

  float getRoundTripTime() const { return mRoundTripTime; }
  uint32_t getSendPeriod() const { return mCurrentPacketSendPeriod; }
  uint32_t getPacketSize() const { return mCurrentPacketSendSize; }
  const RateInfo &getLocalRate() const { return mLocalRate; }
  uint32_t getLastSendSequence() const { return mLastSendSeq; }
  uint32_t getHighestAckedSequence() const { return mHighestAckedSeq; }
  uint32_t getUnackedPacketCount() const { return mLastSendSeq - mHighestAckedSeq; }
  // Only for tests of sequence wrap-around: both ends must agree, so set it
  // before connectTo (initiator) or before accepting.
  void setInitialSendSequence(uint32_t sequence) { mInitialSendSeq = sequence; }

protected:
  // Class data of the connect request and accept. A refusing read stores
  // its reason (possibly empty) and returns false.
  virtual void writeConnectRequest(BitStream &stream);
  virtual bool readConnectRequest(BitStream &stream, std::string &reason);
  virtual void writeConnectAccept(BitStream &stream);
  virtual bool readConnectAccept(BitStream &stream, std::string &reason);

  // Hooks of the data packet body.
  virtual bool isDataToTransmit() { return false; }
  virtual void writePacket(BitStream &stream, PacketNote &note);
  virtual void readPacket(BitStream &stream);
  virtual void packetDropped(PacketNote &note);
  virtual void packetReceived(PacketNote &note);
  // Established: the handshake is complete on this end.
  virtual void onConnectionEstablished();

  uint32_t getCurrentTime() const;
  // Sent data packets not yet acknowledged or lost, oldest first.
  std::deque<PacketNote> &getPacketNotes() { return mNotifyQueue; }

private:
  // Called by the interface.
  void setInterface(NetInterface *theInterface) { mInterface = theInterface; }
  void setNetAddress(const Address &address);
  void setConnectionState(NetConnectionState state) { mConnectionState = state; }
  void setInitiator(bool initiator) { mIsInitiator = initiator; }
  ConnectionParameters &parameters() { return mParameters; }
  uint32_t getInitialSendSequence() const { return mInitialSendSeq; }
  void setInitialRecvSequence(uint32_t sequence);
  void resetHandshakeTimer(uint32_t now) {
    mHandshakeRetryCount = 0;
    mHandshakeLastSendTime = now;
  }

  void checkPacketSend(uint32_t now);
  // True when the connection timed out and must be removed.
  bool checkPingTimeout(uint32_t now);
  void readRawPacket(PacketStream &stream);
  void sendPingPacket();
  void sendAckPacket();
  void sendDataPacket(uint32_t now);
  void sendDatagram(BitStream &stream);
  void writePacketHeader(BitStream &stream, PacketType type);
  // False when the packet must be dropped; type receives the packet type.
  bool readPacketHeader(BitStream &stream, PacketType &type, bool &isNewData);
  void writeRateInfo(BitStream &stream);
  void readRateInfo(BitStream &stream);
  void computeNegotiatedRate();
  void handleNotify(uint32_t sequence, bool delivered, uint32_t sendDelay);

  NetInterface *mInterface = nullptr; // not owned: the interface owns its connections
  Address mAddress;
  std::string mAddressString;
  NetConnectionState mConnectionState = NotConnected;
  bool mIsInitiator = false;
  bool mIsConnectionToServer = false;
  bool mIsConnectionToClient = false;
  ConnectionParameters mParameters;
  std::string mErrorString;

  // Handshake retries.
  uint32_t mHandshakeRetryCount = 0;
  uint32_t mHandshakeLastSendTime = 0;
  uint32_t mPuzzleStartTime = 0;

  // Packet sequence and acknowledgement state.
  uint32_t mInitialSendSeq;
  uint32_t mLastSendSeq = 0;
  uint32_t mLastSeqRecvd = 0;
  uint32_t mHighestAckedSeq = 0;
  uint32_t mLastRecvAckAck = 0;
  uint32_t mAckMask = 0; // bit n: the data packet n places before mLastSeqRecvd arrived
  uint32_t mLastSeqRecvdAtSend[32] = {};
  std::deque<PacketNote> mNotifyQueue;

  // Timing.
  uint32_t mLastDataRecvTime = 0; // ms; last new data packet from the peer (the send-delay field)
  uint32_t mLastDataSendTime = 0; // ms; the send period runs from here
  uint32_t mSendDelayCredit = 0;  // ms; overshoot of the last send, at most MaxSendDelayCredit
  float mRoundTripTime = 0;
  uint32_t mPingTimeout = DefaultPingTimeout;
  uint32_t mPingRetryCount = DefaultPingRetryCount;
  uint32_t mPingSendCount = 0;
  uint32_t mLastPingSendTime = 0;
  bool mPingTimerStarted = false;

  // Rates.
  RateInfo mLocalRate;
  RateInfo mRemoteRate;
  bool mLocalRateChanged = true;
  uint32_t mCurrentPacketSendSize = 240;
  uint32_t mCurrentPacketSendPeriod = 96;

  float mSimulatedPacketLoss = 0;
  uint32_t mSimulatedLatency = 0;
};

// Registry entry of a connection class: found by name when a connect
// request arrives, if remote creation is allowed.
class NetConnectionRep : public NetClassRep {
public:
  NetConnectionRep(const char *className, uint32_t groupMask, bool canRemoteCreate);
  bool canRemoteCreate() const { return mCanRemoteCreate; }
  // nullptr unless a class of that name allows remote creation.
  static NetConnection *createByName(const char *className);

private:
  bool mCanRemoteCreate;
  NetConnectionRep *mNextConnectionClass;
  static NetConnectionRep *mConnectionList;
};

template <class T> class NetConnectionRepInstance : public NetConnectionRep {
public:
  NetConnectionRepInstance(const char *className, uint32_t groupMask, bool canRemoteCreate)
      : NetConnectionRep(className, groupMask, canRemoteCreate) {}
  Object *create() const override { return new T; }
};

} // namespace TNL

// In the class body of a connection class.
#define TNL_DECLARE_NETCONNECTION(className)                                                                 \
public:                                                                                                      \
  static TNL::NetConnectionRepInstance<className> dynClassRep;                                               \
  TNL::NetClassRep *getClassRep() const override {                                                           \
    return &dynClassRep;                                                                                     \
  }

// In one source file; canRemoteCreate lets a peer's connect request create it.
#define TNL_IMPLEMENT_NETCONNECTION(className, groupMask, canRemoteCreate)                                   \
  TNL::NetConnectionRepInstance<className> className::dynClassRep(#className, groupMask, canRemoteCreate)
