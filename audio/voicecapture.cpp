#include "voicecapture.h"

#include <AL/al.h>

#include <cstdint>
#include <vector>

namespace {

constexpr ALCuint CaptureSampleRate = 8000;
// The device's ring holds one second of samples.
constexpr ALCsizei CaptureRingSamples = 8000;

} // namespace

OpenALVoiceCapture::~OpenALVoiceCapture() {
  closeCapture();
  if (mDevice)
    alcCaptureCloseDevice(mDevice);
}

bool OpenALVoiceCapture::openCapture() {
  if (mCapturing)
    return true;
  if (!mDeviceTried) {
    mDeviceTried = true;
    mDevice = alcCaptureOpenDevice(nullptr, CaptureSampleRate, AL_FORMAT_MONO16, CaptureRingSamples);
  }
  if (!mDevice)
    return false;
  alcCaptureStart(mDevice);
  if (alcGetError(mDevice) != ALC_NO_ERROR)
    return false;
  mCapturing = true;
  return true;
}

void OpenALVoiceCapture::readCapture(TNL::ByteBuffer &dest) {
  if (!mCapturing)
    return;
  ALCint available = 0;
  alcGetIntegerv(mDevice, ALC_CAPTURE_SAMPLES, 1, &available);
  if (available <= 0)
    return;
  if (available > CaptureRingSamples)
    available = CaptureRingSamples;
  std::vector<int16_t> samples(static_cast<size_t>(available));
  alcCaptureSamples(mDevice, samples.data(), available);
  dest.appendBuffer(reinterpret_cast<const uint8_t *>(samples.data()), samples.size() * sizeof(int16_t));
}

void OpenALVoiceCapture::closeCapture() {
  if (!mCapturing)
    return;
  mCapturing = false;
  alcCaptureStop(mDevice);
}
