// Bit-level reading and writing of packets.
//
// Bit order: bits fill each byte from its least significant bit upward,
// bytes in order; an n-bit value is written from its least significant bit,
// so whole 32- and 64-bit values travel in little-endian byte order.
//
//   flag           1 bit
//   integer        its n low bits (n <= 32)
//   u32 / s32      32 bits
//   double         64 bits, the IEEE-754 bits as they are
//   byte buffer    count in 10 bits (0..1023), then the bytes
//   string         see writeString: prefix reuse + Huffman text (<= 255 bytes)
//
// A read that would run past the end, or a malformed field, returns zeros and
// marks the stream invalid; a write past the end marks it invalid too. The
// caller checks isValid() once after a group of reads.
#pragma once

#include "bytebuffer.h"
#include "netbase.h"

#include <cstddef>
#include <cstdint>

namespace TNL {

class BitStream {
public:
  static constexpr size_t MaxStringLength = 255;
  static constexpr size_t MaxByteBufferSize = 1023;

  // Snapshot of everything a write changes: taking an event back out of a
  // packet restores the remembered string as well as the position.
  struct Mark {
    size_t bitPosition;
    size_t stringLength;
    bool error;
    uint8_t string[MaxStringLength + 1];
  };

  BitStream() = default;
  // Reads and writes over an external buffer of byteCount bytes.
  BitStream(uint8_t *data, size_t byteCount) { setBuffer(data, byteCount); }
  BitStream(const BitStream &) = delete;
  BitStream &operator=(const BitStream &) = delete;
  virtual ~BitStream() = default;

  // Resets position, validity and the remembered string.
  void setBuffer(uint8_t *data, size_t byteCount);
  // Limits reading to the first byteCount bytes (a received datagram).
  void setMaxSizes(size_t byteCount);
  void reset();

  uint8_t *getBuffer() const { return mData; }
  size_t getBitPosition() const { return mBitPosition; }
  void setBitPosition(size_t bit) { mBitPosition = bit < mMaxBits ? bit : mMaxBits; }
  size_t getBytePosition() const { return (mBitPosition + 7) >> 3; }
  size_t getMaxBits() const { return mMaxBits; }
  size_t getBitsLeft() const { return mMaxBits - mBitPosition; }
  bool isValid() const { return !mError; }
  void setError() { mError = true; }

  Mark mark() const;
  void rewind(const Mark &mark);
  void clearStringMemory() { mStringLength = 0; }

  bool writeFlag(bool value);
  bool readFlag();
  void writeInt(uint32_t value, unsigned bitCount);
  uint32_t readInt(unsigned bitCount);
  void writeBytes(const void *data, size_t byteCount);
  void readBytes(void *out, size_t byteCount);

  void write(uint32_t value) { writeInt(value, 32); }
  void write(int32_t value) { writeInt(uint32_t(value), 32); }
  void write(bool value) { writeFlag(value); }
  void write(double value);
  void read(uint32_t *value) { *value = readInt(32); }
  void read(int32_t *value) { *value = int32_t(readInt(32)); }
  void read(bool *value) { *value = readFlag(); }
  void read(double *value);

  // More than 1023 bytes cannot be written: the stream is marked invalid and
  // nothing is written. A null buffer is written as an empty one.
  void writeByteBuffer(const ByteBuffer *buffer);
  // Never null; empty on a bad read.
  RefPtr<ByteBuffer> readByteBuffer();

  // Strings: the stream remembers the last string written or read (256-byte
  // buffer, empty at the start). With k the common prefix length of the new
  // and the remembered string: k > 2 writes a 1 bit, k in 8 bits and the
  // compressed rest; otherwise a 0 bit and the compressed whole string. More
  // than 255 bytes cannot be written: the stream is marked invalid.
  void writeString(const char *bytes, size_t length);
  void writeString(const StringPtr &text) { writeString(text.getString(), text.length()); }
  // Fills out (room for 256 bytes) and returns the length; a prefix count
  // longer than the remembered string, or a total over 255, is malformed.
  size_t readString(char *out);
  StringPtr readString();

private:
  uint8_t *mData = nullptr;
  size_t mMaxBits = 0; // readable and writable bits
  size_t mBitPosition = 0;
  bool mError = false;
  size_t mStringLength = 0; // remembered string
  uint8_t mString[MaxStringLength + 1] = {};
};

// A bit stream over one datagram buffer of MaxPacketSize bytes.
class PacketStream : public BitStream {
public:
  static constexpr size_t MaxPacketSize = 1500;

  PacketStream() : BitStream(mStorage, MaxPacketSize) {}
  // Readable size after a datagram of byteCount bytes was copied in.
  void setReceivedSize(size_t byteCount) {
    setBuffer(mStorage, MaxPacketSize);
    setMaxSizes(byteCount);
  }
  uint8_t *storage() { return mStorage; }

private:
  uint8_t mStorage[MaxPacketSize] = {};
};

} // namespace TNL
