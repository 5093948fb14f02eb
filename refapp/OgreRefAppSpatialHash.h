#pragma once
// The path search's visited test: a node counts as visited when it ends
// closer to an expanded node's end point than that node's move length. The
// end points are filed in square cells a little wider than the longest
// move, so only the 3x3 cells around a point can hold such a node, instead
// of the whole search record. The cells are laid out densely over a window
// that grows to the area searched, so a cell is found by its coordinates
// alone and the three cells of a row lie side by side.

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
    std::int32_t next;  // next entry in the same cell, -1 ends the chain
  };

  inline std::int32_t cellOf(Ogre::Real coordinate) const;
  bool isInWindow(std::int32_t cellX, std::int32_t cellY) const;
  // Makes the window hold cell (cellX, cellY), at least doubling it as
  // needed, and files every entry anew; false, leaving the window, if it
  // would grow beyond its largest size.
  bool growWindowTo(std::int32_t cellX, std::int32_t cellY);
  void link(std::int32_t index);
  float cachedSquaredLimit(double length);
  static bool isWithin(const Entry &entry, const Ogre::Vector3 &point) {
    // The squared distance is at least dx * dx, and dy * dy, however it
    // rounds: most entries are settled by one of them alone.
    const float dx = entry.endPoint.x - point.x;
    if (dx * dx >= entry.squaredLimit)
      return false;
    const float dy = entry.endPoint.y - point.y;
    if (dy * dy >= entry.squaredLimit)
      return false;
    return (entry.endPoint - point).squaredLength() < entry.squaredLimit;
  }

  double mCellSize = 1;                   // level units
  float mCellsPerUnit = 1;                // 1 / mCellSize
  double mBucketedLength = 1;             // longest move kept in the cells, level units
  std::vector<Entry> mEntries;            // in insertion order
  std::vector<std::int32_t> mLongEntries; // longer than a cell: not filed in cells
  // The window: mColumns x mRows cells from cell (mFirstX, mFirstY), row
  // by row, each with its first entry or -1.
  std::vector<std::int32_t> mHeads;
  std::int32_t mFirstX = 0;
  std::int32_t mFirstY = 0;
  std::int32_t mColumns = 0;
  std::int32_t mRows = 0;
  double mLimitLength = -1; // the last length asked for and its limit
  float mLimit = 0;
};

inline std::int32_t SpatialHash::cellOf(Ogre::Real coordinate) const {
  // Clamped far beyond any level, so that the neighbours' coordinates never
  // overflow.
  const float cell = std::max(-1e8f, std::min(1e8f, coordinate * mCellsPerUnit));
  // Rounded down; std::floor is a library call on the baseline instruction set.
  const std::int32_t truncated = static_cast<std::int32_t>(cell);
  return truncated > cell ? truncated - 1 : truncated;
}

// Inline: the search asks it for every node and every move.
bool SpatialHash::isNearAny(const Ogre::Vector3 &point) const {
  for (std::int32_t i : mLongEntries)
    if (isWithin(mEntries[i], point))
      return true;
  const std::int32_t column = cellOf(point.x) - mFirstX;
  const std::int32_t row = cellOf(point.y) - mFirstY;
  auto isNearAnyIn = [&](std::int32_t head) {
    for (std::int32_t i = head; i >= 0; i = mEntries[i].next)
      if (isWithin(mEntries[i], point))
        return true;
    return false;
  };
  if (column >= 1 && column < mColumns - 1 && row >= 1 && row < mRows - 1) {
    // Inside the window's border, as a search's points mostly are: the
    // three rows of three cells without bounds checks.
    const std::int32_t *heads = mHeads.data() + static_cast<std::size_t>(row - 1) * mColumns + (column - 1);
    for (int y = 0; y < 3; ++y, heads += mColumns)
      if (isNearAnyIn(heads[0]) || isNearAnyIn(heads[1]) || isNearAnyIn(heads[2]))
        return true;
    return false;
  }
  const std::int32_t firstColumn = std::max(column - 1, 0), lastColumn = std::min(column + 1, mColumns - 1);
  const std::int32_t firstRow = std::max(row - 1, 0), lastRow = std::min(row + 1, mRows - 1);
  for (std::int32_t y = firstRow; y <= lastRow; ++y) {
    const std::int32_t *heads = mHeads.data() + static_cast<std::size_t>(y) * mColumns;
    for (std::int32_t x = firstColumn; x <= lastColumn; ++x)
      if (isNearAnyIn(heads[x]))
        return true;
  }
  return false;
}

} // namespace OgreRefApp
