#include "audio/wavreader.h"
#include "wavbuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

bool parse(const std::vector<uint8_t> &file, WavData &wav) {
  return parseWav(file.data(), file.size(), wav);
}

std::vector<int16_t> samplesOf(const WavData &wav) {
  std::vector<int16_t> samples(wav.size / 2);
  std::memcpy(samples.data(), wav.data.get(), samples.size() * 2);
  return samples;
}

std::vector<uint8_t> listChunkBody() {
  static const char text[] = "INFOISFT\x0a\0\0\0Sternwake!";
  return std::vector<uint8_t>(text, text + sizeof text - 1);
}

} // namespace

TEST(WavReader, LoadsPlainPcm16MonoFile) {
  const auto samples = rampSamples(100);
  WavData wav;
  ASSERT_TRUE(parse(WavBuilder().pcm16Mono(8000).samples16(samples).build(), wav)) << wav.error;
  EXPECT_EQ(wav.format, AL_FORMAT_MONO16);
  EXPECT_EQ(wav.frequency, 8000u);
  EXPECT_EQ(wav.size, 200u);
  EXPECT_FALSE(wav.loop);
  EXPECT_EQ(samplesOf(wav), samples);
}

TEST(WavReader, ZeroesThePaddingBehindTheSamples) {
  WavData wav;
  ASSERT_TRUE(parse(WavBuilder().pcm16Mono().samples16(rampSamples(10)).build(), wav));
  for (uint32_t i = 0; i < WavPaddingBytes; ++i)
    EXPECT_EQ(wav.data[wav.size + i], 0) << "padding byte " << i;
}

TEST(WavReader, MapsChannelsAndBitsToTheOpenALFormat) {
  struct Case {
    uint16_t channels, bits;
    ALenum format;
  };
  for (const Case &c : {Case{1, 8, AL_FORMAT_MONO8}, Case{1, 16, AL_FORMAT_MONO16},
                        Case{2, 8, AL_FORMAT_STEREO8}, Case{2, 16, AL_FORMAT_STEREO16}}) {
    WavData wav;
    const auto file =
        WavBuilder().format(1, c.channels, 11025, c.bits).chunk("data", std::vector<uint8_t>(16, 1)).build();
    ASSERT_TRUE(parse(file, wav)) << c.channels << "x" << c.bits << ": " << wav.error;
    EXPECT_EQ(wav.format, c.format);
    EXPECT_EQ(wav.frequency, 11025u);
  }
}

TEST(WavReader, LoadsFileWithListChunkBeforeFormat) {
  const auto samples = rampSamples(40);
  WavData wav;
  ASSERT_TRUE(parse(WavBuilder().chunk("LIST", listChunkBody()).pcm16Mono().samples16(samples).build(), wav))
      << wav.error;
  EXPECT_EQ(samplesOf(wav), samples);
}

TEST(WavReader, SkipsThePadByteAfterAnOddSizedChunk) {
  const auto samples = rampSamples(33);
  WavData wav;
  const auto file = WavBuilder().pcm16Mono().chunk("junk", {1, 2, 3, 4, 5}).samples16(samples).build();
  ASSERT_TRUE(parse(file, wav)) << wav.error;
  EXPECT_EQ(samplesOf(wav), samples);
}

TEST(WavReader, KeepsWholeFramesOfAnOddSizedDataChunk) {
  WavData wav;
  ASSERT_TRUE(parse(WavBuilder().pcm16Mono().chunk("data", {1, 0, 2, 0, 3}).build(), wav)) << wav.error;
  EXPECT_EQ(wav.size, 4u);
  EXPECT_EQ(samplesOf(wav), (std::vector<int16_t>{1, 2}));
}

TEST(WavReader, ReadsTheLoopFlagFromTheSamplerChunk) {
  std::vector<uint8_t> sampler(60, 0);
  sampler[28] = 1;
  WavData wav;
  ASSERT_TRUE(parse(WavBuilder().pcm16Mono().chunk("smpl", sampler).samples16(rampSamples(8)).build(), wav));
  EXPECT_TRUE(wav.loop);

  sampler[28] = 0;
  ASSERT_TRUE(parse(WavBuilder().pcm16Mono().chunk("smpl", sampler).samples16(rampSamples(8)).build(), wav));
  EXPECT_FALSE(wav.loop);
}

TEST(WavReader, IgnoresASamplerChunkTooShortForItsLoopCount) {
  std::vector<uint8_t> sampler(30, 0xff);
  WavData wav;
  ASSERT_TRUE(parse(WavBuilder().pcm16Mono().chunk("smpl", sampler).samples16(rampSamples(8)).build(), wav));
  EXPECT_FALSE(wav.loop);
  EXPECT_EQ(wav.size, 16u);
}

TEST(WavReader, RefusesNonPcmFormats) {
  for (uint16_t tag : {uint16_t(2), uint16_t(3), uint16_t(0x11), uint16_t(0xfffe)}) {
    WavData wav;
    EXPECT_FALSE(parse(WavBuilder().format(tag, 1, 8000, 16).samples16(rampSamples(20)).build(), wav)) << tag;
    EXPECT_EQ(wav.data, nullptr);
    EXPECT_EQ(wav.size, 0u);
    EXPECT_NE(wav.error.find("not PCM"), std::string::npos) << wav.error;
  }
}

TEST(WavReader, RefusesPcmLayoutsOpenALCannotPlay) {
  for (auto layout : {std::pair<uint16_t, uint16_t>{1, 24}, {1, 32}, {6, 16}, {0, 16}, {1, 0}}) {
    WavData wav;
    EXPECT_FALSE(parse(
        WavBuilder().format(1, layout.first, 8000, layout.second).samples16(rampSamples(24)).build(), wav))
        << layout.first << " channels, " << layout.second << " bits";
    EXPECT_EQ(wav.data, nullptr);
  }
}

TEST(WavReader, RefusesDataBeforeAnyFormatChunk) {
  WavData wav;
  EXPECT_FALSE(parse(WavBuilder().samples16(rampSamples(20)).pcm16Mono().build(), wav));
  EXPECT_EQ(wav.data, nullptr);
}

TEST(WavReader, RefusesAFormatChunkShorterThanItsFields) {
  WavData wav;
  const auto file = WavBuilder().chunk("fmt ", {1, 0, 1, 0, 0x40, 0x1f}).samples16(rampSamples(20)).build();
  EXPECT_FALSE(parse(file, wav));
  EXPECT_EQ(wav.data, nullptr);
}

TEST(WavReader, RefusesFilesThatAreNotRiffWave) {
  WavData wav;
  EXPECT_FALSE(parse({}, wav));
  EXPECT_FALSE(parse({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V'}, wav));
  auto file = WavBuilder().pcm16Mono().samples16(rampSamples(4)).build();
  file[8] = 'A';
  EXPECT_FALSE(parse(file, wav));
  EXPECT_EQ(wav.error, "not a RIFF WAVE file");
}

TEST(WavReader, KeepsOnlyTheSamplesPresentInATruncatedDataChunk) {
  const auto samples = rampSamples(50);
  auto file = WavBuilder().pcm16Mono().samples16(samples).build();
  // Cut the file in the middle of the 31st sample.
  file.resize(file.size() - 2 * 20 + 1);
  WavData wav;
  ASSERT_TRUE(parse(file, wav)) << wav.error;
  EXPECT_EQ(wav.size, 60u);
  EXPECT_EQ(samplesOf(wav), std::vector<int16_t>(samples.begin(), samples.begin() + 30));
}

TEST(WavReader, ChunkSizeLargerThanTheFileNeverReadsPastIt) {
  const auto samples = rampSamples(16);
  std::vector<uint8_t> body(samples.size() * 2);
  std::memcpy(body.data(), samples.data(), body.size());
  const auto file = WavBuilder().pcm16Mono().chunkWithSize("data", 0x7ffffff0u, body).build(0xfffffff0u);
  // Copy into an exact-size heap block so a read past the end trips the sanitizer.
  std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size()]);
  std::memcpy(exact.get(), file.data(), file.size());
  WavData wav;
  ASSERT_TRUE(parseWav(exact.get(), file.size(), wav)) << wav.error;
  EXPECT_EQ(samplesOf(wav), samples);
}

TEST(WavReader, LyingChunkBeforeTheFormatHidesTheRestOfTheFile) {
  // A chunk claiming 4 GB swallows everything behind it: no format, no samples.
  const auto file = WavBuilder()
                        .chunkWithSize("LIST", 0xffffffffu, listChunkBody())
                        .pcm16Mono()
                        .samples16(rampSamples(8))
                        .build();
  WavData wav;
  EXPECT_FALSE(parse(file, wav));
  EXPECT_EQ(wav.data, nullptr);
}

TEST(WavReader, RiffSizeSmallerThanTheFileEndsTheScan) {
  // The RIFF size covers only the format chunk: the data chunk is not looked at.
  const auto file = WavBuilder().pcm16Mono().samples16(rampSamples(8)).build(4 + 8 + 16);
  WavData wav;
  EXPECT_FALSE(parse(file, wav));
  EXPECT_EQ(wav.error, "no data chunk");
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
  EXPECT_EQ(samplesOf(wav), samples);
  EXPECT_EQ(wav.frequency, 22050u);
  unlink(path);

  EXPECT_FALSE(readWavFile(path, wav));
  EXPECT_EQ(wav.data, nullptr);
  EXPECT_EQ(wav.error, "cannot open file");
}
