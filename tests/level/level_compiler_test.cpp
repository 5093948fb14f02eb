// The level compiler without OGRE: the description's grammar and its error
// reports, the compiled tree and lists that OGRE's queries depend on (the OGRE
// suite casts rays through the whole level), the file format, the lightmaps,
// the textures, and the ship's layout against the fixed places the program
// uses.
#include "BspCompiler.h"
#include "BspFile.h"
#include "LevelDescription.h"
#include "Lightmapper.h"
#include "ShipPositions.h"
#include "TextureGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
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

// Listed where it can be seen from, and wound counter-clockwise around its
// outward normal.
TEST_F(ShipLevel, EveryVisibleFaceIsListedWhereItCanBeSeenFromAndFacesOut) {
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
    const float *a = bsp->vertices[face.vertexStart].position;
    const float *b = bsp->vertices[face.vertexStart + 1].position;
    const float *c = bsp->vertices[face.vertexStart + 2].position;
    float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    float n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    EXPECT_GT(n[0] * face.normal[0] + n[1] * face.normal[1] + n[2] * face.normal[2], 0) << "face " << f;
  }
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

} // namespace
