// Shared set-up of the transport's fuzz targets and their seed generator:
// a connection class with RPCs of every argument type and delivery class,
// a fixed clock and random source so every input runs the same way, and
// direct access to connection set-up and packet feeding.
#pragma once

#include "tnl/netinterface.h"
#include "tnl/random.h"
#include "tnl/rpc.h"

#include <vector>

class FuzzConnection : public TNL::EventConnection {
  TNL_DECLARE_NETCONNECTION(FuzzConnection);

public:
  TNL_DECLARE_RPC(c2sEverything, (uint32_t u, int32_t s, double d, TNL::StringPtr first,
                                  TNL::StringPtr second, TNL::RefPtr<TNL::ByteBuffer> bytes, bool flag));
  TNL_DECLARE_RPC(c2sName, (uint32_t role, TNL::StringPtr name));
  TNL_DECLARE_RPC(s2cMove,
                  (uint32_t role, double x, double y, double z, double yaw, double pitch, double extra));
  TNL_DECLARE_RPC(c2sVoice, (uint32_t role, TNL::RefPtr<TNL::ByteBuffer> data, bool echo));
  TNL_DECLARE_RPC(c2sTick, ());
  TNL_DECLARE_RPC(anyState, (TNL::StringPtr state));

  uint32_t processed = 0;
};

namespace TNL {

struct TestAccess {
  // Makes connection an established connection of theInterface to peer,
  // as the handshake would, without the handshake.
  static void establish(NetInterface *theInterface, NetConnection *connection, const Address &peer,
                        bool initiator, uint32_t ownInitialSequence, uint32_t peerInitialSequence);
  // Hands one datagram to the interface as if it came from the socket.
  static void feedDatagram(NetInterface *theInterface, const Address &from, const uint8_t *data, size_t size);
  // Reads an event section (what follows the packet header) into connection.
  static void readEvents(EventConnection *connection, BitStream &stream);
  // Writes connection's queued events as a packet body would.
  static void writeEvents(EventConnection *connection, BitStream &stream);
  static void forget(NetInterface *theInterface, NetConnection *connection);
};

} // namespace TNL

namespace fuzzing {

constexpr uint32_t ServerInitialSequence = 0x00010000u;
constexpr uint32_t ClientInitialSequence = 0xFFFFFF00u; // wraps within a few hundred packets

// The same clock and random draws for every input. The clock advances
// msPerReading on every reading, so puzzle solving keeps to its 30 ms budget
// (31 ms per reading: one batch of candidates per call).
void resetEnvironment(uint32_t msPerReading = 1);
void advanceClock(uint32_t ms);
uint32_t now();

TNL::Address fixedPeerAddress();
TNL::Address localhostAnyPort();

// Splits an input into datagrams: [flags 1][length 2, little-endian][bytes].
struct Chunk {
  uint8_t flags;
  std::vector<uint8_t> bytes;
};
std::vector<Chunk> splitInput(const uint8_t *data, size_t size);
void appendChunk(std::vector<uint8_t> &out, uint8_t flags, const std::vector<uint8_t> &bytes);

} // namespace fuzzing

namespace fuzzing {

// A listening interface and an initiator's interface with one connection
// awaiting its challenge response; the handshake target feeds both.
struct HandshakeSetup {
  HandshakeSetup();
  TNL::RefPtr<TNL::NetInterface> server;
  TNL::RefPtr<TNL::NetInterface> client;
  TNL::RefPtr<FuzzConnection> pending;
};

// One established connection to fixedPeerAddress(). The accepting end
// (initiator false) sends from ServerInitialSequence and expects the peer's
// packets from ClientInitialSequence; the initiator the other way round, so
// an initiator's packets are valid input for an accepting end.
struct ConnectionSetup {
  explicit ConnectionSetup(bool initiator);
  TNL::RefPtr<TNL::NetInterface> theInterface;
  TNL::RefPtr<FuzzConnection> connection;
};

} // namespace fuzzing
