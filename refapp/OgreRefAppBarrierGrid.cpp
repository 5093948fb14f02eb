#include "refapp/OgreRefAppBarrierGrid.h"

#include <algorithm>
#include <cmath>

namespace OgreRefApp {
namespace {

// Cells per side at most, whatever the extent: bounds the grid's memory.
constexpr int MAX_CELLS_PER_SIDE = 512;

} // namespace

void BarrierGrid::reset(const Footprint &extent, Real cellSize) {
  mExtent = extent;
  const Real width = std::max<Real>(extent.maxX - extent.minX, 1);
  const Real depth = std::max<Real>(extent.maxY - extent.minY, 1);
  mCellSize = std::max({cellSize, width / MAX_CELLS_PER_SIDE, depth / MAX_CELLS_PER_SIDE});
  mCellsPerUnit = 1 / mCellSize;
  mColumns = static_cast<int>(std::ceil(width / mCellSize));
  mRows = static_cast<int>(std::ceil(depth / mCellSize));
  mCells.assign(static_cast<std::size_t>(mColumns) * mRows, {});
  mSeenAt.clear();
  mQuery = 0;
}

void BarrierGrid::clearItems() {
  for (std::vector<int> &cell : mCells)
    cell.clear();
}

void BarrierGrid::insert(int item, const Footprint &footprint) {
  if (mCells.empty() || item < 0)
    return;
  if (static_cast<std::size_t>(item) >= mSeenAt.size())
    mSeenAt.resize(static_cast<std::size_t>(item) + 1, 0);
  const CellRange range = cellsOf(footprint);
  for (int y = range.y0; y <= range.y1; ++y)
    for (int x = range.x0; x <= range.x1; ++x)
      mCells[static_cast<std::size_t>(y) * mColumns + x].push_back(item);
}

} // namespace OgreRefApp
