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

// Chief roles that talk (codes 0..2); the facilitator (3) only listens.
constexpr uint32_t VoiceSpeakerCount = 3;

// Delivers one coded packet of the speaking role to the other stations.
using VoicePacketSender = std::function<void(uint32_t speakerRole, const TNL::ByteBufferPtr &packet)>;

class VoiceRecorder {
public:
  // Captures from OpenAL's default capture device.
  VoiceRecorder();
  explicit VoiceRecorder(std::unique_ptr<VoiceCapture> capture);
  ~VoiceRecorder();
  VoiceRecorder(const VoiceRecorder &) = delete;
  VoiceRecorder &operator=(const VoiceRecorder &) = delete;

  // Installed by the network once the station's own link is up, with the
  // station's role: a role outside 0..2 (the facilitator) installs nothing,
  // so that station never sends voice.
  void setPacketSender(uint32_t speakerRole, VoicePacketSender sender);
  // The link has ended: later packets are coded but go nowhere.
  void clearPacketSender() { mSender = nullptr; }
  bool hasPacketSender() const { return bool(mSender); }

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
  uint32_t mSpeakerRole = VoiceSpeakerCount;
};

// The station's push-to-talk recorder with its voice encoder; the main loop
// drives its capture timer and the frame listener shows its level.
extern VoiceRecorder voiceRecorder;
