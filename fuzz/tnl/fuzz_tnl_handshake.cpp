// Handshake packets from anywhere: chunks with flag bit 0 clear go to the
// listening interface from a fixed peer address, with it set to the
// initiator from the listener's address; bit 1 advances the clock by
// (bits 2..6) x 1600 ms and services both interfaces.
#include "fuzz_support.h"

using namespace TNL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzzing::resetEnvironment(31);
  fuzzing::HandshakeSetup setup;
  for (const fuzzing::Chunk &chunk : fuzzing::splitInput(data, size)) {
    if (chunk.flags & 1)
      TestAccess::feedDatagram(setup.client, setup.server->getBoundAddress(), chunk.bytes.data(),
                               chunk.bytes.size());
    else
      TestAccess::feedDatagram(setup.server, fuzzing::fixedPeerAddress(), chunk.bytes.data(),
                               chunk.bytes.size());
    if (chunk.flags & 2) {
      fuzzing::advanceClock(1600u * ((chunk.flags >> 2) & 31));
      setup.server->serviceConnections();
      setup.client->serviceConnections();
    }
  }
  return 0;
}
