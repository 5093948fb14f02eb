#include "refapp/OgreRefAppBall.h"
#include "tests/support/WorldTestFixture.h"

namespace sw::test {
namespace {

using WorldStep = WorldTest;

TEST_F(WorldStep, DefaultStepIsTheSinglePrecisionHundredth) {
  EXPECT_EQ(world->getSimulationStepSize(), 0.01f);
  EXPECT_EQ(static_cast<double>(world->getSimulationStepSize()), 0.009999999776482582);
}

TEST_F(WorldStep, ThreeFramesOfFourMillisecondsFromRestRunOneStepOnTheThird) {
  // A fresh world carries nothing: rebuild the accumulation from zero by
  // stepping a frame that leaves exactly nothing over.
  ProbeObject &probe = makeProbe(highAbove());
  probe.setDynamicsEnabled(true);
  world->simulationStep(static_cast<Ogre::Real>(-world->getLeftOverTime()));
  ASSERT_NEAR(world->getLeftOverTime(), 0, 1e-9);
  probe.dynamicsUpdates = 0;
  const int updates[] = {0, 0, 1};
  for (int frame = 0; frame < 3; ++frame) {
    world->simulationStep(0.004f);
    EXPECT_EQ(probe.dynamicsUpdates, updates[frame]) << "frame " << frame + 1;
  }
  EXPECT_NEAR(world->getLeftOverTime(), 0.002, 1e-6);
}

TEST_F(WorldStep, LongFrameRunsWholeStepsAndCarriesTheRest) {
  ProbeObject &probe = makeProbe(highAbove());
  probe.setDynamicsEnabled(true);
  world->simulationStep(static_cast<Ogre::Real>(-world->getLeftOverTime()));
  probe.dynamicsUpdates = 0;
  world->simulationStep(0.035f);
  EXPECT_EQ(probe.dynamicsUpdates, 3);
  EXPECT_NEAR(world->getLeftOverTime(), 0.005, 1e-6);
}

TEST_F(WorldStep, StepMovesFallingBodiesAndTheirNodesAndProxies) {
  ProbeObject &probe = makeProbe(highAbove());
  probe.setDynamicsEnabled(true);
  world->simulationStep(static_cast<Ogre::Real>(-world->getLeftOverTime()));
  world->simulationStep(0.1f);
  const Ogre::Vector3 position = probe.getPosition();
  EXPECT_LT(position.z, 5000);
  EXPECT_FLOAT_EQ(position.x, 0);
  const dReal *proxy = dGeomGetPosition(probe.proxy());
  EXPECT_FLOAT_EQ(static_cast<float>(proxy[2]), position.z);
  // Free fall under (0, 0, -60) for ten 0.01 s steps of the exact stepper.
  EXPECT_NEAR(dBodyGetLinearVel(probe.getOdeBody())[2], -60 * 10 * 0.009999999776482582, 1e-3);
}

TEST_F(WorldStep, ZeroStepLeavesTheWorldAlone) {
  ProbeObject &probe = makeProbe(highAbove());
  probe.setDynamicsEnabled(true);
  probe.dynamicsUpdates = 0;
  world->_applyDynamics(0);
  EXPECT_EQ(probe.dynamicsUpdates, 0);
  EXPECT_EQ(probe.getPosition(), highAbove());
}

TEST_F(WorldStep, GravityIsStoredAndGivenToOde) {
  EXPECT_EQ(world->getGravity(), Ogre::Vector3(0, 0, -60));
  dVector3 gravity;
  dWorldGetGravity(world->getOdeWorld(), gravity);
  EXPECT_EQ(gravity[2], -60);
}

TEST_F(WorldStep, SecondWorldFailsTheSingletonCheck) {
  RecordedAssertions recorded;
  struct Thrown {};
  OgreRefApp::setAssertionHandler([](const char *message, const char *unit) {
    RecordedAssertions::failures.push_back({message, unit});
    throw Thrown{};
  });
  EXPECT_THROW(OgreRefApp::World(world->getSceneManager(), OgreRefApp::WT_BSP), Thrown);
  ASSERT_EQ(RecordedAssertions::failures.size(), 1u);
  EXPECT_EQ(RecordedAssertions::failures[0].message, "!ms_Singleton");
  EXPECT_EQ(RecordedAssertions::failures[0].unit, "OgreRefAppWorld");
  EXPECT_EQ(&OgreRefApp::World::getSingleton(), world);
}

TEST_F(WorldStep, ClearForgetsDeletedObjectsInTheDynamicsSet) {
  auto *ball = world->createBall(uniqueName("ball"), 10, highAbove());
  ball->setDynamicsEnabled(true);
  ASSERT_EQ(world->getDynamicsObjects().count(ball), 1u);
  world->clear();
  EXPECT_TRUE(world->getDynamicsObjects().empty());
  EXPECT_TRUE(world->getObjects().empty());
  world->simulationStep(0.05f); // must not touch the deleted ball
}

} // namespace
} // namespace sw::test
