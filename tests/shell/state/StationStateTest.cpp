// Station state: chiefs' records by role code, object names and kinds.
#include <gtest/gtest.h>

#include "shell/state/ObjectKinds.h"
#include "shell/state/StationState.h"

namespace {

class StationState : public ::testing::Test {
protected:
  void TearDown() override { sceneObjects.clear(); }
};

TEST_F(StationState, OnlyChiefRolesGetARecordWithTheirNameAndMesh) {
  EXPECT_FALSE(makeClientRecord(3));
  EXPECT_FALSE(makeClientRecord(200));
  EXPECT_FALSE(makeClientRecord(0xFFFFFFFFu));
  const std::unique_ptr<ClientRecord> medic = makeClientRecord(1);
  ASSERT_TRUE(medic);
  EXPECT_EQ(medic->name, "medic");
  EXPECT_EQ(medic->mesh, "medic_crew.mesh");
  EXPECT_EQ(medic->role, 1);
}

TEST_F(StationState, ObjectNumbersStartAtZeroAndRunAcrossAllKinds) {
  EXPECT_EQ(makeObjectName(PASSENGER_PREFIX), "passenger0");
  for (int i = 0; i < 18; ++i)
    sceneObjects[makeObjectName(i % 2 ? MEDIC_CREW_PREFIX : FIRE_CREW_PREFIX)] = nullptr;
  EXPECT_EQ(makeObjectName(FIRE_PREFIX), "fireparticle18");
  EXPECT_EQ(sceneObjects.count("CREWyangin0"), 1u);
  EXPECT_EQ(sceneObjects.count("CREWilkyardim17"), 1u);
}

TEST_F(StationState, LookingUpAMissingNameAddsNothing) {
  sceneObjects["passenger0"] = nullptr;
  EXPECT_EQ(findNamedObject("fireparticle7"), nullptr);
  EXPECT_EQ(sceneObjects.size(), 1u);
}

TEST(ObjectKinds, KindsAreFoundAnywhereInANameClonesIncluded) {
  EXPECT_TRUE(isPassenger("clone_passenger4"));
  EXPECT_TRUE(isNpc("passenger4"));
  EXPECT_FALSE(isCrew("passenger4"));

  EXPECT_TRUE(isCrew("clone_CREWilkyardim14"));
  EXPECT_TRUE(isMedicCrew("CREWilkyardim14"));
  EXPECT_FALSE(isFireCrew("CREWilkyardim14"));
  EXPECT_TRUE(isFireCrew("CREWyangin16"));
  EXPECT_FALSE(isMedicCrew("CREWyangin16"));

  EXPECT_TRUE(isFire("fireparticle0"));
  EXPECT_FALSE(isNpc("fireparticle0"));
  EXPECT_FALSE(isNpc("clone_captain"));
  EXPECT_FALSE(isFire("clone_captain"));
}

} // namespace
