#pragma once
// One move of the NPC path search: a straight step on the horizontal grid
// that the search lays out around the walking NPC. A plain value, copied
// freely between the open list, the search record and the path.

#include <OgreVector.h>

namespace OgreRefApp {

struct AINode {
  AINode() = default;
  // f and g start at 0; the end point is position + length along the
  // normalised direction, or position itself for a zero direction.
  AINode(const Ogre::Vector3 &direction, const Ogre::Vector3 &position, double length, int id);

  // Index 0..7 of the grid direction leading back to the parent; -1 for start
  // nodes and for straight or sub-waypoints.
  int id = -1;
  double f = 0;      // g plus the straight distance to the destination; the search order
  double g = 0;      // path length from the start, level units
  double length = 0; // length of this move, level units
  Ogre::Vector3 direction = Ogre::Vector3::ZERO; // direction of the move, not normalised
  Ogre::Vector3 position = Ogre::Vector3::ZERO;  // where the move starts
  Ogre::Vector3 endPoint = Ogre::Vector3::ZERO;  // where the move ends

  // Recomputes endPoint from position, direction and length.
  void updateEndPoint();
};

// Heap order of the open list: the node with the smallest f on top, and among
// equal f the one that has come farther (larger g). For nodes and for
// anything else that carries their f and g.
struct AINodeLowerPriority {
  template <class Node> bool operator()(const Node &a, const Node &b) const {
    if (a.f != b.f)
      return a.f > b.f;
    return a.g < b.g;
  }
};

// The eight grid directions in successor order; a successor made along
// GRID_DIRECTIONS[k] gets the id oppositeDirection(k).
constexpr int GRID_DIRECTION_COUNT = 8;
extern const Ogre::Vector3 GRID_DIRECTIONS[GRID_DIRECTION_COUNT];
inline int oppositeDirection(int k) {
  return (k + GRID_DIRECTION_COUNT / 2) % GRID_DIRECTION_COUNT;
}

} // namespace OgreRefApp
