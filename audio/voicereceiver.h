// The voices a station hears. Every speaking chief role (0..2) has its own
// decoder and its own voice player: the coder carries pitch and filter state
// from frame to frame, and a player plays its buffers one after another, so
// two chiefs talking at once must not share either.
#pragma once

#include "sfx.h"
#include "tnl/bytebuffer.h"
#include "voicecodec.h"
#include "voicerecorder.h"

#include <array>
#include <cstdint>
#include <functional>

class VoiceReceiver {
public:
  VoiceReceiver();
  VoiceReceiver(const VoiceReceiver &) = delete;
  VoiceReceiver &operator=(const VoiceReceiver &) = delete;

  // Decodes one packet that speakerRole sent and queues its samples on that
  // role's player. Returns the samples, or null for a role outside 0..2
  // (nothing is decoded or played then).
  TNL::ByteBufferPtr receive(uint32_t speakerRole, const TNL::ByteBuffer &packet);

  // The role's player, null outside 0..2.
  SFXObject *player(uint32_t speakerRole) const;

  // Told of every decoded packet (role, sample count at 8000 per second),
  // for the station's record of who talked when.
  using Listener = std::function<void(uint32_t speakerRole, size_t samples)>;
  void setListener(Listener listener) { mListener = std::move(listener); }

  // The role's chief left: the next one in that role starts with a fresh decoder.
  void forgetSpeaker(uint32_t speakerRole);

private:
  std::array<VoiceDecoderPtr, VoiceSpeakerCount> mDecoders;
  std::array<SFXObjectPtr, VoiceSpeakerCount> mPlayers;
  Listener mListener;
};

// The station's receiver; the network's voice handlers feed it.
extern VoiceReceiver voiceReceiver;
