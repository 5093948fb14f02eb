// The voice coder's buffering and the LPC-10 frames end to end.
#include "audio/voicecodec.h"
#include "speechsupport.h"
#include "voicetestsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>

namespace {

std::vector<int16_t> toneSamples(size_t count, double hz, double amplitude) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i)
    samples[i] = int16_t(amplitude * std::sin(2 * M_PI * hz * double(i) / 8000.0));
  return samples;
}

double rms(const std::vector<int16_t> &samples) {
  double sum = 0;
  for (int16_t sample : samples)
    sum += double(sample) * sample;
  return std::sqrt(sum / samples.size());
}

} // namespace

TEST(VoiceEncoding, WholeFramesAreCodedInOrderAndTheRestStaysPending) {
  TNL::RefPtr<RecordingEncoder> recording = new RecordingEncoder;
  std::vector<int16_t> ramp(400);
  std::iota(ramp.begin(), ramp.end(), 0);
  TNL::ByteBufferPtr pending = bufferOfSamples(ramp);
  TNL::ByteBufferPtr packet = recording->compressBuffer(*pending);
  ASSERT_TRUE(packet.isValid());
  EXPECT_EQ(samplesOfBuffer(*packet), (std::vector<int16_t>{0, 179, 180, 359}));
  EXPECT_EQ(samplesOfBuffer(*pending), std::vector<int16_t>(ramp.begin() + 360, ramp.end()));

  // LPC-10: 800 samples are four frames of 7 bytes, 80 samples carried.
  TNL::RefPtr<LPC10VoiceEncoder> encoder = new LPC10VoiceEncoder;
  const auto tone = toneSamples(800, 300, 8000);
  pending = bufferOfSamples(tone);
  packet = encoder->compressBuffer(*pending);
  ASSERT_TRUE(packet.isValid());
  EXPECT_EQ(packet->getBufferSize(), 28u);
  EXPECT_EQ(samplesOfBuffer(*pending), std::vector<int16_t>(tone.begin() + 720, tone.end()));

  // Less than a frame gives nothing and stays pending.
  const std::vector<int16_t> short179(tone.begin(), tone.begin() + 179);
  pending = bufferOfSamples(short179);
  EXPECT_TRUE(encoder->compressBuffer(*pending).isNull());
  EXPECT_EQ(samplesOfBuffer(*pending), short179);
  TNL::ByteBuffer empty;
  EXPECT_TRUE(encoder->compressBuffer(empty).isNull());
}

TEST(VoiceDecoding, AnyBytesDecodeToWholeFramesWithoutHarm) {
  TNL::RefPtr<LPC10VoiceDecoder> decoder = new LPC10VoiceDecoder;
  // Exact-size heap blocks of every length: a trailing piece shorter than a
  // frame is dropped, and a read past the end trips the address sanitizer.
  std::mt19937 random(1234);
  for (int round = 0; round < 200; ++round) {
    const size_t length = round < 30 ? size_t(round) : random() % 1024;
    TNL::ByteBuffer packet(length);
    for (size_t i = 0; i < length; ++i)
      packet.getBuffer()[i] = uint8_t(random());
    ASSERT_EQ(decoder->decompressBuffer(packet)->getBufferSize(), (length / 7) * 180 * 2) << length;
  }
  // The decoder still works on real frames afterwards.
  TNL::RefPtr<LPC10VoiceEncoder> encoder = new LPC10VoiceEncoder;
  TNL::ByteBufferPtr pending = bufferOfSamples(toneSamples(1800, 200, 10000));
  EXPECT_EQ(decoder->decompressBuffer(*encoder->compressBuffer(*pending))->getBufferSize(), 1800u * 2);
}

TEST(VoiceCodec, SpeechKeepsItsEnergyEnvelopeAndSilenceStaysSilent) {
  const auto speech =
      spokenSamples("Fire on deck three. Send the medical team to the passengers near the stairs, "
                    "and bring two extinguishers.");
  ASSERT_GT(speech.size(), 8000u * 3);
  const auto output = decodedAlone(packetsOf(speech));
  ASSERT_GE(output.size(), speech.size() - 2 * 800);
  const double r = bestEnvelopeCorrelation(speech, output);
  // LPC-10 sends each frame's RMS level (5-bit, about 2 dB steps) and its
  // voicing, so the decoded frame energies follow the input's syllables and
  // pauses closely; measured here at about 0.92. A path that loses, reorders
  // or misaligns frames, or garbles their bytes, falls below 0.5; 0.8 leaves
  // room for the codec's smoothing at word edges.
  EXPECT_GT(r, 0.8);
  RecordProperty("envelope_correlation", std::to_string(r));

  // The same measure on a broken path (frame order reversed) stays low, so
  // the threshold above tells a working codec from a broken one.
  std::vector<int16_t> reversed;
  for (size_t frame = output.size() / 180; frame-- > 0;)
    reversed.insert(reversed.end(), output.begin() + frame * 180, output.begin() + (frame + 1) * 180);
  EXPECT_LT(bestEnvelopeCorrelation(speech, reversed), 0.5);

  // Two seconds of silence: RMS below 30 of 32767, about -60 dB below full scale.
  const auto silence = decodedAlone(packetsOf(std::vector<int16_t>(8000 * 2, 0)));
  ASSERT_EQ(silence.size(), 8000u * 2 / 180 * 180);
  EXPECT_LT(rms(silence), 30.0);
}
