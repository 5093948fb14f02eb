#include "wavreader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr size_t ChunkHeaderBytes = 8;
constexpr size_t FormatBodyBytes = 16;
// The sampler header's loop count sits after seven 32-bit fields.
constexpr size_t SamplerLoopCountOffset = 28;
constexpr uint16_t PcmFormatTag = 1;

uint16_t readLe16(const uint8_t *p) {
  return uint16_t(p[0] | (p[1] << 8));
}

uint32_t readLe32(const uint8_t *p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

bool hasId(const uint8_t *p, const char *id) {
  return std::memcmp(p, id, 4) == 0;
}

struct PcmLayout {
  bool known = false;
  uint32_t frameBytes = 0;
};

// The "fmt " chunk body; bodyBytes is what the file really holds of it.
bool readFormat(const uint8_t *body, size_t bodyBytes, WavData &wav, PcmLayout &layout) {
  if (bodyBytes < FormatBodyBytes) {
    wav.error = "format chunk shorter than 16 bytes";
    return false;
  }
  const uint16_t tag = readLe16(body);
  const uint16_t channels = readLe16(body + 2);
  const uint32_t rate = readLe32(body + 4);
  const uint16_t bits = readLe16(body + 14);
  if (tag != PcmFormatTag) {
    wav.error = "not PCM (format tag " + std::to_string(tag) + ")";
    return false;
  }
  // OpenAL takes 8- or 16-bit mono or stereo; anything else would play as noise.
  if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16)) {
    wav.error = "unsupported PCM layout (" + std::to_string(channels) + " channels, " + std::to_string(bits) +
                " bits)";
    return false;
  }
  if (channels == 1)
    wav.format = bits == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
  else
    wav.format = bits == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
  wav.frequency = rate;
  layout.known = true;
  // The header's block align is not trusted: the frame size follows from the layout.
  layout.frameBytes = uint32_t(channels) * (bits / 8);
  return true;
}

// The "data" chunk body: only the whole sample frames present in the file are kept.
void readSamples(const uint8_t *body, size_t bodyBytes, const PcmLayout &layout, WavData &wav) {
  const size_t size = bodyBytes - bodyBytes % layout.frameBytes;
  wav.data.reset(new uint8_t[size + WavPaddingBytes]);
  std::memcpy(wav.data.get(), body, size);
  std::memset(wav.data.get() + size, 0, WavPaddingBytes);
  wav.size = uint32_t(size);
}

void readSampler(const uint8_t *body, size_t bodyBytes, WavData &wav) {
  if (bodyBytes >= SamplerLoopCountOffset + 4)
    wav.loop = readLe32(body + SamplerLoopCountOffset) != 0;
}

} // namespace

bool parseWav(const uint8_t *bytes, size_t length, WavData &wav) {
  wav = WavData();
  if (length < 12 || !hasId(bytes, "RIFF") || !hasId(bytes + 8, "WAVE")) {
    wav.error = "not a RIFF WAVE file";
    return false;
  }
  // The RIFF size counts the "WAVE" tag and every chunk with its pad byte; a
  // size beyond the end of the file is cut to what is there.
  const uint64_t riffSize = readLe32(bytes + 4);
  const uint64_t declared = ((riffSize + 1) & ~uint64_t(1));
  uint64_t remaining = declared > 4 ? declared - 4 : 0;
  if (remaining > length - 12)
    remaining = length - 12;

  const uint8_t *cursor = bytes + 12;
  PcmLayout layout;
  std::string refusal;
  while (remaining >= ChunkHeaderBytes) {
    const uint8_t *header = cursor;
    const uint64_t chunkSize = readLe32(header + 4);
    const uint8_t *body = header + ChunkHeaderBytes;
    const size_t bodyBytes = size_t(std::min<uint64_t>(chunkSize, remaining - ChunkHeaderBytes));

    if (hasId(header, "fmt ")) {
      if (!readFormat(body, bodyBytes, wav, layout))
        refusal = wav.error;
    } else if (hasId(header, "data")) {
      if (layout.known)
        readSamples(body, bodyBytes, layout, wav);
    } else if (hasId(header, "smpl")) {
      readSampler(body, bodyBytes, wav);
    }

    // Odd-sized chunks are followed by one pad byte.
    const uint64_t step = ChunkHeaderBytes + chunkSize + (chunkSize & 1);
    if (step >= remaining)
      break;
    remaining -= step;
    cursor += step;
  }

  if (!wav.data) {
    wav.error = !refusal.empty() ? refusal
                : layout.known   ? "no data chunk"
                                 : "no format chunk before the data";
    return false;
  }
  wav.error.clear();
  return true;
}

bool readWavFile(const std::string &path, WavData &wav) {
  wav = WavData();
  FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) {
    wav.error = "cannot open file";
    return false;
  }
  std::vector<uint8_t> bytes;
  uint8_t block[65536];
  size_t got;
  bool tooLarge = false;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
    if (bytes.size() + got > WavMaxFileBytes) {
      tooLarge = true;
      break;
    }
    bytes.insert(bytes.end(), block, block + got);
  }
  const bool readFailed = std::ferror(file) != 0;
  std::fclose(file);
  if (tooLarge || readFailed) {
    wav.error = tooLarge ? "file too large" : "read error";
    return false;
  }
  return parseWav(bytes.data(), bytes.size(), wav);
}
