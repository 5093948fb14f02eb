// Where the recorder's samples come from: 16-bit mono at 8000 samples per
// second, delivered in order.
#pragma once

#include "tnl/bytebuffer.h"

#include <AL/alc.h>

class VoiceCapture {
public:
  virtual ~VoiceCapture() = default;

  // Starts capturing; true when it runs (also when it already ran).
  virtual bool openCapture() = 0;
  // Appends the samples captured since the last read, oldest first; nothing
  // unless capturing.
  virtual void readCapture(TNL::ByteBuffer &dest) = 0;
  // Stops capturing. The device stays available for the next openCapture();
  // what it held before that is delivered by the first read after it, which
  // the recorder throws away.
  virtual void closeCapture() = 0;
  virtual bool isCapturing() const = 0;
};

// The default capture device through OpenAL, opened on the first
// openCapture() and kept to the end of the process.
class OpenALVoiceCapture : public VoiceCapture {
public:
  OpenALVoiceCapture() = default;
  ~OpenALVoiceCapture() override;
  OpenALVoiceCapture(const OpenALVoiceCapture &) = delete;
  OpenALVoiceCapture &operator=(const OpenALVoiceCapture &) = delete;

  bool openCapture() override;
  void readCapture(TNL::ByteBuffer &dest) override;
  void closeCapture() override;
  bool isCapturing() const override { return mCapturing; }

private:
  // Null when the device could not be opened; tried only once.
  ALCdevice *mDevice = nullptr;
  bool mDeviceTried = false;
  bool mCapturing = false;
};
