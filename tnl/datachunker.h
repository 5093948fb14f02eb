// Chunk allocation of small, short-lived records (event notes): blocks of
// ChunkSize bytes are carved up in order and released all at once; freed
// records of a ClassChunker go to a free list and are reused first.
#pragma once

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

namespace TNL {

class DataChunker {
public:
  static constexpr size_t ChunkSize = 16384;

  DataChunker() = default;
  DataChunker(const DataChunker &) = delete;
  DataChunker &operator=(const DataChunker &) = delete;
  ~DataChunker() { freeBlocks(); }

  // Storage for size bytes, aligned for any object; lives until freeBlocks.
  void *alloc(size_t size);
  void freeBlocks();

private:
  std::vector<void *> mBlocks;
  size_t mUsedInCurrent = ChunkSize;
};

template <class T> class ClassChunker {
public:
  ClassChunker() = default;
  ClassChunker(const ClassChunker &) = delete;
  ClassChunker &operator=(const ClassChunker &) = delete;

  template <class... Args> T *alloc(Args &&...args) {
    void *slot;
    if (mFreeList) {
      slot = mFreeList;
      mFreeList = mFreeList->next;
    } else {
      slot = mChunker.alloc(sizeof(Slot));
    }
    return new (slot) T(std::forward<Args>(args)...);
  }

  void free(T *object) {
    object->~T();
    Slot *slot = reinterpret_cast<Slot *>(object);
    slot->next = mFreeList;
    mFreeList = slot;
  }

private:
  union Slot {
    Slot *next;
    alignas(T) unsigned char storage[sizeof(T)];
  };
  DataChunker mChunker;
  Slot *mFreeList = nullptr;
};

} // namespace TNL
