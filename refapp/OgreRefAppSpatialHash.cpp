#include "refapp/OgreRefAppSpatialHash.h"

#include <algorithm>
#include <cmath>

namespace OgreRefApp {
namespace {

constexpr std::size_t INITIAL_BUCKETS = 1024;

} // namespace

void SpatialHash::reset(double cellSize) {
  mCellSize = cellSize > 0 ? cellSize : 1;
  mEntries.clear();
  mLongEntries.clear();
  if (mHeads.empty())
    mHeads.resize(INITIAL_BUCKETS);
  std::fill(mHeads.begin(), mHeads.end(), -1);
}

std::int64_t SpatialHash::cellOf(Ogre::Real coordinate) const {
  return static_cast<std::int64_t>(std::floor(static_cast<double>(coordinate) / mCellSize));
}

std::size_t SpatialHash::bucketOf(std::int64_t cellX, std::int64_t cellY) const {
  const std::uint64_t mixed = static_cast<std::uint64_t>(cellX) * 0x9E3779B97F4A7C15ull ^
                              static_cast<std::uint64_t>(cellY) * 0xC2B2AE3D27D4EB4Full;
  return static_cast<std::size_t>(mixed >> 20) & (mHeads.size() - 1);
}

void SpatialHash::growBuckets() {
  mHeads.assign(mHeads.size() * 2, -1);
  for (std::size_t i = 0; i < mEntries.size(); ++i) {
    Entry &entry = mEntries[i];
    if (entry.length > mCellSize)
      continue;
    std::int32_t &head = mHeads[bucketOf(entry.cellX, entry.cellY)];
    entry.next = head;
    head = static_cast<std::int32_t>(i);
  }
}

void SpatialHash::insert(const Ogre::Vector3 &endPoint, double length) {
  if (mHeads.empty())
    reset(mCellSize);
  // At most half full, so chains stay short.
  if (2 * (mEntries.size() + 1) > mHeads.size())
    growBuckets();
  Entry entry{endPoint, length, cellOf(endPoint.x), cellOf(endPoint.y), -1};
  if (length > mCellSize) {
    // Could reach beyond the neighbouring cells.
    mLongEntries.push_back(static_cast<std::int32_t>(mEntries.size()));
    mEntries.push_back(entry);
    return;
  }
  std::int32_t &head = mHeads[bucketOf(entry.cellX, entry.cellY)];
  entry.next = head;
  head = static_cast<std::int32_t>(mEntries.size());
  mEntries.push_back(entry);
}

bool SpatialHash::isNearAny(const Ogre::Vector3 &point) const {
  if (mEntries.empty())
    return false;
  for (std::int32_t i : mLongEntries)
    if (mEntries[i].endPoint.distance(point) < mEntries[i].length)
      return true;
  const std::int64_t cellX = cellOf(point.x);
  const std::int64_t cellY = cellOf(point.y);
  for (std::int64_t x = cellX - 1; x <= cellX + 1; ++x) {
    for (std::int64_t y = cellY - 1; y <= cellY + 1; ++y) {
      for (std::int32_t i = mHeads[bucketOf(x, y)]; i >= 0; i = mEntries[i].next) {
        const Entry &entry = mEntries[i];
        if (entry.cellX != x || entry.cellY != y)
          continue; // another cell in the same bucket
        // Far apart on either axis: no need for the exact test.
        const double dx = entry.endPoint.x - point.x, dy = entry.endPoint.y - point.y;
        if (std::fabs(dx) >= entry.length + 1 || std::fabs(dy) >= entry.length + 1)
          continue;
        // The same test as a scan of the whole record would make.
        if (entry.endPoint.distance(point) < entry.length)
          return true;
      }
    }
  }
  return false;
}

} // namespace OgreRefApp
