// Event and RPC argument decoding. First byte, bit 0 clear: the rest is an
// event section of a data packet read by an established accepting end.
// Bit 0 set: the rest is the arguments of the event class (first byte >> 1)
// modulo the class count; what decodes cleanly must re-encode to the same
// bits, and decode again to the same encoding.
#include "fuzz_support.h"

#include <cstdlib>
#include <cstring>

using namespace TNL;

namespace {

size_t packInto(NetEvent *event, EventConnection *connection, uint8_t *bytes, size_t capacity) {
  std::memset(bytes, 0, capacity);
  BitStream stream(bytes, capacity);
  event->pack(connection, &stream);
  if (!stream.isValid())
    std::abort(); // whatever was decoded must be sendable again
  return stream.getBitPosition();
}

void roundTrip(uint8_t selector, std::vector<uint8_t> &body, EventConnection *connection) {
  uint32_t count = NetClassRep::getNetClassCount(NetClassGroupGame, NetClassTypeEvent);
  RefPtr<NetEvent> decoded =
      dynamic_cast<NetEvent *>(NetClassRep::create(NetClassGroupGame, NetClassTypeEvent, selector % count));
  if (!decoded)
    return;
  BitStream input(body.data(), body.size());
  decoded->unpack(connection, &input);
  if (!input.isValid())
    return;
  static uint8_t first[1600];
  static uint8_t second[1600];
  size_t firstBits = packInto(decoded, connection, first, sizeof first);
  RefPtr<NetEvent> again =
      dynamic_cast<NetEvent *>(NetClassRep::create(NetClassGroupGame, NetClassTypeEvent, selector % count));
  BitStream reread(first, sizeof first);
  again->unpack(connection, &reread);
  if (!reread.isValid() || reread.getBitPosition() != firstBits)
    std::abort();
  size_t secondBits = packInto(again, connection, second, sizeof second);
  if (secondBits != firstBits || std::memcmp(first, second, (firstBits + 7) / 8) != 0)
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1 || size > 1600)
    return 0;
  fuzzing::resetEnvironment();
  fuzzing::ConnectionSetup setup(false);
  std::vector<uint8_t> body(data + 1, data + size);
  if (data[0] & 1) {
    roundTrip(uint8_t(data[0] >> 1), body, setup.connection);
    return 0;
  }
  BitStream stream(body.data(), body.size());
  TestAccess::readEvents(setup.connection, stream);
  return 0;
}
