// One UDP socket and the connections that use it: packet dispatch, the
// connection handshake, servicing (sending, retries, time-outs, puzzle
// solving) and disconnection.
//
// Connections: the interface holds a reference to each pending and each
// established connection; a connection refers back to its interface without
// holding it, so dropping the last reference to the interface shuts it down
// (every remaining connection is disconnected with "Shutdown").
#pragma once

#include "clientpuzzle.h"
#include "netconnection.h"
#include "netsocket.h"
#include "tnlbitstream.h"

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace TNL {

class NetInterface : public Object {
  friend class NetConnection;
  friend struct TestAccess;

public:
  enum PacketType : uint8_t {
    ConnectChallengeRequest = 0,
    ConnectChallengeResponse = 1,
    ConnectRequest = 2,
    ConnectReject = 3,
    ConnectAccept = 4,
    Disconnect = 5,
    Punch = 6,
    ArrangedConnectRequest = 7,
    FirstValidInfoPacketId = 8,
  };

  static constexpr uint32_t TimeoutCheckInterval = 1500;   // milliseconds
  static constexpr uint32_t HandshakeRetryInterval = 2500; // milliseconds
  static constexpr uint32_t HandshakeRetryCount = 5;
  static constexpr uint32_t PuzzleSolutionTimeout = 30000; // milliseconds
  static constexpr size_t AddressTableSize = 129;

  // Binds the socket; on failure the interface exists with no usable socket.
  explicit NetInterface(const Address &bindAddress);
  ~NetInterface() override;

  bool isValid() const { return mSocket.isValid(); }
  // The address actually bound (the system's port when 0 was asked for).
  Address getBoundAddress() const { return mSocket.getBoundAddress(); }

  // Reads every waiting datagram and dispatches it; event handlers run here.
  void receiveDatagrams();
  // Sends data packets, applies retries and time-outs, advances puzzles.
  void serviceConnections();

  void setAllowConnections(bool allow) { mAllowConnections = allow; }
  bool getAllowConnections() const { return mAllowConnections; }
  void setRequiresKeyExchange(bool requires) { mRequiresKeyExchange = requires; }
  bool getRequiresKeyExchange() const { return mRequiresKeyExchange; }

  // Pending (awaiting a response or solving the puzzle): onConnectFailed and
  // dropped. Established: onTerminated, a disconnect notice to the peer, and
  // removed. Otherwise nothing.
  void disconnect(NetConnection *connection, NetConnection::TerminationReason reason, const char *reasonText);

  // Established connections in the order they became established.
  const std::vector<RefPtr<NetConnection>> &getConnectionList() const { return mConnectionList; }
  size_t getPendingConnectionCount() const { return mPendingConnections.size(); }
  NetConnection *findConnection(const Address &address) const;
  uint32_t getCurrentTime() const { return mCurrentTime; }
  const ClientPuzzleManager &getPuzzleManager() const { return mPuzzleManager; }

  // Tests: every datagram about to leave the socket passes the filter;
  // returning false drops it.
  using SendFilter = std::function<bool(const Address &to, const uint8_t *data, size_t size)>;
  void setSendFilter(SendFilter filter) { mSendFilter = std::move(filter); }
  // Tests: sends bytes as they are, bypassing the filter.
  bool sendRawDatagram(const Address &to, const uint8_t *data, size_t size);

protected:
  // Datagrams whose first byte is 8..127; ignored.
  virtual void handleInfoPacket(const Address &, BitStream &) {}

private:
  struct DelayedDatagram {
    uint32_t sendTime;
    Address to;
    std::vector<uint8_t> bytes;
  };

  // Called by connections.
  void startConnection(NetConnection *connection);
  void sendDatagram(const Address &to, const uint8_t *data, size_t size, uint32_t delayMs);

  void refreshTime();
  void sendToSocket(const Address &to, const uint8_t *data, size_t size);
  void sendDelayedDatagrams();
  void processPacket(const Address &from, PacketStream &stream);
  void processConnectionPacket(const Address &from, PacketStream &stream);

  void addConnection(NetConnection *connection);
  void removeConnection(NetConnection *connection);
  void removePendingConnection(NetConnection *connection);
  NetConnection *findPendingConnection(const Address &address) const;

  void checkHandshakeTimeouts();
  void checkPingTimeouts();
  void continuePuzzleSolution(NetConnection *connection);
  void connectTimedOut(NetConnection *connection);

  void sendConnectChallengeRequest(NetConnection *connection);
  void handleConnectChallengeRequest(const Address &from, BitStream &stream);
  void sendChallengeResponse(const Address &to, const Nonce &clientNonce);
  void handleConnectChallengeResponse(const Address &from, BitStream &stream);
  void sendConnectRequest(NetConnection *connection);
  void handleConnectRequest(const Address &from, BitStream &stream);
  void sendConnectAccept(NetConnection *connection);
  void handleConnectAccept(const Address &from, BitStream &stream);
  void sendConnectReject(const Address &to, const Nonce &clientNonce, const Nonce &serverNonce,
                         const std::string &reason);
  void handleConnectReject(const Address &from, BitStream &stream);
  void sendDisconnectPacket(NetConnection *connection, const char *reason);
  void handleDisconnect(const Address &from, BitStream &stream);

  Socket mSocket;
  bool mAllowConnections = true;
  bool mRequiresKeyExchange = false;
  uint8_t mSecret[12];
  std::vector<RefPtr<NetConnection>> mConnectionList;
  std::vector<RefPtr<NetConnection>> mPendingConnections;
  std::array<std::vector<NetConnection *>, AddressTableSize> mAddressTable;
  std::deque<DelayedDatagram> mDelayedDatagrams;
  uint32_t mCurrentTime;
  uint32_t mLastTimeoutCheckTime;
  ClientPuzzleManager mPuzzleManager;
  SendFilter mSendFilter;
};

} // namespace TNL
