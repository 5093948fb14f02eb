#include "datachunker.h"

#include <cstdlib>

namespace TNL {

void *DataChunker::alloc(size_t size) {
  constexpr size_t align = alignof(std::max_align_t);
  size = (size + align - 1) & ~(align - 1);
  if (size > ChunkSize) {
    void *large = ::operator new(size);
    mBlocks.push_back(large);
    mUsedInCurrent = ChunkSize;
    return large;
  }
  if (mBlocks.empty() || mUsedInCurrent + size > ChunkSize) {
    mBlocks.push_back(::operator new(ChunkSize));
    mUsedInCurrent = 0;
  }
  void *result = static_cast<char *>(mBlocks.back()) + mUsedInCurrent;
  mUsedInCurrent += size;
  return result;
}

void DataChunker::freeBlocks() {
  for (void *block : mBlocks)
    ::operator delete(block);
  mBlocks.clear();
  mUsedInCurrent = ChunkSize;
}

} // namespace TNL
