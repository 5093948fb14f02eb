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

} // namespace OgreRefApp
