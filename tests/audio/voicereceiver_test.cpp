// The receiving side of push-to-talk: one decoder and one player per speaking
// chief, on OpenAL Soft's null output with spoken test sentences.
#include "audio/voicereceiver.h"

#include "soundtestsupport.h"
#include "speechsupport.h"
#include "voicetestsupport.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

void append(std::vector<int16_t> &to, const TNL::ByteBufferPtr &buffer) {
  ASSERT_TRUE(buffer.isValid());
  const auto samples = samplesOfBuffer(*buffer);
  to.insert(to.end(), samples.begin(), samples.end());
}

using Receiver = RunningSound;

} // namespace

TEST_F(Receiver, TwoChiefsTalkingAtOnceAreDecodedAndPlayedApart) {
  const auto captainSpeech =
      spokenSamples("Fire on deck three. Send the medical team to the passengers near the stairs.");
  const auto firemanSpeech =
      spokenSamples("Two extinguishers to the galley, now. The smoke is spreading aft.");
  const auto captainPackets = packetsOf(captainSpeech);
  const auto firemanPackets = packetsOf(firemanSpeech);
  ASSERT_GT(captainPackets.size(), 20u);
  ASSERT_GT(firemanPackets.size(), 20u);

  VoiceReceiver receiver;
  std::vector<std::pair<uint32_t, size_t>> heard;
  receiver.setListener([&heard](uint32_t role, size_t samples) { heard.emplace_back(role, samples); });

  // Both talk at once: their packets arrive interleaved, two per receive step.
  std::vector<int16_t> captainOut, firemanOut;
  const size_t steps = std::max(captainPackets.size(), firemanPackets.size());
  for (size_t i = 0; i < steps; ++i) {
    if (i < captainPackets.size())
      append(captainOut, receiver.receive(0, *captainPackets[i]));
    if (i < firemanPackets.size())
      append(firemanOut, receiver.receive(2, *firemanPackets[i]));
    processSound();
  }

  // Each stream is decoded exactly as if its speaker had been alone, so it
  // keeps its speaker's energy envelope.
  EXPECT_EQ(captainOut, decodedAlone(captainPackets));
  EXPECT_EQ(firemanOut, decodedAlone(firemanPackets));
  // LPC-10 sends each frame's RMS level (5-bit, about 2 dB steps) and its
  // voicing, so the decoded frame energies follow the input's syllables and
  // pauses closely; measured here at about 0.92. A path that loses, reorders
  // or misaligns frames, or garbles their bytes, falls below 0.5 (as the
  // captain's frames reversed do); 0.8 leaves room for the codec's smoothing
  // at word edges.
  EXPECT_GT(bestEnvelopeCorrelation(captainSpeech, captainOut), 0.8);
  EXPECT_GT(bestEnvelopeCorrelation(firemanSpeech, firemanOut), 0.8);
  std::vector<int16_t> reversed;
  for (size_t frame = captainOut.size() / 180; frame-- > 0;)
    reversed.insert(reversed.end(), captainOut.begin() + frame * 180, captainOut.begin() + (frame + 1) * 180);
  EXPECT_LT(bestEnvelopeCorrelation(captainSpeech, reversed), 0.5);
  EXPECT_EQ(heard.size(), captainPackets.size() + firemanPackets.size());
  EXPECT_EQ(heard[0], std::make_pair(0u, size_t(720)));
  EXPECT_EQ(heard[1], std::make_pair(2u, size_t(720)));

  // Each voice plays on a source of its own, at the same time.
  SFXObject *captain = receiver.player(0);
  SFXObject *fireman = receiver.player(2);
  ASSERT_NE(captain, fireman);
  ASSERT_GE(captain->getSourceSlot(), 0);
  ASSERT_GE(fireman->getSourceSlot(), 0);
  EXPECT_NE(captain->getSourceSlot(), fireman->getSourceSlot());
  EXPECT_EQ(sourceInt(*captain, AL_SOURCE_STATE), AL_PLAYING);
  EXPECT_EQ(sourceInt(*fireman, AL_SOURCE_STATE), AL_PLAYING);
  EXPECT_EQ(receiver.player(1)->getSourceSlot(), -1);

  // Roles that do not talk are refused, not read beyond the table.
  EXPECT_TRUE(receiver.receive(3, *captainPackets[0]).isNull());
  EXPECT_TRUE(receiver.receive(0xFFFFFFFFu, *captainPackets[0]).isNull());
  EXPECT_EQ(receiver.player(3), nullptr);
  EXPECT_EQ(heard.size(), captainPackets.size() + firemanPackets.size());

  // The captain left; the next one in the role is decoded afresh, and a
  // packet of his that is lost leaves a gap only: nothing is played in its
  // place and nothing else is missing (a packet holds 4 frames, now and then
  // 5 when the carried samples add up).
  receiver.forgetSpeaker(0);
  const size_t lost = 10;
  std::vector<int16_t> output;
  for (size_t i = 0; i < captainPackets.size(); ++i)
    if (i != lost)
      append(output, receiver.receive(0, *captainPackets[i]));
  size_t before = 0;
  for (size_t i = 0; i < lost; ++i)
    before += captainPackets[i]->getBufferSize() / 7 * 180;
  const size_t gap = captainPackets[lost]->getBufferSize() / 7 * 180;
  ASSERT_EQ(output.size(), captainOut.size() - gap);
  EXPECT_TRUE(std::equal(captainOut.begin(), captainOut.begin() + before, output.begin()));
  // Past the gap the voice goes on: the speech without the lost piece
  // follows the output as closely as a whole stream does.
  std::vector<int16_t> speechWithGap(captainSpeech.begin(), captainSpeech.begin() + before);
  speechWithGap.insert(speechWithGap.end(), captainSpeech.begin() + before + gap, captainSpeech.end());
  EXPECT_GT(bestEnvelopeCorrelation(speechWithGap, output), 0.8);
}
