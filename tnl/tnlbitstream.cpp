#include "tnlbitstream.h"

#include "huffmanstringprocessor.h"

#include <cstring>

namespace TNL {

void BitStream::setBuffer(uint8_t *data, size_t byteCount) {
  mData = data;
  mMaxBits = byteCount * 8;
  reset();
}

void BitStream::setMaxSizes(size_t byteCount) {
  size_t bits = byteCount * 8;
  if (bits < mMaxBits)
    mMaxBits = bits;
}

void BitStream::reset() {
  mBitPosition = 0;
  mError = false;
  mStringLength = 0;
}

BitStream::Mark BitStream::mark() const {
  Mark saved;
  saved.bitPosition = mBitPosition;
  saved.stringLength = mStringLength;
  saved.error = mError;
  std::memcpy(saved.string, mString, mStringLength);
  return saved;
}

void BitStream::rewind(const Mark &saved) {
  mBitPosition = saved.bitPosition;
  mStringLength = saved.stringLength;
  mError = saved.error;
  std::memcpy(mString, saved.string, mStringLength);
}

bool BitStream::writeFlag(bool value) {
  writeInt(value ? 1 : 0, 1);
  return value;
}

bool BitStream::readFlag() {
  return readInt(1) != 0;
}

void BitStream::writeInt(uint32_t value, unsigned bitCount) {
  assert(bitCount <= 32);
  if (bitCount == 0)
    return;
  if (mError || bitCount > mMaxBits - mBitPosition) {
    mError = true;
    return;
  }
  if (bitCount < 32)
    value &= (1u << bitCount) - 1;
  while (bitCount) {
    size_t byte = mBitPosition >> 3;
    unsigned offset = unsigned(mBitPosition & 7);
    unsigned take = 8 - offset < bitCount ? 8 - offset : bitCount;
    uint8_t mask = uint8_t(((1u << take) - 1) << offset);
    mData[byte] = uint8_t((mData[byte] & ~mask) | ((value << offset) & mask));
    value = take < 32 ? value >> take : 0;
    bitCount -= take;
    mBitPosition += take;
  }
}

uint32_t BitStream::readInt(unsigned bitCount) {
  if (bitCount == 0 || bitCount > 32)
    return 0;
  if (mError || bitCount > mMaxBits - mBitPosition) {
    mError = true;
    return 0;
  }
  uint32_t value = 0;
  unsigned shift = 0;
  while (shift < bitCount) {
    size_t byte = mBitPosition >> 3;
    unsigned offset = unsigned(mBitPosition & 7);
    unsigned take = 8 - offset < bitCount - shift ? 8 - offset : bitCount - shift;
    uint32_t bits = (uint32_t(mData[byte]) >> offset) & ((1u << take) - 1);
    value |= bits << shift;
    shift += take;
    mBitPosition += take;
  }
  return value;
}

void BitStream::writeBytes(const void *data, size_t byteCount) {
  if (byteCount == 0)
    return;
  if (byteCount * 8 > mMaxBits - mBitPosition) {
    mError = true;
    return;
  }
  const uint8_t *bytes = static_cast<const uint8_t *>(data);
  if ((mBitPosition & 7) == 0) {
    std::memcpy(mData + (mBitPosition >> 3), bytes, byteCount);
    mBitPosition += byteCount * 8;
    return;
  }
  for (size_t i = 0; i < byteCount; ++i)
    writeInt(bytes[i], 8);
}

void BitStream::readBytes(void *out, size_t byteCount) {
  if (byteCount == 0)
    return;
  uint8_t *bytes = static_cast<uint8_t *>(out);
  if (mError || byteCount * 8 > mMaxBits - mBitPosition) {
    mError = true;
    std::memset(bytes, 0, byteCount);
    return;
  }
  if ((mBitPosition & 7) == 0) {
    std::memcpy(bytes, mData + (mBitPosition >> 3), byteCount);
    mBitPosition += byteCount * 8;
    return;
  }
  for (size_t i = 0; i < byteCount; ++i)
    bytes[i] = uint8_t(readInt(8));
}

void BitStream::write(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  writeInt(uint32_t(bits), 32);
  writeInt(uint32_t(bits >> 32), 32);
}

void BitStream::read(double *value) {
  uint64_t low = readInt(32);
  uint64_t high = readInt(32);
  uint64_t bits = low | (high << 32);
  std::memcpy(value, &bits, sizeof bits);
}

void BitStream::writeByteBuffer(const ByteBuffer *buffer) {
  size_t size = buffer ? buffer->getBufferSize() : 0;
  if (size > MaxByteBufferSize) {
    mError = true;
    return;
  }
  writeInt(uint32_t(size), 10);
  if (size)
    writeBytes(buffer->getBuffer(), size);
}

RefPtr<ByteBuffer> BitStream::readByteBuffer() {
  uint32_t size = readInt(10);
  if (!isValid() || size_t(size) * 8 > getBitsLeft()) {
    mError = true;
    return new ByteBuffer();
  }
  RefPtr<ByteBuffer> buffer = new ByteBuffer(size);
  readBytes(buffer->getBuffer(), size);
  return buffer;
}

void BitStream::writeString(const char *bytes, size_t length) {
  if (!bytes)
    length = 0;
  if (length > MaxStringLength) {
    mError = true;
    return;
  }
  size_t common = 0;
  size_t limit = length < mStringLength ? length : mStringLength;
  while (common < limit && uint8_t(bytes[common]) == mString[common])
    ++common;
  if (length)
    std::memcpy(mString, bytes, length);
  mStringLength = length;
  const uint8_t *text = reinterpret_cast<const uint8_t *>(bytes);
  if (writeFlag(common > 2)) {
    writeInt(uint32_t(common), 8);
    HuffmanStringProcessor::writeHuffBuffer(*this, text + common, length - common, MaxStringLength);
  } else {
    HuffmanStringProcessor::writeHuffBuffer(*this, text, length, MaxStringLength);
  }
}

size_t BitStream::readString(char *out) {
  size_t prefix = 0;
  if (readFlag()) {
    prefix = readInt(8);
    if (prefix > mStringLength)
      mError = true;
  }
  if (!isValid()) {
    out[0] = 0;
    return 0;
  }
  uint8_t *target = reinterpret_cast<uint8_t *>(out);
  std::memcpy(target, mString, prefix);
  size_t rest = HuffmanStringProcessor::readHuffBuffer(*this, target + prefix, MaxStringLength - prefix);
  if (!isValid()) {
    out[0] = 0;
    return 0;
  }
  size_t length = prefix + rest;
  std::memcpy(mString, target, length);
  mStringLength = length;
  out[length] = 0;
  return length;
}

StringPtr BitStream::readString() {
  char text[MaxStringLength + 1];
  size_t length = readString(text);
  return StringPtr(text, length);
}

} // namespace TNL
