// Feeds arbitrary packets to the LPC-10 voice decoder, as a hostile peer could.
#include "audio/voicecodec.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // One decoder across inputs, as a connection keeps its decoder.
  static TNL::RefPtr<LPC10VoiceDecoder> decoder = new LPC10VoiceDecoder;
  const TNL::ByteBuffer packet(data, size);
  const TNL::ByteBufferPtr samples = decoder->decompressBuffer(packet);
  if (samples->getBufferSize() != (size / LPC10BytesPerFrame) * LPC10SamplesPerFrame * 2)
    std::abort();
  return 0;
}
