#pragma once
// The path search's visited test: a node counts as visited when it ends
// closer to an expanded node's end point than that node's move length. The
// end points are bucketed in square cells a little wider than the longest
// move, so only the 3x3 cells around a point can hold such a node, instead
// of the whole search record.

#include <algorithm>
#include <cstdint>
#include <vector>

#include <OgreVector.h>

namespace OgreRefApp {

class SpatialHash {
public:
  // Empties the hash for a search whose moves are mostly cellSize level
  // units long (longer ones are kept apart and always checked). Keeps the
  // storage of earlier searches.
  void reset(double cellSize);
  void insert(const Ogre::Vector3 &endPoint, double length);
  // Some inserted end point E lies closer to point than E's length, by the
  // float distance of Ogre::Vector3::distance.
  inline bool isNearAny(const Ogre::Vector3 &point) const;
  std::size_t size() const { return mEntries.size(); }

  // The least squared float distance s for which std::sqrt(s) >= length:
  // distance < length exactly when the squared distance is below it, so
  // the test needs no square root and rounds as the distance does.
  static float squaredLimitOf(double length);

private:
  struct Entry {
    Ogre::Vector3 endPoint;
    float squaredLimit; // squaredLimitOf(length)
    std::int32_t next;  // next entry in the same bucket, -1 ends the chain
  };

  inline std::int32_t cellOf(Ogre::Real coordinate) const;
  std::uint32_t bucketOf(std::int32_t cellX, std::int32_t cellY) const;
  void link(std::int32_t index);
  void growBuckets();
  float cachedSquaredLimit(double length);
  static bool isWithin(const Entry &entry, const Ogre::Vector3 &point) {
    // The squared distance is at least dx * dx however it rounds: most
    // entries are settled by x alone.
    const float dx = entry.endPoint.x - point.x;
    if (dx * dx >= entry.squaredLimit)
      return false;
    return (entry.endPoint - point).squaredLength() < entry.squaredLimit;
  }

  // Fibonacci hashing of the two cell coordinates.
  static constexpr std::uint32_t HASH_X = 0x9E3779B1u;
  static constexpr std::uint32_t HASH_Y = 0x85EBCA77u;

  double mCellSize = 1;                   // level units
  double mCellsPerUnit = 1;               // 1 / mCellSize
  double mBucketedLength = 1;             // longest move kept in the buckets, level units
  std::vector<Entry> mEntries;            // in insertion order
  std::vector<std::int32_t> mHeads;       // per bucket, first entry or -1; size a power of two
  unsigned mBucketShift = 32;             // 32 - log2(bucket count)
  std::vector<std::int32_t> mLongEntries; // longer than a cell: not bucketed
  double mLimitLength = -1;               // the last length asked for and its limit
  float mLimit = 0;
};

inline std::int32_t SpatialHash::cellOf(Ogre::Real coordinate) const {
  // Clamped far beyond any level, so that the neighbours' coordinates never
  // overflow.
  const double cell = std::max(-1e9, std::min(1e9, static_cast<double>(coordinate) * mCellsPerUnit));
  // Rounded down; std::floor is a library call on the baseline instruction set.
  const std::int32_t truncated = static_cast<std::int32_t>(cell);
  return truncated > cell ? truncated - 1 : truncated;
}

// Inline: the search asks it for every node and every move.
bool SpatialHash::isNearAny(const Ogre::Vector3 &point) const {
  if (mEntries.empty())
    return false;
  for (std::int32_t i : mLongEntries)
    if (isWithin(mEntries[i], point))
      return true;
  const std::int32_t cellX = cellOf(point.x);
  const std::int32_t cellY = cellOf(point.y);
  // Entries of other cells that share a bucket are tested too: the exact
  // test answers for them as well. The point's own cell and its side
  // neighbours first, as they most often hold a near entry.
  const std::uint32_t hashX[3] = {static_cast<std::uint32_t>(cellX - 1) * HASH_X,
                                  static_cast<std::uint32_t>(cellX) * HASH_X,
                                  static_cast<std::uint32_t>(cellX + 1) * HASH_X};
  const std::uint32_t hashY[3] = {static_cast<std::uint32_t>(cellY - 1) * HASH_Y,
                                  static_cast<std::uint32_t>(cellY) * HASH_Y,
                                  static_cast<std::uint32_t>(cellY + 1) * HASH_Y};
  static constexpr std::uint8_t OFFSETS[9][2] = {{1, 1}, {0, 1}, {2, 1}, {1, 0}, {1, 2},
                                                 {0, 0}, {2, 0}, {0, 2}, {2, 2}};
  for (const auto &offset : OFFSETS) {
    const std::uint32_t bucket = (hashX[offset[0]] + hashY[offset[1]]) >> mBucketShift;
    for (std::int32_t i = mHeads[bucket]; i >= 0; i = mEntries[i].next)
      if (isWithin(mEntries[i], point))
        return true;
  }
  return false;
}

} // namespace OgreRefApp
