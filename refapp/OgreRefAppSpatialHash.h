#pragma once
// The path search's visited test: a node counts as visited when it ends
// closer to an expanded node's end point than that node's move length. The
// end points are bucketed in square cells at least as wide as the longest
// move, so only the 3x3 cells around a point can hold such a node, instead
// of the whole search record.

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
  // Some inserted end point E lies closer to point than E's length.
  bool isNearAny(const Ogre::Vector3 &point) const;
  std::size_t size() const { return mEntries.size(); }

private:
  struct Entry {
    Ogre::Vector3 endPoint;
    double length;
    std::int64_t cellX;
    std::int64_t cellY;
    std::int32_t next; // next entry in the same bucket, -1 ends the chain
  };

  std::int64_t cellOf(Ogre::Real coordinate) const;
  std::size_t bucketOf(std::int64_t cellX, std::int64_t cellY) const;
  void growBuckets();

  double mCellSize = 1;                   // level units
  std::vector<Entry> mEntries;            // in insertion order
  std::vector<std::int32_t> mHeads;       // per bucket, first entry or -1; size a power of two
  std::vector<std::int32_t> mLongEntries; // longer than a cell: not bucketed
};

} // namespace OgreRefApp
