// The voice coder's buffering and the LPC-10 frames end to end.
#include "audio/voicecodec.h"
#include "audio/wavreader.h"
#include "speechsupport.h"
#include "voicetestsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace {

// A decoder whose frames are one byte each: 180 copies of the byte's value.
// Its estimate of 4 bytes per frame is far too high, so the output must grow.
class OneByteDecoder : public VoiceDecoder {
protected:
  uint32_t getSamplesPerFrame() override { return 180; }
  uint32_t getAvgCompressedFrameSize() override { return 4; }
  uint32_t decompressFrame(const uint8_t *compressed, size_t, int16_t *samples) override {
    for (int i = 0; i < 180; ++i)
      samples[i] = compressed[0];
    return 1;
  }
};

std::vector<int16_t> toneSamples(size_t count, double hz, double amplitude) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i)
    samples[i] = int16_t(amplitude * std::sin(2 * M_PI * hz * double(i) / 8000.0));
  return samples;
}

std::vector<int16_t> roundTrip(const std::vector<int16_t> &samples) {
  TNL::RefPtr<LPC10VoiceEncoder> encoder = new LPC10VoiceEncoder;
  TNL::RefPtr<LPC10VoiceDecoder> decoder = new LPC10VoiceDecoder;
  std::vector<int16_t> output;
  TNL::ByteBuffer pending;
  // 100 ms steps as the recorder runs them, the leftover carried along.
  for (size_t start = 0; start < samples.size(); start += 800) {
    const size_t end = std::min(samples.size(), start + 800);
    pending.appendBuffer(reinterpret_cast<const uint8_t *>(&samples[start]), (end - start) * 2);
    TNL::ByteBufferPtr packet = encoder->compressBuffer(pending);
    if (packet.isNull())
      continue;
    const auto decoded = samplesOfBuffer(*decoder->decompressBuffer(*packet));
    output.insert(output.end(), decoded.begin(), decoded.end());
  }
  return output;
}

} // namespace

TEST(VoiceEncoding, EightHundredSamplesGiveFourFramesOf28BytesAndCarry80) {
  TNL::RefPtr<LPC10VoiceEncoder> encoder = new LPC10VoiceEncoder;
  const auto samples = toneSamples(800, 300, 8000);
  TNL::ByteBufferPtr pending = bufferOfSamples(samples);
  TNL::ByteBufferPtr packet = encoder->compressBuffer(*pending);
  ASSERT_TRUE(packet.isValid());
  EXPECT_EQ(packet->getBufferSize(), 28u);
  EXPECT_EQ(samplesOfBuffer(*pending), std::vector<int16_t>(samples.begin() + 720, samples.end()));
}

TEST(VoiceEncoding, FewerThanAFrameGiveNothingAndStayPending) {
  TNL::RefPtr<LPC10VoiceEncoder> encoder = new LPC10VoiceEncoder;
  const auto samples = toneSamples(179, 300, 8000);
  TNL::ByteBufferPtr pending = bufferOfSamples(samples);
  EXPECT_TRUE(encoder->compressBuffer(*pending).isNull());
  EXPECT_EQ(samplesOfBuffer(*pending), samples);
  TNL::ByteBuffer empty;
  EXPECT_TRUE(encoder->compressBuffer(empty).isNull());
}

TEST(VoiceEncoding, FramesAreCodedInOrder) {
  TNL::RefPtr<RecordingEncoder> encoder = new RecordingEncoder;
  std::vector<int16_t> samples(400);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = int16_t(i);
  TNL::ByteBufferPtr pending = bufferOfSamples(samples);
  TNL::ByteBufferPtr packet = encoder->compressBuffer(*pending);
  ASSERT_TRUE(packet.isValid());
  EXPECT_EQ(samplesOfBuffer(*packet), (std::vector<int16_t>{0, 179, 180, 359}));
  EXPECT_EQ(samplesOfBuffer(*pending), std::vector<int16_t>(samples.begin() + 360, samples.end()));
}

TEST(VoiceDecoding, TwentyEightBytesGiveFourFrames) {
  TNL::RefPtr<LPC10VoiceDecoder> decoder = new LPC10VoiceDecoder;
  TNL::ByteBuffer packet(28);
  EXPECT_EQ(decoder->decompressBuffer(packet)->getBufferSize(), 4u * 180 * 2);
}

TEST(VoiceDecoding, TrailingPieceShorterThanAFrameIsDropped) {
  TNL::RefPtr<LPC10VoiceDecoder> decoder = new LPC10VoiceDecoder;
  for (size_t bytes : {1u, 6u, 7u + 3, 21u + 6}) {
    // Exact-size heap block: a read past the end trips the address sanitizer.
    TNL::ByteBuffer packet(bytes);
    EXPECT_EQ(decoder->decompressBuffer(packet)->getBufferSize(), (bytes / 7) * 180 * 2) << bytes;
  }
  TNL::ByteBuffer empty;
  EXPECT_EQ(decoder->decompressBuffer(empty)->getBufferSize(), 0u);
}

TEST(VoiceDecoding, OutputGrowsBeyondItsFirstEstimate) {
  TNL::RefPtr<OneByteDecoder> decoder = new OneByteDecoder;
  std::vector<uint8_t> bytes(50);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = uint8_t(i + 1);
  TNL::ByteBuffer packet(bytes.data(), bytes.size());
  const auto samples = samplesOfBuffer(*decoder->decompressBuffer(packet));
  ASSERT_EQ(samples.size(), 50u * 180);
  for (size_t frame = 0; frame < 50; ++frame) {
    EXPECT_EQ(samples[frame * 180], int16_t(frame + 1));
    EXPECT_EQ(samples[frame * 180 + 179], int16_t(frame + 1));
  }
}

TEST(VoiceDecoding, GarbageBytesDecodeWithoutHarm) {
  TNL::RefPtr<LPC10VoiceDecoder> decoder = new LPC10VoiceDecoder;
  std::mt19937 random(1234);
  for (int round = 0; round < 200; ++round) {
    const size_t length = random() % 1024;
    TNL::ByteBuffer packet(length);
    for (size_t i = 0; i < length; ++i)
      packet.getBuffer()[i] = uint8_t(random());
    ASSERT_EQ(decoder->decompressBuffer(packet)->getBufferSize(), (length / 7) * 180 * 2);
  }
  // The decoder still works on real frames afterwards.
  TNL::RefPtr<LPC10VoiceEncoder> encoder = new LPC10VoiceEncoder;
  TNL::ByteBufferPtr pending = bufferOfSamples(toneSamples(1800, 200, 10000));
  EXPECT_EQ(decoder->decompressBuffer(*encoder->compressBuffer(*pending))->getBufferSize(), 1800u * 2);
}

TEST(VoiceCodec, SilenceStaysNearlySilent) {
  const auto output = roundTrip(std::vector<int16_t>(8000 * 2, 0));
  ASSERT_EQ(output.size(), 8000u * 2 / 180 * 180);
  double sum = 0;
  for (int16_t sample : output)
    sum += double(sample) * sample;
  // RMS below 30 of 32767: about -60 dB below full scale.
  EXPECT_LT(std::sqrt(sum / output.size()), 30.0);
}

TEST(VoiceCodec, SpeechKeepsItsEnergyEnvelope) {
  const auto speech =
      spokenSamples("Fire on deck three. Send the medical team to the passengers near the stairs, "
                    "and bring two extinguishers.");
  ASSERT_GT(speech.size(), 8000u * 3);
  const auto output = roundTrip(speech);
  ASSERT_GE(output.size(), speech.size() - 2 * 800);
  const double r = bestEnvelopeCorrelation(speech, output);
  // LPC-10 sends each frame's RMS level (5-bit, about 2 dB steps) and its
  // voicing, so the decoded frame energies follow the input's syllables and
  // pauses closely; measured here at about 0.92. A path that loses, reorders
  // or misaligns frames, or garbles their bytes, falls below 0.5; 0.8 leaves
  // room for the codec's smoothing at word edges.
  EXPECT_GT(r, 0.8);
  RecordProperty("envelope_correlation", std::to_string(r));
}

TEST(VoiceCodec, ScrambledFramesLoseTheEnvelope) {
  // The same measure on a broken path (frame order reversed) stays low, so
  // the threshold above can tell a working codec from a broken one.
  const auto speech =
      spokenSamples("Fire on deck three. Send the medical team to the passengers near the stairs.");
  auto output = roundTrip(speech);
  std::vector<int16_t> reversed;
  for (size_t frame = output.size() / 180; frame-- > 0;)
    reversed.insert(reversed.end(), output.begin() + frame * 180, output.begin() + (frame + 1) * 180);
  const double r = bestEnvelopeCorrelation(speech, reversed);
  EXPECT_LT(r, 0.5);
  RecordProperty("envelope_correlation", std::to_string(r));
}
