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

TEST(VoiceRecorder, PressDropsWhatCameBeforeAndReleaseSendsTheLastWholeFrames) {
  Rig rig;
  VoiceRecorder &recorder = rig.recorder;
  rig.capture->deliver(std::vector<int16_t>(500, 1234)); // before the press: thrown away
  recorder.startRecording();
  ASSERT_TRUE(recorder.mRecording);
  EXPECT_TRUE(rig.capture->arrived.empty());
  recorder.captureStep(); // nothing captured, nothing sent
  EXPECT_TRUE(rig.sent.empty());

  // A second press while recording changes nothing.
  rig.capture->deliver(std::vector<int16_t>(100, 5));
  recorder.startRecording();
  EXPECT_EQ(rig.capture->opens, 1);
  EXPECT_EQ(rig.capture->arrived.size(), 100u);

  // Released with 179 samples: no whole frame to send, but the gain control
  // saw them; a step after the release does nothing.
  rig.capture->deliver(samplesWithPeak(79, 3000));
  recorder.stopRecording();
  EXPECT_FALSE(rig.capture->capturing);
  EXPECT_EQ(recorder.mGainReference, 3000 + 2048);
  rig.stepWith(samplesWithPeak(800, 3000));
  EXPECT_TRUE(rig.sent.empty());

  // The next press keeps the gain reference; its release sends the whole
  // frames of its last step (two LPC-10 frames of 7 bytes).
  recorder.startRecording();
  EXPECT_EQ(recorder.mGainReference, 3000 + 2048);
  rig.capture->deliver(samplesWithPeak(400, 3000));
  recorder.stopRecording();
  ASSERT_EQ(rig.sent.size(), 1u);
  EXPECT_EQ(rig.sent[0]->getBufferSize(), 14u);
}

TEST(VoiceRecorder, GainScalesThePeakToFullScaleAndRecoversSlowlyAfterALoudSound) {
  Rig rig;
  rig.useRecordingEncoder();
  VoiceRecorder &recorder = rig.recorder;
  recorder.startRecording();
  // A negative full-scale peak counts by its magnitude: gain 32767 / 34816,
  // products truncated toward zero.
  rig.stepWith(samplesWithPeak(180, -32768));
  EXPECT_EQ(recorder.mGainReference, 32768 + 2048);
  EXPECT_EQ(rig.encoder->frames[0][90], -30839);
  // The reference decays by 5% a step: 34816 * 0.95f = 33075.2 -> 33075.
  rig.stepWith(samplesWithPeak(180, 100));
  EXPECT_EQ(recorder.mGainReference, 33075);
  EXPECT_EQ(recorder.mPeakLevel, 99); // 100 * 32767 / 33075
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
