// A reference-counted byte array with its size: voice packets and the
// sample buffers of streamed sound travel as these.
#pragma once

#include "netbase.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace TNL {

class ByteBuffer : public Object {
public:
  ByteBuffer() = default;
  explicit ByteBuffer(size_t size) : mBytes(size, 0) {}
  ByteBuffer(const uint8_t *data, size_t size) : mBytes(data, data + size) {}

  uint8_t *getBuffer() { return mBytes.data(); }
  const uint8_t *getBuffer() const { return mBytes.data(); }
  size_t getBufferSize() const { return mBytes.size(); }

  // New bytes are zero; existing ones are kept up to the new size.
  void resize(size_t size) { mBytes.resize(size, 0); }
  void appendBuffer(const uint8_t *data, size_t size) { mBytes.insert(mBytes.end(), data, data + size); }
  void appendBuffer(const ByteBuffer &other) { appendBuffer(other.getBuffer(), other.getBufferSize()); }
  void clear() { mBytes.clear(); }

private:
  std::vector<uint8_t> mBytes;
};

using ByteBufferPtr = RefPtr<ByteBuffer>;

} // namespace TNL
