// The recorder: start and stop, discarding what was captured before the key
// was pressed, the automatic gain, and packetization into the sender.
#include "audio/voicerecorder.h"
#include "voicetestsupport.h"

#include <gtest/gtest.h>

namespace {

std::vector<int16_t> constantSamples(size_t count, int16_t level) {
  return std::vector<int16_t>(count, level);
}

// count samples with one sample of the given peak (positive or negative) in the middle.
std::vector<int16_t> samplesWithPeak(size_t count, int16_t peak) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i)
    samples[i] = int16_t((i % 7) * 10 - 30);
  samples[count / 2] = peak;
  return samples;
}

class Recorder : public ::testing::Test {
protected:
  Recorder() {
    auto owned = std::make_unique<ScriptedCapture>();
    capture = owned.get();
    recorder = std::make_unique<VoiceRecorder>(std::move(owned));
    recorder->setPacketSender(1, [this](uint32_t role, const TNL::ByteBufferPtr &packet) {
      EXPECT_EQ(role, 1u);
      sent.push_back(packet);
    });
  }

  void useRecordingEncoder() {
    encoder = new RecordingEncoder;
    recorder->mEncoder = encoder.getPointer();
  }

  // Runs one step on samples that arrived since the last one.
  void stepWith(const std::vector<int16_t> &samples) {
    capture->deliver(samples);
    recorder->captureStep();
  }

  ScriptedCapture *capture = nullptr;
  std::unique_ptr<VoiceRecorder> recorder;
  TNL::RefPtr<RecordingEncoder> encoder;
  std::vector<TNL::ByteBufferPtr> sent;
};

} // namespace

TEST(VoiceRecorderConstruction, StartsIdleWithAnLpc10Encoder) {
  VoiceRecorder recorder(std::make_unique<ScriptedCapture>());
  EXPECT_FALSE(recorder.mRecording);
  EXPECT_EQ(recorder.mVoiceTimer, 0u);
  EXPECT_EQ(recorder.mVoicePeriod, 0u);
  EXPECT_EQ(recorder.mPeakLevel, 0);
  EXPECT_EQ(recorder.mGainReference, 0);
  EXPECT_TRUE(recorder.mPendingAudio.isNull());
  EXPECT_NE(dynamic_cast<LPC10VoiceEncoder *>(recorder.mEncoder.getPointer()), nullptr);
}

TEST_F(Recorder, StartArmsTheFirstStepAndDiscardsEarlierCapture) {
  capture->available = true;
  capture->capturing = false;
  recorder->startRecording();
  ASSERT_TRUE(recorder->mRecording);
  EXPECT_EQ(recorder->mVoiceTimer, 250u);
  EXPECT_EQ(recorder->mVoicePeriod, 250u);
  EXPECT_TRUE(capture->capturing);

  // Samples still in the device from before the press are thrown away.
  recorder->stopRecording();
  capture->deliver(constantSamples(500, 1234));
  recorder->startRecording();
  ASSERT_TRUE(recorder->mPendingAudio.isValid());
  EXPECT_EQ(recorder->mPendingAudio->getBufferSize(), 0u);
  EXPECT_TRUE(capture->arrived.empty());
}

TEST_F(Recorder, DoesNotStartWhenTheCaptureCannotOpen) {
  capture->available = false;
  recorder->startRecording();
  EXPECT_FALSE(recorder->mRecording);
  EXPECT_EQ(recorder->mVoiceTimer, 0u);
  EXPECT_TRUE(recorder->mPendingAudio.isNull());
}

TEST_F(Recorder, SecondStartWhileRecordingChangesNothing) {
  recorder->startRecording();
  capture->deliver(constantSamples(100, 5));
  recorder->mVoiceTimer = 40;
  recorder->startRecording();
  EXPECT_EQ(recorder->mVoiceTimer, 40u);
  EXPECT_EQ(capture->opens, 1);
  EXPECT_EQ(capture->arrived.size(), 100u);
}

TEST_F(Recorder, FirstStepWithPeak1000SetsReference3048AndPeak10750) {
  useRecordingEncoder();
  recorder->startRecording();
  auto samples = samplesWithPeak(720, 1000);
  samples[10] = -1000;
  samples[11] = 500;
  stepWith(samples);
  EXPECT_EQ(recorder->mGainReference, 3048);
  EXPECT_EQ(recorder->mPeakLevel, 10750);
  ASSERT_EQ(encoder->frames.size(), 4u);
  // gain = 32767 / 3048 as a float, products truncated toward zero.
  EXPECT_EQ(encoder->frames[0][10], -10750);
  EXPECT_EQ(encoder->frames[0][11], 5375);
  EXPECT_EQ(encoder->frames[2][0], 10750); // the peak itself, sample 360
}

TEST_F(Recorder, NegativePeakCountsByItsMagnitude) {
  useRecordingEncoder();
  recorder->startRecording();
  stepWith(samplesWithPeak(180, -32768));
  EXPECT_EQ(recorder->mGainReference, 32768 + 2048);
  // 32768 * (32767 / 34816) = 30839.53, truncated toward zero.
  EXPECT_EQ(recorder->mPeakLevel, 30839);
  EXPECT_EQ(encoder->frames[0][90], -30839);
}

TEST_F(Recorder, SilenceStaysUnchanged) {
  useRecordingEncoder();
  recorder->startRecording();
  stepWith(constantSamples(360, 0));
  EXPECT_EQ(recorder->mGainReference, 2048);
  EXPECT_EQ(recorder->mPeakLevel, 0);
  ASSERT_EQ(encoder->frames.size(), 2u);
  EXPECT_EQ(encoder->frames[1], constantSamples(180, 0));
}

TEST_F(Recorder, GainRecoversByFivePercentPerStepAfterALoudSound) {
  useRecordingEncoder();
  recorder->startRecording();
  stepWith(samplesWithPeak(180, 30000));
  EXPECT_EQ(recorder->mGainReference, 32048);
  // 32048 * 0.95f = 30445.6 -> 30445; then 28922.75 -> 28922.
  stepWith(samplesWithPeak(180, 100));
  EXPECT_EQ(recorder->mGainReference, 30445);
  EXPECT_EQ(recorder->mPeakLevel, 107); // 100 * 32767 / 30445
  stepWith(samplesWithPeak(180, 100));
  EXPECT_EQ(recorder->mGainReference, 28922);

  // A second later (ten steps) the reference is still far above the quiet level.
  for (int i = 0; i < 10; ++i)
    stepWith(samplesWithPeak(180, 100));
  EXPECT_GT(recorder->mGainReference, 15000);
  EXPECT_LT(recorder->mGainReference, 28922);
  // After enough quiet steps it settles at the quiet level.
  for (int i = 0; i < 100; ++i)
    stepWith(samplesWithPeak(180, 100));
  EXPECT_EQ(recorder->mGainReference, 2148);
}

TEST_F(Recorder, GainReferenceIsKeptAcrossRecordings) {
  recorder->startRecording();
  stepWith(samplesWithPeak(200, 8000));
  recorder->stopRecording();
  EXPECT_EQ(recorder->mGainReference, 10048);
  recorder->startRecording();
  EXPECT_EQ(recorder->mGainReference, 10048);
  EXPECT_EQ(recorder->mPeakLevel, 0);
}

TEST_F(Recorder, StepOf800SamplesSendsFourFramesOf28BytesAndCarries80) {
  recorder->startRecording();
  std::vector<int16_t> samples = samplesWithPeak(800, 4000);
  stepWith(samples);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]->getBufferSize(), 28u);
  EXPECT_EQ(recorder->mLastPacket, sent[0]);
  ASSERT_EQ(recorder->mPendingAudio->getBufferSize(), 160u);

  // The carried samples lead the next step: 80 + 100 = 180 make one frame.
  stepWith(samplesWithPeak(100, 10));
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1]->getBufferSize(), 7u);
  EXPECT_EQ(recorder->mPendingAudio->getBufferSize(), 0u);
}

TEST_F(Recorder, CarriedSamplesLeadTheNextFrameInOrder) {
  useRecordingEncoder();
  recorder->startRecording();
  // Step one rises 1..800, step two -100..-1; the gain is monotonic, so the
  // order and signs survive it.
  std::vector<int16_t> rising(800), falling(100);
  for (int i = 0; i < 800; ++i)
    rising[i] = int16_t(i + 1);
  for (int i = 0; i < 100; ++i)
    falling[i] = int16_t(i - 100);
  stepWith(rising);
  ASSERT_EQ(encoder->frames.size(), 4u);
  stepWith(falling);
  ASSERT_EQ(encoder->frames.size(), 5u);
  const std::vector<int16_t> &frame = encoder->frames[4];
  for (int i = 0; i < 180; ++i) {
    if (i < 80) {
      EXPECT_GT(frame[i], 0) << i;
    } else {
      EXPECT_LT(frame[i], 0) << i;
    }
    if (i > 0 && i != 80) {
      EXPECT_GT(frame[i], frame[i - 1]) << i;
    }
  }
  // The carried samples were scaled once, in the step that captured them.
  EXPECT_EQ(frame[79], int16_t(800.0f * (32767.0f / 2848.0f)));
  EXPECT_TRUE(samplesOfBuffer(*recorder->mPendingAudio).empty());
}

TEST_F(Recorder, StepThatCapturedNothingSendsNothing) {
  recorder->startRecording();
  recorder->captureStep();
  EXPECT_TRUE(sent.empty());
  EXPECT_TRUE(recorder->mLastPacket.isNull());
}

TEST_F(Recorder, ReleaseWith179SamplesSendsNothing) {
  recorder->startRecording();
  capture->deliver(samplesWithPeak(179, 3000));
  recorder->stopRecording();
  EXPECT_TRUE(sent.empty());
  EXPECT_FALSE(recorder->mRecording);
  EXPECT_FALSE(capture->capturing);
  EXPECT_EQ(capture->closes, 1);
  EXPECT_TRUE(recorder->mPendingAudio.isNull());
  // The gain control still saw the last samples.
  EXPECT_EQ(recorder->mGainReference, 3000 + 2048);
}

TEST_F(Recorder, ReleaseRunsALastStepThatSendsWholeFrames) {
  recorder->startRecording();
  capture->deliver(samplesWithPeak(400, 3000));
  recorder->stopRecording();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]->getBufferSize(), 14u);
}

TEST_F(Recorder, WithoutASenderThePacketIsStillKept) {
  recorder->clearPacketSender();
  recorder->startRecording();
  stepWith(samplesWithPeak(360, 3000));
  ASSERT_TRUE(recorder->mLastPacket.isValid());
  EXPECT_EQ(recorder->mLastPacket->getBufferSize(), 14u);
}

TEST_F(Recorder, StepAfterStopDoesNothing) {
  recorder->startRecording();
  recorder->stopRecording();
  capture->deliver(samplesWithPeak(800, 3000));
  recorder->captureStep();
  EXPECT_TRUE(sent.empty());
}

TEST_F(Recorder, SendsOnlyForAChiefAndOnlyWhileItsLinkLasts) {
  recorder->startRecording();
  stepWith(samplesWithPeak(360, 3000));
  ASSERT_EQ(sent.size(), 1u);

  // The link ended: packets are still coded but nothing is sent.
  recorder->clearPacketSender();
  EXPECT_FALSE(recorder->hasPacketSender());
  stepWith(samplesWithPeak(360, 3000));
  EXPECT_TRUE(recorder->mLastPacket.isValid());
  EXPECT_EQ(sent.size(), 1u);

  // The facilitator's station (role 3) or a bad role installs no sender.
  for (uint32_t role : {3u, 77u}) {
    recorder->setPacketSender(role,
                              [this](uint32_t, const TNL::ByteBufferPtr &packet) { sent.push_back(packet); });
    EXPECT_FALSE(recorder->hasPacketSender());
    stepWith(samplesWithPeak(360, 3000));
  }
  EXPECT_EQ(sent.size(), 1u);

  // A chief's new link sends again, tagged with its role.
  std::vector<uint32_t> roles;
  recorder->setPacketSender(2,
                            [&roles](uint32_t role, const TNL::ByteBufferPtr &) { roles.push_back(role); });
  stepWith(samplesWithPeak(360, 3000));
  EXPECT_EQ(roles, std::vector<uint32_t>{2u});
}
