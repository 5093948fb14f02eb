// Push-to-talk voice: while recording, each capture step evens out the
// loudness of what the microphone delivered, codes it with the recorder's
// encoder and hands the packet to the sender.
#pragma once

#include "tnl/bytebuffer.h"
#include "voicecapture.h"
#include "voicecodec.h"

#include <cstdint>
#include <functional>
#include <memory>

// Delivers one coded packet to the other stations; the network layer sets it.
using VoicePacketSender = std::function<void(const TNL::ByteBufferPtr &packet)>;

class VoiceRecorder {
public:
  // Captures from OpenAL's default capture device.
  VoiceRecorder();
  explicit VoiceRecorder(std::unique_ptr<VoiceCapture> capture);
  ~VoiceRecorder();
  VoiceRecorder(const VoiceRecorder &) = delete;
  VoiceRecorder &operator=(const VoiceRecorder &) = delete;

  void setPacketSender(VoicePacketSender sender) { mSender = std::move(sender); }

  // Push-to-talk pressed: opens the capture and drops what it held before.
  void startRecording();
  // Push-to-talk released: one last step, then the capture stops.
  void stopRecording();
  // Run by the main loop whenever mVoiceTimer expires while recording.
  void captureStep();

  // Milliseconds: 250 for the first step after a start, 100 after each step.
  uint32_t mVoicePeriod = 0;
  // Milliseconds until the next step, counted down by the main loop; 0 = disarmed.
  uint32_t mVoiceTimer = 0;
  VoiceEncoderPtr mEncoder;
  bool mRecording = false;
  // Loudest sample of the last step after gain, 0..32767.
  int32_t mPeakLevel = 0;
  // Decaying reference level of the gain control; kept across recordings.
  int32_t mGainReference = 0;
  // Captured samples not yet coded (fewer than one frame between steps).
  TNL::ByteBufferPtr mPendingAudio;
  TNL::ByteBufferPtr mLastPacket;

private:
  void applyGain(size_t firstNewSample);

  std::unique_ptr<VoiceCapture> mCapture;
  VoicePacketSender mSender;
};

// The station's push-to-talk recorder with its voice encoder; the main loop
// drives its capture timer and the frame listener shows its level.
extern VoiceRecorder voiceRecorder;

