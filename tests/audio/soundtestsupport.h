// Runs sound tests in a scratch working directory whose "sfx/" is the
// generated effects folder (or a doctored copy of it), collects what the
// audio code writes to the transport's log, and reads back OpenAL's sources.
#pragma once

#include "../support/LogCapture.h"
#include "audio/sfx.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

class ScratchDirectory {
public:
  ScratchDirectory() {
    // Tests never touch a real sound card, also when started by hand.
    setenv("ALSOFT_DRIVERS", "null", 0);
    char pattern[] = "/tmp/sw_audio_XXXXXX";
    mPath = mkdtemp(pattern);
    mPrevious = std::filesystem::current_path();
    std::filesystem::current_path(mPath);
  }
  ~ScratchDirectory() {
    std::filesystem::current_path(mPrevious);
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
  }
  ScratchDirectory(const ScratchDirectory &) = delete;
  ScratchDirectory &operator=(const ScratchDirectory &) = delete;

  // "sfx" points at the generated effects.
  void linkGeneratedEffects() { std::filesystem::create_directory_symlink(SW_SFX_DIR, mPath / "sfx"); }
  // "sfx" is a copy of the generated effects that the test may change.
  std::filesystem::path copyGeneratedEffects() {
    std::filesystem::copy(SW_SFX_DIR, mPath / "sfx");
    return mPath / "sfx";
  }
  const std::filesystem::path &path() const { return mPath; }

private:
  std::filesystem::path mPath;
  std::filesystem::path mPrevious;
};

// The sound system up on the generated effects for the whole test.
class RunningSound : public ::testing::Test {
protected:
  void SetUp() override {
    scratch.linkGeneratedEffects();
    startSound();
    ASSERT_TRUE(isSoundValid()) << (log.lines.empty() ? "" : log.lines.front());
  }
  void TearDown() override { stopSound(); }

  LogCapture log;
  ScratchDirectory scratch;
};

inline ALint sourceInt(const SFXObject &object, ALenum what) {
  ALint value = -1;
  alGetSourcei(getSourceHandle(object.getSourceSlot()), what, &value);
  return value;
}
