#include "audio/wavreader.h"
#include "wavbuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

// Parses from an exact-size heap block, so a read past the end trips the sanitizer.
bool parse(const std::vector<uint8_t> &file, WavData &wav) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size()]);
  std::copy(file.begin(), file.end(), exact.get());
  return parseWav(exact.get(), file.size(), wav);
}

std::vector<uint8_t> bytesOf(const std::vector<int16_t> &samples) {
  std::vector<uint8_t> bytes(samples.size() * 2);
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

const std::vector<uint8_t> listChunk = {'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 3, 0, 0, 0, 'S', 'W', '!'};

// A "smpl" chunk body whose loop count (at byte 28) is loops.
std::vector<uint8_t> samplerChunk(uint8_t loops) {
  std::vector<uint8_t> body(60, 0);
  body[28] = loops;
  return body;
}

std::vector<uint8_t> edited(std::vector<uint8_t> file, size_t newSize, size_t at = 0, uint8_t value = 0) {
  file.resize(newSize);
  if (at)
    file[at] = value;
  return file;
}

struct Accepted {
  const char *what;
  std::vector<uint8_t> file;
  std::vector<uint8_t> samples;
  ALenum format = AL_FORMAT_MONO16;
  uint32_t frequency = 8000;
  bool loop = false;
};

} // namespace

TEST(WavReader, AcceptedFilesYieldExactlyTheSamplesPresent) {
  const auto ramp = rampSamples(50);
  const auto pcm = WavBuilder().pcm16Mono().samples16(ramp).build();
  const std::vector<uint8_t> ones(16, 1);
  const auto layout = [&](uint16_t channels, uint16_t bits) {
    return WavBuilder().format(1, channels, 11025, bits).chunk("data", ones).build();
  };
  const auto withChunk = [&](const char *id, const std::vector<uint8_t> &body) {
    return WavBuilder().pcm16Mono().chunk(id, body).samples16(ramp).build();
  };
  const auto lyingBody = bytesOf(rampSamples(16));
  const Accepted cases[] = {
      {"plain 16-bit mono", pcm, bytesOf(ramp)},
      {"mono 8", layout(1, 8), ones, AL_FORMAT_MONO8, 11025},
      {"mono 16", layout(1, 16), ones, AL_FORMAT_MONO16, 11025},
      {"stereo 8", layout(2, 8), ones, AL_FORMAT_STEREO8, 11025},
      {"stereo 16", layout(2, 16), ones, AL_FORMAT_STEREO16, 11025},
      {"LIST before fmt", WavBuilder().chunk("LIST", listChunk).pcm16Mono(22050).samples16(ramp).build(),
       bytesOf(ramp), AL_FORMAT_MONO16, 22050},
      {"pad byte after an odd chunk", withChunk("junk", {1, 2, 3, 4, 5}), bytesOf(ramp)},
      {"odd-sized data keeps whole frames",
       WavBuilder().pcm16Mono().chunk("data", {1, 0, 2, 0, 3}).build(),
       {1, 0, 2, 0}},
      {"sampler with a loop", withChunk("smpl", samplerChunk(1)), bytesOf(ramp), AL_FORMAT_MONO16, 8000,
       true},
      {"sampler without loops", withChunk("smpl", samplerChunk(0)), bytesOf(ramp)},
      {"sampler too short for its loop count", withChunk("smpl", std::vector<uint8_t>(30, 0xff)),
       bytesOf(ramp)},
      // Cut in the middle of the 31st sample: 30 whole samples are there.
      {"truncated data chunk", edited(pcm, pcm.size() - 2 * 20 + 1),
       bytesOf(std::vector<int16_t>(ramp.begin(), ramp.begin() + 30))},
      {"chunk and RIFF sizes beyond the file",
       WavBuilder().pcm16Mono().chunkWithSize("data", 0x7ffffff0u, lyingBody).build(0xfffffff0u), lyingBody},
  };
  for (const Accepted &c : cases) {
    SCOPED_TRACE(c.what);
    WavData wav;
    ASSERT_TRUE(parse(c.file, wav)) << wav.error;
    EXPECT_TRUE(wav.error.empty());
    EXPECT_EQ(wav.format, c.format);
    EXPECT_EQ(wav.frequency, c.frequency);
    EXPECT_EQ(wav.loop, c.loop);
    ASSERT_EQ(wav.size, c.samples.size());
    EXPECT_EQ(std::vector<uint8_t>(wav.data.get(), wav.data.get() + wav.size), c.samples);
    for (uint32_t i = 0; i < WavPaddingBytes; ++i)
      ASSERT_EQ(wav.data[wav.size + i], 0) << "padding byte " << i;
  }
}

TEST(WavReader, MalformedOrUnplayableFilesAreRefusedWithTheirReason) {
  const auto ramp = rampSamples(20);
  const auto pcm = WavBuilder().pcm16Mono().samples16(ramp).build();
  std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
      {{}, "not a RIFF WAVE file"},
      {edited(pcm, 11), "not a RIFF WAVE file"},
      {edited(pcm, pcm.size(), 8, 'A'), "not a RIFF WAVE file"},
      {WavBuilder().samples16(ramp).pcm16Mono().build(), "no data chunk"}, // data before fmt
      {WavBuilder().chunk("fmt ", {1, 0, 1, 0, 0x40, 0x1f}).samples16(ramp).build(),
       "format chunk shorter than 16 bytes"},
      // A chunk claiming 4 GB swallows everything behind it.
      {WavBuilder().chunkWithSize("LIST", 0xffffffffu, listChunk).pcm16Mono().samples16(ramp).build(),
       "no format chunk before the data"},
      // The RIFF size covers only the format chunk: the data chunk is not looked at.
      {WavBuilder().pcm16Mono().samples16(ramp).build(4 + 8 + 16), "no data chunk"},
  };
  for (uint16_t tag : {2, 3, 0x11, 0xfffe})
    cases.push_back({WavBuilder().format(tag, 1, 8000, 16).samples16(ramp).build(),
                     "not PCM (format tag " + std::to_string(tag) + ")"});
  for (auto [channels, bits] : {std::pair<uint16_t, uint16_t>{1, 24}, {1, 32}, {6, 16}, {0, 16}, {1, 0}})
    cases.push_back({WavBuilder().format(1, channels, 8000, bits).samples16(ramp).build(),
                     "unsupported PCM layout (" + std::to_string(channels) + " channels, " +
                         std::to_string(bits) + " bits)"});
  for (const auto &[file, error] : cases) {
    SCOPED_TRACE(error);
    WavData wav;
    EXPECT_FALSE(parse(file, wav));
    EXPECT_EQ(wav.data, nullptr);
    EXPECT_EQ(wav.size, 0u);
    EXPECT_EQ(wav.error, error);
  }
}
