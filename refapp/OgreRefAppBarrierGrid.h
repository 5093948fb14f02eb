#pragma once
// A uniform grid over the horizontal plane listing, per square cell, the
// items (indices chosen by the owner) whose footprint overlaps the cell. The
// level's brushes are listed once at load and the movable objects once a
// frame; a barrier test then looks only at the items near its segment.
// Footprints and areas beyond the covered extent are clamped to its border
// cells, so nothing is ever missed, only gathered more coarsely out there.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "refapp/OgreRefAppPrerequisites.h"

namespace OgreRefApp {

class BarrierGrid {
public:
  // An axis-aligned rectangle in the x-y plane, level units.
  struct Footprint {
    Real minX = 0;
    Real minY = 0;
    Real maxX = 0;
    Real maxY = 0;

    void grow(Real margin) {
      minX -= margin;
      minY -= margin;
      maxX += margin;
      maxY += margin;
    }
  };

  // Covers extent with cells of cellSize level units and lists no items.
  void reset(const Footprint &extent, Real cellSize);
  // Lists no items; keeps the layout and the storage.
  void clearItems();
  void insert(int item, const Footprint &footprint);

  // The cells (inclusive column and row bounds) that an area overlaps; the
  // same for every grid reset with the same extent and cell size.
  struct CellRange {
    int x0, y0, x1, y1;
  };
  inline CellRange cellsOf(const Footprint &area) const;
  // Calls visit(item) once for every item listed in the cells.
  template <class Visit> void forEachIn(const CellRange &cells, Visit &&visit);

private:
  inline int clampedCell(Real coordinate, Real origin, int count) const;

  Footprint mExtent;
  Real mCellSize = 1;
  Real mCellsPerUnit = 1; // 1 / mCellSize
  int mColumns = 0;
  int mRows = 0;
  std::vector<std::vector<int>> mCells; // row-major, items per cell
  std::vector<std::uint32_t> mSeenAt;   // per item, the query that last visited it
  std::uint32_t mQuery = 0;
};

// Inline: every barrier test asks for its cells.
inline int BarrierGrid::clampedCell(Real coordinate, Real origin, int count) const {
  // Items and areas go through the same rounding, so that overlapping ones
  // always share a cell.
  const Real cell = (coordinate - origin) * mCellsPerUnit;
  if (!(cell >= 1)) // also NaN; truncation below equals flooring from here on
    return 0;
  return cell >= count - 1 ? count - 1 : static_cast<int>(cell);
}

inline BarrierGrid::CellRange BarrierGrid::cellsOf(const Footprint &area) const {
  return {clampedCell(area.minX, mExtent.minX, mColumns), clampedCell(area.minY, mExtent.minY, mRows),
          clampedCell(area.maxX, mExtent.minX, mColumns), clampedCell(area.maxY, mExtent.minY, mRows)};
}

template <class Visit> void BarrierGrid::forEachIn(const CellRange &range, Visit &&visit) {
  if (mCells.empty())
    return;
  if (++mQuery == 0) {
    std::fill(mSeenAt.begin(), mSeenAt.end(), 0);
    mQuery = 1;
  }
  for (int y = range.y0; y <= range.y1; ++y) {
    for (int x = range.x0; x <= range.x1; ++x) {
      for (int item : mCells[static_cast<std::size_t>(y) * mColumns + x]) {
        if (mSeenAt[item] == mQuery)
          continue; // listed in an earlier cell of this query
        mSeenAt[item] = mQuery;
        visit(item);
      }
    }
  }
}

} // namespace OgreRefApp
