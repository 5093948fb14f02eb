// The generated effect files: one for every profile, complete, and loaded by
// the sound system's reader as short 16-bit mono sounds at 22050 Hz.
#include "audio/sfx.h"
#include "audio/wavreader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

TEST(GeneratedEffects, EveryProfileHasACompleteAudibleUnclippedFileOnDisk) {
  std::set<std::string> names;
  for (const SFXProfile &profile : gSFXProfiles) {
    SCOPED_TRACE(profile.fileName);
    names.insert(profile.fileName);
    const std::string path = std::string(SW_SFX_DIR) + "/" + profile.fileName;
    // The RIFF size covers exactly the file: nothing was cut off or left over
    // (the reader would quietly take what is there).
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GE(file.size(), 44u);
    EXPECT_EQ(file[4] | file[5] << 8 | file[6] << 16 | uint32_t(file[7]) << 24, file.size() - 8);

    WavData wav;
    ASSERT_TRUE(readWavFile(path, wav)) << wav.error;
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
  // And no file that no profile names.
  const auto files = std::distance(std::filesystem::directory_iterator(SW_SFX_DIR), {});
  EXPECT_EQ(size_t(files), names.size());
  WavData missing;
  EXPECT_FALSE(readWavFile(std::string(SW_SFX_DIR) + "/no_such_effect.wav", missing));
  EXPECT_EQ(missing.data, nullptr);
  EXPECT_EQ(missing.error, "cannot open file");
}
