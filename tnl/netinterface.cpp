// Handshake packets. One datagram each; the first byte is the packet type
// (below 0x80: a set top bit marks a connection packet). Nonces are 8 raw
// bytes, numbers 32 bits, strings as in the bit stream (<= 255 bytes).
//
//   0 connect challenge request   initiator -> server
//     | type 8 | client nonce 64 | key exchange? 1 | certificate? 1 |
//   1 connect challenge response  server -> initiator
//     | type 8 | client nonce 64 | client identity 32 | server nonce 64 |
//     | puzzle difficulty 32 | public key follows? 1 (always 0 here) |
//   2 connect request             initiator -> server
//     | type 8 | client nonce 64 | server nonce 64 | client identity 32 |
//     | puzzle difficulty 32 | puzzle solution 32 | encrypted? 1 (0 here) |
//     | debug object sizes? 1 | initiator's initial send sequence 32 |
//     | connection class name string | class data: group 32, group check
//     | value 32, event class count 32 |
//   3 connect reject              server -> initiator
//     | type 8 | client nonce 64 | server nonce 64 | reason string |
//   4 connect accept              server -> initiator
//     | type 8 | client nonce 64 | server nonce 64 |
//     | server's initial send sequence 32 | class data: settled event
//     | class count 32 |
//   5 disconnect                  either end
//     | type 8 | client nonce 64 | server nonce 64 | reason string |
//
// Each packet below is a struct whose write() and read() sit side by side in
// the same field order; read() runs after the type byte was taken off and
// returns false for a packet that must be ignored.
#include "netinterface.h"

#include "log.h"
#include "random.h"

#include <algorithm>
#include <cstring>

namespace TNL {
namespace {

const char *const Channel = "LogNetInterface";

void writeNonce(BitStream &stream, const Nonce &nonce) {
  stream.writeBytes(nonce.data, Nonce::Size);
}
void readNonce(BitStream &stream, Nonce &nonce) {
  stream.readBytes(nonce.data, Nonce::Size);
}

std::string limitReason(const char *text) {
  std::string reason = text ? text : "";
  if (reason.size() > BitStream::MaxStringLength)
    reason.resize(BitStream::MaxStringLength);
  return reason;
}

struct ChallengeRequestPacket {
  Nonce clientNonce;
  bool requestKeyExchange = false;
  bool requestCertificate = false;

  void write(BitStream &stream) const {
    stream.writeInt(NetInterface::ConnectChallengeRequest, 8);
    writeNonce(stream, clientNonce);
    stream.writeFlag(requestKeyExchange);
    stream.writeFlag(requestCertificate);
  }
  bool read(BitStream &stream) {
    readNonce(stream, clientNonce);
    requestKeyExchange = stream.readFlag();
    requestCertificate = stream.readFlag();
    return stream.isValid();
  }
};

struct ChallengeResponsePacket {
  Nonce clientNonce;
  uint32_t clientIdentity = 0;
  Nonce serverNonce;
  uint32_t puzzleDifficulty = 0;

  void write(BitStream &stream) const {
    stream.writeInt(NetInterface::ConnectChallengeResponse, 8);
    writeNonce(stream, clientNonce);
    stream.write(clientIdentity);
    writeNonce(stream, serverNonce);
    stream.write(puzzleDifficulty);
    stream.writeFlag(false); // no public key: key exchange is never enabled
  }
  bool read(BitStream &stream) {
    readNonce(stream, clientNonce);
    clientIdentity = stream.readInt(32);
    readNonce(stream, serverNonce);
    puzzleDifficulty = stream.readInt(32);
    bool offersKey = stream.readFlag();
    return stream.isValid() && !offersKey;
  }
};

struct ConnectRequestPacket {
  Nonce clientNonce;
  Nonce serverNonce;
  uint32_t clientIdentity = 0;
  uint32_t puzzleDifficulty = 0;
  uint32_t puzzleSolution = 0;
  bool debugObjectSizes = false;
  uint32_t initialSendSequence = 0;
  char className[BitStream::MaxStringLength + 1] = {};

  // The connection class appends its own data after this.
  void write(BitStream &stream) const {
    stream.writeInt(NetInterface::ConnectRequest, 8);
    writeNonce(stream, clientNonce);
    writeNonce(stream, serverNonce);
    stream.write(clientIdentity);
    stream.write(puzzleDifficulty);
    stream.write(puzzleSolution);
    stream.writeFlag(false); // not encrypted
    stream.writeFlag(debugObjectSizes);
    stream.write(initialSendSequence);
    stream.writeString(className, std::strlen(className));
  }
  bool read(BitStream &stream) {
    readNonce(stream, clientNonce);
    readNonce(stream, serverNonce);
    clientIdentity = stream.readInt(32);
    puzzleDifficulty = stream.readInt(32);
    puzzleSolution = stream.readInt(32);
    bool encrypted = stream.readFlag();
    debugObjectSizes = stream.readFlag();
    initialSendSequence = stream.readInt(32);
    stream.readString(className);
    return stream.isValid() && !encrypted;
  }
};

// A reject and a disconnect notice share one layout; only the type byte differs.
template <uint8_t PacketType> struct NoncesAndReasonPacket {
  Nonce clientNonce;
  Nonce serverNonce;
  std::string reason;

  void write(BitStream &stream) const {
    stream.writeInt(PacketType, 8);
    writeNonce(stream, clientNonce);
    writeNonce(stream, serverNonce);
    stream.writeString(reason.data(), reason.size());
  }
  bool read(BitStream &stream) {
    readNonce(stream, clientNonce);
    readNonce(stream, serverNonce);
    reason = stream.readString().str();
    return stream.isValid();
  }
};

using ConnectRejectPacket = NoncesAndReasonPacket<NetInterface::ConnectReject>;
using DisconnectPacket = NoncesAndReasonPacket<NetInterface::Disconnect>;

struct ConnectAcceptPacket {
  Nonce clientNonce;
  Nonce serverNonce;
  uint32_t initialSendSequence = 0;

  // The connection class appends its own data after this.
  void write(BitStream &stream) const {
    stream.writeInt(NetInterface::ConnectAccept, 8);
    writeNonce(stream, clientNonce);
    writeNonce(stream, serverNonce);
    stream.write(initialSendSequence);
  }
  bool read(BitStream &stream) {
    readNonce(stream, clientNonce);
    readNonce(stream, serverNonce);
    initialSendSequence = stream.readInt(32);
    return stream.isValid();
  }
};

} // namespace

NetInterface::NetInterface(const Address &bindAddress)
    : mCurrentTime(Platform::getRealMilliseconds()), mLastTimeoutCheckTime(mCurrentTime),
      mPuzzleManager(mCurrentTime) {
  NetClassRep::initialize();
  Random::read(mSecret, sizeof mSecret);
  mSocket.bind(bindAddress);
}

NetInterface::~NetInterface() {
  std::vector<RefPtr<NetConnection>> remaining = mConnectionList;
  for (const RefPtr<NetConnection> &connection : remaining)
    disconnect(connection, NetConnection::ReasonSelfDisconnect, "Shutdown");
  std::vector<RefPtr<NetConnection>> pending = mPendingConnections;
  for (const RefPtr<NetConnection> &connection : pending)
    disconnect(connection, NetConnection::ReasonSelfDisconnect, "Shutdown");
  for (const RefPtr<NetConnection> &connection : mConnectionList)
    connection->setInterface(nullptr);
  for (const RefPtr<NetConnection> &connection : mPendingConnections)
    connection->setInterface(nullptr);
}

void NetInterface::refreshTime() {
  mCurrentTime = Platform::getRealMilliseconds();
}

// ---- datagrams ------------------------------------------------------------------

bool NetInterface::sendRawDatagram(const Address &to, const uint8_t *data, size_t size) {
  return mSocket.sendTo(to, data, size);
}

void NetInterface::sendToSocket(const Address &to, const uint8_t *data, size_t size) {
  if (mSendFilter && !mSendFilter(to, data, size))
    return;
  mSocket.sendTo(to, data, size);
}

void NetInterface::sendDatagram(const Address &to, const uint8_t *data, size_t size, uint32_t delayMs) {
  if (delayMs == 0) {
    sendToSocket(to, data, size);
    return;
  }
  mDelayedDatagrams.push_back(
      DelayedDatagram{mCurrentTime + delayMs, to, std::vector<uint8_t>(data, data + size)});
}

void NetInterface::sendDelayedDatagrams() {
  // Held in sending order; each entry's delay was fixed when it was queued.
  for (auto entry = mDelayedDatagrams.begin(); entry != mDelayedDatagrams.end();) {
    if (seqLess(mCurrentTime, entry->sendTime)) {
      ++entry;
      continue;
    }
    sendToSocket(entry->to, entry->bytes.data(), entry->bytes.size());
    entry = mDelayedDatagrams.erase(entry);
  }
}

void NetInterface::receiveDatagrams() {
  refreshTime();
  PacketStream stream;
  for (;;) {
    Address from;
    size_t size = 0;
    Socket::Receive result = mSocket.receiveFrom(from, stream.storage(), PacketStream::MaxPacketSize, size);
    if (result == Socket::Receive::Nothing)
      break;
    if (result == Socket::Receive::Error)
      break;
    if (size == 0 || size > PacketStream::MaxPacketSize)
      continue;
    stream.setReceivedSize(size);
    processPacket(from, stream);
  }
}

void NetInterface::processPacket(const Address &from, PacketStream &stream) {
  if (stream.getBuffer()[0] & 0x80) {
    processConnectionPacket(from, stream);
    return;
  }
  uint32_t type = stream.readInt(8);
  switch (type) {
  case ConnectChallengeRequest:
    handleConnectChallengeRequest(from, stream);
    break;
  case ConnectChallengeResponse:
    handleConnectChallengeResponse(from, stream);
    break;
  case ConnectRequest:
    handleConnectRequest(from, stream);
    break;
  case ConnectReject:
    handleConnectReject(from, stream);
    break;
  case ConnectAccept:
    handleConnectAccept(from, stream);
    break;
  case Disconnect:
    handleDisconnect(from, stream);
    break;
  case Punch:
  case ArrangedConnectRequest:
    break; // arranged connections are not used
  default:
    handleInfoPacket(from, stream);
    break;
  }
}

// The one place where a protocol error found while reading ends a connection.
void NetInterface::processConnectionPacket(const Address &from, PacketStream &stream) {
  RefPtr<NetConnection> connection = findConnection(from);
  if (!connection)
    return;
  connection->setLastError("");
  connection->readRawPacket(stream);
  if (connection->hasError() && connection->isEstablished()) {
    std::string reason = connection->getErrorString();
    disconnect(connection, NetConnection::ReasonError, reason.c_str());
  }
}

// ---- connection tables ------------------------------------------------------------

NetConnection *NetInterface::findConnection(const Address &address) const {
  for (NetConnection *connection : mAddressTable[address.hash()])
    if (connection->getNetAddress() == address)
      return connection;
  return nullptr;
}

NetConnection *NetInterface::findPendingConnection(const Address &address) const {
  for (const RefPtr<NetConnection> &connection : mPendingConnections)
    if (connection->getNetAddress() == address)
      return connection;
  return nullptr;
}

void NetInterface::addConnection(NetConnection *connection) {
  mConnectionList.push_back(connection);
  mAddressTable[connection->getNetAddress().hash()].push_back(connection);
}

void NetInterface::removeConnection(NetConnection *connection) {
  RefPtr<NetConnection> hold(connection);
  auto &bucket = mAddressTable[connection->getNetAddress().hash()];
  bucket.erase(std::remove(bucket.begin(), bucket.end(), connection), bucket.end());
  auto found = std::find(mConnectionList.begin(), mConnectionList.end(), RefPtr<NetConnection>(connection));
  if (found != mConnectionList.end()) {
    mConnectionList.erase(found);
    connection->setInterface(nullptr);
  }
}

void NetInterface::removePendingConnection(NetConnection *connection) {
  RefPtr<NetConnection> hold(connection);
  auto found =
      std::find(mPendingConnections.begin(), mPendingConnections.end(), RefPtr<NetConnection>(connection));
  if (found != mPendingConnections.end()) {
    mPendingConnections.erase(found);
    if (!connection->isEstablished())
      connection->setInterface(nullptr);
  }
}

void NetInterface::disconnect(NetConnection *connection, NetConnection::TerminationReason reason,
                              const char *reasonText) {
  RefPtr<NetConnection> hold(connection);
  if (!connection)
    return;
  NetConnection::NetConnectionState state = connection->getConnectionState();
  bool pending =
      std::find(mPendingConnections.begin(), mPendingConnections.end(), hold) != mPendingConnections.end();
  if (pending &&
      (state == NetConnection::AwaitingChallengeResponse || state == NetConnection::ComputingPuzzleSolution ||
       state == NetConnection::AwaitingConnectResponse)) {
    removePendingConnection(connection);
    connection->onConnectFailed(reason, reasonText ? reasonText : "");
    return;
  }
  if (state != NetConnection::Connected)
    return;
  connection->setConnectionState(NetConnection::Disconnected);
  connection->onTerminated(reason, reasonText ? reasonText : "");
  sendDisconnectPacket(connection, reasonText);
  removeConnection(connection);
}

// ---- servicing ----------------------------------------------------------------------

void NetInterface::serviceConnections() {
  refreshTime();
  mPuzzleManager.tick(mCurrentTime);
  sendDelayedDatagrams();

  std::vector<RefPtr<NetConnection>> established = mConnectionList;
  for (const RefPtr<NetConnection> &connection : established)
    connection->checkPacketSend(mCurrentTime);

  if (mCurrentTime - mLastTimeoutCheckTime > TimeoutCheckInterval) {
    mLastTimeoutCheckTime = mCurrentTime;
    checkHandshakeTimeouts();
    checkPingTimeouts();
  }

  for (const RefPtr<NetConnection> &connection : mPendingConnections) {
    if (connection->getConnectionState() == NetConnection::ComputingPuzzleSolution) {
      continuePuzzleSolution(RefPtr<NetConnection>(connection));
      break;
    }
  }
}

void NetInterface::checkHandshakeTimeouts() {
  std::vector<RefPtr<NetConnection>> pending = mPendingConnections;
  for (const RefPtr<NetConnection> &connection : pending) {
    switch (connection->getConnectionState()) {
    case NetConnection::AwaitingChallengeResponse:
    case NetConnection::AwaitingConnectResponse:
      if (mCurrentTime - connection->mHandshakeLastSendTime <= HandshakeRetryInterval)
        break;
      if (connection->mHandshakeRetryCount >= HandshakeRetryCount)
        connectTimedOut(connection);
      else if (connection->getConnectionState() == NetConnection::AwaitingChallengeResponse)
        sendConnectChallengeRequest(connection);
      else
        sendConnectRequest(connection);
      break;
    case NetConnection::ComputingPuzzleSolution:
      if (mCurrentTime - connection->mPuzzleStartTime > PuzzleSolutionTimeout)
        connectTimedOut(connection);
      break;
    default:
      break;
    }
  }
}

void NetInterface::connectTimedOut(NetConnection *connection) {
  RefPtr<NetConnection> hold(connection);
  connection->setConnectionState(NetConnection::ConnectTimedOut);
  removePendingConnection(connection);
  connection->onConnectFailed(NetConnection::ReasonTimedOut, "Timeout");
}

void NetInterface::checkPingTimeouts() {
  std::vector<RefPtr<NetConnection>> established = mConnectionList;
  for (const RefPtr<NetConnection> &connection : established) {
    if (!connection->checkPingTimeout(mCurrentTime))
      continue;
    connection->setConnectionState(NetConnection::TimedOut);
    connection->onTerminated(NetConnection::ReasonTimedOut, "Timeout");
    removeConnection(connection);
  }
}

// ---- handshake: initiator side -----------------------------------------------------

void NetInterface::startConnection(NetConnection *connection) {
  refreshTime();
  connection->setInterface(this);
  mPendingConnections.push_back(connection);
  connection->resetHandshakeTimer(mCurrentTime);
  connection->setConnectionState(NetConnection::AwaitingChallengeResponse);
  sendConnectChallengeRequest(connection);
}

void NetInterface::sendConnectChallengeRequest(NetConnection *connection) {
  logprintfChannel(Channel, "Sending Connect Challenge Request to %s", connection->getNetAddressString());
  ChallengeRequestPacket packet;
  packet.clientNonce = connection->parameters().clientNonce;
  packet.requestKeyExchange = connection->parameters().requestKeyExchange;
  packet.requestCertificate = connection->parameters().requestCertificate;
  PacketStream stream;
  packet.write(stream);
  sendToSocket(connection->getNetAddress(), stream.getBuffer(), stream.getBytePosition());
  ++connection->mHandshakeRetryCount;
  connection->mHandshakeLastSendTime = mCurrentTime;
}

void NetInterface::handleConnectChallengeResponse(const Address &from, BitStream &stream) {
  ChallengeResponsePacket packet;
  if (!packet.read(stream))
    return;
  NetConnection *connection = findPendingConnection(from);
  if (!connection || connection->getConnectionState() != NetConnection::AwaitingChallengeResponse ||
      connection->parameters().clientNonce != packet.clientNonce)
    return;
  if (packet.puzzleDifficulty > ClientPuzzleManager::MaxPuzzleDifficulty)
    return;
  NetConnection::ConnectionParameters &parameters = connection->parameters();
  parameters.clientIdentity = packet.clientIdentity;
  parameters.serverNonce = packet.serverNonce;
  parameters.puzzleDifficulty = packet.puzzleDifficulty;
  parameters.puzzleSolution = 0;
  logprintfChannel(Channel, "Received Challenge Response: %8x", packet.clientIdentity);
  connection->setConnectionState(NetConnection::ComputingPuzzleSolution);
  connection->resetHandshakeTimer(mCurrentTime);
  connection->mPuzzleStartTime = mCurrentTime;
  continuePuzzleSolution(connection);
}

void NetInterface::continuePuzzleSolution(NetConnection *connection) {
  NetConnection::ConnectionParameters &parameters = connection->parameters();
  if (!ClientPuzzleManager::solvePuzzle(&parameters.puzzleSolution, parameters.clientNonce,
                                        parameters.serverNonce, parameters.puzzleDifficulty,
                                        parameters.clientIdentity))
    return;
  refreshTime();
  logprintfChannel(Channel, "Client puzzle solved in %d ms.",
                   int(mCurrentTime - connection->mPuzzleStartTime));
  connection->setConnectionState(NetConnection::AwaitingConnectResponse);
  connection->resetHandshakeTimer(mCurrentTime);
  sendConnectRequest(connection);
}

void NetInterface::sendConnectRequest(NetConnection *connection) {
  logprintfChannel(Channel, "Sending Connect Request");
  const NetConnection::ConnectionParameters &parameters = connection->parameters();
  ConnectRequestPacket packet;
  packet.clientNonce = parameters.clientNonce;
  packet.serverNonce = parameters.serverNonce;
  packet.clientIdentity = parameters.clientIdentity;
  packet.puzzleDifficulty = parameters.puzzleDifficulty;
  packet.puzzleSolution = parameters.puzzleSolution;
  packet.debugObjectSizes = parameters.debugObjectSizes;
  packet.initialSendSequence = connection->getInitialSendSequence();
  std::strncpy(packet.className, connection->getClassRep()->getClassName(), BitStream::MaxStringLength);
  PacketStream stream;
  packet.write(stream);
  connection->writeConnectRequest(stream);
  sendToSocket(connection->getNetAddress(), stream.getBuffer(), stream.getBytePosition());
  ++connection->mHandshakeRetryCount;
  connection->mHandshakeLastSendTime = mCurrentTime;
}

void NetInterface::handleConnectAccept(const Address &from, BitStream &stream) {
  ConnectAcceptPacket packet;
  if (!packet.read(stream))
    return;
  RefPtr<NetConnection> connection = findPendingConnection(from);
  if (!connection || connection->getConnectionState() != NetConnection::AwaitingConnectResponse ||
      connection->parameters().clientNonce != packet.clientNonce ||
      connection->parameters().serverNonce != packet.serverNonce)
    return;
  connection->setInitialRecvSequence(packet.initialSendSequence);
  std::string reason;
  if (!connection->readConnectAccept(stream, reason)) {
    removePendingConnection(connection);
    return;
  }
  connection->onConnectionEstablished();
  addConnection(connection);
  removePendingConnection(connection);
  connection->onEstablished();
  logprintfChannel(Channel, "Received Connect Accept - connection established.");
}

// A reject is matched on both nonces. Only a connection awaiting its connect
// response holds the server nonce it was solved against; one that went back
// to awaiting a challenge (after a first "Puzzle") holds none, so a second
// reject of the old request still in flight does not end the new attempt.
void NetInterface::handleConnectReject(const Address &from, BitStream &stream) {
  ConnectRejectPacket packet;
  if (!packet.read(stream))
    return;
  RefPtr<NetConnection> connection = findPendingConnection(from);
  if (!connection || connection->getConnectionState() != NetConnection::AwaitingConnectResponse ||
      connection->parameters().clientNonce != packet.clientNonce ||
      connection->parameters().serverNonce != packet.serverNonce)
    return;
  logprintfChannel(Channel, "Received Connect Reject - reason %s", packet.reason.c_str());
  NetConnection::ConnectionParameters &parameters = connection->parameters();
  if (packet.reason == "Puzzle" && !parameters.puzzleRetried) {
    parameters.puzzleRetried = true;
    parameters.serverNonce.clear();
    parameters.clientIdentity = 0;
    parameters.puzzleDifficulty = 0;
    parameters.puzzleSolution = 0;
    connection->setConnectionState(NetConnection::AwaitingChallengeResponse);
    connection->resetHandshakeTimer(mCurrentTime);
    sendConnectChallengeRequest(connection);
    return;
  }
  connection->setConnectionState(NetConnection::ConnectRejected);
  removePendingConnection(connection);
  connection->onConnectFailed(NetConnection::ReasonRemoteHostRejectedConnection, packet.reason.c_str());
}

// ---- handshake: accepting side -----------------------------------------------------

void NetInterface::handleConnectChallengeRequest(const Address &from, BitStream &stream) {
  logprintfChannel(Channel, "Received Connect Challenge Request from %s", from.toString().c_str());
  if (!mAllowConnections)
    return;
  ChallengeRequestPacket packet;
  if (!packet.read(stream))
    return;
  sendChallengeResponse(from, packet.clientNonce);
}

void NetInterface::sendChallengeResponse(const Address &to, const Nonce &clientNonce) {
  ChallengeResponsePacket packet;
  packet.clientNonce = clientNonce;
  packet.clientIdentity = ClientPuzzleManager::computeClientIdentity(to, clientNonce, mSecret);
  packet.serverNonce = mPuzzleManager.getCurrentNonce();
  packet.puzzleDifficulty = mPuzzleManager.getDifficulty();
  logprintfChannel(Channel, "Sending Challenge Response: %8x", packet.clientIdentity);
  PacketStream stream;
  packet.write(stream);
  sendToSocket(to, stream.getBuffer(), stream.getBytePosition());
}

void NetInterface::handleConnectRequest(const Address &from, BitStream &stream) {
  if (!mAllowConnections)
    return;
  ConnectRequestPacket packet;
  if (!packet.read(stream))
    return;
  if (ClientPuzzleManager::computeClientIdentity(from, packet.clientNonce, mSecret) != packet.clientIdentity)
    return;

  RefPtr<NetConnection> existing = findConnection(from);
  if (existing && existing->parameters().clientNonce == packet.clientNonce &&
      existing->parameters().serverNonce == packet.serverNonce) {
    sendConnectAccept(existing); // our accept was lost
    return;
  }

  mPuzzleManager.tick(mCurrentTime);
  if (mPuzzleManager.checkSolution(packet.puzzleSolution, packet.clientNonce, packet.serverNonce,
                                   packet.puzzleDifficulty,
                                   packet.clientIdentity) != ClientPuzzleManager::Success) {
    sendConnectReject(from, packet.clientNonce, packet.serverNonce, "Puzzle");
    return;
  }
  logprintfChannel(Channel, "Received Connect Request %8x", packet.clientIdentity);

  if (existing)
    disconnect(existing, NetConnection::ReasonSelfDisconnect, "NewConnection");

  RefPtr<NetConnection> connection = NetConnectionRep::createByName(packet.className);
  if (!connection)
    return;
  NetConnection::ConnectionParameters &parameters = connection->parameters();
  parameters.clientNonce = packet.clientNonce;
  parameters.serverNonce = packet.serverNonce;
  parameters.clientIdentity = packet.clientIdentity;
  parameters.puzzleDifficulty = packet.puzzleDifficulty;
  parameters.puzzleSolution = packet.puzzleSolution;
  parameters.debugObjectSizes = packet.debugObjectSizes;
  connection->setNetAddress(from);
  connection->setInitialRecvSequence(packet.initialSendSequence);
  connection->setInterface(this);

  std::string reason;
  if (!connection->readConnectRequest(stream, reason)) {
    connection->setInterface(nullptr);
    if (!reason.empty())
      sendConnectReject(from, packet.clientNonce, packet.serverNonce, reason);
    return;
  }
  addConnection(connection);
  connection->onConnectionEstablished();
  connection->onEstablished();
  sendConnectAccept(connection);
  logprintfChannel(Channel, "Sending Connect Accept - connection established.");
}

void NetInterface::sendConnectAccept(NetConnection *connection) {
  ConnectAcceptPacket packet;
  packet.clientNonce = connection->parameters().clientNonce;
  packet.serverNonce = connection->parameters().serverNonce;
  packet.initialSendSequence = connection->getInitialSendSequence();
  PacketStream stream;
  packet.write(stream);
  connection->writeConnectAccept(stream);
  sendToSocket(connection->getNetAddress(), stream.getBuffer(), stream.getBytePosition());
}

void NetInterface::sendConnectReject(const Address &to, const Nonce &clientNonce, const Nonce &serverNonce,
                                     const std::string &reason) {
  if (reason.empty())
    return;
  ConnectRejectPacket packet;
  packet.clientNonce = clientNonce;
  packet.serverNonce = serverNonce;
  packet.reason = limitReason(reason.c_str());
  PacketStream stream;
  packet.write(stream);
  sendToSocket(to, stream.getBuffer(), stream.getBytePosition());
}

// ---- disconnect (either end) ---------------------------------------------------------

void NetInterface::sendDisconnectPacket(NetConnection *connection, const char *reason) {
  DisconnectPacket packet;
  packet.clientNonce = connection->parameters().clientNonce;
  packet.serverNonce = connection->parameters().serverNonce;
  packet.reason = limitReason(reason);
  PacketStream stream;
  packet.write(stream);
  sendToSocket(connection->getNetAddress(), stream.getBuffer(), stream.getBytePosition());
}

void NetInterface::handleDisconnect(const Address &from, BitStream &stream) {
  DisconnectPacket packet;
  if (!packet.read(stream))
    return;
  RefPtr<NetConnection> connection = findConnection(from);
  if (!connection || connection->parameters().clientNonce != packet.clientNonce ||
      connection->parameters().serverNonce != packet.serverNonce)
    return;
  connection->setConnectionState(NetConnection::Disconnected);
  connection->onTerminated(NetConnection::ReasonRemoteDisconnectPacket, packet.reason.c_str());
  removeConnection(connection);
}

} // namespace TNL
