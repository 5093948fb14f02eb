#include "sfx.h"

#include "tnl/log.h"
#include "wavreader.h"

#include <AL/alc.h>

#include <cassert>
#include <cmath>
#include <cstdio>
#include <deque>

const SFXProfile gSFXProfiles[NumSFXProfiles] = {
    {"phaser.wav", true, 1.0f, false, 0, 0},
    {"phaser.wav", false, 0.45f, false, 150, 600},
    {"phaser.wav", false, 0.45f, false, 150, 600},
    {"phaser_impact.wav", false, 0.7f, false, 150, 600},
    {"bounce.wav", false, 0.45f, false, 150, 600},
    {"bounce_impact.wav", false, 0.7f, false, 150, 600},
    {"triple.wav", false, 0.45f, false, 150, 600},
    {"triple_impact.wav", false, 0.7f, false, 150, 600},
    {"turret.wav", false, 0.45f, false, 150, 600},
    {"turret_impact.wav", false, 0.7f, false, 150, 600},
    {"grenade.wav", false, 0.9f, false, 300, 600},
    {"mine_deploy.wav", false, 0.4f, false, 150, 600},
    {"mine_arm.wav", false, 0.7f, false, 400, 600},
    {"mine_explode.wav", false, 0.8f, false, 300, 800},
    {"ship_explode.wav", false, 1.0f, false, 300, 1000},
    {"ship_heal.wav", false, 1.0f, false, 300, 1000},
    {"ship_turbo.wav", false, 0.15f, true, 150, 500},
    {"bounce_wall.wav", false, 0.7f, false, 150, 600},
    {"bounce_obj.wav", false, 0.7f, false, 150, 600},
    {"bounce_shield.wav", false, 0.7f, false, 150, 600},
    {"ship_shield.wav", false, 0.15f, true, 150, 500},
    {"ship_sensor.wav", false, 0.15f, true, 150, 500},
    {"ship_repair.wav", false, 0.15f, true, 150, 500},
    {"ship_cloak.wav", false, 0.15f, true, 150, 500},
    {"flag_capture.wav", true, 0.45f, false, 0, 0},
    {"flag_drop.wav", true, 0.45f, false, 0, 0},
    {"flag_return.wav", true, 0.45f, false, 0, 0},
    {"flag_snatch.wav", true, 0.45f, false, 0, 0},
    {"teleport_in.wav", false, 1.0f, false, 200, 500},
    {"teleport_out.wav", false, 1.0f, false, 200, 500},
    {"forcefield_up.wav", false, 0.7f, false, 150, 600},
    {"forcefield_down.wav", false, 0.7f, false, 150, 600},
    {"boop.wav", true, 0.4f, false, 150, 600},
    {"comm_up.wav", true, 0.4f, false, 150, 600},
    {"comm_down.wav", true, 0.4f, false, 150, 600},
    {"boop.wav", true, 0.25f, false, 150, 600},
};

namespace {

// Distance (level units) at which a positioned sound's priority reaches 0.
constexpr float PriorityRange = 500.0f;
// The output device mixes at this rate (samples per second).
constexpr ALCint OutputFrequency = 11025;
// Longest "sfx/<name>" path built for a profile, in characters.
constexpr size_t MaxSoundPathLength = 256;

} // namespace

// Owner of the process-wide sound state; a class so that it may reach the
// private fields of SFXObject.
class SoundSystem {
public:
  static void start();
  static void process();
  static void stop();
  static void play(SFXObject *object);
  static void queue(SFXObject *object, const TNL::ByteBufferPtr &buffer);

  static bool sfxValid;
  static std::vector<SFXObjectPtr> playingList;
  static std::deque<ALuint> voiceFreeBuffers;
  static ALuint sources[NumSFXSources];

private:
  static bool createOutput();
  static bool loadProfiles();
  static bool isProfileBuffer(ALuint buffer);
  static void returnProcessedBuffers(ALuint source);
  static bool isSourceStopped(ALuint source);
  static void computePriority(SFXObject *object);
  static void removeAt(size_t index);
  static void sortByPriority();
  static void startOnSource(SFXObject *object, int32_t slot);
  static bool queueStreamBuffer(ALuint source, const TNL::ByteBuffer &samples);
  static void queueWaitingBuffers(SFXObject *object, ALuint source);
  static void keepWaiting(SFXObject *object, const TNL::ByteBufferPtr &buffer);
  static void releaseSource(SFXObject *object);
  static void refreshPositionAndGain(SFXObject *object);
  static float distanceToListener(const SFXObject *object);

  static ALCdevice *device;
  static ALCcontext *context;
  // Buffers and sources exist on the open context (a failed load keeps them).
  static bool resourcesCreated;
  static ALuint profileBuffers[NumSFXProfiles];
  static bool sourceBusy[NumSFXSources];
  static SFXPoint listenerPosition;
};

bool SoundSystem::sfxValid = false;
std::vector<SFXObjectPtr> SoundSystem::playingList;
std::deque<ALuint> SoundSystem::voiceFreeBuffers;
ALuint SoundSystem::sources[NumSFXSources] = {};
ALCdevice *SoundSystem::device = nullptr;
ALCcontext *SoundSystem::context = nullptr;
bool SoundSystem::resourcesCreated = false;
ALuint SoundSystem::profileBuffers[NumSFXProfiles] = {};
bool SoundSystem::sourceBusy[NumSFXSources] = {};
SFXPoint SoundSystem::listenerPosition;

void SoundSystem::start() {
  if (sfxValid)
    return;
  if (!createOutput()) {
    TNL::logprintf("Failed to intitialize OpenAL.");
    return;
  }
  if (!resourcesCreated) {
    alGenBuffers(NumSFXProfiles, profileBuffers);
    ALuint streamBuffers[NumVoiceStreamBuffers];
    alGenBuffers(NumVoiceStreamBuffers, streamBuffers);
    voiceFreeBuffers.assign(streamBuffers, streamBuffers + NumVoiceStreamBuffers);
    // Gains are computed here, per pass, from the profile's distances.
    alDistanceModel(AL_NONE);
    alGenSources(NumSFXSources, sources);
    resourcesCreated = true;
  }
  if (!loadProfiles())
    return;
  sfxValid = true;
}

bool SoundSystem::createOutput() {
  // The first call opens the device; after a failed profile load the context
  // stays open, and a later start reuses it.
  if (context)
    return true;
  device = alcOpenDevice(nullptr);
  if (!device)
    return false;
  const ALCint attributes[] = {ALC_FREQUENCY, OutputFrequency, 0};
  context = alcCreateContext(device, attributes);
  if (!context || !alcMakeContextCurrent(context)) {
    if (context)
      alcDestroyContext(context);
    alcCloseDevice(device);
    context = nullptr;
    device = nullptr;
    return false;
  }
  alGetError();
  return true;
}

bool SoundSystem::loadProfiles() {
  for (int index = 0; index < NumSFXProfiles && gSFXProfiles[index].fileName; ++index) {
    const char *name = gSFXProfiles[index].fileName;
    char path[MaxSoundPathLength + 1];
    std::snprintf(path, sizeof path, "sfx/%s", name);
    WavData wav;
    // A file the reader refuses (missing, not PCM, no samples) counts as the
    // library error of a load: an empty buffer would otherwise pass as loaded.
    const bool read = readWavFile(path, wav);
    if (!read || alGetError() != AL_NO_ERROR) {
      TNL::logprintf("Failure (1) loading sound file '%s'", name);
      return false;
    }
    alBufferData(profileBuffers[index], wav.format, wav.data.get(), ALsizei(wav.size),
                 ALsizei(wav.frequency));
    wav.data.reset();
    if (alGetError() != AL_NO_ERROR) {
      TNL::logprintf("Failure (2) loading sound file '%s'", name);
      return false;
    }
  }
  return true;
}

void SoundSystem::stop() {
  if (!sfxValid)
    return;
  for (SFXObjectPtr &object : playingList) {
    object->mSourceSlot = -1;
    object->mWaitingBuffers.clear();
  }
  playingList.clear();
  for (ALuint source : sources) {
    alSourceStop(source);
    returnProcessedBuffers(source);
    alSourcei(source, AL_BUFFER, 0);
  }
  alDeleteSources(NumSFXSources, sources);
  for (ALuint buffer : voiceFreeBuffers)
    alDeleteBuffers(1, &buffer);
  voiceFreeBuffers.clear();
  alDeleteBuffers(NumSFXProfiles, profileBuffers);
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(context);
  alcCloseDevice(device);
  context = nullptr;
  device = nullptr;
  resourcesCreated = false;
  sfxValid = false;
}

bool SoundSystem::isProfileBuffer(ALuint buffer) {
  for (ALuint profileBuffer : profileBuffers)
    if (profileBuffer == buffer)
      return true;
  return false;
}

void SoundSystem::returnProcessedBuffers(ALuint source) {
  ALint processed = 0;
  alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
  while (processed-- > 0) {
    ALuint buffer = 0;
    // A stale error would otherwise end the loop with the buffer lost.
    alGetError();
    alSourceUnqueueBuffers(source, 1, &buffer);
    if (alGetError() != AL_NO_ERROR)
      break;
    if (!isProfileBuffer(buffer))
      voiceFreeBuffers.push_back(buffer);
  }
}

bool SoundSystem::isSourceStopped(ALuint source) {
  ALint state = AL_STOPPED;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  return state == AL_STOPPED || state == AL_INITIAL;
}

float SoundSystem::distanceToListener(const SFXObject *object) {
  return std::hypot(object->mPosition.x - listenerPosition.x, object->mPosition.y - listenerPosition.y);
}

void SoundSystem::computePriority(SFXObject *object) {
  if (object->mProfile->isRelative)
    object->mPriority = 1.0f;
  else
    object->mPriority = (PriorityRange - distanceToListener(object)) / PriorityRange;
}

// The last entry takes the removed one's place: list order is not kept.
void SoundSystem::removeAt(size_t index) {
  playingList[index] = playingList.back();
  playingList.pop_back();
}

// Stable insertion sort, highest priority first; the list is nearly sorted
// from the previous pass.
void SoundSystem::sortByPriority() {
  for (size_t i = 1; i < playingList.size(); ++i) {
    SFXObjectPtr moving = std::move(playingList[i]);
    size_t j = i;
    while (j > 0 && playingList[j - 1]->mPriority < moving->mPriority) {
      playingList[j] = std::move(playingList[j - 1]);
      --j;
    }
    playingList[j] = std::move(moving);
  }
}

void SoundSystem::process() {
  if (!sfxValid)
    return;
  for (int slot = 0; slot < NumSFXSources; ++slot) {
    returnProcessedBuffers(sources[slot]);
    sourceBusy[slot] = !isSourceStopped(sources[slot]);
  }

  for (size_t i = 0; i < playingList.size();) {
    SFXObject *object = playingList[i];
    if (object->mSourceSlot < 0 || sourceBusy[object->mSourceSlot]) {
      computePriority(object);
      ++i;
    } else {
      object->mSourceSlot = -1;
      removeAt(i);
    }
  }

  sortByPriority();

  for (size_t i = NumSFXSources; i < playingList.size();) {
    SFXObject *object = playingList[i];
    if (object->mSourceSlot >= 0)
      releaseSource(object);
    if (!object->mProfile->isLooping)
      removeAt(i);
    else
      ++i;
  }

  const size_t heard = std::min<size_t>(NumSFXSources, playingList.size());
  for (size_t i = 0; i < heard; ++i) {
    SFXObject *object = playingList[i];
    if (object->mSourceSlot >= 0) {
      refreshPositionAndGain(object);
      continue;
    }
    for (int32_t slot = 0; slot < NumSFXSources; ++slot) {
      if (!sourceBusy[slot]) {
        sourceBusy[slot] = true;
        startOnSource(object, slot);
        break;
      }
    }
  }
}

void SoundSystem::startOnSource(SFXObject *object, int32_t slot) {
  object->mSourceSlot = slot;
  const ALuint source = sources[slot];
  alSourceStop(source);
  returnProcessedBuffers(source);
  // Detaching leaves the source able to take either a static effect buffer or
  // a queue; a source that last played an effect refuses a queue otherwise.
  alSourcei(source, AL_BUFFER, 0);
  if (object->mStreamBuffer.isNull())
    alSourcei(source, AL_BUFFER, ALint(profileBuffers[object->mProfile - gSFXProfiles]));
  else
    queueWaitingBuffers(object, source);
  alSourcei(source, AL_LOOPING, object->mProfile->isLooping ? AL_TRUE : AL_FALSE);
  refreshPositionAndGain(object);
  alSourcePlay(source);
  alGetError();
}

// Takes the first free streaming buffer; with none free the samples are dropped.
bool SoundSystem::queueStreamBuffer(ALuint source, const TNL::ByteBuffer &samples) {
  if (voiceFreeBuffers.empty())
    return false;
  const ALuint buffer = voiceFreeBuffers.front();
  voiceFreeBuffers.pop_front();
  alGetError();
  // Whole 16-bit samples only; an odd trailing byte is not a sample.
  const ALsizei bytes = ALsizei(samples.getBufferSize() & ~size_t(1));
  alBufferData(buffer, AL_FORMAT_MONO16, samples.getBuffer(), bytes, VoiceSampleRate);
  if (alGetError() == AL_NO_ERROR) {
    alSourceQueueBuffers(source, 1, &buffer);
    if (alGetError() == AL_NO_ERROR)
      return true;
  }
  voiceFreeBuffers.push_back(buffer);
  return false;
}

// In arrival order; what finds no free buffer is dropped.
void SoundSystem::queueWaitingBuffers(SFXObject *object, ALuint source) {
  for (const TNL::ByteBufferPtr &waiting : object->mWaitingBuffers)
    if (!queueStreamBuffer(source, *waiting))
      break;
  object->mWaitingBuffers.clear();
}

void SoundSystem::keepWaiting(SFXObject *object, const TNL::ByteBufferPtr &buffer) {
  object->mWaitingBuffers.push_back(buffer);
  if (object->mWaitingBuffers.size() > MaxWaitingStreamBuffers)
    object->mWaitingBuffers.pop_front();
}

// The source goes silent at once, before another object takes it.
void SoundSystem::releaseSource(SFXObject *object) {
  const int32_t slot = object->mSourceSlot;
  alSourceStop(sources[slot]);
  returnProcessedBuffers(sources[slot]);
  alSourcei(sources[slot], AL_BUFFER, 0);
  alGetError();
  sourceBusy[slot] = false;
  object->mSourceSlot = -1;
}

void SoundSystem::refreshPositionAndGain(SFXObject *object) {
  const ALuint source = sources[object->mSourceSlot];
  const SFXProfile &profile = *object->mProfile;
  float factor = 1.0f;
  if (profile.isRelative) {
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, 0, 0, 0);
  } else {
    alSourcei(source, AL_SOURCE_RELATIVE, AL_FALSE);
    alSource3f(source, AL_POSITION, object->mPosition.x, object->mPosition.y, 0);
    const float distance = distanceToListener(object);
    if (distance >= profile.zeroGainDistance)
      factor = 0.0f;
    else if (distance > profile.fullGainDistance)
      factor = 1.0f -
               (distance - profile.fullGainDistance) / (profile.zeroGainDistance - profile.fullGainDistance);
  }
  // The object's own gain applies at every distance, not only in the fading range.
  alSourcef(source, AL_GAIN, profile.gainScale * factor * object->mGain);
}

void SoundSystem::play(SFXObject *object) {
  if (!sfxValid || object->mSourceSlot >= 0)
    return;
  for (const SFXObjectPtr &listed : playingList)
    if (listed.getPointer() == object)
      return;
  playingList.push_back(object);
}

void SoundSystem::queue(SFXObject *object, const TNL::ByteBufferPtr &buffer) {
  if (!sfxValid || buffer.isNull() || buffer->getBufferSize() < 2)
    return;
  object->mStreamBuffer = buffer;
  if (object->mSourceSlot < 0) {
    keepWaiting(object, buffer);
    play(object);
    return;
  }
  const ALuint source = sources[object->mSourceSlot];
  // A source that ran dry has every buffer processed; playing it again
  // without returning them first would replay the old samples.
  returnProcessedBuffers(source);
  if (!queueStreamBuffer(source, *buffer))
    return;
  ALint state = AL_STOPPED;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  if (state == AL_STOPPED)
    alSourcePlay(source);
}

SFXObject::SFXObject(uint32_t profileIndex, TNL::ByteBufferPtr streamBuffer, float gain, SFXPoint position,
                     SFXPoint velocity)
    : mProfileIndex(profileIndex), mPosition(position), mVelocity(velocity),
      mStreamBuffer(std::move(streamBuffer)),
      mProfile(&gSFXProfiles[profileIndex < NumSFXProfiles ? profileIndex : 0]), mGain(gain) {
  assert(profileIndex < NumSFXProfiles && "sound profile out of range");
  if (mStreamBuffer.isValid())
    mWaitingBuffers.push_back(mStreamBuffer);
}

SFXObject::~SFXObject() = default;

void SFXObject::play() {
  SoundSystem::play(this);
}

void SFXObject::queueBuffer(const TNL::ByteBufferPtr &buffer) {
  SoundSystem::queue(this, buffer);
}

void startSound() {
  SoundSystem::start();
}
void processSound() {
  SoundSystem::process();
}
void stopSound() {
  SoundSystem::stop();
}

bool isSoundValid() {
  return SoundSystem::sfxValid;
}
const std::vector<SFXObjectPtr> &getPlayingList() {
  return SoundSystem::playingList;
}
size_t getFreeStreamBufferCount() {
  return SoundSystem::voiceFreeBuffers.size();
}

ALuint getSourceHandle(int32_t slot) {
  if (!SoundSystem::sfxValid || slot < 0 || slot >= NumSFXSources)
    return 0;
  return SoundSystem::sources[slot];
}
