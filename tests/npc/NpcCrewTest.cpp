// Crew members: summoning beside a passenger or a fire, the timed work, the
// supplies and counters it changes, and the return to the pool.

#include <gtest/gtest.h>

#include <OgreAnimationState.h>
#include <OgreEntity.h>
#include <OgreParticleSystem.h>
#include <OgreSceneNode.h>
#include <OgreStringConverter.h>

#include "graphics/GraphicsModule.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppFire.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/state/ObjectKinds.h"
#include "shell/state/StationState.h"
#include "tests/support/NpcTestSupport.h"
#include "tests/support/RefAppTestScene.h"

namespace sw::test {
namespace {

using OgreRefApp::NPC;

class NpcCrewTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(refAppScene().levelLoaded);
    medicCrewPool.clear();
    fireCrewPool.clear();
  }

  // Takes the crew member at the back of its pool, as the crew dispatch does.
  static NPC &dispatch(std::vector<NPC *> &pool) {
    NPC *member = pool.back();
    pool.pop_back();
    return *member;
  }

  static std::string animationOf(const NPC &npc) { return npc.getCurrentAnimationName(); }

  static void expectPooled(const NPC &crew, const std::vector<NPC *> &pool, double heightBefore) {
    EXPECT_FALSE(crew.isWorking());
    EXPECT_EQ(&crew, pool.back());
    EXPECT_FALSE(crew.isCollisionEnabled());
    EXPECT_FALSE(crew.isDynamicsEnabled());
    EXPECT_FALSE(crew.getCloneEntity()->isVisible());
    EXPECT_FLOAT_EQ(static_cast<float>(heightBefore + 200), crew.getPosition().z);
    EXPECT_EQ("Idle", crew.getCurrentAnimationName());
  }

  OgreRefApp::Fire &spawnFire(const Ogre::Vector3 &position) {
    const std::string name = makeObjectName(FIRE_PREFIX);
    OgreRefApp::Fire *fire = world().createFire(name, "Examples/Smoke", 0.5, position);
    graphicsModule.namedObjects[name] = fire;
    fire->setCollisionEnabled(true);
    fire->setDynamicsEnabled(false, false);
    return *fire;
  }
};

TEST_F(NpcCrewTest, MedicCrewIsPlacedFortyUnitsFromThePassengerOnTheMedicChiefsSide) {
  placeChief(ROLE_MEDIC, Ogre::Vector3(-600, -560, 0));
  NPC &patient = spawnPassenger(Ogre::Vector3(-500, -560, 50), "DeadBack");
  NPC &crew = spawnCrew(MEDIC_CREW_PREFIX, Ogre::Vector3(-400, -415, 0));
  ASSERT_EQ(&crew, medicCrewPool.back());

  EXPECT_TRUE(dispatch(medicCrewPool).workOnPassenger(patient.getName()));
  EXPECT_TRUE(Ogre::Vector3(-540, -560, 0).positionEquals(crew.getPosition(), 1e-3f));
  EXPECT_TRUE(crew.isWorking());
  EXPECT_EQ(patient.getName(), crew.getTargetName());
  EXPECT_TRUE(crew.isCollisionEnabled());
  EXPECT_TRUE(crew.getCloneEntity()->isVisible());
  EXPECT_EQ("Medkit_Crouch_Shoot1", animationOf(crew));
  EXPECT_GT(facingOf(crew).dotProduct(Ogre::Vector3::UNIT_X), 0.99f); // faces the passenger
  EXPECT_EQ(1, npcLogLinesEqualTo("Summon Medic on :-540 -560 0"));
  retire(patient);
  retire(crew);
}

TEST_F(NpcCrewTest, TwoTreatmentsSitThePassengerUpAndThenStandItUp) {
  placeChief(ROLE_MEDIC, Ogre::Vector3(-600, -620, 0));
  NPC &patient = spawnPassenger(Ogre::Vector3(-500, -620, 2), "DeadStomach");
  NPC &crew = spawnCrew(MEDIC_CREW_PREFIX, Ogre::Vector3(-410, -455, 0));
  const double healedBefore = healedCount;
  const double medkitsBefore = medkitSupply;

  dispatch(medicCrewPool).workOnPassenger(patient.getName());
  // Six half seconds make exactly 3 s: not yet more than 3.
  for (int frame = 0; frame < 6; ++frame)
    crew.crewtick(frameOf(0.5));
  EXPECT_TRUE(crew.isWorking());
  EXPECT_EQ("DeadStomach", animationOf(patient));
  crew.crewtick(frameOf(0.5));
  EXPECT_EQ("DeadSitting", animationOf(patient));
  EXPECT_EQ(healedBefore, healedCount);
  EXPECT_EQ(medkitsBefore - 5, medkitSupply);
  expectPooled(crew, medicCrewPool, 0);

  dispatch(medicCrewPool).workOnPassenger(patient.getName());
  EXPECT_TRUE(crew.isWorking());
  for (int frame = 0; frame < 4; ++frame)
    crew.crewtick(frameOf(1.0));
  EXPECT_EQ("Idle", animationOf(patient));
  EXPECT_EQ(healedBefore + 1, healedCount);
  EXPECT_EQ(medkitsBefore - 10, medkitSupply);
  expectPooled(crew, medicCrewPool, 0);

  // A standing passenger is not treated: the crew member stays idle and says
  // so, so that the dispatcher keeps it in the pool.
  const Ogre::Vector3 pooledAt = crew.getPosition();
  EXPECT_FALSE(crew.workOnPassenger(patient.getName()));
  EXPECT_FALSE(crew.isWorking());
  EXPECT_EQ(pooledAt, crew.getPosition());
  retire(patient);
}

TEST_F(NpcCrewTest, NoCrewIsSummonedWithoutTheTargetOrTheChief) {
  placeChief(ROLE_MEDIC, Ogre::Vector3(-600, -680, 0));
  NPC &crew = spawnCrew(MEDIC_CREW_PREFIX, Ogre::Vector3(-400, -415, 0));
  EXPECT_FALSE(crew.workOnPassenger("passenger_that_never_was"));
  EXPECT_FALSE(crew.isWorking());

  NPC &patient = spawnPassenger(Ogre::Vector3(-500, -680, 2), "DeadBack");
  std::unique_ptr<ClientRecord> fireman = std::move(clientTable[ROLE_FIREMAN]);
  NPC &fireCrew = spawnCrew(FIRE_CREW_PREFIX, Ogre::Vector3(-420, -500, 0));
  OgreRefApp::Fire &fire = spawnFire(Ogre::Vector3(-300, -680, 5));
  EXPECT_FALSE(fireCrew.workOnFire(fire.getSceneNode()->getName()));
  EXPECT_FALSE(fireCrew.isWorking()); // no fireman chief to stand beside
  clientTable[ROLE_FIREMAN] = std::move(fireman);
  retire(patient);
  fire.setCollisionEnabled(false);
}

TEST_F(NpcCrewTest, PoolListsACrewMemberOnce) {
  NPC &crew = spawnCrew(FIRE_CREW_PREFIX, Ogre::Vector3(-430, -540, 0));
  crew.setDisabled();
  EXPECT_EQ(1u, fireCrewPool.size());
}

TEST_F(NpcCrewTest, FireCrewPutsOutANewFireAtTheNinthStep) {
  placeChief(ROLE_FIREMAN, Ogre::Vector3(-700, -450, 0));
  OgreRefApp::Fire &fire = spawnFire(Ogre::Vector3(-600, -450, 5));
  NPC &crew = spawnCrew(FIRE_CREW_PREFIX, Ogre::Vector3(-420, -500, 0));
  const double suppliesBefore = extinguisherSupply;
  const double extinguishedBefore = extinguishedCount;

  dispatch(fireCrewPool).workOnFire(fire.getSceneNode()->getName());
  EXPECT_TRUE(Ogre::Vector3(-700, -450, 5).positionEquals(crew.getPosition(), 1e-3f));
  EXPECT_EQ("Fire_Shoot2", animationOf(crew));
  EXPECT_EQ(1, npcLogLinesEqualTo("Summon Fireman on :-700 -450 5"));

  crew.crewtick(frameOf(0.5)); // not more than 0.5 s yet
  EXPECT_EQ(Ogre::Vector3::UNIT_SCALE, fire.getSceneNode()->getScale());
  const float perAxis[] = {0.99f, 0.9702f, 0.93159f, 0.85854f, 0.72850f, 0.52343f, 0.26874f, 0.06953f};
  for (int step = 0; step < 8; ++step) {
    crew.crewtick(frameOf(0.6));
    EXPECT_NEAR(perAxis[step], fire.getSceneNode()->getScale().x, 5e-5) << step;
    EXPECT_TRUE(fire.isCollisionEnabled()) << step;
    EXPECT_TRUE(crew.isWorking()) << step;
  }
  EXPECT_EQ(suppliesBefore - 16, extinguisherSupply);
  EXPECT_EQ(extinguishedBefore, extinguishedCount);

  crew.crewtick(frameOf(0.6));
  EXPECT_EQ(suppliesBefore - 18, extinguisherSupply);
  EXPECT_EQ(extinguishedBefore + 1, extinguishedCount);
  EXPECT_EQ(Ogre::Vector3(0, 0, -100), fire.getPosition());
  EXPECT_FALSE(fire.isCollisionEnabled());
  EXPECT_FALSE(fire.isDynamicsEnabled());
  EXPECT_FALSE(fire.getParticleSystem()->isVisible());
  EXPECT_FALSE(fire.getEntity()->isVisible());
  expectPooled(crew, fireCrewPool, 5);

  // Nobody is sent to the put-out fire below the deck.
  const Ogre::Vector3 pooledAt = crew.getPosition();
  EXPECT_FALSE(crew.workOnFire(fire.getSceneNode()->getName()));
  EXPECT_FALSE(crew.isWorking());
  EXPECT_EQ(pooledAt, crew.getPosition());
}

TEST_F(NpcCrewTest, FirePutOutMeanwhileIsNeitherCountedNorPaidForAgain) {
  placeChief(ROLE_FIREMAN, Ogre::Vector3(-700, -390, 0));
  OgreRefApp::Fire &fire = spawnFire(Ogre::Vector3(-600, -390, 5));
  NPC &crew = spawnCrew(FIRE_CREW_PREFIX, Ogre::Vector3(-420, -500, 0));
  dispatch(fireCrewPool).workOnFire(fire.getSceneNode()->getName());
  crew.crewtick(frameOf(0.6));
  // The fireman chief puts it out first.
  fire.getSceneNode()->setScale(0.1f, 0.1f, 0.1f);
  fire.getSceneNode()->setVisible(false, true);
  fire.setPosition(0, 0, -100);
  fire.setCollisionEnabled(false);
  const double suppliesBefore = extinguisherSupply;
  const double extinguishedBefore = extinguishedCount;

  crew.crewtick(frameOf(0.6));
  EXPECT_EQ(extinguishedBefore, extinguishedCount);
  EXPECT_EQ(suppliesBefore, extinguisherSupply);
  expectPooled(crew, fireCrewPool, 5);
}

} // namespace
} // namespace sw::test
