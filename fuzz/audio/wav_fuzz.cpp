// Feeds arbitrary bytes to the WAV reader: it must never read outside the
// input, and whatever it accepts must be consistent.
#include "audio/wavreader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  WavData wav;
  const bool loaded = parseWav(data, size, wav);
  if (loaded) {
    // Accepted samples lie inside the input and fill whole sample frames.
    const uint32_t frame = (wav.format == AL_FORMAT_STEREO16) ? 4 : (wav.format == AL_FORMAT_MONO8) ? 1 : 2;
    if (!wav.data || wav.size > size || wav.size % frame != 0)
      std::abort();
    // Touch every sample byte and the zeroed tail.
    unsigned sum = 0;
    for (uint32_t i = 0; i < wav.size + WavPaddingBytes; ++i)
      sum += wav.data[i];
    for (uint32_t i = 0; i < WavPaddingBytes; ++i)
      if (wav.data[wav.size + i] != 0)
        std::abort();
    (void)sum;
  } else if (wav.data || wav.error.empty()) {
    std::abort();
  }
  return 0;
}
