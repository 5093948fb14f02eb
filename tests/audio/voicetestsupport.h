// Stand-ins for the microphone and the coder, so the recorder's own logic can
// be checked sample by sample.
#pragma once

#include "audio/voicecapture.h"
#include "audio/voicecodec.h"

#include <cstring>
#include <deque>
#include <vector>

inline TNL::ByteBufferPtr bufferOfSamples(const std::vector<int16_t> &samples) {
  return new TNL::ByteBuffer(reinterpret_cast<const uint8_t *>(samples.data()), samples.size() * 2);
}

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
    if (!available)
      return false;
    capturing = true;
    return true;
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

  bool available = true;
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
