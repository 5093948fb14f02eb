#include "test_connection.h"

#include <string>

using namespace TNL;

int TestConnection::sInstances = 0;
bool TestConnection::sUseInitialSequence = false;
uint32_t TestConnection::sInitialSequence = 0;

TNL_IMPLEMENT_NETCONNECTION(TestConnection, NetClassGroupGameMask, true);
TNL_IMPLEMENT_NETCONNECTION(CraftingConnection, NetClassGroupGameMask, true);

TestConnection::TestConnection() {
  ++sInstances;
  if (sUseInitialSequence)
    setInitialSendSequence(sInitialSequence);
}

void TestConnection::onEstablished() {
  EventConnection::onEstablished();
  ++establishedCount;
}

void TestConnection::onTerminated(TerminationReason reason, const char *text) {
  ++terminatedCount;
  lastReason = reason;
  lastReasonText = text;
  terminatedAt = getCurrentTime();
}

void TestConnection::onConnectFailed(TerminationReason reason, const char *text) {
  ++failedCount;
  lastReason = reason;
  lastReasonText = text;
  terminatedAt = getCurrentTime();
}

TNL_IMPLEMENT_RPC(TestConnection, c2sOrdered, (uint32_t index), (index), NetClassGroupGameMask,
                  RPCGuaranteedOrdered, RPCDirClientToServer, 0) {
  ordered.push_back(index);
}

TNL_IMPLEMENT_RPC(TestConnection, s2cOrdered, (uint32_t index), (index), NetClassGroupGameMask,
                  RPCGuaranteedOrdered, RPCDirServerToClient, 0) {
  ordered.push_back(index);
}

TNL_IMPLEMENT_RPC(TestConnection, c2sGuaranteed, (uint32_t index), (index), NetClassGroupGameMask,
                  RPCGuaranteed, RPCDirClientToServer, 0) {
  guaranteed.push_back(index);
}

TNL_IMPLEMENT_RPC(TestConnection, c2sUnguaranteed, (uint32_t index), (index), NetClassGroupGameMask,
                  RPCUnguaranteed, RPCDirClientToServer, 0) {
  unguaranteed.push_back(index);
}

TNL_IMPLEMENT_RPC(TestConnection, c2sAllTypes,
                  (uint32_t u, int32_t s, double d, StringPtr text, RefPtr<ByteBuffer> bytes, bool flag),
                  (u, s, d, text, bytes, flag), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirClientToServer, 0) {
  values.push_back(ReceivedValues{u, s, d, text, bytes, flag});
}

TNL_IMPLEMENT_RPC(TestConnection, c2sName, (StringPtr name), (name), NetClassGroupGameMask,
                  RPCGuaranteedOrdered, RPCDirClientToServer, 0) {
  names.push_back(name.str());
}

TNL_IMPLEMENT_RPC(TestConnection, c2sGuaranteedName, (StringPtr name), (name), NetClassGroupGameMask,
                  RPCGuaranteed, RPCDirClientToServer, 0) {
  names.push_back(name.str());
}

TNL_IMPLEMENT_RPC(TestConnection, c2sBig,
                  (StringPtr name, RefPtr<ByteBuffer> first, RefPtr<ByteBuffer> second),
                  (name, first, second), NetClassGroupGameMask, RPCGuaranteed, RPCDirClientToServer, 0) {
  names.push_back(name.str() + ":" + std::to_string(first->getBufferSize() + second->getBufferSize()));
}

bool CraftingConnection::isDataToTransmit() {
  return mCraft != Nothing || TestConnection::isDataToTransmit();
}

void CraftingConnection::writeCraftedEvent(BitStream &stream, NetEvent *event, bool ordered,
                                           uint32_t sequence) {
  RefPtr<NetEvent> hold(event);
  stream.writeFlag(true);
  if (ordered) {
    stream.writeFlag(false);
    stream.writeInt(sequence & 127, 7);
  }
  stream.writeInt(event->getClassRep()->getClassId(getNetClassGroup()), getEventClassBitSize());
  event->pack(this, &stream);
}

void CraftingConnection::writePacket(BitStream &stream, PacketNote &note) {
  Craft craft = mCraft;
  mCraft = Nothing;
  switch (craft) {
  case Nothing:
    TestConnection::writePacket(stream, note);
    return;
  case ClassIdOutOfRange:
    stream.writeFlag(true);
    stream.writeInt(getEventClassCount(), getEventClassBitSize());
    break;
  case WrongDirection:
    writeCraftedEvent(stream, s2cOrdered_construct(5), false, 0);
    break;
  case TruncatedArguments: {
    RefPtr<NetEvent> event = c2sAllTypes_construct(1, 2, 3.0, "x", nullptr, true);
    stream.writeFlag(true);
    stream.writeInt(event->getClassRep()->getClassId(getNetClassGroup()), getEventClassBitSize());
    stream.writeInt(7, 5); // the first argument needs 32 bits; the packet ends first
    return;
  }
  case DuplicateOrderedEvents:
    stream.writeFlag(false);
    writeCraftedEvent(stream, c2sOrdered_construct(101), true, 1);
    writeCraftedEvent(stream, c2sOrdered_construct(101), true, 1);
    writeCraftedEvent(stream, c2sOrdered_construct(100), true, 0);
    writeCraftedEvent(stream, c2sOrdered_construct(102), true, 2);
    stream.writeFlag(false);
    return;
  }
  stream.writeFlag(false);
  stream.writeFlag(false);
}
