// Loads the stage as a station does (its plugins.cfg and resources.cfg, the
// GL render system under Xvfb) and checks the generated figures and the
// shader controls: every animation and a skeleton on each figure, and that
// with the station's node set-up (object node scaled 0.6 and turned, clone
// node lifted by the state) passengers lie, sit and stand and crews and
// chiefs stand on the deck.
#include <OGRE/Ogre.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/OpeningScene.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppFigure.h"
#include "refapp/OgreRefAppNPC.h"

namespace {

using Ogre::Real;
using Ogre::Vector3;

const std::string kStageBin = std::string(SW_STAGE_DIR) + "/bin";
const char *kFigures[] = {"captain.mesh", "medic_crew.mesh", "fireman_crew.mesh", "passenger1.mesh"};
const char *kStates[] = {
    "Idle", "Walk", "Dead", "DeadBack", "DeadSitting", "DeadStomach", "Medkit_Crouch_Shoot1", "Fire_Shoot2"};

class StagedMedia : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    auto *logs = new Ogre::LogManager;
    logs->createLog("figures_test_ogre.log", true, false, false);
    // The stage's ogre.cfg is only read here, never saved.
    root = new Ogre::Root(kStageBin + "/plugins.cfg", kStageBin + "/ogre.cfg", "");
    ASSERT_TRUE(root->restoreConfig()) << "ogre.cfg must preselect a render system the plug-ins provide";
    root->initialise(false);
    root->createRenderWindow("figures test", 320, 240, false);
    addStageResources();
    Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();
    scene = root->createSceneManager();
  }
  static void TearDownTestSuite() {
    delete root;
    root = nullptr;
  }

  // As the station reads resources.cfg: key = archive type, value = archive
  // (relative to the working directory, here stage/bin), section = group.
  static void addStageResources() {
    Ogre::ConfigFile cfg;
    cfg.load(kStageBin + "/resources.cfg", "\t:=", true);
    for (const auto &section : cfg.getSettingsBySection())
      for (const auto &setting : section.second)
        Ogre::ResourceGroupManager::getSingleton().addResourceLocation(kStageBin + "/" + setting.second,
                                                                       setting.first, section.first);
  }

  static Ogre::MeshPtr mesh(const std::string &name) {
    return Ogre::MeshManager::getSingleton().load(name, Ogre::RGN_DEFAULT);
  }

  static Ogre::Root *root;
  static Ogre::SceneManager *scene;
};

Ogre::Root *StagedMedia::root = nullptr;
Ogre::SceneManager *StagedMedia::scene = nullptr;

// --- Engine configuration of the stage --------------------------------------------

// --- Figures: skeleton, animations, size -------------------------------------

TEST_F(StagedMedia, EveryFigureHasASkeletonWithEveryStateAsALoopingAnimation) {
  for (const char *name : kFigures) {
    SCOPED_TRACE(name);
    Ogre::MeshPtr m = mesh(name);
    ASSERT_TRUE(m->hasSkeleton());
    Ogre::SkeletonPtr skel = m->getSkeleton();
    ASSERT_TRUE(skel);
    EXPECT_GE(skel->getNumBones(), 10u);
    EXPECT_FALSE(m->getBoneAssignments().empty() && m->getSubMesh(0)->getBoneAssignments().empty());
    for (const char *state : kStates) {
      SCOPED_TRACE(state);
      ASSERT_TRUE(skel->hasAnimation(state));
      Ogre::Animation *anim = skel->getAnimation(state);
      EXPECT_GT(anim->getLength(), 0.5f);
      // A clean loop: every bone is where it started when the loop wraps.
      for (const auto &entry : anim->_getNodeTrackList()) {
        Ogre::TransformKeyFrame first(nullptr, 0), last(nullptr, 0);
        entry.second->getInterpolatedKeyFrame(Ogre::TimeIndex(0), &first);
        entry.second->getInterpolatedKeyFrame(Ogre::TimeIndex(anim->getLength()), &last);
        EXPECT_TRUE(first.getTranslate().positionEquals(last.getTranslate(), 1e-3f));
        EXPECT_TRUE(first.getRotation().equals(last.getRotation(), Ogre::Degree(0.1f)));
      }
    }
  }
}

// --- The pairing with the station's scene nodes ----------------------------------

enum class Shown { Npc, Chief };

// World-space bounds of the skinned figure, built as the station builds a
// person: object node at the position, scale 0.6, pitch +90 then yaw -90;
// the clone node below it lifted by the state's offset; the animation at t.
struct Posed {
  Ogre::AxisAlignedBox box;
  Ogre::AxisAlignedBox feet; // vertices within 6 units of the lowest point
  Vector3 headBone;
  Vector3 hipsBone;
};

// The station's own lift of the clone node for a state.
Real stateLift(const Ogre::Entity &e, const std::string &mesh, const std::string &state, Shown shown) {
  const Vector3 size = e.getBoundingBox().getSize();
  return shown == Shown::Npc ? OgreRefApp::NPC::cloneHeightFor(state, size)
                             : OgreRefApp::Character::cloneHeightFor(state, mesh, size);
}

// A place of the opening scene, by its row in the station's table.
Vector3 openingPlace(std::size_t row) {
  const opening::InitialObject &o = opening::INITIAL_OBJECTS[row];
  return Vector3(Real(o.x), Real(o.y), Real(o.z));
}

Posed pose(Ogre::SceneManager &scene, const std::string &mesh, const std::string &state, Shown shown,
           const Vector3 &position, Real time) {
  static int count = 0;
  const std::string name = "person" + std::to_string(count++);
  Ogre::Entity *e = scene.createEntity("clone_" + name, mesh);
  Ogre::SceneNode *object = scene.getRootSceneNode()->createChildSceneNode(name, position);
  object->setScale(OgreRefApp::FIGURE_SCALE, OgreRefApp::FIGURE_SCALE, OgreRefApp::FIGURE_SCALE);
  object->pitch(Ogre::Degree(90));
  object->yaw(Ogre::Degree(-90));
  Ogre::SceneNode *clone = object->createChildSceneNode(name + "_clone");
  clone->attachObject(e);
  clone->setPosition(0, stateLift(*e, mesh, state, shown), 0);

  Ogre::AnimationState *anim = e->getAnimationState(state);
  anim->setEnabled(true);
  anim->setLoop(true);
  anim->setTimePosition(time);
  Ogre::SkeletonInstance *skel = e->getSkeleton();
  skel->setAnimationState(*e->getAllAnimationStates());
  std::vector<Ogre::Affine3> bones(skel->getNumBones());
  skel->_getBoneMatrices(bones.data());
  const Ogre::Affine3 &world = clone->_getFullTransform();

  Posed out;
  std::vector<Vector3> points;
  for (Ogre::SubMesh *sub : e->getMesh()->getSubMeshes()) {
    const Ogre::VertexElement *pos =
        sub->vertexData->vertexDeclaration->findElementBySemantic(Ogre::VES_POSITION);
    Ogre::HardwareVertexBufferSharedPtr buf =
        sub->vertexData->vertexBufferBinding->getBuffer(pos->getSource());
    Ogre::HardwareBufferLockGuard lock(buf, Ogre::HardwareBuffer::HBL_READ_ONLY);
    for (const auto &vba : sub->getBoneAssignments()) {
      float *p = nullptr;
      pos->baseVertexPointerToElement(
          static_cast<unsigned char *>(lock.pData) + vba.first * buf->getVertexSize(), &p);
      points.push_back(world * (bones[vba.second.boneIndex] * Vector3(p[0], p[1], p[2])));
      out.box.merge(points.back());
    }
  }
  for (const Vector3 &v : points)
    if (v.z < out.box.getMinimum().z + 6)
      out.feet.merge(v);
  out.headBone = world * skel->getBone("Head")->_getDerivedPosition();
  out.hipsBone = world * skel->getBone("Hips")->_getDerivedPosition();
  clone->detachAllObjects();
  scene.destroyEntity(e);
  scene.destroySceneNode(clone);
  scene.destroySceneNode(object);
  return out;
}

// Samples spread over the animation, last one just before the loop wraps.
std::vector<Real> sampleTimes() {
  return {0.0f, 0.37f, 0.8f, 1.13f};
}

// Lying passengers rest on the deck at full length over their place, a
// seated one sits up on it, a healed one stands.
TEST_F(StagedMedia, PassengersLieSitAndStandOnTheDeck) {
  const Vector3 at = openingPlace(4); // the first passenger
  for (Real t : sampleTimes()) {
    for (const char *state : {"DeadBack", "DeadStomach", "Dead"}) {
      SCOPED_TRACE(std::string(state) + " at " + std::to_string(t));
      const Posed p = pose(*scene, "passenger1.mesh", state, Shown::Npc, at, t);
      EXPECT_NEAR(p.box.getMinimum().z, at.z, 1.0f);
      EXPECT_LT(p.box.getMaximum().z, at.z + 40);
      EXPECT_GT(std::max(p.box.getSize().x, p.box.getSize().y), 90);
      EXPECT_LT(p.box.getCenter().distance(Vector3(at.x, at.y, p.box.getCenter().z)), 30);
    }
    const Posed sitting = pose(*scene, "passenger1.mesh", "DeadSitting", Shown::Npc, at, t);
    EXPECT_NEAR(sitting.box.getMinimum().z, at.z, 1.0f);
    EXPECT_GT(sitting.box.getMaximum().z, at.z + 40);
    EXPECT_LT(sitting.box.getMaximum().z, at.z + 80);
    EXPECT_GT(sitting.headBone.z, sitting.hipsBone.z + 10) << "sitting up";
    for (const char *state : {"Idle", "Walk"}) {
      SCOPED_TRACE(state);
      const Posed standing = pose(*scene, "passenger1.mesh", state, Shown::Npc, at, t);
      EXPECT_NEAR(standing.box.getMinimum().z, at.z, 1.0f) << "feet on the deck";
      EXPECT_GT(standing.box.getMaximum().z, at.z + 95);
      EXPECT_LT(standing.box.getMaximum().z, at.z + 110);
      EXPECT_GT(standing.headBone.z, standing.hipsBone.z + 25) << "upright";
    }
  }
}

struct StandCase {
  const char *mesh;
  const char *state;
  Shown shown;
  Real feetTolerance; // where the mesh serves NPC and chief offsets alike
};

TEST_F(StagedMedia, CrewsAndChiefsStandOnTheDeck) {
  const StandCase cases[] = {
      {"medic_crew.mesh", "Medkit_Crouch_Shoot1", Shown::Npc, 7},
      {"fireman_crew.mesh", "Idle", Shown::Npc, 3.5f},
      {"fireman_crew.mesh", "Fire_Shoot2", Shown::Npc, 3.5f},
      {"captain.mesh", "Idle", Shown::Chief, 1},
      {"captain.mesh", "Medkit_Crouch_Shoot1", Shown::Chief, 1},
      {"medic_crew.mesh", "Walk", Shown::Chief, 1},
      {"medic_crew.mesh", "Medkit_Crouch_Shoot1", Shown::Chief, 7},
      {"fireman_crew.mesh", "Fire_Shoot2", Shown::Chief, 3.5f},
  };
  const Vector3 at = openingPlace(14); // the first medic crew member
  for (const StandCase &c : cases)
    for (Real t : sampleTimes()) {
      SCOPED_TRACE(std::string(c.mesh) + " " + c.state + (c.shown == Shown::Npc ? " as NPC" : " as chief") +
                   " at " + std::to_string(t));
      const Posed p = pose(*scene, c.mesh, c.state, c.shown, at, t);
      EXPECT_NEAR(p.box.getMinimum().z, at.z, c.feetTolerance) << "feet on the deck";
      EXPECT_LT(p.box.getMaximum().z, at.z + 175);
      const bool crouch = std::string(c.state).find("Crouch") != std::string::npos;
      EXPECT_GT(p.box.getMaximum().z, at.z + (crouch ? 50 : 95)) << "upright, not lying";
      EXPECT_GT(p.headBone.z, p.hipsBone.z + 20);
    }
}

TEST_F(StagedMedia, FiguresFaceMinusXAfterTheTurn) {
  // The shoes reach farther forward than back; after the turn, forward must
  // be -X, where a chief's camera looks at the start and where the crew's
  // clone-node turns assume the face is.
  for (const char *name : kFigures) {
    SCOPED_TRACE(name);
    const Posed p = pose(*scene, name, "Idle", Shown::Npc, Vector3::ZERO, 0);
    EXPECT_LT(p.feet.getMinimum().x + p.feet.getMaximum().x, -2) << "the toes point to -X";
    EXPECT_NEAR(p.box.getCenter().y, 0, 1.5f) << "symmetric across its own left and right";
    EXPECT_GT(p.box.getSize().z, 95) << "mesh +Y is world +Z";
  }
}

// --- Shader controls ---------------------------------------------------------------

TEST_F(StagedMedia, ShaderControlFilesNameMaterialsTheGlRenderSystemSupports) {
  Ogre::StringVectorPtr files =
      Ogre::ResourceGroupManager::getSingleton().findResourceNames(Ogre::RGN_DEFAULT, "*.controls");
  ASSERT_FALSE(files->empty());
  for (const std::string &file : *files) {
    SCOPED_TRACE(file);
    Ogre::ConfigFile cfg;
    cfg.load(file, Ogre::RGN_DEFAULT, "\t;=", true);
    int sets = 0;
    for (const auto &section : cfg.getSettingsBySection()) {
      if (section.first.empty())
        continue;
      ++sets;
      const std::string material = cfg.getSetting("material", section.first);
      Ogre::MaterialPtr m = Ogre::MaterialManager::getSingleton().getByName(material);
      ASSERT_TRUE(m) << material;
      m->load();
      ASSERT_NE(m->getBestTechnique(), nullptr);
      EXPECT_EQ(m->getBestTechnique(), m->getTechnique(0)) << "the shader technique compiles on this GL";
      Ogre::Pass *pass = m->getBestTechnique()->getPass(0);
      ASSERT_TRUE(pass->hasFragmentProgram());
      auto range = section.second.equal_range("control");
      ASSERT_NE(range.first, range.second);
      for (auto it = range.first; it != range.second; ++it) {
        const Ogre::StringVector fields = Ogre::StringUtil::split(it->second, ",");
        ASSERT_EQ(fields.size(), 6u) << it->second;
        std::string name = fields[1], kind = fields[2];
        Ogre::StringUtil::trim(name);
        Ogre::StringUtil::trim(kind);
        const Ogre::GpuProgramParametersSharedPtr params =
            kind == "GPU_VERTEX" ? pass->getVertexProgramParameters() : pass->getFragmentProgramParameters();
        EXPECT_TRUE(params->_findNamedConstantDefinition(name)) << name << " is no parameter of " << kind;
      }
    }
    EXPECT_GE(sets, 1);
  }
}

} // namespace
