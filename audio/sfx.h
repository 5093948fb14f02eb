// The sound system: a table of 36 effect profiles loaded from "sfx/", a fixed
// pool of 16 OpenAL sources handed each pass to the 16 most important playing
// sounds, and streaming playback of queued 16-bit mono 8000 Hz buffers (the
// received voice). Everything runs on the main thread.
#pragma once

#include "tnl/bytebuffer.h"
#include "tnl/netbase.h"

#include <AL/al.h>

#include <cstdint>
#include <deque>
#include <vector>

// A point in the horizontal plane, in level units.
struct SFXPoint {
  float x = 0;
  float y = 0;
};

struct SFXProfile {
  // Relative to "sfx/"; the table ends at the first null name.
  const char *fileName;
  // Played at the listener, without position or distance attenuation.
  bool isRelative;
  // Multiplies the computed gain, 0..1.
  float gainScale;
  bool isLooping;
  // Level units: full gain up to the first, silence from the second on.
  float fullGainDistance;
  float zeroGainDistance;
};

constexpr int NumSFXProfiles = 36;
constexpr int NumSFXSources = 16;
constexpr int NumVoiceStreamBuffers = 32;
// A stream waiting for a source keeps at most this many buffers (about 3 s
// of voice); beyond it the oldest goes, so a late start catches up.
constexpr size_t MaxWaitingStreamBuffers = 32;
// Streamed buffers hold 16-bit mono samples at this rate (samples per second).
constexpr ALsizei VoiceSampleRate = 8000;

extern const SFXProfile gSFXProfiles[NumSFXProfiles];

class SFXObject : public TNL::Object {
public:
  // profileIndex is a row of gSFXProfiles; streamBuffer may be null (an effect).
  SFXObject(uint32_t profileIndex, TNL::ByteBufferPtr streamBuffer, float gain, SFXPoint position,
            SFXPoint velocity);
  ~SFXObject() override;

  // Lists the object for the next processSound(); ignored while the sound
  // system is off, while the object already holds a source or is listed.
  void play();
  // Appends one buffer of 16-bit mono samples at 8000 Hz to the stream.
  void queueBuffer(const TNL::ByteBufferPtr &buffer);

  void setPosition(SFXPoint position) { mPosition = position; }
  void setVelocity(SFXPoint velocity) { mVelocity = velocity; }

  uint32_t getProfileIndex() const { return mProfileIndex; }
  const SFXProfile &getProfile() const { return *mProfile; }
  SFXPoint getPosition() const { return mPosition; }
  SFXPoint getVelocity() const { return mVelocity; }
  float getGain() const { return mGain; }
  // Index into the 16 sources, -1 when the object holds none.
  int32_t getSourceSlot() const { return mSourceSlot; }
  // 1.0 for relative profiles; (500 - distance) / 500 otherwise; recomputed every pass.
  float getPriority() const { return mPriority; }
  const TNL::ByteBufferPtr &getStreamBuffer() const { return mStreamBuffer; }
  // Stream buffers that arrived while the object had no source, oldest
  // first; they are queued in this order when it gets one.
  size_t getWaitingBufferCount() const { return mWaitingBuffers.size(); }

private:
  friend class SoundSystem;

  uint32_t mProfileIndex;
  SFXPoint mPosition;
  SFXPoint mVelocity;
  TNL::ByteBufferPtr mStreamBuffer;
  std::deque<TNL::ByteBufferPtr> mWaitingBuffers;
  const SFXProfile *mProfile;
  float mGain;
  int32_t mSourceSlot = -1;
  float mPriority = 0;
};

using SFXObjectPtr = TNL::RefPtr<SFXObject>;

// Opens the default output device and loads every profile; on any failure a
// line goes to the transport's log and the system stays off.
void startSound();
// One pass: reclaims finished sources and streamed buffers, ranks the listed
// objects and gives the 16 sources to the most important ones.
void processSound();
// Releases what startSound() set up; does nothing unless it succeeded.
void stopSound();

// State of the sound system, for the station's diagnostics and the tests.
bool isSoundValid();
const std::vector<SFXObjectPtr> &getPlayingList();
size_t getFreeStreamBufferCount();
// The OpenAL source behind a slot, 0 for a slot outside 0..15 or while off.
ALuint getSourceHandle(int32_t slot);
