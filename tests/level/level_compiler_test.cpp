// The level compiler without OGRE: the description's grammar and its error
// reports, the compiled tree and lists that OGRE's queries depend on, the file
// format, the textures, and the ship's layout against the fixed places the
// program uses.
#include "BspCompiler.h"
#include "BspFile.h"
#include "LevelDescription.h"
#include "Lightmapper.h"
#include "ShipPositions.h"
#include "TextureGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <queue>
#include <set>
#include <sstream>

namespace {

using levelc::Box;
using levelc::BspLevel;
using levelc::LevelDescription;
using Point = std::array<double, 3>;

levelc::ParseResult parseText(const std::string &text) {
  std::istringstream in(text);
  return levelc::parseLevelDescription(in, "test.txt");
}

const char *const kSmallLevel = R"(# a room with one wall
texture level_floor plate 100 100 100
texture level_wall panel 200 200 200
brush deck level_floor -100 -100 -10 100 100 0
brush wall level_wall  -100 -10 0  20 10 100
doorway gap             20 -10  100 10
brush box level_wall    50 50 0  60 60 5
fitting box
room north             -100 10 100 100
start view 0 50 20 90
)";

// --- the description's grammar ---------------------------------------------

TEST(LevelDescriptionParser, ReadsEveryRecordKind) {
  levelc::ParseResult r = parseText(kSmallLevel);
  ASSERT_TRUE(r.level) << r.error;
  const LevelDescription &l = *r.level;
  ASSERT_EQ(l.textures.size(), 2u);
  EXPECT_EQ(l.textures[1].pattern, levelc::Pattern::Panel);
  EXPECT_EQ(l.textures[1].rgb[2], 200);
  ASSERT_EQ(l.brushes.size(), 3u);
  EXPECT_EQ(l.brushes[1].box.min[0], -100);
  EXPECT_EQ(l.brushes[1].box.max[2], 100);
  EXPECT_FALSE(l.brushes[1].fitting);
  EXPECT_TRUE(l.brushes[2].fitting);
  EXPECT_EQ(l.deckTop(), 0);
  ASSERT_EQ(l.doorways.size(), 1u);
  EXPECT_EQ(l.doorways[0].rect.minX, 20);
  ASSERT_EQ(l.rooms.size(), 1u);
  ASSERT_EQ(l.starts.size(), 1u);
  EXPECT_EQ(l.starts[0].origin[1], 50);
  EXPECT_EQ(l.starts[0].angleDegrees, 90);
}

TEST(LevelDescriptionParser, RejectsMalformedRecordsNamingTheLine) {
  const std::string head = "texture t plate 1 2 3\n";
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"wall a 1 2\n", "test.txt:1: unknown record 'wall'"},
      {head + "brush b t 0 0 0 1 1\n", "test.txt:2: expected: brush NAME"},
      {head + "brush b t 0 0 0 1 x 1\n", "test.txt:2: 'x' is not a number"},
      {head + "brush b t 0 0 0 1 1e6 1\n", "test.txt:2: '1e6' is not a number within"},
      {head + "brush b t 0 0 0 1 nan 1\n", "test.txt:2: 'nan' is not a number within"},
      {head + "brush b t 0 0 0 0 1 1\n", "test.txt:2: brush 'b' is empty"},
      {head + "brush b u 0 0 0 1 1 1\n", "test.txt:2: unknown texture 'u'"},
      {head + "brush t t 0 0 0 1 1 1\n", "test.txt:2: name 't' is used twice"},
      {"texture t plate 1 256 3\n", "test.txt:1: colour channel '256'"},
      {"texture t plate 1 2.5 3\n", "test.txt:1: colour channel '2.5'"},
      {"texture t marble 1 2 3\n", "test.txt:1: unknown pattern 'marble'"},
      {"texture " + std::string(64, 'n') + " plate 1 2 3\n", "test.txt:1: name '"},
      {head + "fitting nothing\n", "test.txt:2: unknown brush 'nothing'"},
      {head + "room r 5 0 1 1\n", "test.txt:2: the minimum corner must lie below"},
      {head + "start s 1 2 3\n", "test.txt:2: expected: start NAME X Y Z ANGLE"},
  };
  for (const Case &c : cases) {
    levelc::ParseResult r = parseText(c.text);
    EXPECT_FALSE(r.level) << c.text;
    EXPECT_EQ(r.error.rfind(c.expected, 0), 0u) << "for: " << c.text << "got: " << r.error;
  }
}

TEST(LevelDescriptionParser, RejectsLayoutsThatBreakTheirOwnPromises) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"texture t plate 1 2 3\nbrush floor t 0 0 0 1 1 1\n", "no brush named 'deck'"},
      {std::string(kSmallLevel) + "doorway shut -50 -10 0 10\n", "doorway 'shut' is blocked by brush 'wall'"},
      {std::string(kSmallLevel) + "brush pillar level_wall 0 80 0 5 85 50\n",
       "room 'north' holds brush 'pillar', which is not a fitting"},
      {std::string(kSmallLevel) + "start buried -50 0 50 0\n", "start 'buried' lies inside brush 'wall'"},
  };
  for (const Case &c : cases) {
    levelc::ParseResult r = parseText(c.text);
    EXPECT_FALSE(r.level) << c.text;
    EXPECT_NE(r.error.find(c.expected), std::string::npos) << "got: " << r.error;
  }
}

// --- the compiled ship -----------------------------------------------------

class ShipLevel : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    std::ifstream in(SW_LEVEL_DESCRIPTION);
    levelc::ParseResult r = levelc::parseLevelDescription(in, SW_LEVEL_DESCRIPTION);
    ASSERT_TRUE(r.level) << r.error;
    level = new LevelDescription(*r.level);
    bsp = new BspLevel(levelc::compileLevel(*level));
  }
  static void TearDownTestSuite() {
    delete bsp;
    delete level;
  }

  static bool leafListsBrush(int leaf, int brush) {
    const levelc::BspLeaf &l = bsp->leaves[leaf];
    for (int i = 0; i < l.brushCount; ++i)
      if (bsp->leafBrushes[l.brushStart + i] == brush)
        return true;
    return false;
  }

  static bool leafListsFace(int leaf, int face) {
    const levelc::BspLeaf &l = bsp->leaves[leaf];
    for (int i = 0; i < l.faceCount; ++i)
      if (bsp->leafFaces[l.faceStart + i] == face)
        return true;
    return false;
  }

  static int leafAt(const Point &p) {
    float f[3] = {float(p[0]), float(p[1]), float(p[2])};
    return levelc::findLeaf(*bsp, f);
  }

  // Inside a compiled brush, by its planes, as OGRE tests it (boundary counts as inside).
  static bool insideCompiledBrush(int brush, const Point &p) {
    const levelc::BspBrush &b = bsp->brushes[brush];
    for (int s = 0; s < b.sideCount; ++s) {
      const levelc::BspPlane &pl = bsp->planes[bsp->brushSides[b.firstSide + s].plane];
      if (pl.normal[0] * p[0] + pl.normal[1] * p[1] + pl.normal[2] * p[2] - pl.dist > 0)
        return false;
    }
    return true;
  }

  // Open deck: above the deck's top and, by the brushes the tree lists
  // where the point lies, inside none.
  static bool onOpenDeck(const Point &p) {
    if (p[2] <= level->deckTop())
      return false;
    int leaf = leafAt(p);
    const levelc::BspLeaf &l = bsp->leaves[leaf];
    for (int i = 0; i < l.brushCount; ++i)
      if (insideCompiledBrush(bsp->leafBrushes[l.brushStart + i], p))
        return false;
    return true;
  }

  // Horizontal distance from p to the nearest brush standing on the deck.
  static double clearance(const Point &p) {
    double best = 1e9;
    for (const levelc::BrushSpec &b : level->brushes) {
      if (b.name == "deck")
        continue;
      double dx = std::max({b.box.min[0] - p[0], 0.0, p[0] - b.box.max[0]});
      double dy = std::max({b.box.min[1] - p[1], 0.0, p[1] - b.box.max[1]});
      best = std::min(best, std::hypot(dx, dy));
    }
    return best;
  }

  static LevelDescription *level;
  static BspLevel *bsp;
};

LevelDescription *ShipLevel::level = nullptr;
BspLevel *ShipLevel::bsp = nullptr;

TEST_F(ShipLevel, EveryBrushIsListedInEveryLeafItReaches) {
  for (std::size_t b = 0; b < level->brushes.size(); ++b) {
    const Box &box = level->brushes[b].box;
    for (double fx = 0; fx <= 1.0; fx += 0.125)
      for (double fy = 0; fy <= 1.0; fy += 0.125) {
        Point p{box.min[0] + fx * (box.max[0] - box.min[0]), box.min[1] + fy * (box.max[1] - box.min[1]),
                0.5 * (box.min[2] + box.max[2])};
        EXPECT_TRUE(leafListsBrush(leafAt(p), static_cast<int>(b)))
            << level->brushes[b].name << " at " << p[0] << ", " << p[1];
      }
  }
}

TEST_F(ShipLevel, EveryBrushIsSolidAndBoundedByOutwardPlanesOfItsBox) {
  ASSERT_EQ(bsp->brushes.size(), level->brushes.size());
  for (std::size_t b = 0; b < level->brushes.size(); ++b) {
    const Box box = levelc::compiledBox(level->brushes[b].box);
    EXPECT_EQ(bsp->shaders[bsp->brushes[b].shader].contentFlags & levelc::kContentsSolid,
              levelc::kContentsSolid);
    ASSERT_EQ(bsp->brushes[b].sideCount, 6);
    Point centre{0.5 * (box.min[0] + box.max[0]), 0.5 * (box.min[1] + box.max[1]),
                 0.5 * (box.min[2] + box.max[2])};
    EXPECT_TRUE(insideCompiledBrush(static_cast<int>(b), centre));
    for (int axis = 0; axis < 3; ++axis) {
      Point justOutside = centre, justInside = centre;
      justOutside[axis] = box.max[axis] + 0.01;
      justInside[axis] = box.max[axis] - 0.01;
      EXPECT_FALSE(insideCompiledBrush(static_cast<int>(b), justOutside)) << level->brushes[b].name;
      EXPECT_TRUE(insideCompiledBrush(static_cast<int>(b), justInside)) << level->brushes[b].name;
      justOutside[axis] = box.min[axis] - 0.01;
      EXPECT_FALSE(insideCompiledBrush(static_cast<int>(b), justOutside)) << level->brushes[b].name;
    }
  }
}

TEST_F(ShipLevel, WallFacesSitOffTheHalfUnitGridWhileHeightsStayAsDescribed) {
  const levelc::Box described = level->findBrush("bulkhead_lounge_s")->box;
  const levelc::Box compiled = levelc::compiledBox(described);
  EXPECT_DOUBLE_EQ(compiled.max[1], described.max[1] + levelc::kFaceNudge);
  EXPECT_DOUBLE_EQ(compiled.min[0], described.min[0] - levelc::kFaceNudge);
  EXPECT_DOUBLE_EQ(compiled.max[2], described.max[2]);
  for (const levelc::BspBrushSide &side : bsp->brushSides) {
    const levelc::BspPlane &plane = bsp->planes[side.plane];
    double twice = 2.0 * plane.dist;
    if (plane.normal[2] != 0)
      EXPECT_DOUBLE_EQ(twice, std::round(twice)) << "heights are written on the half-unit grid";
    else
      EXPECT_GT(std::fabs(twice - std::round(twice)), 0.01) << "a wall face lies on the half-unit grid";
  }
  EXPECT_EQ(levelc::compiledBox(level->findBrush("deck")->box).max[2], -0.5);
}

TEST_F(ShipLevel, NoSplitPlaneLiesOnABrushFace) {
  // OGRE restarts a ray at every split plane it crosses; a restart point on a
  // brush face would make it miss that brush.
  for (const levelc::BspNode &n : bsp->nodes) {
    const levelc::BspPlane &pl = bsp->planes[n.plane];
    for (int axis = 0; axis < 3; ++axis)
      if (pl.normal[axis] != 0)
        for (const levelc::BrushSpec &b : level->brushes) {
          const levelc::Box box = levelc::compiledBox(b.box);
          EXPECT_GT(std::fabs(box.min[axis] - pl.dist), 0.1) << b.name;
          EXPECT_GT(std::fabs(box.max[axis] - pl.dist), 0.1) << b.name;
        }
  }
}

TEST_F(ShipLevel, EveryVisibleFaceIsListedWhereItCanBeSeenFrom) {
  ASSERT_FALSE(bsp->faces.empty());
  for (std::size_t f = 0; f < bsp->faces.size(); ++f) {
    const levelc::BspFace &face = bsp->faces[f];
    ASSERT_EQ(face.vertexCount, 4);
    ASSERT_EQ(face.elementCount, 6);
    Point centre{0, 0, 0};
    for (int v = 0; v < 4; ++v)
      for (int a = 0; a < 3; ++a)
        centre[a] += 0.25 * bsp->vertices[face.vertexStart + v].position[a];
    for (int a = 0; a < 3; ++a) // a step out in front of the face
      centre[a] += 0.1 * face.normal[a];
    EXPECT_TRUE(leafListsFace(leafAt(centre), static_cast<int>(f))) << "face " << f;
  }
}

TEST_F(ShipLevel, FacesWindCounterClockwiseAroundTheirOutwardNormal) {
  for (const levelc::BspFace &face : bsp->faces) {
    const float *a = bsp->vertices[face.vertexStart].position;
    const float *b = bsp->vertices[face.vertexStart + 1].position;
    const float *c = bsp->vertices[face.vertexStart + 2].position;
    float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    EXPECT_GT(n[0] * face.normal[0] + n[1] * face.normal[1] + n[2] * face.normal[2], 0);
  }
}

TEST_F(ShipLevel, EveryLeafIsDrawnAndItsClusterSeesItself) {
  ASSERT_EQ(bsp->visibility.clusterCount, 1);
  ASSERT_EQ(bsp->visibility.bits.size(), 1u);
  EXPECT_EQ(bsp->visibility.bits[0] & 1, 1);
  for (const levelc::BspLeaf &l : bsp->leaves)
    EXPECT_EQ(l.cluster, 0);
}

TEST_F(ShipLevel, EntitiesHoldOnePlayerStartPerViewpointOneKeyALine) {
  std::istringstream text(bsp->entities);
  std::string line;
  int starts = 0, origins = 0;
  while (std::getline(text, line)) {
    starts += line == "\"classname\" \"info_player_deathmatch\"";
    origins += line.rfind("\"origin\" \"", 0) == 0;
  }
  EXPECT_EQ(starts, static_cast<int>(level->starts.size()));
  EXPECT_EQ(origins, static_cast<int>(level->starts.size()));
  EXPECT_NE(bsp->entities.find("\"origin\" \"150 80 60\""), std::string::npos);
  EXPECT_EQ(bsp->entities.back(), '\n');
}

TEST_F(ShipLevel, FileRoundTripsAndBrokenFilesAreRejected) {
  std::vector<uint8_t> bytes = levelc::encodeBsp(*bsp);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "IBSP");
  EXPECT_EQ(bytes[4], 46);
  std::string error;
  std::optional<BspLevel> back = levelc::decodeBsp(bytes, error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(back->entities, bsp->entities);
  EXPECT_EQ(back->shaders.size(), bsp->shaders.size());
  EXPECT_EQ(back->shaders.back().name, bsp->shaders.back().name);
  EXPECT_EQ(back->nodes.size(), bsp->nodes.size());
  EXPECT_EQ(back->leaves.size(), bsp->leaves.size());
  EXPECT_EQ(back->leafBrushes, bsp->leafBrushes);
  EXPECT_EQ(back->faces.size(), bsp->faces.size());
  EXPECT_EQ(back->elements, bsp->elements);
  EXPECT_EQ(back->lightmaps, bsp->lightmaps);

  std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + bytes.size() / 2);
  EXPECT_FALSE(levelc::decodeBsp(truncated, error));
  std::vector<uint8_t> wrongVersion = bytes;
  wrongVersion[4] = 47;
  EXPECT_FALSE(levelc::decodeBsp(wrongVersion, error));
  EXPECT_NE(error.find("version 47"), std::string::npos);

  BspLevel broken = *bsp;
  broken.leafBrushes.back() = static_cast<int32_t>(broken.brushes.size());
  EXPECT_FALSE(levelc::decodeBsp(levelc::encodeBsp(broken), error));
  EXPECT_NE(error.find("leaf brush"), std::string::npos);

  broken = *bsp;
  broken.faces.back().lightmap = static_cast<int32_t>(broken.lightmaps.size() / (128 * 128 * 3));
  EXPECT_FALSE(levelc::decodeBsp(levelc::encodeBsp(broken), error));
  EXPECT_NE(error.find("lightmap pages"), std::string::npos);
}

TEST_F(ShipLevel, EveryFixedPlaceStandsOnOpenDeckWithRoomAround) {
  for (const shiptest::Place &p : shiptest::everyFixedPlace()) {
    EXPECT_TRUE(onOpenDeck(p.at)) << p.what;
    EXPECT_GE(clearance(p.at), 25.0) << p.what << " stands too close to a wall";
  }
  // The camera's set-up position (0, 25, -175) lies under the deck and is
  // replaced by a viewpoint before the first frame; the deck above it is open.
  EXPECT_TRUE(onOpenDeck({0, 25, 1}));
  for (const levelc::StartSpec &s : level->starts) {
    EXPECT_TRUE(onOpenDeck(s.origin)) << s.name;
    EXPECT_GE(clearance(s.origin), 16.0) << s.name << ": a camera sphere of radius 15 must fit";
  }
}

TEST_F(ShipLevel, SummonedCrewFindOpenDeckAroundTheirTargets) {
  auto openHeadings = [&](const shiptest::Place &t, double standOff) {
    int open = 0;
    for (int k = 0; k < 16; ++k) {
      double a = k * M_PI / 8;
      open += onOpenDeck({t.at[0] + standOff * std::cos(a), t.at[1] + standOff * std::sin(a), 1.0});
    }
    return open;
  };
  auto towards = [](const shiptest::Place &t, const shiptest::Place &chief, double standOff) {
    double dx = t.at[0] - chief.at[0], dy = t.at[1] - chief.at[1], d = std::hypot(dx, dy);
    return Point{t.at[0] - standOff * dx / d, t.at[1] - standOff * dy / d, 1.0};
  };
  // A medic crew member stands 40 units from its passenger: there is deck
  // all round every passenger.
  for (const shiptest::Place &p : shiptest::passengers()) {
    EXPECT_EQ(openHeadings(p, shiptest::kMedicStandOff), 16) << p.what;
    EXPECT_TRUE(onOpenDeck(towards(p, shiptest::medicStart(), shiptest::kMedicStandOff))) << p.what;
  }
  // A fire crew member stands 100 units off, towards the fireman: open deck
  // towards every chief's start and on most sides (a fire near a bulkhead
  // may have the wall within 100 units on one side).
  for (const shiptest::Place &f : shiptest::fires()) {
    EXPECT_GE(openHeadings(f, shiptest::kFiremanStandOff), 13) << f.what;
    for (const shiptest::Place *chief :
         {&shiptest::firemanStart(), &shiptest::captainStart(), &shiptest::medicStart()})
      EXPECT_TRUE(onOpenDeck(towards(f, *chief, shiptest::kFiremanStandOff)))
          << f.what << " from " << chief->what;
  }
}

// A 10-unit grid walk like the NPC's search, keeping `kBodyClearance` from
// every standing brush; returns the path length or a negative number.
constexpr double kBodyClearance = 15.0;

double gridWalk(const std::function<double(const Point &)> &clearanceAt, const Point &from, const Point &to) {
  const double step = 10.0;
  auto key = [&](long i, long j) { return std::make_pair(i, j); };
  using Node = std::pair<double, std::pair<long, long>>;
  std::priority_queue<Node, std::vector<Node>, std::greater<Node>> open;
  std::map<std::pair<long, long>, double> cost;
  open.push({0, key(0, 0)});
  cost[key(0, 0)] = 0;
  while (!open.empty()) {
    auto [g, ij] = open.top();
    open.pop();
    if (g > cost[ij])
      continue;
    Point p{from[0] + ij.first * step, from[1] + ij.second * step, 1.0};
    if (std::hypot(p[0] - to[0], p[1] - to[1]) < step)
      return g;
    for (int di = -1; di <= 1; ++di)
      for (int dj = -1; dj <= 1; ++dj) {
        if (!di && !dj)
          continue;
        auto next = key(ij.first + di, ij.second + dj);
        Point q{from[0] + next.first * step, from[1] + next.second * step, 1.0};
        if (std::fabs(q[0]) > 2000 || std::fabs(q[1]) > 2000 || clearanceAt(q) < kBodyClearance)
          continue;
        double ng = g + step * std::hypot(di, dj);
        auto it = cost.find(next);
        if (it == cost.end() || ng < it->second) {
          cost[next] = ng;
          open.push({ng, next});
        }
      }
  }
  return -1;
}

bool segmentCrossesBox(const Point &a, const Point &b, const Box &box) {
  double t0 = 0, t1 = 1;
  for (int axis = 0; axis < 3; ++axis) {
    double d = b[axis] - a[axis];
    if (std::fabs(d) < 1e-12) {
      if (a[axis] < box.min[axis] || a[axis] > box.max[axis])
        return false;
      continue;
    }
    double ta = (box.min[axis] - a[axis]) / d, tb = (box.max[axis] - a[axis]) / d;
    t0 = std::max(t0, std::min(ta, tb));
    t1 = std::min(t1, std::max(ta, tb));
  }
  return t0 <= t1;
}

TEST_F(ShipLevel, PassengersReachTheMedicOnlyAroundWalls) {
  const Point medic = shiptest::medicStart().at;
  for (const Point corner : {Point{-420, 220, 30}, Point{-580, 220, 30}, Point{-420, 300, 30},
                             Point{-580, 300, 30},
                             Point{shiptest::passengers()[1].at[0], shiptest::passengers()[1].at[1], 30}}) {
    bool blocked = false;
    for (const levelc::BrushSpec &b : level->brushes)
      blocked = blocked || (b.name != "deck" && segmentCrossesBox(corner, {medic[0], medic[1], 30}, b.box));
    EXPECT_TRUE(blocked) << "a straight line from (" << corner[0] << ", " << corner[1]
                         << ") reaches the medic";

    double walked = gridWalk(clearance, corner, medic);
    double straight = std::hypot(corner[0] - medic[0], corner[1] - medic[1]);
    EXPECT_GT(walked, 0) << "no way through the doorways from (" << corner[0] << ", " << corner[1] << ")";
    EXPECT_GT(walked, 1.5 * straight) << "the way round the walls is hardly longer than a straight line";
  }
}

TEST_F(ShipLevel, EveryRoomIsReachableFromTheMessRoom) {
  const levelc::NamedRect *mess = level->findRoom("mess");
  ASSERT_NE(mess, nullptr);
  Point from{-700, -250, 1};
  for (const levelc::NamedRect &room : level->rooms) {
    Point centre{0.5 * (room.rect.minX + room.rect.maxX), 0.5 * (room.rect.minY + room.rect.maxY), 1};
    // Rooms with fittings: start from a corner that is clear.
    for (Point candidate : {centre, Point{room.rect.minX + 30, room.rect.minY + 30, 1}})
      if (clearance(candidate) >= kBodyClearance) {
        centre = candidate;
        break;
      }
    EXPECT_GT(gridWalk(clearance, from, centre), 0) << room.name << " cannot be reached";
  }
}

TEST_F(ShipLevel, DoorwaysAreWideEnoughForNpcs) {
  ASSERT_GE(level->doorways.size(), 4u);
  for (const levelc::NamedRect &d : level->doorways) {
    double width = std::max(d.rect.maxX - d.rect.minX, d.rect.maxY - d.rect.minY);
    EXPECT_GE(width, 100.0) << d.name;
  }
}

TEST_F(ShipLevel, HasOneClimbableStepAndAHigherObstacle) {
  int climbable = 0, higher = 0;
  for (const levelc::BrushSpec &b : level->brushes)
    if (b.fitting) {
      // A camera resting on the deck (sunk a little into it) must find its
      // feet above the fitting's bottom face to climb it.
      EXPECT_LT(b.box.min[2], level->deckTop() - 1) << b.name;
      double height = b.box.max[2] - level->deckTop();
      climbable += height > 0 && height <= 10;
      higher += height > 10;
    }
  EXPECT_EQ(climbable, 1);
  EXPECT_GE(higher, 1);
}

TEST_F(ShipLevel, EveryFaceHasItsOwnLightmapPatchOnAPage) {
  const std::size_t pageBytes = 128 * 128 * 3;
  ASSERT_GT(bsp->lightmaps.size(), 0u);
  ASSERT_EQ(bsp->lightmaps.size() % pageBytes, 0u);
  const int pages = static_cast<int>(bsp->lightmaps.size() / pageBytes);
  std::vector<std::vector<int>> owner(pages, std::vector<int>(128 * 128, -1));
  for (std::size_t f = 0; f < bsp->faces.size(); ++f) {
    const levelc::BspFace &face = bsp->faces[f];
    ASSERT_GE(face.lightmap, 0);
    ASSERT_LT(face.lightmap, pages);
    const int x = face.lightmapOffset[0], y = face.lightmapOffset[1];
    const int w = face.lightmapSize[0], h = face.lightmapSize[1];
    ASSERT_TRUE(x >= 0 && y >= 0 && w >= 2 && h >= 2 && x + w <= 128 && y + h <= 128) << "face " << f;
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) {
        EXPECT_EQ(owner[face.lightmap][j * 128 + i], -1) << "faces share lightmap texel " << i << ", " << j;
        owner[face.lightmap][j * 128 + i] = static_cast<int>(f);
      }
    for (int v = 0; v < face.vertexCount; ++v) { // corners at the centres of the patch's corner texels
      const float *lm = bsp->vertices[face.vertexStart + v].lightmap;
      EXPECT_GE(lm[0] * 128, x + 0.49f);
      EXPECT_LE(lm[0] * 128, x + w - 0.49f);
      EXPECT_GE(lm[1] * 128, y + 0.49f);
      EXPECT_LE(lm[1] * 128, y + h - 0.49f);
    }
  }
}

TEST_F(ShipLevel, AmbientLightDarkensTheDeckBesideWallsOnly) {
  const double deck = level->deckTop();
  const Point up{0, 0, 1};
  EXPECT_DOUBLE_EQ(levelc::ambientLight(*level, {-300, -150, deck}, up), 1.0) << "open mess room";
  EXPECT_LT(levelc::ambientLight(*level, {-600, 148, deck}, up), 0.8) << "at the foot of the lounge bulkhead";
  EXPECT_LT(levelc::ambientLight(*level, {-600, 148, deck}, up),
            levelc::ambientLight(*level, {-600, 100, deck}, up));
  // A wall's face is darker at its foot than at its top.
  const Point south{0, -1, 0};
  EXPECT_LT(levelc::ambientLight(*level, {-600, 150, 2}, south),
            levelc::ambientLight(*level, {-600, 150, 190}, south));
}

TEST(LightmapTexels, StoreLightRaisedToTheGammaOgreUndoesOnLoad) {
  EXPECT_EQ(levelc::lightmapTexel(1.0), 255);
  EXPECT_EQ(levelc::lightmapTexel(0.0), 0);
  for (double light : {0.3, 0.5, 0.8, 0.95})
    EXPECT_NEAR(std::pow(levelc::lightmapTexel(light) / 255.0, 1 / levelc::kLightmapLoadGamma), light, 0.02);
  EXPECT_EQ(levelc::lightmapTexel(2.0), 255);
  EXPECT_EQ(levelc::lightmapTexel(-1.0), 0);
}

// --- textures --------------------------------------------------------------

TEST(GeneratedTextures, TgaIsAnUncompressedTopDown24BitImage) {
  levelc::TextureSpec spec{"t", levelc::Pattern::Panel, {200, 100, 50}};
  levelc::RgbImage image = levelc::generateTexture(spec, 1.0);
  std::vector<uint8_t> tga = levelc::encodeTga(image);
  ASSERT_EQ(tga.size(), 18u + 128 * 128 * 3);
  EXPECT_EQ(tga[2], 2);
  EXPECT_EQ(tga[12] | (tga[13] << 8), 128);
  EXPECT_EQ(tga[14] | (tga[15] << 8), 128);
  EXPECT_EQ(tga[16], 24);
  EXPECT_EQ(tga[17], 0x20);
  EXPECT_EQ(tga[18], image.rgb[2]); // blue first
  EXPECT_EQ(tga[20], image.rgb[0]);
}

TEST(GeneratedTextures, BrightnessScalesEveryPixel) {
  levelc::TextureSpec spec{"t", levelc::Pattern::Plate, {112, 118, 124}};
  levelc::RgbImage full = levelc::generateTexture(spec, 1.0);
  levelc::RgbImage half = levelc::generateTexture(spec, 0.5);
  ASSERT_EQ(full.rgb.size(), half.rgb.size());
  for (std::size_t i = 0; i < full.rgb.size(); ++i)
    ASSERT_NEAR(half.rgb[i], full.rgb[i] / 2.0, 1.0) << i;
}

TEST(GeneratedTextures, EveryPatternDrawsADistinctNonUniformPicture) {
  std::set<std::vector<uint8_t>> pictures;
  for (levelc::Pattern p : {levelc::Pattern::Plate, levelc::Pattern::Panel, levelc::Pattern::Hull,
                            levelc::Pattern::Hazard, levelc::Pattern::Machine, levelc::Pattern::Wood}) {
    levelc::RgbImage image = levelc::generateTexture({"t", p, {150, 150, 150}}, 1.0);
    std::set<uint8_t> values(image.rgb.begin(), image.rgb.end());
    EXPECT_GT(values.size(), 4u);
    pictures.insert(image.rgb);
  }
  EXPECT_EQ(pictures.size(), 6u);
}

} // namespace
