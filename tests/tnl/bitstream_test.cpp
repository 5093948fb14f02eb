#include "tnl/huffmanstringprocessor.h"
#include "tnl/tnlbitstream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace TNL;

namespace {

uint64_t bitsOf(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

double fromBits(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

struct Buffer {
  uint8_t bytes[1500] = {};
  BitStream writer{bytes, sizeof bytes};
  // A reader over exactly what was written so far.
  BitStream reader() { return BitStream(bytes, writer.getBytePosition()); }
};

} // namespace

TEST(BitStreamEncoding, BitsFillBytesFromTheLeastSignificantAndWholeValuesAreLittleEndian) {
  Buffer buffer;
  buffer.writer.writeInt(0x5, 3);
  buffer.writer.writeInt(0x1F, 5);
  buffer.writer.writeFlag(true);
  EXPECT_EQ(buffer.bytes[0], 0xFD);
  EXPECT_EQ(buffer.bytes[1], 0x01);
  EXPECT_EQ(buffer.writer.getBitPosition(), 9u);

  Buffer whole;
  whole.writer.write(uint32_t(0x11223344));
  whole.writer.write(1.0);
  const uint8_t expected[] = {0x44, 0x33, 0x22, 0x11, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
  EXPECT_EQ(std::memcmp(whole.bytes, expected, sizeof expected), 0);
}

TEST(BitStreamEncoding, IntegersOfEveryWidthAndDoublesRoundTripBitForBitAtAnyAlignment) {
  Buffer buffer;
  std::vector<std::pair<uint32_t, unsigned>> written;
  uint32_t value = 0x9E3779B9;
  for (unsigned width = 1; width <= 32; ++width) {
    value = value * 1664525u + 1013904223u;
    buffer.writer.writeInt(value, width);
    written.push_back({width == 32 ? value : value & ((1u << width) - 1), width});
  }
  buffer.writer.write(int32_t(-123456));
  buffer.writer.writeFlag(true); // misalign the doubles on purpose
  const uint64_t patterns[] = {
      bitsOf(-0.0),
      bitsOf(std::numeric_limits<double>::infinity()),
      bitsOf(-std::numeric_limits<double>::infinity()),
      0x7FF0000000000001ull, // signalling NaN with the smallest payload
      0x7FF8DEADBEEF0001ull, // quiet NaN with a payload
      0xFFFFFFFFFFFFFFFFull, // negative NaN, all payload bits
      0x0000000000000001ull, // smallest subnormal
      bitsOf(0.948548),
  };
  for (uint64_t pattern : patterns)
    buffer.writer.write(fromBits(pattern));

  BitStream reader = buffer.reader();
  for (const auto &[expected, width] : written)
    EXPECT_EQ(reader.readInt(width), expected) << "width " << width;
  int32_t signedValue;
  reader.read(&signedValue);
  EXPECT_EQ(signedValue, -123456);
  reader.readFlag();
  for (uint64_t pattern : patterns) {
    double read;
    reader.read(&read);
    EXPECT_EQ(bitsOf(read), pattern);
  }
  EXPECT_TRUE(reader.isValid());
}

TEST(BitStreamBounds, PassingTheEndMarksTheStreamInvalidReadsZeroAndWritesNothing) {
  uint8_t bytes[3] = {0xFF, 0xFF, 0};
  BitStream reader(bytes, 2);
  EXPECT_EQ(reader.readInt(12), 0xFFFu);
  EXPECT_TRUE(reader.isValid());
  EXPECT_EQ(reader.readInt(5), 0u);
  EXPECT_FALSE(reader.isValid());
  double value = 1.0;
  reader.read(&value);
  EXPECT_EQ(value, 0.0);

  BitStream writer(bytes, 2);
  writer.writeInt(0xFFFF, 16);
  EXPECT_TRUE(writer.isValid());
  writer.writeFlag(true);
  EXPECT_FALSE(writer.isValid());
  EXPECT_EQ(bytes[2], 0);
}

TEST(BitStreamByteBuffers, UpTo1023BytesRoundTripAndLargerCountsAreRefused) {
  for (size_t size : {size_t(0), size_t(1), size_t(1023)}) {
    Buffer buffer;
    RefPtr<ByteBuffer> sent = new ByteBuffer(size);
    for (size_t i = 0; i < size; ++i)
      sent->getBuffer()[i] = uint8_t(i * 7 + 3);
    buffer.writer.writeFlag(false);
    buffer.writer.writeByteBuffer(sent);
    EXPECT_EQ(buffer.writer.getBitPosition(), 1 + 10 + size * 8);
    BitStream reader = buffer.reader();
    reader.readFlag();
    RefPtr<ByteBuffer> received = reader.readByteBuffer();
    ASSERT_TRUE(reader.isValid());
    ASSERT_EQ(received->getBufferSize(), size);
    EXPECT_TRUE(size == 0 || std::memcmp(received->getBuffer(), sent->getBuffer(), size) == 0);
  }
  // Too large to send: refused, not truncated.
  Buffer buffer;
  RefPtr<ByteBuffer> tooLarge = new ByteBuffer(1024);
  buffer.writer.writeByteBuffer(tooLarge);
  EXPECT_FALSE(buffer.writer.isValid());
  EXPECT_EQ(buffer.writer.getBitPosition(), 0u);
  // A count beyond the packet is malformed.
  uint8_t bytes[4] = {};
  BitStream(bytes, sizeof bytes).writeInt(1000, 10);
  BitStream reader(bytes, sizeof bytes);
  EXPECT_EQ(reader.readByteBuffer()->getBufferSize(), 0u);
  EXPECT_FALSE(reader.isValid());
}

TEST(BitStreamStrings, AnyBytesUpTo255RoundTripAndLongerAreRefused) {
  for (size_t length : {0, 1, 3, 254, 255}) {
    std::string text;
    for (size_t i = 0; i < length; ++i)
      text += char('a' + i % 26);
    Buffer buffer;
    buffer.writer.writeString(text.data(), text.size());
    ASSERT_TRUE(buffer.writer.isValid()) << length;
    BitStream reader = buffer.reader();
    EXPECT_EQ(reader.readString().str(), text) << length;
    EXPECT_TRUE(reader.isValid());
  }
  const std::string text("a\0b\xFF\x80\x7F", 6);
  Buffer buffer;
  buffer.writer.writeString(text.data(), text.size());
  BitStream reader = buffer.reader();
  char out[256];
  size_t length = reader.readString(out);
  EXPECT_TRUE(reader.isValid());
  EXPECT_EQ(std::string(out, length), text);

  Buffer overlong;
  overlong.writer.writeString(std::string(256, 'x').data(), 256);
  EXPECT_FALSE(overlong.writer.isValid());
}

TEST(BitStreamStrings, PrefixSharedWithTheLastStringIsSentOnceAndRewindingForgetsAString) {
  Buffer buffer;
  const std::string name = "clone_passenger12";
  buffer.writer.writeString(name.data(), name.size());
  size_t first = buffer.writer.getBitPosition();
  // A repeat costs the flag, the prefix length and an empty rest.
  buffer.writer.writeString(name.data(), name.size());
  EXPECT_EQ(buffer.writer.getBitPosition() - first, 1u + 8u + 1u + 8u);
  const char *names[] = {"passenger1", "passenger2", "pa", "passenger10", "fireparticle3"};
  for (const char *each : names)
    buffer.writer.writeString(each, std::strlen(each));
  // An event taken back out of the packet takes its string back too.
  BitStream::Mark beforeEvent = buffer.writer.mark();
  buffer.writer.writeString("passenger_beta", 14);
  buffer.writer.rewind(beforeEvent);
  buffer.writer.writeString("passenger_betamax", 17);

  BitStream reader = buffer.reader();
  EXPECT_EQ(reader.readString().str(), name);
  EXPECT_EQ(reader.readString().str(), name);
  for (const char *each : names)
    EXPECT_EQ(reader.readString().str(), each);
  EXPECT_EQ(reader.readString().str(), "passenger_betamax");
  EXPECT_TRUE(reader.isValid());
}

TEST(BitStreamStrings, PrefixBeyondTheRememberedStringOrTheLimitIsMalformed) {
  // Prefix 10 with nothing remembered.
  Buffer buffer;
  buffer.writer.writeFlag(true);
  buffer.writer.writeInt(10, 8);
  buffer.writer.writeFlag(false);
  buffer.writer.writeInt(0, 8);
  BitStream reader = buffer.reader();
  reader.readString();
  EXPECT_FALSE(reader.isValid());

  // 200 remembered plus 100 more is over 255.
  Buffer overLimit;
  std::string remembered(200, 'q');
  overLimit.writer.writeString(remembered.data(), remembered.size());
  overLimit.writer.writeFlag(true);
  overLimit.writer.writeInt(200, 8);
  overLimit.writer.writeFlag(false);
  overLimit.writer.writeInt(100, 8);
  for (int i = 0; i < 100; ++i)
    overLimit.writer.writeInt('r', 8);
  BitStream second = overLimit.reader();
  EXPECT_EQ(second.readString().str(), remembered);
  second.readString();
  EXPECT_FALSE(second.isValid());
}

TEST(HuffmanCode, EveryByteValueRoundTripsAndBadCountsAreMalformed) {
  Buffer buffer;
  uint8_t all[256];
  for (int i = 0; i < 256; ++i)
    all[i] = uint8_t(i);
  HuffmanStringProcessor::writeHuffBuffer(buffer.writer, all, 255, 255);
  HuffmanStringProcessor::writeHuffBuffer(buffer.writer, all + 255, 1, 255);
  BitStream reader = buffer.reader();
  uint8_t out[256];
  ASSERT_EQ(HuffmanStringProcessor::readHuffBuffer(reader, out, 255), 255u);
  ASSERT_EQ(HuffmanStringProcessor::readHuffBuffer(reader, out + 255, 255), 1u);
  EXPECT_EQ(std::memcmp(out, all, 256), 0);

  // Null text is a zero flag and a zero count.
  Buffer null;
  HuffmanStringProcessor::writeHuffBuffer(null.writer, nullptr, 0, 255);
  EXPECT_EQ(null.writer.getBitPosition(), 9u);
  EXPECT_EQ(null.bytes[0] | null.bytes[1], 0);

  // A count above the allowed length.
  Buffer tooMany;
  tooMany.writer.writeFlag(false);
  tooMany.writer.writeInt(200, 8);
  BitStream malformed = tooMany.reader();
  HuffmanStringProcessor::readHuffBuffer(malformed, out, 100);
  EXPECT_FALSE(malformed.isValid());
}

TEST(HuffmanCode, FrequentCharactersGetShortCodesAndRareTextIsSentRaw) {
  // 'e' (2872) and ' ' (2809) are the heaviest; unlisted bytes weigh 1.
  EXPECT_LE(HuffmanStringProcessor::codeLengthOf('e'), 4u);
  EXPECT_LE(HuffmanStringProcessor::codeLengthOf(' '), 4u);
  EXPECT_GT(HuffmanStringProcessor::codeLengthOf(0xC3), 8u);
  EXPECT_GE(HuffmanStringProcessor::codeLengthOf(0xC3), HuffmanStringProcessor::codeLengthOf('Q'));

  Buffer buffer;
  HuffmanStringProcessor::writeHuffBuffer(buffer.writer,
                                          reinterpret_cast<const uint8_t *>("clone_passenger12"), 17, 255);
  EXPECT_LT(buffer.writer.getBitPosition(), 9u + 17u * 8u);
  EXPECT_EQ(buffer.bytes[0] & 1, 1);
  Buffer raw;
  const uint8_t rare[] = {0xC0, 0xC1, 0xC2, 0xC3};
  HuffmanStringProcessor::writeHuffBuffer(raw.writer, rare, 4, 255);
  EXPECT_EQ(raw.writer.getBitPosition(), 9u + 32u);
  EXPECT_EQ(raw.bytes[0] & 1, 0);
}
