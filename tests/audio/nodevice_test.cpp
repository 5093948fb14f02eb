// Runs with an OpenAL configuration that offers no output back end.
#include "audio/sfx.h"
#include "audio/voicerecorder.h"
#include "soundtestsupport.h"

#include <gtest/gtest.h>

namespace {

// OpenAL Soft reads its configuration at the first call: a back-end list
// naming only an unknown driver leaves it without output and capture.
void withoutAudioBackEnds() {
  setenv("ALSOFT_DRIVERS", "no-such-driver", 1);
}

} // namespace

TEST(SoundWithoutDevice, ReportsTheFailureAndStaysOffAndRecordingDoesNotStart) {
  withoutAudioBackEnds();
  LogCapture log;
  ScratchDirectory scratch;
  scratch.linkGeneratedEffects();
  startSound();
  EXPECT_FALSE(isSoundValid());
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0], "Failed to intitialize OpenAL.");
  processSound();
  stopSound();
  EXPECT_FALSE(isSoundValid());

  // Nor is there a capture device.
  VoiceRecorder recorder;
  recorder.startRecording();
  EXPECT_FALSE(recorder.mRecording);
  EXPECT_EQ(recorder.mVoiceTimer, 0u);
  EXPECT_TRUE(recorder.mPendingAudio.isNull());
  recorder.captureStep();
  recorder.stopRecording();
  EXPECT_TRUE(recorder.mLastPacket.isNull());
}
