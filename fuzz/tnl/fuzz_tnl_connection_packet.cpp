// Connection packets for an established connection: each chunk is one
// datagram from the peer (its top bit forced, so it is read as a connection
// packet); flag bit 0 advances the clock by (bits 1..7) x 50 ms and services
// the interface, so the connection sends, pings and times out in between.
#include "fuzz_support.h"

using namespace TNL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzzing::resetEnvironment();
  fuzzing::ConnectionSetup setup(false);
  setup.connection->s2cMove(1, 2.0, 3.0, 4.0, 5.0, 6.0, 0.0);
  setup.connection->anyState("Walk");
  fuzzing::advanceClock(100);
  setup.theInterface->serviceConnections();
  for (fuzzing::Chunk &chunk : fuzzing::splitInput(data, size)) {
    if (!chunk.bytes.empty()) {
      chunk.bytes[0] |= 0x80;
      TestAccess::feedDatagram(setup.theInterface, fuzzing::fixedPeerAddress(), chunk.bytes.data(),
                               chunk.bytes.size());
    }
    if (chunk.flags & 1) {
      fuzzing::advanceClock(50u * (chunk.flags >> 1));
      setup.theInterface->serviceConnections();
    }
  }
  return 0;
}
