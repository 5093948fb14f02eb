// The LPC-10 decoder on any bytes, and silence through the whole coder.
// Spoken speech through the coder is checked with the receiver.
#include "audio/voicecodec.h"
#include "voicetestsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

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
  std::vector<int16_t> tone(1800);
  for (size_t i = 0; i < tone.size(); ++i)
    tone[i] = int16_t(10000 * std::sin(2 * M_PI * 200 * double(i) / 8000.0));
  TNL::RefPtr<LPC10VoiceEncoder> encoder = new LPC10VoiceEncoder;
  TNL::ByteBuffer pending(reinterpret_cast<const uint8_t *>(tone.data()), tone.size() * 2);
  EXPECT_EQ(decoder->decompressBuffer(*encoder->compressBuffer(pending))->getBufferSize(), 1800u * 2);
}

TEST(VoiceCodec, SilenceStaysNearlySilent) {
  const auto output = decodedAlone(packetsOf(std::vector<int16_t>(8000 * 2, 0)));
  ASSERT_EQ(output.size(), 8000u * 2 / 180 * 180);
  double sum = 0;
  for (int16_t sample : output)
    sum += double(sample) * sample;
  // RMS below 30 of 32767: about -60 dB below full scale.
  EXPECT_LT(std::sqrt(sum / output.size()), 30.0);
}
