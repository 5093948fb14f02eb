// The engine-free logic of the station's loops: the loop clock and the voice
// timer.
#include <fstream>
#include <limits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "audio/voicecapture.h"
#include "audio/voicerecorder.h"
#include "shell/Station.h"
#include "shell/StationLoop.h"

namespace {

constexpr std::uint64_t NS_PER_MS = 1000000;

TEST(LoopClock, ShortPassesWaitAndFractionsCarryIntoWholeMilliseconds) {
  LoopClock clock;
  clock.lastTime = 5 * NS_PER_MS;
  // Under two milliseconds: nothing consumed, the next pass measures from
  // the same instant and carries the fraction.
  EXPECT_EQ(clock.consume(5 * NS_PER_MS + 1700000), 0u);
  EXPECT_EQ(clock.consume(5 * NS_PER_MS + 3300000), 3u);
  EXPECT_NEAR(clock.carry, 0.3, 1e-9);
  // Ten passes of 2.5 ms: 25 ms in all, none lost to truncation.
  LoopClock even;
  std::uint32_t consumed = 0;
  for (std::uint64_t now = 2500000; now <= 25000000; now += 2500000)
    consumed += even.consume(now);
  EXPECT_EQ(consumed, 25u);
  // A huge gap consumes the largest count instead of wrapping.
  EXPECT_EQ(LoopClock().consume(60ull * 24 * 3600 * 1000 * NS_PER_MS),
            std::numeric_limits<std::uint32_t>::max());
}

TEST(VoiceTimer, CountsDownFiresAtZeroAndRearmsAtTheCapturePeriodOnlyWhileRecording) {
  VoiceTimer voice{true, 100, 100};
  EXPECT_FALSE(advanceVoiceTimer(voice, 40));
  EXPECT_EQ(voice.timer, 60u);
  EXPECT_FALSE(advanceVoiceTimer(voice, 40));
  EXPECT_TRUE(advanceVoiceTimer(voice, 20)); // elapsed equal to the timer fires
  EXPECT_EQ(voice.timer, 100u);
  VoiceTimer notRecording{false, 100, 100};
  EXPECT_FALSE(advanceVoiceTimer(notRecording, 500));
  VoiceTimer disarmed{true, 0, 100};
  EXPECT_FALSE(advanceVoiceTimer(disarmed, 500));
  EXPECT_EQ(disarmed.timer, 0u);
}

// A microphone that always has 400 samples of a tone ready.
class ToneCapture : public VoiceCapture {
public:
  explicit ToneCapture(int &reads) : mReads(reads) {}
  bool openCapture() override { return mCapturing = true; }
  void readCapture(TNL::ByteBuffer &dest) override {
    if (!mCapturing)
      return;
    ++mReads;
    const std::size_t old = dest.getBufferSize();
    dest.resize(old + 400 * sizeof(std::int16_t));
    auto *samples = reinterpret_cast<std::int16_t *>(dest.getBuffer() + old);
    for (int i = 0; i < 400; ++i)
      samples[i] = static_cast<std::int16_t>((i % 20 < 10) ? 8000 : -8000);
  }
  void closeCapture() override { mCapturing = false; }
  bool isCapturing() const override { return mCapturing; }

private:
  int &mReads;
  bool mCapturing = false;
};

TEST(VoiceStep, RecorderCapturesOnlyWhenItsTimerRunsOut) {
  int reads = 0;
  VoiceRecorder recorder(std::make_unique<ToneCapture>(reads));
  recorder.startRecording();
  ASSERT_TRUE(recorder.mRecording);
  const std::uint32_t firstDelay = recorder.mVoiceTimer;
  ASSERT_GT(firstDelay, 10u);
  const int readsAtStart = reads;

  runVoiceStep(recorder, firstDelay - 10);
  EXPECT_EQ(recorder.mVoiceTimer, 10u);
  EXPECT_EQ(reads, readsAtStart);

  runVoiceStep(recorder, 10);
  EXPECT_EQ(reads, readsAtStart + 1);
  EXPECT_EQ(recorder.mVoiceTimer, VOICE_CAPTURE_PERIOD);
  EXPECT_EQ(recorder.mVoicePeriod, VOICE_CAPTURE_PERIOD);
  EXPECT_FALSE(recorder.mLastPacket.isNull());
}

} // namespace
