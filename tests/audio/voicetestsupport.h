// Stand-ins for the microphone and the coder, so the recorder's own logic can
// be checked sample by sample; and the LPC-10 path as a recorder and a lone
// receiver run it.
#pragma once

#include "audio/voicecapture.h"
#include "audio/voicecodec.h"

#include <cstring>
#include <deque>
#include <vector>

inline std::vector<int16_t> samplesOfBuffer(const TNL::ByteBuffer &buffer) {
  std::vector<int16_t> samples(buffer.getBufferSize() / 2);
  if (!samples.empty())
    std::memcpy(samples.data(), buffer.getBuffer(), samples.size() * 2);
  return samples;
}

// A capture device fed by the test: samples "arrive" with deliver() and are
// handed out in order by readCapture() while capturing.
class ScriptedCapture : public VoiceCapture {
public:
  bool openCapture() override {
    ++opens;
    return capturing = true;
  }
  void readCapture(TNL::ByteBuffer &dest) override {
    if (!capturing || arrived.empty())
      return;
    dest.appendBuffer(reinterpret_cast<const uint8_t *>(arrived.data()), arrived.size() * 2);
    arrived.clear();
  }
  void closeCapture() override {
    capturing = false;
    ++closes;
  }
  bool isCapturing() const override { return capturing; }

  void deliver(const std::vector<int16_t> &samples) {
    arrived.insert(arrived.end(), samples.begin(), samples.end());
  }

  bool capturing = false;
  int opens = 0;
  int closes = 0;
  std::vector<int16_t> arrived;
};

// Codes a frame of 180 samples as its first and last sample (4 bytes) and
// keeps every frame it was given.
class RecordingEncoder : public VoiceEncoder {
public:
  std::vector<std::vector<int16_t>> frames;

protected:
  uint32_t getSamplesPerFrame() override { return 180; }
  uint32_t getMaxCompressedFrameSize() override { return 4; }
  uint32_t compressFrame(const int16_t *samples, uint8_t *dest) override {
    frames.emplace_back(samples, samples + 180);
    std::memcpy(dest, &samples[0], 2);
    std::memcpy(dest + 2, &samples[179], 2);
    return 4;
  }
};

// The packets a recorder sends for these samples: 100 ms steps, 4 frames
// (28 bytes) each, the leftover carried into the next step.
inline std::vector<TNL::ByteBufferPtr> packetsOf(const std::vector<int16_t> &samples) {
  TNL::RefPtr<LPC10VoiceEncoder> encoder = new LPC10VoiceEncoder;
  TNL::ByteBuffer pending;
  std::vector<TNL::ByteBufferPtr> packets;
  for (size_t start = 0; start + 800 <= samples.size(); start += 800) {
    pending.appendBuffer(reinterpret_cast<const uint8_t *>(&samples[start]), 800 * 2);
    if (TNL::ByteBufferPtr packet = encoder->compressBuffer(pending))
      packets.push_back(packet);
  }
  return packets;
}

// What one decoder alone makes of a speaker's packets.
inline std::vector<int16_t> decodedAlone(const std::vector<TNL::ByteBufferPtr> &packets) {
  TNL::RefPtr<LPC10VoiceDecoder> decoder = new LPC10VoiceDecoder;
  std::vector<int16_t> output;
  for (const TNL::ByteBufferPtr &packet : packets) {
    const auto samples = samplesOfBuffer(*decoder->decompressBuffer(*packet));
    output.insert(output.end(), samples.begin(), samples.end());
  }
  return output;
}
