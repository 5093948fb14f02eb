// The generated effect files: well-formed 16-bit PCM RIFF files, one for
// every profile, readable by the sound system's reader.
#include "audio/sfx.h"
#include "audio/wavreader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace {

std::vector<uint8_t> readAll(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t le32(const uint8_t *p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}
uint16_t le16(const uint8_t *p) {
  return uint16_t(p[0] | (p[1] << 8));
}

// Walks the chunks independently of the reader under test: exact sizes, a
// 16-byte PCM "fmt " with 16-bit mono samples, and a non-empty "data" chunk.
void expectStrictPcm16(const std::filesystem::path &path) {
  SCOPED_TRACE(path.string());
  const auto file = readAll(path);
  ASSERT_GE(file.size(), 44u);
  ASSERT_EQ(std::memcmp(file.data(), "RIFF", 4), 0);
  ASSERT_EQ(le32(&file[4]), file.size() - 8);
  ASSERT_EQ(std::memcmp(&file[8], "WAVE", 4), 0);
  bool sawFormat = false, sawData = false;
  size_t at = 12;
  while (at + 8 <= file.size()) {
    const uint32_t size = le32(&file[at + 4]);
    ASSERT_LE(at + 8 + size, file.size()) << "chunk overruns the file";
    const uint8_t *body = &file[at + 8];
    if (std::memcmp(&file[at], "fmt ", 4) == 0) {
      ASSERT_EQ(size, 16u);
      EXPECT_EQ(le16(body), 1) << "format tag";
      EXPECT_EQ(le16(body + 2), 1) << "channels";
      EXPECT_EQ(le16(body + 12), 2) << "block align";
      EXPECT_EQ(le16(body + 14), 16) << "bits";
      EXPECT_EQ(le32(body + 8), le32(body + 4) * 2) << "byte rate";
      sawFormat = true;
    } else if (std::memcmp(&file[at], "data", 4) == 0) {
      EXPECT_TRUE(sawFormat) << "data before fmt";
      EXPECT_GT(size, 0u);
      EXPECT_EQ(size % 2, 0u);
      sawData = true;
    }
    at += 8 + size + (size & 1);
  }
  EXPECT_EQ(at, file.size());
  EXPECT_TRUE(sawFormat);
  EXPECT_TRUE(sawData);
}

} // namespace

TEST(GeneratedEffects, EveryFileIsAStrict16BitPcmRiffFile) {
  size_t files = 0;
  for (const auto &entry : std::filesystem::directory_iterator(SW_SFX_DIR)) {
    expectStrictPcm16(entry.path());
    ++files;
  }
  std::set<std::string> distinct;
  for (const SFXProfile &profile : gSFXProfiles)
    distinct.insert(profile.fileName);
  EXPECT_EQ(files, distinct.size());
}

TEST(GeneratedEffects, EveryProfileFileLoadsAndIsAudibleAndNotClipped) {
  for (const SFXProfile &profile : gSFXProfiles) {
    SCOPED_TRACE(profile.fileName);
    WavData wav;
    ASSERT_TRUE(readWavFile(std::string(SW_SFX_DIR) + "/" + profile.fileName, wav)) << wav.error;
    EXPECT_EQ(wav.format, AL_FORMAT_MONO16);
    EXPECT_EQ(wav.frequency, 22050u);
    // Short effects: between 10 ms and 3 s.
    EXPECT_GE(wav.size, 2u * 220);
    EXPECT_LE(wav.size, 2u * 22050 * 3);
    // Looping profiles carry a loop in their file.
    EXPECT_EQ(wav.loop, profile.isLooping);
    int peak = 0;
    for (uint32_t i = 0; i + 1 < wav.size; i += 2) {
      int16_t sample;
      std::memcpy(&sample, wav.data.get() + i, 2);
      peak = std::max(peak, std::abs(int(sample)));
    }
    EXPECT_GT(peak, 3000);
    EXPECT_LT(peak, 32767);
  }
}
