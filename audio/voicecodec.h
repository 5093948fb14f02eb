// Voice coding: frame-based encoders and decoders with the buffering around
// them. Samples are 16-bit signed, mono, 8000 per second, in host byte order.
#pragma once

#include "tnl/bytebuffer.h"
#include "tnl/netbase.h"

#include <cstddef>
#include <cstdint>

struct lpc10_encode_state_s;
struct lpc10_decode_state_s;

class VoiceEncoder : public TNL::Object {
public:
  // Codes whole frames of samples and consumes them: the samples that do not
  // fill a frame are moved to the front of the buffer to lead the next call.
  // Returns null (and leaves the buffer unchanged) when not one frame is there.
  TNL::ByteBufferPtr compressBuffer(TNL::ByteBuffer &samples);

protected:
  virtual uint32_t getSamplesPerFrame() = 0;
  // Upper bound of the bytes one frame codes into.
  virtual uint32_t getMaxCompressedFrameSize() = 0;
  // Codes getSamplesPerFrame() samples into dest (room for
  // getMaxCompressedFrameSize() bytes); returns the bytes written.
  virtual uint32_t compressFrame(const int16_t *samples, uint8_t *dest) = 0;
};

class VoiceDecoder : public TNL::Object {
public:
  // Decodes the frames of a packet; a trailing piece shorter than a frame is
  // dropped. Returns a new buffer of samples (possibly empty).
  TNL::ByteBufferPtr decompressBuffer(const TNL::ByteBuffer &compressed);

protected:
  virtual uint32_t getSamplesPerFrame() = 0;
  // Typical bytes per frame, used only to size the output.
  virtual uint32_t getAvgCompressedFrameSize() = 0;
  // Decodes one frame from the available bytes into getSamplesPerFrame()
  // samples; returns the bytes consumed, 0 when the bytes hold no whole frame.
  virtual uint32_t decompressFrame(const uint8_t *compressed, size_t available, int16_t *samples) = 0;
};

using VoiceEncoderPtr = TNL::RefPtr<VoiceEncoder>;
using VoiceDecoderPtr = TNL::RefPtr<VoiceDecoder>;

// The FS-1015 LPC-10 coder at 2400 bit/s: 180 samples to 7 bytes.
constexpr uint32_t LPC10SamplesPerFrame = 180;
constexpr uint32_t LPC10BytesPerFrame = 7;

class LPC10VoiceEncoder : public VoiceEncoder {
public:
  LPC10VoiceEncoder();
  ~LPC10VoiceEncoder() override;
  LPC10VoiceEncoder(const LPC10VoiceEncoder &) = delete;
  LPC10VoiceEncoder &operator=(const LPC10VoiceEncoder &) = delete;

protected:
  uint32_t getSamplesPerFrame() override { return LPC10SamplesPerFrame; }
  uint32_t getMaxCompressedFrameSize() override { return LPC10BytesPerFrame; }
  uint32_t compressFrame(const int16_t *samples, uint8_t *dest) override;

private:
  // Owned; the analysis carries state from frame to frame.
  lpc10_encode_state_s *mState;
};

class LPC10VoiceDecoder : public VoiceDecoder {
public:
  LPC10VoiceDecoder();
  ~LPC10VoiceDecoder() override;
  LPC10VoiceDecoder(const LPC10VoiceDecoder &) = delete;
  LPC10VoiceDecoder &operator=(const LPC10VoiceDecoder &) = delete;

protected:
  uint32_t getSamplesPerFrame() override { return LPC10SamplesPerFrame; }
  // Smaller than the real 7, so the first output estimate is generous.
  uint32_t getAvgCompressedFrameSize() override { return 4; }
  uint32_t decompressFrame(const uint8_t *compressed, size_t available, int16_t *samples) override;

private:
  // Owned; synthesis carries pitch and filter state from frame to frame.
  lpc10_decode_state_s *mState;
};
