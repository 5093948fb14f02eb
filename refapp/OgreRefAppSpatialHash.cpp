#include "refapp/OgreRefAppSpatialHash.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace OgreRefApp {
namespace {

constexpr std::size_t INITIAL_BUCKETS = 1024;
constexpr unsigned INITIAL_BUCKET_SHIFT = 32 - 10;
// Cells are this much wider than the longest bucketed move, so that a float
// distance just below a length (off by float rounding, about 1e-7 of it)
// never spans more than one cell border.
constexpr double CELL_WIDENING = 1 + 1e-4;
// Fibonacci hashing of the two cell coordinates.
constexpr std::uint32_t HASH_X = 0x9E3779B1u;
constexpr std::uint32_t HASH_Y = 0x85EBCA77u;

} // namespace

float SpatialHash::squaredLimitOf(double length) {
  if (!(length > 0))
    return 0; // no distance is below it
  const float infinity = std::numeric_limits<float>::infinity();
  float limit = static_cast<float>(length * length);
  // A guess within a few floats of the answer: walk to it.
  while (limit > 0 && std::sqrt(std::nextafter(limit, 0.0f)) >= length)
    limit = std::nextafter(limit, 0.0f);
  while (limit < infinity && std::sqrt(limit) < length)
    limit = std::nextafter(limit, infinity);
  return limit;
}

float SpatialHash::cachedSquaredLimit(double length) {
  if (length != mLimitLength) {
    mLimitLength = length;
    mLimit = squaredLimitOf(length);
  }
  return mLimit;
}

void SpatialHash::reset(double cellSize) {
  mBucketedLength = cellSize > 0 ? cellSize : 1;
  mCellSize = mBucketedLength * CELL_WIDENING;
  mCellsPerUnit = 1 / mCellSize;
  mEntries.clear();
  mLongEntries.clear();
  if (mHeads.empty()) {
    mHeads.resize(INITIAL_BUCKETS);
    mBucketShift = INITIAL_BUCKET_SHIFT;
  }
  std::fill(mHeads.begin(), mHeads.end(), -1);
}

std::int32_t SpatialHash::cellOf(Ogre::Real coordinate) const {
  // Clamped far beyond any level, so that the neighbours' coordinates never
  // overflow.
  const double cell = std::max(-1e9, std::min(1e9, static_cast<double>(coordinate) * mCellsPerUnit));
  // Rounded down; std::floor is a library call on the baseline instruction set.
  const std::int32_t truncated = static_cast<std::int32_t>(cell);
  return truncated > cell ? truncated - 1 : truncated;
}

std::uint32_t SpatialHash::bucketOf(std::int32_t cellX, std::int32_t cellY) const {
  return (static_cast<std::uint32_t>(cellX) * HASH_X + static_cast<std::uint32_t>(cellY) * HASH_Y) >>
         mBucketShift;
}

void SpatialHash::link(std::int32_t index) {
  Entry &entry = mEntries[index];
  std::int32_t &head = mHeads[bucketOf(cellOf(entry.endPoint.x), cellOf(entry.endPoint.y))];
  entry.next = head;
  head = index;
}

void SpatialHash::growBuckets() {
  mHeads.assign(mHeads.size() * 2, -1);
  --mBucketShift;
  std::size_t longIndex = 0;
  for (std::size_t i = 0; i < mEntries.size(); ++i) {
    if (longIndex < mLongEntries.size() && mLongEntries[longIndex] == static_cast<std::int32_t>(i)) {
      ++longIndex;
      continue;
    }
    link(static_cast<std::int32_t>(i));
  }
}

void SpatialHash::insert(const Ogre::Vector3 &endPoint, double length) {
  if (mHeads.empty())
    reset(mBucketedLength);
  // At most half full, so chains stay short.
  if (2 * (mEntries.size() + 1) > mHeads.size())
    growBuckets();
  const std::int32_t index = static_cast<std::int32_t>(mEntries.size());
  mEntries.push_back({endPoint, cachedSquaredLimit(length), -1});
  if (length > mBucketedLength) {
    // Could reach beyond the neighbouring cells.
    mLongEntries.push_back(index);
    return;
  }
  link(index);
}

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
  static constexpr std::uint32_t OFFSETS[9][2] = {{1, 1}, {0, 1}, {2, 1}, {1, 0}, {1, 2},
                                                  {0, 0}, {2, 0}, {0, 2}, {2, 2}};
  const std::uint32_t hashX = static_cast<std::uint32_t>(cellX - 1) * HASH_X;
  const std::uint32_t hashY = static_cast<std::uint32_t>(cellY - 1) * HASH_Y;
  for (const auto &offset : OFFSETS) {
    const std::uint32_t bucket = (hashX + offset[0] * HASH_X + hashY + offset[1] * HASH_Y) >> mBucketShift;
    for (std::int32_t i = mHeads[bucket]; i >= 0; i = mEntries[i].next)
      if (isWithin(mEntries[i], point))
        return true;
  }
  return false;
}

} // namespace OgreRefApp
