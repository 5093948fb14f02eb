// Loads the generated ship level into OGRE's real BSP scene manager (GL
// render system, run under Xvfb) and checks what the simulation relies on:
// ray queries meet the walls as plane-bounded regions (the world tests pair
// movables with the level through the intersection query), open
// deck stays open, and the suggested viewpoints are the level's player
// starts.
#include "BspCompiler.h"
#include "BspFile.h"
#include "LevelDescription.h"
#include "Lightmapper.h"

#include <OGRE/Ogre.h>
#include <OGRE/Plugins/BSPSceneManager/OgreBspSceneManager.h>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <random>
#include <set>

namespace {

using Ogre::Vector3;

levelc::LevelDescription loadDescription() {
  std::ifstream in(SW_LEVEL_DESCRIPTION);
  levelc::ParseResult parsed = levelc::parseLevelDescription(in, SW_LEVEL_DESCRIPTION);
  if (!parsed.level)
    throw std::runtime_error(parsed.error);
  return *parsed.level;
}

Vector3 toVector(const std::array<double, 3> &p) {
  return Vector3(Ogre::Real(p[0]), Ogre::Real(p[1]), Ogre::Real(p[2]));
}

struct Hit {
  Ogre::Real distance;
  const Ogre::SceneQuery::WorldFragment *fragment;
};

// OGRE set up as the station does it: GL render system, BSP scene manager,
// the level folder as a resource location of the world group.
class LevelScene : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    logs = new Ogre::LogManager; // the engine's log goes to the file only
    logs->createLog("level_test_ogre.log", true, false, false);
    root = new Ogre::Root("", "", "");
    for (const char *plugin : {"RenderSystem_GL", "Plugin_BSPSceneManager", "Codec_STBI"})
      root->loadPlugin(std::string(SW_OGRE_PLUGIN_DIR) + "/" + plugin);
    Ogre::RenderSystem *gl = root->getRenderSystemByName("OpenGL Rendering Subsystem");
    ASSERT_NE(gl, nullptr);
    root->setRenderSystem(gl);
    root->initialise(false);
    window = root->createRenderWindow("level test", 640, 480, false);
    Ogre::ResourceGroupManager::getSingleton().addResourceLocation(SW_LEVEL_DIR, "FileSystem", "General");
    Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();
    scene = static_cast<Ogre::BspSceneManager *>(root->createSceneManager("BspSceneManager"));
    camera = scene->createCamera("LevelTestCam");
    cameraNode = scene->getRootSceneNode()->createChildSceneNode();
    cameraNode->attachObject(camera);
    camera->setNearClipDistance(1);
    camera->setFarClipDistance(20000);
    Ogre::Viewport *vp = window->addViewport(camera);
    vp->setBackgroundColour(Ogre::ColourValue::Black);
    camera->setAspectRatio(Ogre::Real(vp->getActualWidth()) / Ogre::Real(vp->getActualHeight()));
    scene->setWorldGeometry("ogretestmap.bsp");
    description = new levelc::LevelDescription(loadDescription());
  }

  static void TearDownTestSuite() {
    delete description;
    delete root; // owns the scene manager, the window and the plug-ins
    root = nullptr;
    delete logs;
  }

  // World fragments along a ray, nearest first.
  static std::vector<Hit> worldHits(const Vector3 &origin, const Vector3 &direction) {
    Ogre::RaySceneQuery *query = scene->createRayQuery(Ogre::Ray(origin, direction.normalisedCopy()));
    query->setWorldFragmentType(Ogre::SceneQuery::WFT_PLANE_BOUNDED_REGION);
    query->setSortByDistance(true);
    std::vector<Hit> hits;
    for (const Ogre::RaySceneQueryResultEntry &e : query->execute())
      if (e.worldFragment)
        hits.push_back({e.distance, e.worldFragment});
    scene->destroyQuery(query);
    return hits;
  }

  // True when the fragment's planes are the six faces of the box (to 1/1000 unit).
  static bool fragmentIsBrush(const Ogre::SceneQuery::WorldFragment *fragment, const levelc::Box &box) {
    if (fragment->fragmentType != Ogre::SceneQuery::WFT_PLANE_BOUNDED_REGION || !fragment->planes ||
        fragment->planes->size() != 6)
      return false;
    int matched = 0;
    for (const Ogre::Plane &p : *fragment->planes)
      for (int axis = 0; axis < 3; ++axis) {
        if (std::fabs(std::fabs(p.normal[axis]) - 1) > 1e-5)
          continue;
        double face = p.normal[axis] > 0 ? box.max[axis] : box.min[axis];
        matched += std::fabs(-p.d * p.normal[axis] - face) < 1e-3;
      }
    return matched == 6;
  }

  // Where the named brush lies in the compiled level.
  static levelc::Box brushBox(const char *name) {
    const levelc::BrushSpec *b = description->findBrush(name);
    if (!b)
      throw std::runtime_error(std::string("no brush ") + name);
    return levelc::compiledBox(b->box);
  }

  static Ogre::LogManager *logs;
  static Ogre::Root *root;
  static Ogre::RenderWindow *window;
  static Ogre::BspSceneManager *scene;
  static Ogre::Camera *camera;
  static Ogre::SceneNode *cameraNode;
  static levelc::LevelDescription *description;
};

Ogre::LogManager *LevelScene::logs = nullptr;
Ogre::Root *LevelScene::root = nullptr;
Ogre::RenderWindow *LevelScene::window = nullptr;
Ogre::BspSceneManager *LevelScene::scene = nullptr;
Ogre::Camera *LevelScene::camera = nullptr;
Ogre::SceneNode *LevelScene::cameraNode = nullptr;
levelc::LevelDescription *LevelScene::description = nullptr;

TEST_F(LevelScene, LoadsWithEveryLeafAndItsPlayerStartsAsSuggestedViewpoints) {
  ASSERT_TRUE(scene->getLevel());
  EXPECT_GT(scene->getLevel()->getNumLeaves(), 1);

  Ogre::ViewPoint first = scene->getSuggestedViewpoint(false);
  EXPECT_TRUE(first.position.positionEquals(toVector(description->starts.front().origin), 0.01f));
  Ogre::Radian heading;
  Vector3 axis;
  first.orientation.ToAngleAxis(heading, axis);
  EXPECT_NEAR(std::fabs(heading.valueDegrees()), std::fabs(description->starts.front().angleDegrees), 0.01);
  EXPECT_NEAR(std::fabs(axis.z), 1.0, 1e-5);

  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    Vector3 p = scene->getSuggestedViewpoint(true).position;
    for (const levelc::StartSpec &s : description->starts)
      if (p.positionEquals(toVector(s.origin), 0.01f))
        seen.insert(s.name);
  }
  EXPECT_EQ(seen.size(), description->starts.size()) << "a random suggestion never picked some player start";
}

TEST_F(LevelScene, DiagonalRayFromAWallsFacePlaneMeetsTheWall) {
  // (-240, 205) lies on the plane of the lounge door post's east face, as an
  // NPC's grid point from a whole-unit spawn can; the ray runs south-west
  // into the post through its north face.
  std::vector<Hit> hits = worldHits(Vector3(-240, 205, 0), Vector3(-1, -1, 0));
  ASSERT_FALSE(hits.empty());
  EXPECT_NEAR(hits.front().distance, 5 * std::sqrt(2.0), 0.1);
  EXPECT_TRUE(fragmentIsBrush(hits.front().fragment, brushBox("bulkhead_lounge_corridor_s")));
}

// Distance along a unit ray to where it enters the box; negative if it misses.
double rayEntersBox(const Vector3 &o, const Vector3 &d, const levelc::Box &box) {
  double t0 = 0, t1 = 1e30;
  for (int a = 0; a < 3; ++a) {
    if (std::fabs(d[a]) < 1e-9) {
      if (o[a] < box.min[a] || o[a] > box.max[a])
        return -1;
      continue;
    }
    double ta = (box.min[a] - o[a]) / d[a], tb = (box.max[a] - o[a]) / d[a];
    t0 = std::max(t0, std::min(ta, tb));
    t1 = std::min(t1, std::max(ta, tb));
  }
  return t0 <= t1 ? t0 : -1;
}

TEST_F(LevelScene, RandomRaysMeetTheNearestBrushWhereverTheyRun) {
  std::mt19937 random(20261206);
  std::uniform_real_distribution<double> x(-800, 200), y(-720, 480), z(1, 190), angle(0, 2 * M_PI),
      rise(-1, 1);
  int cast = 0;
  while (cast < 400) {
    Vector3 origin(x(random), y(random), cast % 4 == 0 ? 0 : z(random)); // every fourth at NPC search height
    if (description->brushAt({origin.x, origin.y, origin.z}))
      continue;
    double a = angle(random), up = cast % 4 == 0 ? 0 : rise(random);
    Vector3 dir(std::cos(a) * std::sqrt(1 - up * up), std::sin(a) * std::sqrt(1 - up * up), up);
    double nearest = -1;
    for (const levelc::BrushSpec &b : description->brushes) {
      double t = rayEntersBox(origin, dir, levelc::compiledBox(b.box));
      if (t >= 0 && (nearest < 0 || t < nearest))
        nearest = t;
    }
    std::vector<Hit> hits = worldHits(origin, dir);
    if (nearest < 0) {
      EXPECT_TRUE(hits.empty()) << "ray from " << origin << " along " << dir;
    } else {
      ASSERT_FALSE(hits.empty()) << "ray from " << origin << " along " << dir << " missed every brush";
      EXPECT_NEAR(hits.front().distance, nearest, 0.05) << "ray from " << origin << " along " << dir;
      bool enteredBrush = false; // where brushes meet, any of those entered at that distance will do
      for (const levelc::BrushSpec &b : description->brushes)
        enteredBrush = enteredBrush ||
                       (std::fabs(rayEntersBox(origin, dir, levelc::compiledBox(b.box)) - nearest) < 0.05 &&
                        fragmentIsBrush(hits.front().fragment, levelc::compiledBox(b.box)));
      EXPECT_TRUE(enteredBrush) << "ray from " << origin << " along " << dir;
    }
    ++cast;
  }
}

} // namespace
