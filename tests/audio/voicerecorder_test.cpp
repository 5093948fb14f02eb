// The recorder: start and stop, discarding what was captured before the key
// was pressed, the automatic gain, and packetization into the sender.
#include "audio/voicerecorder.h"
#include "voicetestsupport.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

// count samples with one sample of the given peak (positive or negative) in the middle.
std::vector<int16_t> samplesWithPeak(size_t count, int16_t peak) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i)
    samples[i] = int16_t((i % 7) * 10 - 30);
  samples[count / 2] = peak;
  return samples;
}

// A recorder on a scripted capture whose packets (role 1) are collected.
struct Rig {
  Rig() {
    recorder.setPacketSender(1, [this](uint32_t role, const TNL::ByteBufferPtr &packet) {
      EXPECT_EQ(role, 1u);
      sent.push_back(packet);
    });
  }
  void useRecordingEncoder() {
    encoder = new RecordingEncoder;
    recorder.mEncoder = encoder.getPointer();
  }
  // Runs one step on samples that arrived since the last one.
  void stepWith(const std::vector<int16_t> &samples) {
    capture->deliver(samples);
    recorder.captureStep();
  }

  ScriptedCapture *capture = new ScriptedCapture;
  VoiceRecorder recorder{std::unique_ptr<VoiceCapture>(capture)};
  TNL::RefPtr<RecordingEncoder> encoder;
  std::vector<TNL::ByteBufferPtr> sent;
};

} // namespace

TEST(VoiceRecorder, PressAndReleaseOpenStepAndCloseTheCapture) {
  Rig rig;
  VoiceRecorder &recorder = rig.recorder;
  // Pressed: the first step is armed 250 ms out and what the device held
  // from before the press is thrown away. (Without a capture device nothing
  // starts: see the tests without any device.)
  rig.capture->deliver(std::vector<int16_t>(500, 1234));
  recorder.startRecording();
  ASSERT_TRUE(recorder.mRecording);
  EXPECT_TRUE(rig.capture->capturing);
  EXPECT_EQ(recorder.mVoiceTimer, 250u);
  EXPECT_EQ(recorder.mVoicePeriod, 250u);
  ASSERT_TRUE(recorder.mPendingAudio.isValid());
  EXPECT_EQ(recorder.mPendingAudio->getBufferSize(), 0u);
  EXPECT_TRUE(rig.capture->arrived.empty());

  // A step that captured nothing sends nothing.
  recorder.captureStep();
  EXPECT_TRUE(rig.sent.empty());
  EXPECT_TRUE(recorder.mLastPacket.isNull());

  // A second press while recording changes nothing.
  rig.capture->deliver(std::vector<int16_t>(100, 5));
  recorder.mVoiceTimer = 40;
  recorder.startRecording();
  EXPECT_EQ(recorder.mVoiceTimer, 40u);
  EXPECT_EQ(rig.capture->opens, 1);
  EXPECT_EQ(rig.capture->arrived.size(), 100u);

  // Released with 179 samples: the last step has no whole frame to send,
  // but the gain control still saw them.
  rig.capture->deliver(samplesWithPeak(79, 3000));
  recorder.stopRecording();
  EXPECT_TRUE(rig.sent.empty());
  EXPECT_FALSE(recorder.mRecording);
  EXPECT_FALSE(rig.capture->capturing);
  EXPECT_EQ(rig.capture->closes, 1);
  EXPECT_TRUE(recorder.mPendingAudio.isNull());
  EXPECT_EQ(recorder.mGainReference, 3000 + 2048);

  // A step after the release does nothing.
  rig.stepWith(samplesWithPeak(800, 3000));
  EXPECT_TRUE(rig.sent.empty());

  // The next press keeps the gain reference; its release sends the whole
  // frames of its last step (two LPC-10 frames of 7 bytes).
  recorder.startRecording();
  EXPECT_EQ(recorder.mGainReference, 3000 + 2048);
  EXPECT_EQ(recorder.mPeakLevel, 0);
  rig.capture->deliver(samplesWithPeak(400, 3000));
  recorder.stopRecording();
  ASSERT_EQ(rig.sent.size(), 1u);
  EXPECT_EQ(rig.sent[0]->getBufferSize(), 14u);
}

TEST(VoiceRecorder, GainScalesThePeakToFullScaleAboveTheFloorAndRecoversSlowly) {
  struct Case {
    const char *what;
    std::vector<int16_t> samples;
    int32_t reference, peak;
    std::vector<std::pair<size_t, int16_t>> scaled; // sample index, value the encoder got
  };
  auto peak1000 = samplesWithPeak(720, 1000);
  peak1000[10] = -1000;
  peak1000[11] = 500;
  const Case cases[] = {
      // gain = 32767 / 3048 as a float, products truncated toward zero.
      {"peak 1000", peak1000, 3048, 10750, {{10, -10750}, {11, 5375}, {360, 10750}}},
      // A negative peak counts by its magnitude: 32768 * (32767 / 34816) = 30839.53.
      {"negative full scale", samplesWithPeak(180, -32768), 32768 + 2048, 30839, {{90, -30839}}},
      {"silence", std::vector<int16_t>(360, 0), 2048, 0, {{0, 0}, {359, 0}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    rig.useRecordingEncoder();
    rig.recorder.startRecording();
    rig.stepWith(c.samples);
    EXPECT_EQ(rig.recorder.mGainReference, c.reference);
    EXPECT_EQ(rig.recorder.mPeakLevel, c.peak);
    ASSERT_EQ(rig.encoder->frames.size(), c.samples.size() / 180);
    for (auto [index, value] : c.scaled)
      EXPECT_EQ(rig.encoder->frames[index / 180][index % 180], value) << index;
  }

  // After a loud sound the reference decays by 5% per step: 32048 * 0.95f =
  // 30445.6 -> 30445; then 28922.75 -> 28922.
  Rig rig;
  VoiceRecorder &recorder = rig.recorder;
  recorder.startRecording();
  rig.stepWith(samplesWithPeak(180, 30000));
  EXPECT_EQ(recorder.mGainReference, 32048);
  rig.stepWith(samplesWithPeak(180, 100));
  EXPECT_EQ(recorder.mGainReference, 30445);
  EXPECT_EQ(recorder.mPeakLevel, 107); // 100 * 32767 / 30445
  rig.stepWith(samplesWithPeak(180, 100));
  EXPECT_EQ(recorder.mGainReference, 28922);
  // A second later (ten steps) it is still far above the quiet level, where
  // it settles after enough quiet steps.
  for (int i = 0; i < 10; ++i)
    rig.stepWith(samplesWithPeak(180, 100));
  EXPECT_GT(recorder.mGainReference, 15000);
  for (int i = 0; i < 100; ++i)
    rig.stepWith(samplesWithPeak(180, 100));
  EXPECT_EQ(recorder.mGainReference, 2148);
}

TEST(VoiceRecorder, CarriedSamplesLeadTheNextFrameInOrder) {
  Rig rig;
  rig.useRecordingEncoder();
  VoiceRecorder &recorder = rig.recorder;
  recorder.startRecording();
  // Step one rises 1..800, step two -100..-1; the gain is monotonic, so the
  // order and signs survive it.
  std::vector<int16_t> rising(800), falling(100);
  std::iota(rising.begin(), rising.end(), 1);
  std::iota(falling.begin(), falling.end(), -100);
  rig.stepWith(rising);
  ASSERT_EQ(rig.sent.size(), 1u);
  EXPECT_EQ(rig.sent[0]->getBufferSize(), 4u * 4); // four frames of the stand-in's 4 bytes
  EXPECT_EQ(recorder.mLastPacket, rig.sent[0]);
  EXPECT_EQ(recorder.mPendingAudio->getBufferSize(), 80u * 2);

  // The 80 carried samples and 100 new ones make one frame.
  rig.stepWith(falling);
  ASSERT_EQ(rig.sent.size(), 2u);
  EXPECT_EQ(rig.sent[1]->getBufferSize(), 4u);
  ASSERT_EQ(rig.encoder->frames.size(), 5u);
  const std::vector<int16_t> &frame = rig.encoder->frames[4];
  for (int i = 0; i < 180; ++i) {
    EXPECT_EQ(frame[i] > 0, i < 80) << i;
    EXPECT_TRUE(i == 0 || i == 80 || frame[i] > frame[i - 1]) << i;
  }
  // The carried samples were scaled once, in the step that captured them.
  EXPECT_EQ(frame[79], int16_t(800.0f * (32767.0f / 2848.0f)));
  EXPECT_EQ(recorder.mPendingAudio->getBufferSize(), 0u);
}

TEST(VoiceRecorder, SendsOnlyForAChiefAndOnlyWhileItsLinkLasts) {
  Rig rig;
  VoiceRecorder &recorder = rig.recorder;
  recorder.startRecording();
  rig.stepWith(samplesWithPeak(360, 3000));
  ASSERT_EQ(rig.sent.size(), 1u);

  // The link ended: packets are still coded but nothing is sent.
  recorder.clearPacketSender();
  EXPECT_FALSE(recorder.hasPacketSender());
  rig.stepWith(samplesWithPeak(360, 3000));
  ASSERT_TRUE(recorder.mLastPacket.isValid());
  EXPECT_NE(recorder.mLastPacket, rig.sent[0]);
  EXPECT_EQ(recorder.mLastPacket->getBufferSize(), 14u);
  EXPECT_EQ(rig.sent.size(), 1u);

  // The facilitator's station (role 3) or a bad role installs no sender.
  for (uint32_t role : {3u, 77u}) {
    recorder.setPacketSender(
        role, [&rig](uint32_t, const TNL::ByteBufferPtr &packet) { rig.sent.push_back(packet); });
    EXPECT_FALSE(recorder.hasPacketSender());
    rig.stepWith(samplesWithPeak(360, 3000));
  }
  EXPECT_EQ(rig.sent.size(), 1u);

  // A chief's new link sends again, tagged with its role.
  std::vector<uint32_t> roles;
  recorder.setPacketSender(2, [&roles](uint32_t role, const TNL::ByteBufferPtr &) { roles.push_back(role); });
  rig.stepWith(samplesWithPeak(360, 3000));
  EXPECT_EQ(roles, std::vector<uint32_t>{2u});
}
