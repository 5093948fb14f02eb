#pragma once
// What a ray query of the BSP scene manager can hit, kept where a bounded
// test finds it fast: the level's solid brushes, listed once per loaded
// level in a grid by their footprint (and, for the height searches run at,
// only those that span it), and the movable objects that the level's leaves
// hold, copied (box, flags) once per rendered frame, which is when the scene
// manager refreshes them for its own queries too. A test then checks only
// the brushes and objects near its segment, with the same ray-volume and
// ray-box intersections the scene query uses. The query
// restarts its ray at every split plane of the level's tree, which moves the
// last digits of its distances; so a test also tells when its answer is
// close enough to a face, an edge or its reach for that to matter, and the
// caller then asks the query itself. Objects are taken as their world boxes,
// as the query sees every object whose bounding sphere covers its box (all
// figures, fires and props; not a camera's frustum, and the only camera, the
// player's, never bars a move).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include <OgreAxisAlignedBox.h>
#include <OgreRay.h>
#include <OgreSceneQuery.h>

#include "refapp/OgreRefAppBarrierGrid.h"

namespace Ogre {
class SceneManager;
class MovableObject;
class BspLevel;
} // namespace Ogre

namespace OgreRefApp {

class LevelBarriers {
public:
  // A movable object as the ray query sees it during this frame.
  struct Movable {
    const Ogre::MovableObject *object = nullptr; // identity only; never dereferenced
    Ogre::AxisAlignedBox box;                    // world box, as cached at the last scene update
    std::uint32_t queryFlags = 0;
    std::uint32_t typeFlags = 0;
    bool isPlayerCamera = false; // named "PlayerCam"
  };

  // The barriers of the BSP level that sceneManager shows, built on first
  // use; null for any other scene manager or while no level is loaded.
  static LevelBarriers *of(Ogre::SceneManager *sceneManager);
  // Makes the next movable test take a new copy of the objects. Rendering a
  // frame does so by itself; callers that update the scene graph by hand
  // (tests, benchmarks) call this afterwards.
  static void invalidateMovables();
  // While held, tests take the copy of the movables as it is, without
  // asking whether a frame has passed: for a run of tests within one frame
  // (a search's expansion). Holding takes a fresh copy if one is due.
  void holdMovables(bool hold);
  // Changes with every rendered frame and every invalidateMovables: the
  // frame that NPC searches share their node budget in.
  using FrameKey = std::pair<unsigned long, std::uint64_t>;
  static FrameKey currentFrame();

  // The nearest level brush that ray enters at a ray parameter of at most
  // reach (level units for a unit direction), or null; distance (if given)
  // receives that parameter, or infinity.
  const Ogre::SceneQuery::WorldFragment *nearestBrushWithin(const Ogre::Ray &ray, Ogre::Real reach,
                                                            Ogre::Real *distance = nullptr,
                                                            bool *undecided = nullptr);
  // The x-y area a test of ray up to reach looks at.
  static BarrierGrid::Footprint footprintOf(const Ogre::Ray &ray, Ogre::Real reach) {
    if (!std::isfinite(reach)) {
      const Ogre::Real all = std::numeric_limits<Ogre::Real>::infinity();
      return {-all, -all, all, all}; // every cell
    }
    const Ogre::Vector3 &a = ray.getOrigin();
    const Ogre::Vector3 b = ray.getPoint(reach);
    BarrierGrid::Footprint footprint{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x),
                                     std::max(a.y, b.y)};
    footprint.grow(FOOTPRINT_MARGIN);
    return footprint;
  }
  // The brushes and objects that level rays from one origin can meet within
  // a radius. A search casts up to eight rays from every node it expands:
  // gathering their candidates once per node, from the cells around it,
  // spares each ray the grid walk and most of the tests.
  struct Neighbourhood {
    Ogre::Vector3 origin = Ogre::Vector3::ZERO;
    Ogre::Real radius = -1; // none gathered yet
    std::uint64_t movablesVersion = 0;
    std::vector<int> brushes;  // spanning the origin's height
    std::vector<int> movables; // matching the masks and accepted
  };
  // Whether near holds what level rays from origin within radius can meet,
  // with the objects as the ray query sees them now.
  bool covers(const Neighbourhood &near, const Ogre::Vector3 &origin, Ogre::Real radius) {
    refreshedMovables();
    return near.movablesVersion == mMovablesVersion && near.origin == origin && radius <= near.radius;
  }
  template <class Accept>
  void gather(Neighbourhood &near, const Ogre::Vector3 &origin, Ogre::Real radius, std::uint32_t queryMask,
              std::uint32_t typeMask, Accept &&accept);
  // The nearest ray parameter up to reach at which a level ray from near's
  // origin, with reach within its radius, meets a brush, or an object
  // gathered; infinity if none. undecided (if given) is set when a
  // candidate lies so close to being met or missed that the query's
  // rounding could decide otherwise.
  Ogre::Real nearestBrushAround(const Neighbourhood &near, const Ogre::Ray &ray, Ogre::Real reach,
                                bool *undecided);
  Ogre::Real nearestMovableAround(const Neighbourhood &near, const Ogre::Ray &ray, Ogre::Real reach,
                                  bool *undecided);

  // Distances closer than this (level units) to a face, an edge or a reach
  // are left to the scene query.
  static constexpr Ogre::Real ROUNDING_MARGIN = 0.01f;
  // Footprints grow by this much, level units, against rounding at cell
  // borders.
  static constexpr Ogre::Real FOOTPRINT_MARGIN = 2 * ROUNDING_MARGIN;

  std::size_t brushCount() const { return mBrushes.size(); }
  std::size_t movableCount() { return refreshedMovables().size(); }

private:
  struct Brush {
    const std::vector<Ogre::Plane> *planes; // owned by the level
    Ogre::SceneQuery::WorldFragment *fragment;
    std::vector<Ogre::Plane> grown;  // every wall face ROUNDING_MARGIN farther out
    std::vector<Ogre::Plane> shrunk; // every wall face ROUNDING_MARGIN farther in
    // Heights of the brush's corners, widened by the corner tolerance, level units.
    Ogre::Real minZ;
    Ogre::Real maxZ;
    // The grown brush's x-y bounds and a margin; infinite if unbounded.
    BarrierGrid::Footprint grownFootprint;
  };
  // The nearest brush a ray meets so far, and how far along.
  struct BrushHit {
    const Ogre::SceneQuery::WorldFragment *fragment = nullptr;
    Ogre::Real distance;
  };

  LevelBarriers(Ogre::SceneManager *sceneManager, Ogre::BspLevel *level);
  void collectBrushes();
  const std::vector<Movable> &refreshedMovables();
  void takeMovables();
  // Whether box lies so far beside a segment's footprint (footprintOf) in x
  // or y that neither the box nor the box grown by the rounding margin is
  // met within the segment's reach plus that margin.
  static bool isClearOf(const BarrierGrid::Footprint &segment, const Ogre::AxisAlignedBox &box) {
    const Ogre::Real gap = CLEARANCE;
    return box.getMaximum().x + gap < segment.minX || box.getMinimum().x - gap > segment.maxX ||
           box.getMaximum().y + gap < segment.minY || box.getMinimum().y - gap > segment.maxY;
  }
  // Whether a level ray from origin misses box, and the box grown sideways
  // by the rounding margin, whichever way it heads: it passes above or
  // below the box, or it runs along the box's top or bottom face from
  // within the box's outline (the ray-box test takes a start as inside only
  // strictly between the faces, and meets a side face only from outside).
  // A level ray's height is exact all along. The scenes' view cameras lie
  // so: a camera at deck height looking down spans the deck with its
  // frustum's box, whose top is the deck's height.
  static bool isMissedByLevelRay(const Ogre::Vector3 &origin, const Ogre::AxisAlignedBox &box) {
    const Ogre::Vector3 &low = box.getMinimum(), &high = box.getMaximum();
    if (origin.z < low.z || origin.z > high.z)
      return true;
    const bool onTopOrBottom = origin.z == low.z || origin.z == high.z;
    return onTopOrBottom && origin.x > low.x && origin.x < high.x && origin.y > low.y && origin.y < high.y;
  }
  // Twice the rounding margin, and as much again against the rounding of
  // the segment's end point, level units.
  static constexpr Ogre::Real CLEARANCE = 4 * ROUNDING_MARGIN + 0.05f;
  // Whether the box grown and shrunk by the margin would be met differently
  // within reach than hitWithinReach says: the ray grazes an edge or starts
  // at a face.
  static bool isBoxHitUndecided(const Ogre::Ray &ray, const Ogre::AxisAlignedBox &box, Ogre::Real reach,
                                bool hitWithinReach);
  static bool overlaps(const BarrierGrid::Footprint &a, const BarrierGrid::Footprint &b) {
    return a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
  }
  // The footprint around a neighbourhood's origin that every segment of its
  // radius lies in (footprintOf of a reach up to the radius).
  static BarrierGrid::Footprint footprintAround(const Ogre::Vector3 &origin, Ogre::Real radius) {
    BarrierGrid::Footprint around{origin.x, origin.y, origin.x, origin.y};
    around.grow(radius + 2 * FOOTPRINT_MARGIN);
    return around;
  }
  // The brushes of mSliceGrid at height, sliced anew for another height.
  BarrierGrid &sliceAt(Ogre::Real height);
  void testBrush(const Brush &brush, const Ogre::Ray &ray, Ogre::Real reach, BrushHit &nearest,
                 bool *undecided) const;
  // A movable that matches the masks and is accepted, against ray.
  static void testMovable(const Movable &movable, const Ogre::Ray &ray, Ogre::Real reach, Ogre::Real &nearest,
                          bool *undecided);

  Ogre::SceneManager *mSceneManager;
  Ogre::BspLevel *mLevel;
  std::vector<Brush> mBrushes;
  std::vector<int> mUnboundedBrushes; // no finite footprint: tested always
  BarrierGrid mBrushGrid;
  // The bounded brushes that span one height, by their grown footprints:
  // the level as a search at that height sees it. Laid out as mBrushGrid.
  BarrierGrid mSliceGrid;
  Ogre::Real mSliceHeight = std::numeric_limits<Ogre::Real>::quiet_NaN();
  BarrierGrid::Footprint mExtent;

  std::vector<Movable> mMovables;
  std::vector<int> mUnboundedMovables; // infinite boxes: hit everywhere
  BarrierGrid mMovableGrid;            // laid out as mBrushGrid, so both share an area's cells
  std::vector<const Ogre::MovableObject *> mLeafObjects; // gathering buffer
  unsigned long mMovablesFrame = 0;
  std::uint64_t mMovablesGeneration = 0;
  std::uint64_t mMovablesVersion = 0; // of the copy taken, unique to it
  bool mMovablesTaken = false;
  bool mMovablesHeld = false;
};

template <class Accept>
void LevelBarriers::gather(Neighbourhood &near, const Ogre::Vector3 &origin, Ogre::Real radius,
                           std::uint32_t queryMask, std::uint32_t typeMask, Accept &&accept) {
  const std::vector<Movable> &movables = refreshedMovables();
  near.origin = origin;
  near.radius = radius;
  near.movablesVersion = mMovablesVersion;
  near.movables.clear();
  const BarrierGrid::Footprint around = footprintAround(origin, radius);
  const BarrierGrid::CellRange cells = mBrushGrid.cellsOf(around);
  near.brushes = mUnboundedBrushes;
  sliceAt(origin.z).forEachIn(cells, [&](int index) {
    if (overlaps(mBrushes[index].grownFootprint, around))
      near.brushes.push_back(index);
  });
  auto addMovable = [&](int index) {
    const Movable &movable = movables[index];
    if (!(movable.queryFlags & queryMask) || !(movable.typeFlags & typeMask))
      return;
    if (movable.box.isFinite() && (isClearOf(around, movable.box) || isMissedByLevelRay(origin, movable.box)))
      return;
    if (accept(movable))
      near.movables.push_back(index);
  };
  for (int index : mUnboundedMovables)
    addMovable(index);
  mMovableGrid.forEachIn(cells, addMovable);
}

} // namespace OgreRefApp
