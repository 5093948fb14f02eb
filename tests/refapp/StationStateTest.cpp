#include <gtest/gtest.h>

#include "graphics/GraphicsModule.h"
#include "shell/StationState.h"

namespace {

class StationState : public ::testing::Test {
protected:
  void TearDown() override { graphicsModule.namedObjects.clear(); }
};

TEST_F(StationState, StartsAsServerInTheCaptainsRoleWithFullSupplies) {
  EXPECT_FALSE(isClient);
  EXPECT_EQ(clientRole, 0u);
  EXPECT_TRUE(roleName.empty());
  EXPECT_TRUE(serverAddress.empty());
  EXPECT_EQ(viewedRole, 3);
  EXPECT_TRUE(selectedObjectName.empty());
  EXPECT_TRUE(medicCrewPool.empty());
  EXPECT_TRUE(fireCrewPool.empty());
  EXPECT_EQ(passengerCount, 0);
  EXPECT_EQ(rescuedCount, 0);
  EXPECT_EQ(healedCount, 0);
  EXPECT_EQ(fireCount, 0);
  EXPECT_EQ(extinguishedCount, 0);
  EXPECT_EQ(medkitSupply, 100.0);
  EXPECT_EQ(extinguisherSupply, 100.0);
  for (const auto &slot : clientTable)
    EXPECT_FALSE(slot);
}

TEST_F(StationState, RoleTableNamesEveryRole) {
  EXPECT_STREQ(roleTable[0].roleWord, "captain");
  EXPECT_STREQ(roleTable[0].mesh, "captain.mesh");
  EXPECT_STREQ(roleTable[1].roleWord, "medic");
  EXPECT_STREQ(roleTable[1].mesh, "medic_crew.mesh");
  EXPECT_STREQ(roleTable[2].roleWord, "fireman");
  EXPECT_STREQ(roleTable[2].mesh, "fireman_crew.mesh");
  EXPECT_STREQ(roleTable[2].shownAs, "Fire&Rescue Chief");
  EXPECT_STREQ(roleTable[3].roleWord, "facilitator");
  EXPECT_STREQ(roleTable[3].recordName, "");
}

TEST_F(StationState, FreshMedicRecordHasNamesFromTheRoleAndEverythingElseEmpty) {
  const std::unique_ptr<ClientRecord> record = makeClientRecord(1);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->name, "medic");
  EXPECT_EQ(record->mesh, "medic_crew.mesh");
  EXPECT_EQ(record->role, 1);
  EXPECT_FALSE(record->scoreReceived);
  EXPECT_EQ(record->connection, nullptr);
  EXPECT_EQ(record->character, nullptr);
  for (double value : record->placement)
    EXPECT_EQ(value, 0);
  for (double value : record->scores)
    EXPECT_EQ(value, 0);
}

TEST_F(StationState, FacilitatorAndOutOfRangeRolesGetNoRecord) {
  EXPECT_FALSE(makeClientRecord(3));
  EXPECT_FALSE(makeClientRecord(200));
  EXPECT_TRUE(makeClientRecord(0));
  EXPECT_TRUE(makeClientRecord(2));
}

TEST_F(StationState, FirstObjectNameIsNumberedZero) {
  EXPECT_EQ(makeObjectName(PASSENGER_PREFIX), "passenger0");
}

TEST_F(StationState, ObjectNumbersRunAcrossAllKinds) {
  for (int i = 0; i < 18; ++i)
    graphicsModule.namedObjects[makeObjectName(i % 2 ? MEDIC_CREW_PREFIX : FIRE_CREW_PREFIX)] = nullptr;
  EXPECT_EQ(graphicsModule.namedObjects.size(), 18u);
  EXPECT_EQ(makeObjectName(FIRE_PREFIX), "fireparticle18");
  EXPECT_EQ(graphicsModule.namedObjects.count("CREWyangin0"), 1u);
  EXPECT_EQ(graphicsModule.namedObjects.count("CREWilkyardim17"), 1u);
}

TEST_F(StationState, LookingUpAMissingNameAddsNothing) {
  graphicsModule.namedObjects["passenger0"] = nullptr;
  EXPECT_EQ(findNamedObject("fireparticle7"), nullptr);
  EXPECT_EQ(graphicsModule.namedObjects.size(), 1u);
}

TEST(GraphicsModuleData, StartsEmptyAndRunningFlagsFollowThePhases) {
  GraphicsModule module;
  EXPECT_EQ(module.mRoot, nullptr);
  EXPECT_EQ(module.mWorld, nullptr);
  EXPECT_EQ(module.mCamera, nullptr);
  EXPECT_TRUE(module.namedObjects.empty());
  EXPECT_FALSE(module.mStartRequested);
  EXPECT_TRUE(module.isRunning());
  module.mWaitingForStart = true;
  EXPECT_FALSE(module.isRunning());
  module.mWaitingForStart = false;
  module.mRatingPhase = true;
  EXPECT_FALSE(module.isRunning());
  module.mRatingPhase = false;
  module.mScorePhase = true;
  EXPECT_FALSE(module.isRunning());
}

} // namespace
