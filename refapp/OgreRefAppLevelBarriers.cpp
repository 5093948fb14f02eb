#include "refapp/OgreRefAppLevelBarriers.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <OgreMovableObject.h>
#include <OgreRoot.h>
#include <OgreSceneManager.h>
#include <Plugins/BSPSceneManager/OgreBspLevel.h>
#include <Plugins/BSPSceneManager/OgreBspNode.h>
#include <Plugins/BSPSceneManager/OgreBspSceneManager.h>

namespace OgreRefApp {
namespace {

const char *const BSP_SCENE_MANAGER_TYPE = "BspSceneManager";
const char *const PLAYER_CAMERA_NAME = "PlayerCam";

// Cells are about a figure's width across: the area a node's moves look at
// (a step ahead, half a figure's width aside) spans one or two a side.
constexpr Real CELL_SIZE = 64;
// A corner counts as inside a brush within this distance of its planes.
constexpr double CORNER_TOLERANCE = 1e-3;

// The plug-in module exports the leaf's brush list accessor only to those
// that link it; the world reaches the list through the leaf's own member,
// which the scene query reads too.
struct LeafContents : Ogre::BspNode {
  static const NodeBrushList &solidBrushesOf(const Ogre::BspNode &leaf) {
    return leaf.*(&LeafContents::mSolidBrushes);
  }
};

std::uint64_t movablesGeneration = 1;
std::uint64_t movablesCopies = 0;

unsigned long renderedFrame() {
  const Ogre::Root *root = Ogre::Root::getSingletonPtr();
  return root ? root->getNextFrameNumber() : 0;
}

// The point where three planes meet, if they do at a single point; solved
// in doubles by Cramer's rule.
bool meetingPoint(const Ogre::Plane &a, const Ogre::Plane &b, const Ogre::Plane &c, Ogre::Vector3 &point) {
  const double m[3][4] = {{a.normal.x, a.normal.y, a.normal.z, -a.d},
                          {b.normal.x, b.normal.y, b.normal.z, -b.d},
                          {c.normal.x, c.normal.y, c.normal.z, -c.d}};
  auto det3 = [&m](int c0, int c1, int c2) {
    return m[0][c0] * (m[1][c1] * m[2][c2] - m[1][c2] * m[2][c1]) -
           m[0][c1] * (m[1][c0] * m[2][c2] - m[1][c2] * m[2][c0]) +
           m[0][c2] * (m[1][c0] * m[2][c1] - m[1][c1] * m[2][c0]);
  };
  const double det = det3(0, 1, 2);
  if (std::fabs(det) < 1e-9)
    return false;
  point = Ogre::Vector3(static_cast<Real>(det3(3, 1, 2) / det), static_cast<Real>(det3(0, 3, 2) / det),
                        static_cast<Real>(det3(0, 1, 3) / det));
  return true;
}

bool isInside(const std::vector<Ogre::Plane> &planes, const Ogre::Vector3 &point) {
  for (const Ogre::Plane &plane : planes)
    if (plane.getDistance(point) > CORNER_TOLERANCE * std::max<Real>(1, std::fabs(plane.d)))
      return false;
  return true;
}

// The x-y bounds and the heights of a convex brush (outward normals) from
// its corners; false if it has no finite corners.
bool brushBounds(const std::vector<Ogre::Plane> &planes, BarrierGrid::Footprint &footprint, Real &minZ,
                 Real &maxZ) {
  bool any = false;
  for (std::size_t i = 0; i < planes.size(); ++i) {
    for (std::size_t j = i + 1; j < planes.size(); ++j) {
      for (std::size_t k = j + 1; k < planes.size(); ++k) {
        Ogre::Vector3 corner;
        if (!meetingPoint(planes[i], planes[j], planes[k], corner) || !isInside(planes, corner))
          continue;
        if (!any) {
          footprint = {corner.x, corner.y, corner.x, corner.y};
          minZ = maxZ = corner.z;
          any = true;
        }
        minZ = std::min(minZ, corner.z);
        maxZ = std::max(maxZ, corner.z);
        footprint.minX = std::min(footprint.minX, corner.x);
        footprint.minY = std::min(footprint.minY, corner.y);
        footprint.maxX = std::max(footprint.maxX, corner.x);
        footprint.maxY = std::max(footprint.maxY, corner.y);
      }
    }
  }
  return any;
}

// The planes of a brush with every upright or slanted face moved outwards
// by distance; floors and ceilings stay, as a level ray's height is exact.
std::vector<Ogre::Plane> offsetFaces(const std::vector<Ogre::Plane> &planes, Real distance) {
  std::vector<Ogre::Plane> moved = planes;
  for (Ogre::Plane &plane : moved)
    if (plane.normal.x != 0 || plane.normal.y != 0)
      plane.d -= distance * plane.normal.length();
  return moved;
}

// Where the ray enters and leaves a convex volume, and where it crosses the
// second last face on its way in: a ray that enters through an edge or a
// corner, or runs along one, is met or missed by rounding alone, as the
// query's restarted rays round differently. (Moving faces in or out by a
// margin cannot tell that for a diagonal ray through a box's corner, as the
// corner then moves along the ray.)
struct Passage {
  double enter = -std::numeric_limits<double>::infinity();
  double enterBefore = -std::numeric_limits<double>::infinity(); // second last face crossed on the way in
  double leave = std::numeric_limits<double>::infinity();
  bool beside = false; // runs outside a face it never crosses

  void crossIn(double t) {
    if (t > enter) {
      enterBefore = enter;
      enter = t;
    } else if (t > enterBefore) {
      enterBefore = t;
    }
  }
  bool isOnEdge() const {
    const double margin = 2 * LevelBarriers::ROUNDING_MARGIN;
    return !beside && (std::fabs(leave - enter) < margin || enter - enterBefore < margin);
  }
};

Passage passageThrough(const Ogre::Ray &ray, const std::vector<Ogre::Plane> &planes) {
  Passage passage;
  for (const Ogre::Plane &plane : planes) {
    const double along = plane.normal.dotProduct(ray.getDirection());
    const double from = plane.getDistance(ray.getOrigin());
    if (along == 0) {
      passage.beside = passage.beside || from > 0;
      continue;
    }
    const double t = -from / along;
    if (along < 0)
      passage.crossIn(t);
    else
      passage.leave = std::min(passage.leave, t);
  }
  return passage;
}

Passage passageThrough(const Ogre::Ray &ray, const Ogre::AxisAlignedBox &box) {
  Passage passage;
  for (int axis = 0; axis < 3; ++axis) {
    const double origin = ray.getOrigin()[axis], along = ray.getDirection()[axis];
    const double low = box.getMinimum()[axis], high = box.getMaximum()[axis];
    if (along == 0) {
      passage.beside = passage.beside || origin < low || origin > high;
      continue;
    }
    const double t0 = (low - origin) / along, t1 = (high - origin) / along;
    passage.crossIn(std::min(t0, t1));
    passage.leave = std::min(passage.leave, std::max(t0, t1));
  }
  return passage;
}

} // namespace

LevelBarriers *LevelBarriers::of(Ogre::SceneManager *sceneManager) {
  static std::unique_ptr<LevelBarriers> current;
  if (!sceneManager || sceneManager->getTypeName() != BSP_SCENE_MANAGER_TYPE)
    return nullptr;
  Ogre::BspLevel *level = static_cast<Ogre::BspSceneManager *>(sceneManager)->getLevel().get();
  if (!level)
    return nullptr;
  if (!current || current->mSceneManager != sceneManager || current->mLevel != level)
    current.reset(new LevelBarriers(sceneManager, level));
  return current.get();
}

void LevelBarriers::invalidateMovables() {
  ++movablesGeneration;
}

LevelBarriers::FrameKey LevelBarriers::currentFrame() {
  return {renderedFrame(), movablesGeneration};
}

LevelBarriers::LevelBarriers(Ogre::SceneManager *sceneManager, Ogre::BspLevel *level)
    : mSceneManager(sceneManager), mLevel(level) {
  collectBrushes();
}

void LevelBarriers::collectBrushes() {
  std::vector<const Ogre::BspNode::Brush *> unique;
  Ogre::BspNode *leaves = mLevel->getLeafStart();
  for (int i = 0; i < mLevel->getNumLeaves(); ++i)
    for (const Ogre::BspNode::Brush *brush : LeafContents::solidBrushesOf(leaves[i]))
      unique.push_back(brush);
  std::sort(unique.begin(), unique.end());
  unique.erase(std::unique(unique.begin(), unique.end()), unique.end());

  std::vector<BarrierGrid::Footprint> footprints;
  bool anyBounded = false;
  for (const Ogre::BspNode::Brush *brush : unique) {
    const int index = static_cast<int>(mBrushes.size());
    // The query reports the brush's own fragment; it is handed out as is.
    mBrushes.push_back({&brush->planes, const_cast<Ogre::SceneQuery::WorldFragment *>(&brush->fragment),
                        offsetFaces(brush->planes, ROUNDING_MARGIN),
                        offsetFaces(brush->planes, -ROUNDING_MARGIN), -std::numeric_limits<Real>::infinity(),
                        std::numeric_limits<Real>::infinity(), BarrierGrid::Footprint()});
    BarrierGrid::Footprint footprint;
    Brush &added = mBrushes.back();
    Real grownMinZ, grownMaxZ;
    if (brushBounds(brush->planes, footprint, added.minZ, added.maxZ) &&
        brushBounds(added.grown, added.grownFootprint, grownMinZ, grownMaxZ)) {
      added.minZ -= FOOTPRINT_MARGIN;
      added.maxZ += FOOTPRINT_MARGIN;
      added.grownFootprint.grow(FOOTPRINT_MARGIN);
    } else {
      const Real all = std::numeric_limits<Real>::infinity();
      added.minZ = -all;
      added.maxZ = all;
      added.grownFootprint = {-all, -all, all, all};
      mUnboundedBrushes.push_back(index);
      footprints.emplace_back();
      continue;
    }
    // Sharp corners of the grown brush stand out farther than its faces.
    footprint.minX = std::min(footprint.minX, added.grownFootprint.minX);
    footprint.minY = std::min(footprint.minY, added.grownFootprint.minY);
    footprint.maxX = std::max(footprint.maxX, added.grownFootprint.maxX);
    footprint.maxY = std::max(footprint.maxY, added.grownFootprint.maxY);
    footprint.grow(FOOTPRINT_MARGIN);
    footprints.push_back(footprint);
    if (!anyBounded) {
      mExtent = footprint;
      anyBounded = true;
    }
    mExtent.minX = std::min(mExtent.minX, footprint.minX);
    mExtent.minY = std::min(mExtent.minY, footprint.minY);
    mExtent.maxX = std::max(mExtent.maxX, footprint.maxX);
    mExtent.maxY = std::max(mExtent.maxY, footprint.maxY);
  }
  mBrushGrid.reset(mExtent, CELL_SIZE);
  mMovableGrid.reset(mExtent, CELL_SIZE);
  mSliceGrid.reset(mExtent, CELL_SIZE);
  for (std::size_t i = 0; i < mBrushes.size(); ++i)
    if (std::find(mUnboundedBrushes.begin(), mUnboundedBrushes.end(), static_cast<int>(i)) ==
        mUnboundedBrushes.end())
      mBrushGrid.insert(static_cast<int>(i), footprints[i]);
}

bool LevelBarriers::isBoxHitUndecided(const Ogre::Ray &ray, const Ogre::AxisAlignedBox &box, Real reach,
                                      bool hitWithinReach) {
  if (ray.getDirection().z != 0)
    return true; // only level rays keep their height exactly through the query's restarts
  const Ogre::Vector3 margin(ROUNDING_MARGIN, ROUNDING_MARGIN, 0);
  const std::pair<bool, Real> outer =
      ray.intersects(Ogre::AxisAlignedBox(box.getMinimum() - margin, box.getMaximum() + margin));
  const bool outerWithin = outer.first && outer.second <= reach + ROUNDING_MARGIN;
  if (!outerWithin)
    return hitWithinReach;
  if (passageThrough(ray, box).isOnEdge())
    return true;
  const Ogre::Vector3 low = box.getMinimum() + margin, high = box.getMaximum() - margin;
  bool innerWithin = false;
  if (low.x <= high.x && low.y <= high.y && low.z <= high.z) {
    const std::pair<bool, Real> inner = ray.intersects(Ogre::AxisAlignedBox(low, high));
    innerWithin = inner.first && inner.second <= reach - ROUNDING_MARGIN;
  }
  return outerWithin != innerWithin || hitWithinReach != innerWithin;
}

BarrierGrid &LevelBarriers::sliceAt(Real height) {
  if (height == mSliceHeight)
    return mSliceGrid;
  mSliceHeight = height;
  mSliceGrid.clearItems();
  for (std::size_t i = 0; i < mBrushes.size(); ++i) {
    const Brush &brush = mBrushes[i];
    // A level ray passes above or below a brush that does not span its
    // height (a ray on a floor or ceiling face counts as inside).
    if (brush.grownFootprint.minX > -std::numeric_limits<Real>::infinity() && height >= brush.minZ &&
        height <= brush.maxZ)
      mSliceGrid.insert(static_cast<int>(i), brush.grownFootprint);
  }
  return mSliceGrid;
}

void LevelBarriers::testBrush(const Brush &brush, const Ogre::Ray &ray, Real reach, BrushHit &nearest,
                              bool *undecided) const {
  // The grown brush holds the brush: missing it within reach settles the matter.
  const std::pair<bool, Real> outer = Ogre::Math::intersects(ray, brush.grown, true);
  if (!(outer.first && outer.second <= reach + ROUNDING_MARGIN))
    return;
  const std::pair<bool, Real> hit = Ogre::Math::intersects(ray, *brush.planes, true);
  if (undecided && !*undecided) {
    const std::pair<bool, Real> inner = Ogre::Math::intersects(ray, brush.shrunk, true);
    const bool innerWithin = inner.first && inner.second <= reach - ROUNDING_MARGIN;
    *undecided =
        !innerWithin || !(hit.first && hit.second <= reach) || passageThrough(ray, *brush.planes).isOnEdge();
  }
  if (hit.first && hit.second <= nearest.distance && (!nearest.fragment || hit.second < nearest.distance)) {
    nearest.fragment = brush.fragment;
    nearest.distance = hit.second;
  }
}

const Ogre::SceneQuery::WorldFragment *LevelBarriers::nearestBrushWithin(const Ogre::Ray &ray, Real reach,
                                                                         Real *distance, bool *undecided) {
  BrushHit nearest{nullptr, reach};
  const bool level = ray.getDirection().z == 0;
  const Real height = ray.getOrigin().z;
  auto test = [&](int index) {
    const Brush &brush = mBrushes[index];
    // A level ray passes above or below a brush that does not span its
    // height (a ray on a floor or ceiling face counts as inside).
    if (level && (height < brush.minZ || height > brush.maxZ))
      return;
    if (undecided && !level)
      *undecided = true; // only level rays keep their height exactly through the query's restarts
    testBrush(brush, ray, reach, nearest, undecided);
  };
  for (int index : mUnboundedBrushes)
    test(index);
  mBrushGrid.forEachIn(mBrushGrid.cellsOf(footprintOf(ray, reach)), test);
  if (distance)
    *distance = nearest.fragment ? nearest.distance : std::numeric_limits<Real>::infinity();
  return nearest.fragment;
}

Real LevelBarriers::nearestBrushAround(const Neighbourhood &near, const Ogre::Ray &ray, Real reach,
                                       bool *undecided) {
  BrushHit nearest{nullptr, reach};
  const BarrierGrid::Footprint segment = footprintOf(ray, reach);
  for (int index : near.brushes) {
    const Brush &brush = mBrushes[index];
    if (overlaps(brush.grownFootprint, segment))
      testBrush(brush, ray, reach, nearest, undecided);
  }
  return nearest.fragment ? nearest.distance : std::numeric_limits<Real>::infinity();
}

void LevelBarriers::testMovable(const Movable &movable, const Ogre::Ray &ray, Real reach, Real &nearest,
                                bool *undecided) {
  const std::pair<bool, Real> hit = ray.intersects(movable.box);
  if (undecided && !*undecided && movable.box.isFinite())
    *undecided = isBoxHitUndecided(ray, movable.box, reach, hit.first && hit.second <= reach);
  if (hit.first && hit.second <= reach && hit.second < nearest)
    nearest = hit.second;
}

Real LevelBarriers::nearestMovableAround(const Neighbourhood &near, const Ogre::Ray &ray, Real reach,
                                         bool *undecided) {
  Real nearest = std::numeric_limits<Real>::infinity();
  const BarrierGrid::Footprint segment = footprintOf(ray, reach);
  for (int index : near.movables) {
    const Movable &movable = mMovables[index];
    if (!movable.box.isFinite() || !isClearOf(segment, movable.box))
      testMovable(movable, ray, reach, nearest, undecided);
  }
  return nearest;
}

void LevelBarriers::holdMovables(bool hold) {
  mMovablesHeld = false;
  if (hold)
    refreshedMovables();
  mMovablesHeld = hold;
}

const std::vector<LevelBarriers::Movable> &LevelBarriers::refreshedMovables() {
  if (mMovablesHeld)
    return mMovables;
  const unsigned long frame = renderedFrame();
  if (!mMovablesTaken || frame != mMovablesFrame || movablesGeneration != mMovablesGeneration) {
    takeMovables();
    // Counted across levels, so that no neighbourhood gathered in another
    // level's barriers passes for one of these.
    mMovablesVersion = ++movablesCopies;
    mMovablesFrame = frame;
    mMovablesGeneration = movablesGeneration;
    mMovablesTaken = true;
  }
  return mMovables;
}

void LevelBarriers::takeMovables() {
  // The query finds an object through the leaves it was last filed in.
  mLeafObjects.clear();
  Ogre::BspNode *leaves = mLevel->getLeafStart();
  for (int i = 0; i < mLevel->getNumLeaves(); ++i)
    for (const Ogre::MovableObject *object : leaves[i].getObjects())
      mLeafObjects.push_back(object);
  std::sort(mLeafObjects.begin(), mLeafObjects.end());
  mLeafObjects.erase(std::unique(mLeafObjects.begin(), mLeafObjects.end()), mLeafObjects.end());

  mMovables.clear();
  mUnboundedMovables.clear();
  mMovableGrid.clearItems();
  for (const Ogre::MovableObject *object : mLeafObjects) {
    const Ogre::AxisAlignedBox &box = object->getWorldBoundingBox();
    if (box.isNull())
      continue; // no ray meets it
    Movable movable;
    movable.object = object;
    movable.box = box;
    movable.queryFlags = object->getQueryFlags();
    movable.typeFlags = object->getTypeFlags();
    movable.isPlayerCamera = object->getName() == PLAYER_CAMERA_NAME;
    const int index = static_cast<int>(mMovables.size());
    mMovables.push_back(movable);
    if (box.isInfinite()) {
      mUnboundedMovables.push_back(index);
      continue;
    }
    BarrierGrid::Footprint footprint{box.getMinimum().x, box.getMinimum().y, box.getMaximum().x,
                                     box.getMaximum().y};
    footprint.grow(FOOTPRINT_MARGIN);
    mMovableGrid.insert(index, footprint);
  }
}

} // namespace OgreRefApp
