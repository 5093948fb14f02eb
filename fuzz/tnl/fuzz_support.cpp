#include "fuzz_support.h"

#include <memory>

using namespace TNL;

TNL_IMPLEMENT_NETCONNECTION(FuzzConnection, NetClassGroupGameMask, true);

TNL_IMPLEMENT_RPC(FuzzConnection, c2sEverything,
                  (uint32_t u, int32_t s, double d, StringPtr first, StringPtr second,
                   RefPtr<ByteBuffer> bytes, bool flag),
                  (u, s, d, first, second, bytes, flag), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirClientToServer, 0) {
  processed += u + uint32_t(s) + uint32_t(d == d) + uint32_t(first.length() + second.length()) +
               uint32_t(bytes->getBufferSize()) + flag;
}

TNL_IMPLEMENT_RPC(FuzzConnection, c2sName, (uint32_t role, StringPtr name), (role, name),
                  NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirClientToServer, 0) {
  processed += role + uint32_t(name.length());
}

TNL_IMPLEMENT_RPC(FuzzConnection, s2cMove,
                  (uint32_t role, double x, double y, double z, double yaw, double pitch, double extra),
                  (role, x, y, z, yaw, pitch, extra), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirServerToClient, 0) {
  processed += role + uint32_t(x + y + z + yaw + pitch + extra == 0);
}

TNL_IMPLEMENT_RPC(FuzzConnection, c2sVoice, (uint32_t role, RefPtr<ByteBuffer> data, bool echo),
                  (role, data, echo), NetClassGroupGameMask, RPCUnguaranteed, RPCDirClientToServer, 0) {
  processed += role + uint32_t(data->getBufferSize()) + echo;
}

TNL_IMPLEMENT_RPC(FuzzConnection, c2sTick, (), (), NetClassGroupGameMask, RPCGuaranteed, RPCDirClientToServer,
                  0) {
  ++processed;
}

TNL_IMPLEMENT_RPC(FuzzConnection, anyState, (StringPtr state), (state), NetClassGroupGameMask,
                  RPCGuaranteedOrdered, RPCDirAny, 0) {
  processed += uint32_t(state.length());
}

namespace TNL {

void TestAccess::establish(NetInterface *theInterface, NetConnection *connection, const Address &peer,
                           bool initiator, uint32_t ownInitialSequence, uint32_t peerInitialSequence) {
  connection->setInitialSendSequence(ownInitialSequence);
  connection->setInterface(theInterface);
  connection->setNetAddress(peer);
  connection->setInitiator(initiator);
  connection->setInitialRecvSequence(peerInitialSequence);
  if (EventConnection *events = dynamic_cast<EventConnection *>(connection))
    events->setEventClassCount(NetClassRep::getNetClassCount(NetClassGroupGame, NetClassTypeEvent));
  connection->onConnectionEstablished();
  theInterface->addConnection(connection);
  connection->onEstablished();
}

void TestAccess::feedDatagram(NetInterface *theInterface, const Address &from, const uint8_t *data,
                              size_t size) {
  if (size == 0 || size > PacketStream::MaxPacketSize)
    return;
  PacketStream stream;
  std::copy(data, data + size, stream.storage());
  stream.setReceivedSize(size);
  theInterface->refreshTime();
  theInterface->processPacket(from, stream);
}

void TestAccess::readEvents(EventConnection *connection, BitStream &stream) {
  connection->readPacket(stream);
}

void TestAccess::writeEvents(EventConnection *connection, BitStream &stream) {
  NetConnection::PacketNote note;
  connection->writePacket(stream, note);
  connection->packetDropped(note); // back to the queues, so nothing leaks
}

void TestAccess::forget(NetInterface *theInterface, NetConnection *connection) {
  RefPtr<NetConnection> hold(connection);
  theInterface->removeConnection(connection);
  theInterface->removePendingConnection(connection);
}

} // namespace TNL

namespace fuzzing {
namespace {

uint32_t gNow = 1000;
uint32_t gStep = 1;
std::unique_ptr<SeededRandomSource> gRandom;

} // namespace

void resetEnvironment(uint32_t msPerReading) {
  gNow = 1000;
  gStep = msPerReading;
  gRandom = std::make_unique<SeededRandomSource>(0x5eed);
  Random::setSource(gRandom.get());
  Platform::setClock([] { return gNow += gStep; });
}

void advanceClock(uint32_t ms) {
  gNow += ms;
}
uint32_t now() {
  return gNow;
}

Address fixedPeerAddress() {
  return Address(IPProtocol, Address::Localhost, 40000);
}
Address localhostAnyPort() {
  return Address(IPProtocol, Address::Localhost, 0);
}

std::vector<Chunk> splitInput(const uint8_t *data, size_t size) {
  std::vector<Chunk> chunks;
  size_t at = 0;
  while (at + 3 <= size && chunks.size() < 64) {
    uint8_t flags = data[at];
    size_t length = data[at + 1] | (size_t(data[at + 2]) << 8);
    at += 3;
    if (length > size - at)
      length = size - at;
    chunks.push_back(Chunk{flags, std::vector<uint8_t>(data + at, data + at + length)});
    at += length;
  }
  return chunks;
}

void appendChunk(std::vector<uint8_t> &out, uint8_t flags, const std::vector<uint8_t> &bytes) {
  out.push_back(flags);
  out.push_back(uint8_t(bytes.size()));
  out.push_back(uint8_t(bytes.size() >> 8));
  out.insert(out.end(), bytes.begin(), bytes.end());
}

} // namespace fuzzing

namespace fuzzing {

HandshakeSetup::HandshakeSetup()
    : server(new NetInterface(localhostAnyPort())), client(new NetInterface(localhostAnyPort())),
      pending(new FuzzConnection) {
  server->setAllowConnections(true);
  client->setAllowConnections(false);
  pending->connectTo(client, server->getBoundAddress());
}

ConnectionSetup::ConnectionSetup(bool initiator)
    : theInterface(new NetInterface(localhostAnyPort())), connection(new FuzzConnection) {
  theInterface->setAllowConnections(!initiator);
  TestAccess::establish(theInterface, connection, fixedPeerAddress(), initiator,
                        initiator ? ClientInitialSequence : ServerInitialSequence,
                        initiator ? ServerInitialSequence : ClientInitialSequence);
}

} // namespace fuzzing
