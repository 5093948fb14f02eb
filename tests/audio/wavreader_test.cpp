#include "audio/wavreader.h"
#include "wavbuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>

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

std::vector<uint8_t> listChunkBody() {
  static const char text[] = "INFOISFT\x0a\0\0\0Sternwake!";
  return std::vector<uint8_t>(text, text + sizeof text - 1);
}

// A "smpl" chunk body whose loop count (at byte 28) is loops.
std::vector<uint8_t> samplerChunk(uint8_t loops) {
  std::vector<uint8_t> body(60, 0);
  body[28] = loops;
  return body;
}

std::vector<uint8_t> pcmFileWith(const std::vector<int16_t> &samples) {
  return WavBuilder().pcm16Mono().samples16(samples).build();
}

std::vector<uint8_t> truncatedBy(std::vector<uint8_t> file, size_t bytes) {
  file.resize(file.size() - bytes);
  return file;
}

std::vector<uint8_t> withByte(std::vector<uint8_t> file, size_t at, uint8_t value) {
  file[at] = value;
  return file;
}

struct Accepted {
  const char *what;
  std::vector<uint8_t> file;
  std::vector<uint8_t> samples;
  ALenum format;
  uint32_t frequency;
  bool loop;
};

struct Refused {
  std::string what;
  std::vector<uint8_t> file;
  std::string error;
};

} // namespace

TEST(WavReader, AcceptedFilesYieldExactlyTheSamplesPresent) {
  const auto ramp = rampSamples(50);
  const std::vector<uint8_t> ones(16, 1);
  const auto fmt = [&](uint16_t channels, uint16_t bits) {
    return WavBuilder().format(1, channels, 11025, bits).chunk("data", ones).build();
  };
  const auto lyingBody = bytesOf(rampSamples(16));
  const std::vector<Accepted> cases = {
      {"plain 16-bit mono", WavBuilder().pcm16Mono(8000).samples16(ramp).build(), bytesOf(ramp),
       AL_FORMAT_MONO16, 8000, false},
      {"mono 8", fmt(1, 8), ones, AL_FORMAT_MONO8, 11025, false},
      {"mono 16", fmt(1, 16), ones, AL_FORMAT_MONO16, 11025, false},
      {"stereo 8", fmt(2, 8), ones, AL_FORMAT_STEREO8, 11025, false},
      {"stereo 16", fmt(2, 16), ones, AL_FORMAT_STEREO16, 11025, false},
      {"LIST before fmt", WavBuilder().chunk("LIST", listChunkBody()).pcm16Mono().samples16(ramp).build(),
       bytesOf(ramp), AL_FORMAT_MONO16, 8000, false},
      {"pad byte after an odd chunk",
       WavBuilder().pcm16Mono().chunk("junk", {1, 2, 3, 4, 5}).samples16(ramp).build(), bytesOf(ramp),
       AL_FORMAT_MONO16, 8000, false},
      {"odd-sized data keeps whole frames",
       WavBuilder().pcm16Mono().chunk("data", {1, 0, 2, 0, 3}).build(),
       {1, 0, 2, 0},
       AL_FORMAT_MONO16,
       8000,
       false},
      {"sampler with a loop", WavBuilder().pcm16Mono().chunk("smpl", samplerChunk(1)).samples16(ramp).build(),
       bytesOf(ramp), AL_FORMAT_MONO16, 8000, true},
      {"sampler without loops",
       WavBuilder().pcm16Mono().chunk("smpl", samplerChunk(0)).samples16(ramp).build(), bytesOf(ramp),
       AL_FORMAT_MONO16, 8000, false},
      {"sampler too short for its loop count",
       WavBuilder().pcm16Mono().chunk("smpl", std::vector<uint8_t>(30, 0xff)).samples16(ramp).build(),
       bytesOf(ramp), AL_FORMAT_MONO16, 8000, false},
      // Cut in the middle of the 31st sample: 30 whole samples are there.
      {"truncated data chunk", truncatedBy(pcmFileWith(ramp), 2 * 20 - 1),
       bytesOf(std::vector<int16_t>(ramp.begin(), ramp.begin() + 30)), AL_FORMAT_MONO16, 8000, false},
      {"chunk and RIFF sizes beyond the file",
       WavBuilder().pcm16Mono().chunkWithSize("data", 0x7ffffff0u, lyingBody).build(0xfffffff0u), lyingBody,
       AL_FORMAT_MONO16, 8000, false},
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
  std::vector<Refused> cases = {
      {"empty", {}, "not a RIFF WAVE file"},
      {"header cut short", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V'}, "not a RIFF WAVE file"},
      {"not WAVE", withByte(pcmFileWith(ramp), 8, 'A'), "not a RIFF WAVE file"},
      {"data before fmt", WavBuilder().samples16(ramp).pcm16Mono().build(), "no data chunk"},
      {"fmt shorter than its fields",
       WavBuilder().chunk("fmt ", {1, 0, 1, 0, 0x40, 0x1f}).samples16(ramp).build(),
       "format chunk shorter than 16 bytes"},
      // A chunk claiming 4 GB swallows everything behind it.
      {"lying chunk before fmt",
       WavBuilder().chunkWithSize("LIST", 0xffffffffu, listChunkBody()).pcm16Mono().samples16(ramp).build(),
       "no format chunk before the data"},
      // The RIFF size covers only the format chunk: the data chunk is not looked at.
      {"RIFF size ends before the data", WavBuilder().pcm16Mono().samples16(ramp).build(4 + 8 + 16),
       "no data chunk"},
  };
  for (uint16_t tag : {2, 3, 0x11, 0xfffe})
    cases.push_back({"tag " + std::to_string(tag),
                     WavBuilder().format(tag, 1, 8000, 16).samples16(ramp).build(),
                     "not PCM (format tag " + std::to_string(tag) + ")"});
  for (auto [channels, bits] : {std::pair<uint16_t, uint16_t>{1, 24}, {1, 32}, {6, 16}, {0, 16}, {1, 0}})
    cases.push_back({"layout", WavBuilder().format(1, channels, 8000, bits).samples16(ramp).build(),
                     "unsupported PCM layout (" + std::to_string(channels) + " channels, " +
                         std::to_string(bits) + " bits)"});
  for (const Refused &c : cases) {
    SCOPED_TRACE(c.what);
    WavData wav;
    EXPECT_FALSE(parse(c.file, wav));
    EXPECT_EQ(wav.data, nullptr);
    EXPECT_EQ(wav.size, 0u);
    EXPECT_EQ(wav.error, c.error);
  }
}

TEST(WavReader, ReadsFilesFromDiskAndReportsMissingOnes) {
  char path[] = "/tmp/sw_wav_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const auto samples = rampSamples(64);
  const auto file = WavBuilder().chunk("LIST", listChunkBody()).pcm16Mono(22050).samples16(samples).build();
  ASSERT_EQ(write(fd, file.data(), file.size()), ssize_t(file.size()));
  close(fd);

  WavData wav;
  EXPECT_TRUE(readWavFile(path, wav)) << wav.error;
  EXPECT_EQ(std::vector<uint8_t>(wav.data.get(), wav.data.get() + wav.size), bytesOf(samples));
  EXPECT_EQ(wav.frequency, 22050u);
  unlink(path);

  EXPECT_FALSE(readWavFile(path, wav));
  EXPECT_EQ(wav.data, nullptr);
  EXPECT_EQ(wav.error, "cannot open file");
}
