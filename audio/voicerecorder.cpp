#include "voicerecorder.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t FirstStepDelay = 250; // milliseconds
// The gain control never amplifies by more than 32767 / GainFloor.
constexpr int32_t GainFloor = 2048;
constexpr float GainDecay = 0.95f;
constexpr int32_t FullScale = 32767;

int16_t sampleAt(const TNL::ByteBuffer &buffer, size_t index) {
  int16_t sample;
  std::memcpy(&sample, buffer.getBuffer() + index * sizeof sample, sizeof sample);
  return sample;
}

void setSampleAt(TNL::ByteBuffer &buffer, size_t index, int16_t sample) {
  std::memcpy(buffer.getBuffer() + index * sizeof sample, &sample, sizeof sample);
}

} // namespace

VoiceRecorder voiceRecorder;

VoiceRecorder::VoiceRecorder() : VoiceRecorder(std::make_unique<OpenALVoiceCapture>()) {}

VoiceRecorder::VoiceRecorder(std::unique_ptr<VoiceCapture> capture)
    : mEncoder(new LPC10VoiceEncoder), mCapture(std::move(capture)) {}

VoiceRecorder::~VoiceRecorder() = default;

void VoiceRecorder::startRecording() {
  if (mRecording)
    return;
  if (!mCapture->openCapture())
    return;
  mPendingAudio = new TNL::ByteBuffer;
  mVoiceTimer = FirstStepDelay;
  mVoicePeriod = FirstStepDelay;
  mRecording = true;
  mPeakLevel = 0;
  mCapture->readCapture(*mPendingAudio);
  mPendingAudio->clear();
}

void VoiceRecorder::stopRecording() {
  if (mRecording) {
    captureStep();
    mRecording = false;
  }
  if (mCapture->isCapturing())
    mCapture->closeCapture();
  mPendingAudio = nullptr;
}

void VoiceRecorder::captureStep() {
  if (mPendingAudio.isNull())
    return;
  const size_t before = mPendingAudio->getBufferSize() / sizeof(int16_t);
  mCapture->readCapture(*mPendingAudio);
  // A capture that ended on half a sample keeps only whole ones.
  mPendingAudio->resize(mPendingAudio->getBufferSize() & ~size_t(1));
  const size_t after = mPendingAudio->getBufferSize() / sizeof(int16_t);
  if (after <= before)
    return;

  applyGain(before);
  mLastPacket = mEncoder->compressBuffer(*mPendingAudio);
  if (mLastPacket.isValid() && mSender)
    mSender(mLastPacket);
}

void VoiceRecorder::applyGain(size_t firstNewSample) {
  TNL::ByteBuffer &audio = *mPendingAudio;
  const size_t count = audio.getBufferSize() / sizeof(int16_t);
  mPeakLevel = 0;
  for (size_t i = firstNewSample; i < count; ++i) {
    const int32_t level = std::abs(int32_t(sampleAt(audio, i)));
    if (level > mPeakLevel)
      mPeakLevel = level;
  }

  mGainReference = int32_t(float(mGainReference) * GainDecay);
  if (mGainReference < mPeakLevel + GainFloor)
    mGainReference = mPeakLevel + GainFloor;
  if (mGainReference <= GainFloor)
    return;

  const float gain = float(FullScale) / float(mGainReference);
  for (size_t i = firstNewSample; i < count; ++i) {
    const float scaled = float(sampleAt(audio, i)) * gain;
    int16_t result;
    if (scaled > float(FullScale))
      result = int16_t(FullScale);
    else if (scaled < -float(FullScale))
      result = int16_t(-FullScale);
    else
      result = int16_t(scaled);
    setSampleAt(audio, i, result);
  }
  mPeakLevel = int32_t(gain * float(mPeakLevel));
}
