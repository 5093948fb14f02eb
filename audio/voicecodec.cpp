#include "voicecodec.h"

#include <spandsp.h>

#include <cassert>
#include <cstring>
#include <vector>

namespace {

constexpr size_t BytesPerSample = sizeof(int16_t);

} // namespace

TNL::ByteBufferPtr VoiceEncoder::compressBuffer(TNL::ByteBuffer &samples) {
  const uint32_t perFrame = getSamplesPerFrame();
  const size_t sampleCount = samples.getBufferSize() / BytesPerSample;
  const size_t frames = sampleCount / perFrame;
  if (frames == 0)
    return nullptr;

  const uint32_t maxFrameBytes = getMaxCompressedFrameSize();
  TNL::ByteBufferPtr packet = new TNL::ByteBuffer(frames * maxFrameBytes);
  std::vector<int16_t> frame(perFrame);
  size_t written = 0;
  for (size_t f = 0; f < frames; ++f) {
    // The byte buffer gives no alignment guarantee for 16-bit reads.
    std::memcpy(frame.data(), samples.getBuffer() + f * perFrame * BytesPerSample, perFrame * BytesPerSample);
    const uint32_t bytes = compressFrame(frame.data(), packet->getBuffer() + written);
    assert(bytes <= maxFrameBytes && "encoder wrote past its frame size");
    written += bytes;
  }
  packet->resize(written);

  const size_t consumedBytes = frames * perFrame * BytesPerSample;
  const size_t leftoverBytes = samples.getBufferSize() - consumedBytes;
  std::memmove(samples.getBuffer(), samples.getBuffer() + consumedBytes, leftoverBytes);
  samples.resize(leftoverBytes);
  return packet;
}

TNL::ByteBufferPtr VoiceDecoder::decompressBuffer(const TNL::ByteBuffer &compressed) {
  const uint32_t perFrame = getSamplesPerFrame();
  const uint32_t estimateBytes = getAvgCompressedFrameSize();
  const size_t total = compressed.getBufferSize();
  size_t capacityFrames = total / estimateBytes + 1;
  std::vector<int16_t> output(capacityFrames * perFrame);

  size_t position = 0;
  size_t frames = 0;
  while (position < total) {
    if (frames == capacityFrames) {
      capacityFrames += (total - position) / estimateBytes + 1;
      output.resize(capacityFrames * perFrame);
    }
    const uint32_t consumed = decompressFrame(compressed.getBuffer() + position, total - position,
                                              output.data() + frames * perFrame);
    if (consumed == 0)
      break;
    position += consumed;
    ++frames;
  }

  const size_t bytes = frames * perFrame * BytesPerSample;
  TNL::ByteBufferPtr samples = new TNL::ByteBuffer(reinterpret_cast<const uint8_t *>(output.data()), bytes);
  return samples;
}

LPC10VoiceEncoder::LPC10VoiceEncoder() : mState(lpc10_encode_init(nullptr, 0)) {}

LPC10VoiceEncoder::~LPC10VoiceEncoder() {
  lpc10_encode_free(mState);
}

uint32_t LPC10VoiceEncoder::compressFrame(const int16_t *samples, uint8_t *dest) {
  return uint32_t(lpc10_encode(mState, dest, samples, LPC10SamplesPerFrame));
}

LPC10VoiceDecoder::LPC10VoiceDecoder() : mState(lpc10_decode_init(nullptr, 0)) {}

LPC10VoiceDecoder::~LPC10VoiceDecoder() {
  lpc10_decode_free(mState);
}

uint32_t LPC10VoiceDecoder::decompressFrame(const uint8_t *compressed, size_t available, int16_t *samples) {
  // The library reads a whole frame whatever length it is given.
  if (available < LPC10BytesPerFrame)
    return 0;
  lpc10_decode(mState, samples, compressed, LPC10BytesPerFrame);
  return LPC10BytesPerFrame;
}
