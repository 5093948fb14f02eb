// The sound system on OpenAL Soft's null output: start-up and its failures,
// the per-pass scheduling of the 16 sources, gains and positions, and the
// streaming of queued sample buffers.
#include "audio/sfx.h"

#include "soundtestsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <set>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Profiles used below: 0 relative one-shot, 1 positioned one-shot
// (gain scale 0.45, full gain to 150, silent from 600), 14 a 1.4 s explosion,
// 16 positioned looping, 32 the relative "boop" of about 0.1 s.
constexpr uint32_t RelativeShot = 0;
constexpr uint32_t PositionedShot = 1;
constexpr uint32_t Explosion = 14;
constexpr uint32_t PositionedLoop = 16;
constexpr uint32_t Boop = 32;

SFXObjectPtr makeObject(uint32_t profile, SFXPoint position = {}, float gain = 1.0f) {
  return new SFXObject(profile, nullptr, gain, position, {});
}

// Silent samples at 8000 per second (the null output plays them in real time).
TNL::ByteBufferPtr voiceSamples(size_t count) {
  return new TNL::ByteBuffer(count * 2);
}

std::vector<float> sourceFloats(const SFXObject &object, ALenum what, size_t count = 1) {
  std::vector<float> values(count, -1);
  alGetSourcefv(getSourceHandle(object.getSourceSlot()), what, values.data());
  return values;
}

float sourceGain(const SFXObject &object) {
  return sourceFloats(object, AL_GAIN)[0];
}

// The null output plays in real time; give a short sound up to two seconds.
bool waitUntilStopped(const SFXObject &object) {
  const auto deadline = std::chrono::steady_clock::now() + 2s;
  while (std::chrono::steady_clock::now() < deadline) {
    if (sourceInt(object, AL_SOURCE_STATE) == AL_STOPPED)
      return true;
    std::this_thread::sleep_for(5ms);
  }
  return false;
}

bool isListed(const SFXObjectPtr &object) {
  return std::find(getPlayingList().begin(), getPlayingList().end(), object) != getPlayingList().end();
}

using SoundSystem = RunningSound;

} // namespace

TEST(SoundStartUp, ABadEffectFileLeavesSoundAndVoiceOff) {
  // A missing file, and one whose rate of 0 the reader takes but OpenAL refuses.
  const std::pair<const char *, const char *> cases[] = {
      {"ship_heal.wav", "Failure (1) loading sound file 'ship_heal.wav'"},
      {"grenade.wav", "Failure (2) loading sound file 'grenade.wav'"},
  };
  for (const auto &[name, line] : cases) {
    SCOPED_TRACE(name);
    LogCapture log;
    ScratchDirectory scratch;
    const auto file = scratch.copyGeneratedEffects() / name;
    if (name == cases[0].first) {
      std::filesystem::remove(file);
    } else {
      std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
      stream.seekp(24);
      stream.write("\0\0\0\0", 4);
    }
    startSound();
    EXPECT_FALSE(isSoundValid());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], line);

    SFXObjectPtr voice = makeObject(RelativeShot);
    voice->queueBuffer(voiceSamples(800));
    voice->play();
    processSound();
    EXPECT_TRUE(getPlayingList().empty());
    EXPECT_EQ(voice->getSourceSlot(), -1);
    stopSound();
  }
}

TEST_F(SoundSystem, SourcesGoToTheSixteenMostImportantWithGainAndPositionOfTheirPlace) {
  // Priority: 1.0 for relative sounds, (500 - distance) / 500 for the others.
  SFXObjectPtr relative = makeObject(RelativeShot, {0, 499}, 0.5f);
  SFXObjectPtr near = makeObject(PositionedShot, {30, 40}, 0.5f);
  SFXObjectPtr far = makeObject(PositionedShot, {0, 375});
  SFXObjectPtr loop = makeObject(PositionedLoop, {400, 0});
  SFXObjectPtr farthest = makeObject(PositionedShot, {600, 0});
  for (const SFXObjectPtr &object : {farthest, loop, far, near, relative})
    object->play();
  relative->play(); // listed once only
  EXPECT_EQ(getPlayingList().size(), 5u);
  processSound();
  EXPECT_EQ(getPlayingList(), (std::vector<SFXObjectPtr>{relative, near, far, loop, farthest}));
  EXPECT_FLOAT_EQ(relative->getPriority(), 1.0f);
  EXPECT_FLOAT_EQ(near->getPriority(), 0.9f);
  EXPECT_FLOAT_EQ(far->getPriority(), 0.25f);
  EXPECT_FLOAT_EQ(loop->getPriority(), 0.2f);
  EXPECT_EQ(sourceInt(*loop, AL_LOOPING), AL_TRUE);
  EXPECT_EQ(sourceInt(*near, AL_LOOPING), AL_FALSE);
  // The profile's full gain up to 150, falling linearly to none at 600,
  // times the object's gain.
  EXPECT_FLOAT_EQ(sourceGain(*relative), 0.5f);
  EXPECT_FLOAT_EQ(sourceGain(*near), 0.45f * 0.5f);
  EXPECT_FLOAT_EQ(sourceGain(*far), 0.45f * 0.5f);
  EXPECT_FLOAT_EQ(sourceGain(*farthest), 0.0f);
  // Relative sounds play at the listener, the others where they are.
  EXPECT_EQ(sourceInt(*relative, AL_SOURCE_RELATIVE), AL_TRUE);
  EXPECT_EQ(sourceFloats(*relative, AL_POSITION, 3), (std::vector<float>{0, 0, 0}));
  EXPECT_EQ(sourceInt(*near, AL_SOURCE_RELATIVE), AL_FALSE);
  EXPECT_EQ(sourceFloats(*near, AL_POSITION, 3), (std::vector<float>{30, 40, 0}));
  // Moving refreshes the gain on the next pass; playing an object that holds
  // a source changes nothing.
  far->setPosition({0, 150});
  relative->play();
  processSound();
  EXPECT_FLOAT_EQ(sourceGain(*far), 0.45f);
  EXPECT_EQ(getPlayingList().size(), 5u);

  // Sixteen more relative sounds: the ranking is stable, so of the 17 equal
  // ones the last listed goes; the one-shots without a source are dropped,
  // the loop stays listed without a source.
  std::vector<SFXObjectPtr> louder;
  for (int i = 0; i < 16; ++i) {
    louder.push_back(makeObject(RelativeShot));
    louder.back()->play();
  }
  processSound();
  ASSERT_EQ(getPlayingList().size(), 17u);
  std::vector<SFXObjectPtr> kept(louder.begin(), louder.begin() + 15);
  kept.push_back(relative);
  std::set<int32_t> slots;
  for (const SFXObjectPtr &object : kept) {
    EXPECT_TRUE(isListed(object));
    slots.insert(object->getSourceSlot());
    EXPECT_EQ(sourceInt(*object, AL_SOURCE_STATE), AL_PLAYING);
    EXPECT_EQ(sourceInt(*object, AL_LOOPING), AL_FALSE);
  }
  EXPECT_EQ(slots.size(), 16u);
  EXPECT_EQ(slots.count(-1), 0u);
  for (const SFXObjectPtr &dropped : {louder[15], near, far, farthest}) {
    EXPECT_FALSE(isListed(dropped));
    EXPECT_EQ(dropped->getSourceSlot(), -1);
  }
  EXPECT_TRUE(isListed(loop));
  EXPECT_EQ(loop->getSourceSlot(), -1);
  processSound(); // nor does a second pass drop it
  EXPECT_TRUE(isListed(loop));
}

TEST_F(SoundSystem, FinishedEntryLeavesAndIsReplacedByTheLastOneBeforeTheStableSort) {
  // All four rank 1.0: the relative boop and three explosions at the listener.
  SFXObjectPtr shortOne = makeObject(Boop);
  SFXObjectPtr b = makeObject(Explosion), c = makeObject(Explosion), d = makeObject(Explosion);
  for (const SFXObjectPtr &object : {shortOne, b, c, d})
    object->play();
  processSound();
  ASSERT_TRUE(waitUntilStopped(*shortOne));
  processSound();
  EXPECT_EQ(getPlayingList(), (std::vector<SFXObjectPtr>{d, b, c}));
  EXPECT_EQ(shortOne->getSourceSlot(), -1);
}

TEST_F(SoundSystem, StreamBuffersQueueInOrderUntilThePoolIsEmpty) {
  // Every source plays an effect first: the stream takes over one of them.
  std::vector<SFXObjectPtr> effects;
  for (int i = 0; i < NumSFXSources; ++i) {
    effects.push_back(makeObject(Boop));
    effects.back()->play();
  }
  processSound();
  for (const SFXObjectPtr &effect : effects)
    ASSERT_TRUE(waitUntilStopped(*effect));
  processSound();
  ASSERT_TRUE(getPlayingList().empty());

  // Nothing, nothing and half a sample are no buffers.
  SFXObjectPtr voice = makeObject(RelativeShot);
  voice->queueBuffer(nullptr);
  voice->queueBuffer(new TNL::ByteBuffer);
  voice->queueBuffer(new TNL::ByteBuffer(1));
  EXPECT_FALSE(isListed(voice));
  EXPECT_TRUE(voice->getStreamBuffer().isNull());

  // Buffers arriving before the object has a source wait, and are queued in
  // order with the next pass; sizes tell them apart.
  const std::vector<size_t> sampleCounts = {8000, 4000, 6000};
  for (size_t count : sampleCounts)
    voice->queueBuffer(voiceSamples(count));
  EXPECT_TRUE(isListed(voice));
  EXPECT_EQ(voice->getSourceSlot(), -1);
  EXPECT_EQ(voice->getWaitingBufferCount(), sampleCounts.size());
  processSound();
  ASSERT_GE(voice->getSourceSlot(), 0);
  EXPECT_EQ(sourceInt(*voice, AL_SOURCE_STATE), AL_PLAYING);
  EXPECT_EQ(sourceInt(*voice, AL_SOURCE_TYPE), AL_STREAMING);
  EXPECT_EQ(voice->getWaitingBufferCount(), 0u);
  EXPECT_EQ(sourceInt(*voice, AL_BUFFERS_QUEUED), ALint(sampleCounts.size()));
  EXPECT_EQ(getFreeStreamBufferCount(), NumVoiceStreamBuffers - sampleCounts.size());

  // With the pool empty a further buffer is dropped.
  for (size_t i = sampleCounts.size(); i < NumVoiceStreamBuffers; ++i)
    voice->queueBuffer(voiceSamples(8000));
  EXPECT_EQ(getFreeStreamBufferCount(), 0u);
  voice->queueBuffer(voiceSamples(8000));
  EXPECT_EQ(sourceInt(*voice, AL_BUFFERS_QUEUED), NumVoiceStreamBuffers);
  EXPECT_EQ(getFreeStreamBufferCount(), 0u);

  // Stopped, every buffer counts as processed and unqueues in queue order.
  const ALuint source = getSourceHandle(voice->getSourceSlot());
  alSourceStop(source);
  std::vector<ALuint> queued(sampleCounts.size());
  alSourceUnqueueBuffers(source, ALsizei(queued.size()), queued.data());
  ASSERT_EQ(alGetError(), AL_NO_ERROR);
  for (size_t i = 0; i < queued.size(); ++i) {
    ALint bytes = -1;
    alGetBufferi(queued[i], AL_SIZE, &bytes);
    EXPECT_EQ(bytes, ALint(sampleCounts[i] * 2)) << "buffer " << i;
  }
}

TEST_F(SoundSystem, SpentStreamBuffersReturnToThePoolAndTheStreamRestarts) {
  SFXObjectPtr voice = makeObject(RelativeShot);
  voice->queueBuffer(voiceSamples(240));
  processSound();
  voice->queueBuffer(voiceSamples(240));
  voice->queueBuffer(voiceSamples(240));
  EXPECT_EQ(getFreeStreamBufferCount(), size_t(NumVoiceStreamBuffers - 3));
  ASSERT_TRUE(waitUntilStopped(*voice));
  // An error left pending by other OpenAL code must not cost buffers.
  alSourcei(0, AL_LOOPING, AL_FALSE);
  processSound();
  EXPECT_EQ(getFreeStreamBufferCount(), size_t(NumVoiceStreamBuffers));
  EXPECT_FALSE(isListed(voice));

  // A dried-up stream re-enters the list with its next buffer.
  voice->queueBuffer(voiceSamples(400)); // 50 ms
  EXPECT_TRUE(isListed(voice));
  processSound();
  ASSERT_GE(voice->getSourceSlot(), 0);
  EXPECT_EQ(sourceInt(*voice, AL_SOURCE_STATE), AL_PLAYING);

  // A buffer for a source that ran dry before the pass is queued and the
  // source restarted at once; the spent buffer goes back to the pool
  // instead of being played again.
  ASSERT_TRUE(waitUntilStopped(*voice));
  voice->queueBuffer(voiceSamples(8000)); // 1 s, still playing when checked
  EXPECT_EQ(sourceInt(*voice, AL_SOURCE_STATE), AL_PLAYING);
  EXPECT_EQ(sourceInt(*voice, AL_BUFFERS_QUEUED), 1);
  EXPECT_EQ(getFreeStreamBufferCount(), size_t(NumVoiceStreamBuffers - 1));
  processSound();
  EXPECT_TRUE(isListed(voice));
}

TEST_F(SoundSystem, AllEffectsLoadAndStopReleasesEverything) {
  EXPECT_TRUE(log.lines.empty()) << log.lines.front();
  // Gains come from the program, not from OpenAL's distance model.
  EXPECT_EQ(alGetInteger(AL_DISTANCE_MODEL), AL_NONE);

  // Stopping releases everything, and later calls do nothing.
  SFXObjectPtr voice = makeObject(RelativeShot);
  voice->queueBuffer(voiceSamples(800));
  processSound();
  stopSound();
  EXPECT_FALSE(isSoundValid());
  EXPECT_TRUE(getPlayingList().empty());
  EXPECT_EQ(voice->getSourceSlot(), -1);
  EXPECT_EQ(voice->getRefCount(), 1u);
  voice->queueBuffer(voiceSamples(800));
  processSound();
  EXPECT_TRUE(getPlayingList().empty());

  // The system can come up again in the same process.
  startSound();
  EXPECT_TRUE(isSoundValid());
  EXPECT_EQ(getFreeStreamBufferCount(), size_t(NumVoiceStreamBuffers));
}
