#include "refapp/OgreRefAppSpatialHash.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace OgreRefApp {
namespace {

// A new window's side, cells: a few hundred nodes' worth.
constexpr std::int32_t INITIAL_WINDOW_SIDE = 32;
// The window's largest side, cells: some ten times a ship's length at the
// smallest step, and 4 MiB of cells at most.
constexpr std::int64_t MAX_WINDOW_SIDE = 1024;
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
  mCellsPerUnit = static_cast<float>(1 / mCellSize);
  mEntries.clear();
  mLongEntries.clear();
  // The next insert lays a window out around its point.
  mColumns = mRows = 0;
}

void SpatialHash::link(std::int32_t index) {
  Entry &entry = mEntries[index];
  const std::int32_t column = cellOf(entry.endPoint.x) - mFirstX;
  const std::int32_t row = cellOf(entry.endPoint.y) - mFirstY;
  std::int32_t &head = mHeads[static_cast<std::size_t>(row) * mColumns + column];
  entry.next = head;
  head = index;
}

bool SpatialHash::isInWindow(std::int32_t cellX, std::int32_t cellY) const {
  return cellX >= mFirstX && cellX < mFirstX + mColumns && cellY >= mFirstY && cellY < mFirstY + mRows;
}

bool SpatialHash::growWindowTo(std::int32_t cellX, std::int32_t cellY) {
  std::int64_t firstX = mFirstX, firstY = mFirstY, columns = mColumns, rows = mRows;
  if (columns == 0) {
    firstX = cellX - INITIAL_WINDOW_SIDE / 2;
    firstY = cellY - INITIAL_WINDOW_SIDE / 2;
    columns = rows = INITIAL_WINDOW_SIDE;
  }
  // Doubled towards the cell, so that a search spreading one way grows the
  // window a logarithmic number of times.
  while (cellX < firstX && columns <= MAX_WINDOW_SIDE) {
    firstX -= columns;
    columns *= 2;
  }
  while (cellX >= firstX + columns && columns <= MAX_WINDOW_SIDE)
    columns *= 2;
  while (cellY < firstY && rows <= MAX_WINDOW_SIDE) {
    firstY -= rows;
    rows *= 2;
  }
  while (cellY >= firstY + rows && rows <= MAX_WINDOW_SIDE)
    rows *= 2;
  if (columns > MAX_WINDOW_SIDE || rows > MAX_WINDOW_SIDE)
    return false;
  mFirstX = static_cast<std::int32_t>(firstX);
  mFirstY = static_cast<std::int32_t>(firstY);
  mColumns = static_cast<std::int32_t>(columns);
  mRows = static_cast<std::int32_t>(rows);
  mHeads.assign(static_cast<std::size_t>(mColumns) * mRows, -1);
  std::size_t longIndex = 0;
  for (std::size_t i = 0; i < mEntries.size(); ++i) {
    if (longIndex < mLongEntries.size() && mLongEntries[longIndex] == static_cast<std::int32_t>(i)) {
      ++longIndex;
      continue;
    }
    link(static_cast<std::int32_t>(i));
  }
  return true;
}

void SpatialHash::insert(const Ogre::Vector3 &endPoint, double length) {
  const std::int32_t index = static_cast<std::int32_t>(mEntries.size());
  mEntries.push_back({endPoint, cachedSquaredLimit(length), -1});
  if (length <= mBucketedLength) {
    const std::int32_t cellX = cellOf(endPoint.x), cellY = cellOf(endPoint.y);
    if (isInWindow(cellX, cellY)) {
      link(index);
      return;
    }
    if (growWindowTo(cellX, cellY))
      return; // every entry filed anew, this one too
  }
  // Could reach beyond the neighbouring cells, or lies too far out for the
  // window: checked always.
  mLongEntries.push_back(index);
}

} // namespace OgreRefApp
