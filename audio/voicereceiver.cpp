#include "voicereceiver.h"

namespace {

// Voices play at the listener at full gain (profile 0: relative, not looping).
constexpr uint32_t VoiceProfile = 0;
constexpr float VoiceGain = 1.0f;

SFXObjectPtr makeVoicePlayer() {
  return new SFXObject(VoiceProfile, nullptr, VoiceGain, SFXPoint{}, SFXPoint{});
}

} // namespace

VoiceReceiver voiceReceiver;

VoiceReceiver::VoiceReceiver() {
  for (uint32_t role = 0; role < VoiceSpeakerCount; ++role) {
    mDecoders[role] = new LPC10VoiceDecoder;
    mPlayers[role] = makeVoicePlayer();
  }
}

TNL::ByteBufferPtr VoiceReceiver::receive(uint32_t speakerRole, const TNL::ByteBuffer &packet) {
  if (speakerRole >= VoiceSpeakerCount)
    return nullptr;
  TNL::ByteBufferPtr samples = mDecoders[speakerRole]->decompressBuffer(packet);
  mPlayers[speakerRole]->queueBuffer(samples);
  if (mListener)
    mListener(speakerRole, samples->getBufferSize() / sizeof(int16_t));
  return samples;
}

SFXObject *VoiceReceiver::player(uint32_t speakerRole) const {
  return speakerRole < VoiceSpeakerCount ? mPlayers[speakerRole].getPointer() : nullptr;
}

void VoiceReceiver::forgetSpeaker(uint32_t speakerRole) {
  if (speakerRole < VoiceSpeakerCount)
    mDecoders[speakerRole] = new LPC10VoiceDecoder;
}
