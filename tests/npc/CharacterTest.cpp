// Characters: clone heights per state and mesh, animation restarts, and the
// horizontal-only push-out.

#include <gtest/gtest.h>

#include <OgreAnimationState.h>
#include <OgreEntity.h>
#include <OgreException.h>
#include <OgreSceneNode.h>

#include "refapp/OgreRefAppBox.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppWorld.h"
#include "tests/support/NpcTestSupport.h"
#include "tests/support/RefAppTestScene.h"

namespace sw::test {
namespace {

using OgreRefApp::Character;

// Opens the collision notifications to the tests.
class TouchableCharacter : public Character {
public:
  using Character::_notifyCollided;
  using Character::Character;
};

const char *const FIGURE_MESHES[] = {"captain.mesh", "medic_crew.mesh", "fireman_crew.mesh",
                                     "passenger1.mesh"};

class CharacterTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(refAppScene().levelLoaded); }
};

TEST(CharacterCloneHeight, FollowsTheFigureHeightAndTheMeshFamily) {
  EXPECT_EQ(92,
            Character::cloneHeightFor("Medkit_Crouch_Shoot1", "medic_crew.mesh", Ogre::Vector3(50, 40, 160)));
  EXPECT_EQ(196, Character::cloneHeightFor("Walk", "captain.mesh", Ogre::Vector3(50, 40, 170)));
  EXPECT_EQ(0, Character::cloneHeightFor("DeadBack", "captain.mesh", Ogre::Vector3(50, 40, 170)));
  // Heights are truncated before the lift is added.
  EXPECT_EQ(61 + 8, Character::cloneHeightFor("Idle", "elvis.mesh", Ogre::Vector3(1, 1, 41.9f)));
  EXPECT_EQ(30 + 2, Character::cloneHeightFor("Crouch", "other.mesh", Ogre::Vector3(1, 1, 41.9f)));
}

TEST_F(CharacterTest, SetStatePlacesTheCloneForEveryStateOnEveryFigure) {
  for (const char *mesh : FIGURE_MESHES) {
    Character *c = world().createCharacter(uniqueName("figure"), mesh, Ogre::Vector3(-700, -600, 60));
    const Ogre::Real depth = c->getEntity()->getBoundingBox().getSize().z;
    const int lift = Ogre::String(mesh).find("captain") != Ogre::String::npos ? 6 : 2;
    const Ogre::Real standing = static_cast<Ogre::Real>(static_cast<int>(depth + 20) + lift);
    const Ogre::Real crouched = static_cast<Ogre::Real>(static_cast<int>(depth * 0.5f + 10) + lift);
    const struct {
      const char *state;
      Ogre::Real height;
    } cases[] = {{"Idle", standing},        {"Walk", standing}, {"Medkit_Crouch_Shoot1", crouched},
                 {"Fire_Shoot2", standing}, {"Dead", 0},        {"DeadBack", 0},
                 {"DeadSitting", 0},        {"DeadStomach", 0}};
    for (const auto &expected : cases) {
      c->setState(expected.state);
      EXPECT_EQ(Ogre::Vector3(0, expected.height, 0), c->getCloneNode()->getPosition())
          << mesh << " " << expected.state;
      ASSERT_NE(nullptr, c->getCurrentAnimation());
      EXPECT_EQ(expected.state, c->getCurrentAnimation()->getAnimationName());
      EXPECT_TRUE(c->getCurrentAnimation()->getEnabled());
      EXPECT_TRUE(c->getCurrentAnimation()->getLoop());
    }
  }
}

TEST_F(CharacterTest, CloneHasItsOwnNodeUnderTheObjectNode) {
  const Ogre::String name = uniqueName("figure");
  Character *c = world().createCharacter(name, "captain.mesh", Ogre::Vector3(-700, -600, 60));
  EXPECT_EQ(name, c->getSceneNode()->getName());
  EXPECT_EQ("clone_" + name, c->getCloneNode()->getName());
  EXPECT_EQ(c->getSceneNode(), c->getCloneNode()->getParent());
  EXPECT_EQ("clone_" + name, c->getCloneEntity()->getName());
  EXPECT_FALSE(c->getEntity()->isVisible());
  EXPECT_TRUE(c->getCloneEntity()->isVisible());
  EXPECT_EQ(Ogre::Vector3(0.6f, 0.6f, 0.6f), c->getSceneNode()->getScale());
  EXPECT_EQ(nullptr, c->getCurrentAnimation());
}

TEST_F(CharacterTest, SettingTheSameStateAgainRewindsItsAnimation) {
  Character *c =
      world().createCharacter(uniqueName("figure"), "medic_crew.mesh", Ogre::Vector3(-700, -600, 60));
  c->setState("Walk");
  Ogre::AnimationState *walk = c->getCurrentAnimation();
  walk->addTime(0.3f);
  ASSERT_GT(walk->getTimePosition(), 0);
  c->setState("Walk");
  EXPECT_EQ(walk, c->getCurrentAnimation());
  EXPECT_EQ(0, walk->getTimePosition());
  EXPECT_TRUE(walk->getEnabled());

  walk->addTime(0.3f);
  c->setState("Idle");
  EXPECT_FALSE(walk->getEnabled());
  EXPECT_EQ(0, walk->getTimePosition());
}

TEST_F(CharacterTest, UnknownStateRaisesAndKeepsTheCurrentAnimation) {
  Character *c =
      world().createCharacter(uniqueName("figure"), "medic_crew.mesh", Ogre::Vector3(-700, -600, 60));
  c->setState("Idle");
  Ogre::AnimationState *idle = c->getCurrentAnimation();
  EXPECT_THROW(c->setState("Swim"), Ogre::Exception);
  EXPECT_EQ(idle, c->getCurrentAnimation());
}

TEST_F(CharacterTest, CollisionPushesOutOnlyHorizontally) {
  TouchableCharacter c(uniqueName("figure"), "captain.mesh");
  c.setPosition(-700, -600, 60);
  c.setDynamicsEnabled(false, true);
  Character::CollisionInfo info;
  info.normal = Ogre::Vector3(0.6f, 0, 0.8f);
  info.penetrationDepth = 0.5;

  c._notifyCollided(static_cast<OgreRefApp::ApplicationObject *>(nullptr), info);
  EXPECT_TRUE(Ogre::Vector3(-699.7f, -600, 60).positionEquals(c.getPosition(), 1e-4f));
  EXPECT_TRUE(dBodyIsEnabled(c.getOdeBody())); // touched by an object: awake

  info.normal = Ogre::Vector3(0, -0.8f, -0.6f);
  c._notifyCollided(static_cast<Ogre::SceneQuery::WorldFragment *>(nullptr), info);
  EXPECT_TRUE(Ogre::Vector3(-699.7f, -600.4f, 60).positionEquals(c.getPosition(), 1e-4f));
  EXPECT_FALSE(dBodyIsEnabled(c.getOdeBody())); // touched the level: dormant
  EXPECT_TRUE(c.isDynamicsEnabled());
}

TEST_F(CharacterTest, OverlappingBoxPushesTheCharacterAwayAtTheSameHeight) {
  Character *c = world().createCharacter(uniqueName("figure"), "captain.mesh", Ogre::Vector3(-600, -480, 60));
  c->setDynamicsEnabled(false, true);
  // A box leaning into the figure's side from +X and from above.
  OgreRefApp::Box *box =
      world().createBox(uniqueName("crate"), 40, 40, 40, Ogre::Vector3(-600 + 30, -480, 60 + 40));
  const Ogre::Vector3 before = c->getPosition();
  EXPECT_TRUE(c->testCollide(box));
  const Ogre::Vector3 after = c->getPosition();
  EXPECT_EQ(before.z, after.z);
  EXPECT_LT(after.x, before.x); // away from the box
  EXPECT_NEAR(before.y, after.y, 1e-3);
  c->setCollisionEnabled(false);
  box->setCollisionEnabled(false);
}

} // namespace
} // namespace sw::test
