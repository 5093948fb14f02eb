// The sound system on OpenAL Soft's null output: start-up and its failures,
// the per-pass scheduling of the 16 sources, gains and positions, and the
// streaming of queued sample buffers.
#include "audio/sfx.h"

#include "soundtestsupport.h"
#include <AL/alc.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <set>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Profiles used below: 0 relative one-shot, 1 positioned one-shot
// (full gain to 150, silent from 600), 16 positioned looping.
constexpr uint32_t RelativeShot = 0;
constexpr uint32_t PositionedShot = 1;
constexpr uint32_t PositionedLoop = 16;

SFXObjectPtr makeObject(uint32_t profile, SFXPoint position = {}, float gain = 1.0f) {
  return new SFXObject(profile, nullptr, gain, position, {});
}

SFXObjectPtr makeVoice() {
  return makeObject(RelativeShot);
}

// Samples at 8000 per second: a quiet 400 Hz square wave.
TNL::ByteBufferPtr voiceSamples(size_t count) {
  TNL::ByteBufferPtr buffer = new TNL::ByteBuffer(count * 2);
  for (size_t i = 0; i < count; ++i) {
    const int16_t sample = (i / 10) % 2 ? 3000 : -3000;
    std::memcpy(buffer->getBuffer() + 2 * i, &sample, 2);
  }
  return buffer;
}

ALint sourceInt(const SFXObject &object, ALenum what) {
  ALint value = -1;
  alGetSourcei(getSourceHandle(object.getSourceSlot()), what, &value);
  return value;
}

float sourceGain(const SFXObject &object) {
  float gain = -1;
  alGetSourcef(getSourceHandle(object.getSourceSlot()), AL_GAIN, &gain);
  return gain;
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
  for (const SFXObjectPtr &listed : getPlayingList())
    if (listed == object)
      return true;
  return false;
}

class SoundSystem : public ::testing::Test {
protected:
  void SetUp() override {
    scratch.linkGeneratedEffects();
    startSound();
    ASSERT_TRUE(isSoundValid()) << (log.lines.empty() ? "" : log.lines.front());
  }
  void TearDown() override { stopSound(); }

  CapturedLog log;
  ScratchDirectory scratch;
};

class SoundStartUp : public ::testing::Test {
protected:
  void TearDown() override { stopSound(); }
  CapturedLog log;
  ScratchDirectory scratch;
};

} // namespace

TEST_F(SoundStartUp, AllGeneratedEffectsLoadAndTheSystemComesUp) {
  scratch.linkGeneratedEffects();
  startSound();
  EXPECT_TRUE(isSoundValid());
  EXPECT_TRUE(log.lines.empty()) << log.lines.front();
  EXPECT_EQ(getFreeStreamBufferCount(), size_t(NumVoiceStreamBuffers));
  std::set<ALuint> sources;
  for (int slot = 0; slot < NumSFXSources; ++slot)
    sources.insert(getSourceHandle(slot));
  EXPECT_EQ(sources.size(), size_t(NumSFXSources));
  EXPECT_EQ(sources.count(0), 0u);
  // Mixed at 11025 Hz; gains come from the program, not from OpenAL's distance model.
  ALCint frequency = 0;
  alcGetIntegerv(alcGetContextsDevice(alcGetCurrentContext()), ALC_FREQUENCY, 1, &frequency);
  EXPECT_EQ(frequency, 11025);
  EXPECT_EQ(alGetInteger(AL_DISTANCE_MODEL), AL_NONE);
}

TEST_F(SoundStartUp, MissingEffectFileLeavesSoundAndVoiceOff) {
  std::filesystem::remove(scratch.copyGeneratedEffects() / "ship_heal.wav");
  startSound();
  EXPECT_FALSE(isSoundValid());
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0], "Failure (1) loading sound file 'ship_heal.wav'");

  SFXObjectPtr voice = makeVoice();
  voice->queueBuffer(voiceSamples(800));
  voice->play();
  processSound();
  EXPECT_TRUE(getPlayingList().empty());
  EXPECT_EQ(voice->getSourceSlot(), -1);
}

TEST_F(SoundStartUp, NonPcmEffectFileIsALoadFailure) {
  const auto sfx = scratch.copyGeneratedEffects();
  std::fstream file(sfx / "boop.wav", std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(20);
  file.put(char(3)); // IEEE float instead of PCM
  file.close();
  startSound();
  EXPECT_FALSE(isSoundValid());
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0], "Failure (1) loading sound file 'boop.wav'");
}

TEST_F(SoundStartUp, EffectFileTheLibraryRejectsIsTheSecondFailure) {
  const auto sfx = scratch.copyGeneratedEffects();
  std::fstream file(sfx / "grenade.wav", std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(24);
  const char zeroRate[4] = {0, 0, 0, 0};
  file.write(zeroRate, 4);
  file.close();
  startSound();
  EXPECT_FALSE(isSoundValid());
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0], "Failure (2) loading sound file 'grenade.wav'");
}

TEST_F(SoundSystem, TwentyEqualOneShotsKeepSixteenAndDropFourInTheSamePass) {
  std::vector<SFXObjectPtr> objects;
  for (int i = 0; i < 20; ++i) {
    objects.push_back(makeObject(RelativeShot));
    objects.back()->play();
  }
  EXPECT_EQ(getPlayingList().size(), 20u);
  processSound();
  ASSERT_EQ(getPlayingList().size(), 16u);
  std::set<int32_t> slots;
  for (const SFXObjectPtr &listed : getPlayingList()) {
    EXPECT_GE(listed->getSourceSlot(), 0);
    slots.insert(listed->getSourceSlot());
    EXPECT_EQ(sourceInt(*listed, AL_SOURCE_STATE), AL_PLAYING);
  }
  EXPECT_EQ(slots.size(), 16u);
  int dropped = 0;
  for (const SFXObjectPtr &object : objects)
    if (!isListed(object)) {
      ++dropped;
      EXPECT_EQ(object->getSourceSlot(), -1);
    }
  EXPECT_EQ(dropped, 4);
  // The ranking is stable: with equal priorities the last four listed go.
  for (int i = 16; i < 20; ++i)
    EXPECT_FALSE(isListed(objects[i])) << i;
}

TEST_F(SoundSystem, LoopingObjectBeyondSixteenStaysListedWithoutASource) {
  SFXObjectPtr loop = makeObject(PositionedLoop, {400, 0});
  loop->play();
  processSound();
  ASSERT_GE(loop->getSourceSlot(), 0);
  EXPECT_EQ(sourceInt(*loop, AL_LOOPING), AL_TRUE);

  std::vector<SFXObjectPtr> louder;
  for (int i = 0; i < 16; ++i) {
    louder.push_back(makeObject(RelativeShot));
    louder.back()->play();
  }
  processSound();
  EXPECT_EQ(getPlayingList().size(), 17u);
  EXPECT_TRUE(isListed(loop));
  EXPECT_EQ(loop->getSourceSlot(), -1);
  EXPECT_FLOAT_EQ(loop->getPriority(), 0.2f);
  for (const SFXObjectPtr &object : louder)
    EXPECT_EQ(sourceInt(*object, AL_LOOPING), AL_FALSE);
  for (const SFXObjectPtr &object : louder)
    EXPECT_GE(object->getSourceSlot(), 0);

  // A second pass does not drop it either.
  processSound();
  EXPECT_TRUE(isListed(loop));
}

TEST_F(SoundSystem, NonLoopingObjectBeyondSixteenIsDroppedAndLosesItsSource) {
  SFXObjectPtr far = makeObject(PositionedShot, {450, 0});
  far->play();
  processSound();
  ASSERT_GE(far->getSourceSlot(), 0);
  std::vector<SFXObjectPtr> louder;
  for (int i = 0; i < 16; ++i) {
    louder.push_back(makeObject(PositionedShot, {float(i), 0}));
    louder.back()->play();
  }
  processSound();
  EXPECT_FALSE(isListed(far));
  EXPECT_EQ(far->getSourceSlot(), -1);
  std::set<int32_t> slots;
  for (const SFXObjectPtr &object : louder)
    slots.insert(object->getSourceSlot());
  EXPECT_EQ(slots.size(), 16u);
  EXPECT_EQ(slots.count(-1), 0u);
}

TEST_F(SoundSystem, NearerSoundsRankFirstAndRelativeOnesHighest) {
  SFXObjectPtr far = makeObject(PositionedShot, {0, 300});
  SFXObjectPtr near = makeObject(PositionedShot, {30, 40});
  SFXObjectPtr relative = makeObject(RelativeShot, {0, 499});
  far->play();
  near->play();
  relative->play();
  processSound();
  const auto &list = getPlayingList();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], relative);
  EXPECT_EQ(list[1], near);
  EXPECT_EQ(list[2], far);
  EXPECT_FLOAT_EQ(relative->getPriority(), 1.0f);
  EXPECT_FLOAT_EQ(near->getPriority(), 0.9f);
  EXPECT_FLOAT_EQ(far->getPriority(), 0.4f);
}

TEST_F(SoundSystem, FinishedEntryIsReplacedByTheLastOneBeforeTheStableSort) {
  // All four rank 1.0: a relative "boop" (0.1 s) and three 1.4 s explosions
  // at the listener.
  SFXObjectPtr shortOne = makeObject(32);
  SFXObjectPtr b = makeObject(14), c = makeObject(14), d = makeObject(14);
  for (auto *object : {&shortOne, &b, &c, &d})
    (*object)->play();
  processSound();
  ASSERT_TRUE(waitUntilStopped(*shortOne));
  processSound();
  const auto &list = getPlayingList();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], d);
  EXPECT_EQ(list[1], b);
  EXPECT_EQ(list[2], c);
}

TEST_F(SoundSystem, PlayListsAnObjectOnce) {
  SFXObjectPtr object = makeObject(RelativeShot);
  object->play();
  object->play();
  EXPECT_EQ(getPlayingList().size(), 1u);
  processSound();
  ASSERT_GE(object->getSourceSlot(), 0);
  object->play(); // holds a source: ignored
  EXPECT_EQ(getPlayingList().size(), 1u);
}

TEST_F(SoundSystem, GainFallsLinearlyBetweenFullAndZeroGainDistance) {
  // Profile 1: gain scale 0.45, full gain to 150, silent from 600.
  SFXObjectPtr near = makeObject(PositionedShot, {100, 0});
  SFXObjectPtr middle = makeObject(PositionedShot, {0, 375});
  SFXObjectPtr silent = makeObject(PositionedShot, {600, 0});
  for (auto *object : {&near, &middle, &silent})
    (*object)->play();
  processSound();
  EXPECT_FLOAT_EQ(sourceGain(*near), 0.45f);
  EXPECT_FLOAT_EQ(sourceGain(*middle), 0.45f * 0.5f);
  EXPECT_FLOAT_EQ(sourceGain(*silent), 0.0f);

  // Moving refreshes the gain on the next pass.
  middle->setPosition({0, 150});
  processSound();
  EXPECT_FLOAT_EQ(sourceGain(*middle), 0.45f);
}

TEST_F(SoundSystem, ObjectGainAppliesAtEveryDistance) {
  SFXObjectPtr relative = makeObject(RelativeShot, {}, 0.5f);
  SFXObjectPtr near = makeObject(PositionedShot, {10, 0}, 0.5f);
  relative->play();
  near->play();
  processSound();
  EXPECT_FLOAT_EQ(sourceGain(*relative), 0.5f);
  EXPECT_FLOAT_EQ(sourceGain(*near), 0.45f * 0.5f);
}

TEST_F(SoundSystem, RelativeSoundsPlayAtTheListenerAndOthersWhereTheyAre) {
  SFXObjectPtr relative = makeObject(RelativeShot, {300, 200});
  SFXObjectPtr placed = makeObject(PositionedShot, {30, -40});
  relative->play();
  placed->play();
  processSound();
  float position[3];
  EXPECT_EQ(sourceInt(*relative, AL_SOURCE_RELATIVE), AL_TRUE);
  alGetSourcefv(getSourceHandle(relative->getSourceSlot()), AL_POSITION, position);
  EXPECT_EQ(position[0], 0.0f);
  EXPECT_EQ(position[1], 0.0f);
  EXPECT_EQ(sourceInt(*placed, AL_SOURCE_RELATIVE), AL_FALSE);
  alGetSourcefv(getSourceHandle(placed->getSourceSlot()), AL_POSITION, position);
  EXPECT_EQ(position[0], 30.0f);
  EXPECT_EQ(position[1], -40.0f);
  EXPECT_EQ(position[2], 0.0f);
  EXPECT_EQ(sourceInt(*placed, AL_LOOPING), AL_FALSE);
}

TEST_F(SoundSystem, FinishedOneShotLeavesTheListAndFreesItsSource) {
  SFXObjectPtr boop = makeObject(32); // "boop.wav", about 0.1 s
  boop->play();
  processSound();
  ASSERT_GE(boop->getSourceSlot(), 0);
  ASSERT_TRUE(waitUntilStopped(*boop));
  processSound();
  EXPECT_FALSE(isListed(boop));
  EXPECT_EQ(boop->getSourceSlot(), -1);
}

TEST_F(SoundSystem, FirstStreamBufferStartsTheObjectOnTheNextPass) {
  SFXObjectPtr voice = makeVoice();
  voice->queueBuffer(voiceSamples(800));
  EXPECT_TRUE(isListed(voice));
  EXPECT_EQ(voice->getSourceSlot(), -1);
  processSound();
  ASSERT_GE(voice->getSourceSlot(), 0);
  EXPECT_EQ(sourceInt(*voice, AL_SOURCE_STATE), AL_PLAYING);
  EXPECT_EQ(sourceInt(*voice, AL_BUFFERS_QUEUED), 1);
  EXPECT_EQ(getFreeStreamBufferCount(), size_t(NumVoiceStreamBuffers - 1));
}

TEST_F(SoundSystem, BuffersArrivingBeforeTheSourceAreAllQueuedInOrder) {
  // Two receive steps' worth arriving before the next pass; sizes tell them apart.
  const std::vector<size_t> sampleCounts = {8000, 4000, 6000};
  SFXObjectPtr voice = makeVoice();
  for (size_t count : sampleCounts)
    voice->queueBuffer(voiceSamples(count));
  EXPECT_EQ(voice->getWaitingBufferCount(), sampleCounts.size());
  processSound();
  ASSERT_GE(voice->getSourceSlot(), 0);
  EXPECT_EQ(voice->getWaitingBufferCount(), 0u);
  ASSERT_EQ(sourceInt(*voice, AL_BUFFERS_QUEUED), ALint(sampleCounts.size()));

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

TEST_F(SoundSystem, StreamBufferAtAStoppedSourceIsQueuedAndTheSourceRestarted) {
  SFXObjectPtr voice = makeVoice();
  voice->queueBuffer(voiceSamples(400)); // 50 ms
  processSound();
  ASSERT_GE(voice->getSourceSlot(), 0);
  ASSERT_TRUE(waitUntilStopped(*voice));

  voice->queueBuffer(voiceSamples(8000)); // 1 s, still playing when checked
  EXPECT_EQ(sourceInt(*voice, AL_SOURCE_STATE), AL_PLAYING);
  // The spent buffer went back to the pool instead of being played again.
  EXPECT_EQ(sourceInt(*voice, AL_BUFFERS_QUEUED), 1);
  EXPECT_EQ(getFreeStreamBufferCount(), size_t(NumVoiceStreamBuffers - 1));
  processSound();
  EXPECT_TRUE(isListed(voice));
}

TEST_F(SoundSystem, StreamBuffersComeBackToTheFreePool) {
  SFXObjectPtr voice = makeVoice();
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
  voice->queueBuffer(voiceSamples(240));
  EXPECT_TRUE(isListed(voice));
  processSound();
  EXPECT_EQ(sourceInt(*voice, AL_SOURCE_STATE), AL_PLAYING);
}

TEST_F(SoundSystem, StreamBufferIsDroppedWhenNoFreeBufferIsLeft) {
  SFXObjectPtr voice = makeVoice();
  voice->queueBuffer(voiceSamples(8000));
  processSound();
  for (int i = 1; i < NumVoiceStreamBuffers; ++i)
    voice->queueBuffer(voiceSamples(8000));
  EXPECT_EQ(getFreeStreamBufferCount(), 0u);
  EXPECT_EQ(sourceInt(*voice, AL_BUFFERS_QUEUED), NumVoiceStreamBuffers);
  voice->queueBuffer(voiceSamples(8000));
  EXPECT_EQ(sourceInt(*voice, AL_BUFFERS_QUEUED), NumVoiceStreamBuffers);
  EXPECT_EQ(getFreeStreamBufferCount(), 0u);
}

TEST_F(SoundSystem, EmptyAndHalfSampleBuffersAreDropped) {
  SFXObjectPtr voice = makeVoice();
  voice->queueBuffer(nullptr);
  voice->queueBuffer(new TNL::ByteBuffer);
  voice->queueBuffer(new TNL::ByteBuffer(1));
  EXPECT_FALSE(isListed(voice));
  EXPECT_TRUE(voice->getStreamBuffer().isNull());
}

TEST_F(SoundSystem, StreamTakesOverASourceThatLastPlayedAnEffect) {
  std::vector<SFXObjectPtr> effects;
  for (int i = 0; i < NumSFXSources; ++i) {
    effects.push_back(makeObject(32));
    effects.back()->play();
  }
  processSound();
  for (const SFXObjectPtr &effect : effects)
    ASSERT_TRUE(waitUntilStopped(*effect));
  processSound();
  ASSERT_TRUE(getPlayingList().empty());

  SFXObjectPtr voice = makeVoice();
  voice->queueBuffer(voiceSamples(4000));
  processSound();
  ASSERT_GE(voice->getSourceSlot(), 0);
  EXPECT_EQ(sourceInt(*voice, AL_SOURCE_STATE), AL_PLAYING);
  EXPECT_EQ(sourceInt(*voice, AL_BUFFERS_QUEUED), 1);
  EXPECT_EQ(sourceInt(*voice, AL_SOURCE_TYPE), AL_STREAMING);
  EXPECT_EQ(getFreeStreamBufferCount(), size_t(NumVoiceStreamBuffers - 1));
}

TEST_F(SoundSystem, StopReleasesEverythingAndLaterCallsDoNothing) {
  SFXObjectPtr voice = makeVoice();
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
