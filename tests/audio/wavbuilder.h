// Builds RIFF/WAVE images chunk by chunk, including malformed ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class WavBuilder {
public:
  WavBuilder &chunk(const std::string &id, const std::vector<uint8_t> &body) {
    return chunkWithSize(id, uint32_t(body.size()), body);
  }

  // Declares declaredSize but writes only body (a lying chunk header).
  WavBuilder &chunkWithSize(const std::string &id, uint32_t declaredSize, const std::vector<uint8_t> &body) {
    mChunks.insert(mChunks.end(), id.begin(), id.end());
    putLe32(mChunks, declaredSize);
    mChunks.insert(mChunks.end(), body.begin(), body.end());
    if (body.size() % 2)
      mChunks.push_back(0);
    return *this;
  }

  WavBuilder &format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> body;
    putLe16(body, tag);
    putLe16(body, channels);
    putLe32(body, rate);
    putLe32(body, rate * channels * bits / 8);
    putLe16(body, uint16_t(channels * bits / 8));
    putLe16(body, bits);
    return chunk("fmt ", body);
  }

  WavBuilder &pcm16Mono(uint32_t rate = 8000) { return format(1, 1, rate, 16); }

  WavBuilder &samples16(const std::vector<int16_t> &samples) {
    std::vector<uint8_t> body;
    for (int16_t sample : samples)
      putLe16(body, uint16_t(sample));
    return chunk("data", body);
  }

  // RIFF header with the true size unless riffSize is given.
  std::vector<uint8_t> build(int64_t riffSize = -1) const {
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
    putLe32(file, riffSize >= 0 ? uint32_t(riffSize) : uint32_t(4 + mChunks.size()));
    file.insert(file.end(), {'W', 'A', 'V', 'E'});
    file.insert(file.end(), mChunks.begin(), mChunks.end());
    return file;
  }

  static void putLe16(std::vector<uint8_t> &out, uint16_t value) {
    out.push_back(uint8_t(value & 0xff));
    out.push_back(uint8_t(value >> 8));
  }
  static void putLe32(std::vector<uint8_t> &out, uint32_t value) {
    putLe16(out, uint16_t(value & 0xffff));
    putLe16(out, uint16_t(value >> 16));
  }

private:
  std::vector<uint8_t> mChunks;
};

inline std::vector<int16_t> rampSamples(size_t count) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i)
    samples[i] = int16_t(i * 97 - 3000);
  return samples;
}
