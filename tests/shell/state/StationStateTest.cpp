// Station state: chiefs' records by role code, object names and kinds.
#include <gtest/gtest.h>

#include "shell/state/ObjectKinds.h"
#include "shell/state/StationState.h"

namespace {

TEST(StationState, OnlyChiefRolesGetARecordAndObjectNumbersRunAcrossAllKinds) {
  for (std::uint32_t role : {3u, 200u, 0xFFFFFFFFu})
    EXPECT_FALSE(makeClientRecord(role)) << role;
  const std::unique_ptr<ClientRecord> medic = makeClientRecord(1);
  ASSERT_TRUE(medic);
  EXPECT_EQ(medic->mesh, "medic_crew.mesh");

  EXPECT_EQ(makeObjectName(PASSENGER_PREFIX), "passenger0");
  for (int i = 0; i < 18; ++i)
    sceneObjects[makeObjectName(i % 2 ? MEDIC_CREW_PREFIX : FIRE_CREW_PREFIX)] = nullptr;
  EXPECT_EQ(makeObjectName(FIRE_PREFIX), "fireparticle18");
  EXPECT_EQ(sceneObjects.count("CREWilkyardim17"), 1u);
  // Looking up a missing name adds nothing.
  EXPECT_EQ(findNamedObject("fireparticle7"), nullptr);
  EXPECT_EQ(sceneObjects.size(), 18u);
  sceneObjects.clear();
}

TEST(ObjectKinds, KindsAreFoundAnywhereInANameClonesIncluded) {
  EXPECT_TRUE(isPassenger("clone_passenger4"));
  EXPECT_FALSE(isCrew("passenger4"));
  EXPECT_TRUE(isMedicCrew("clone_CREWilkyardim14"));
  EXPECT_FALSE(isFireCrew("CREWilkyardim14"));
  EXPECT_TRUE(isFireCrew("CREWyangin16"));
  EXPECT_FALSE(isNpc("fireparticle0"));
  EXPECT_FALSE(isNpc("clone_captain"));
  EXPECT_FALSE(isFire("clone_captain"));
}

} // namespace
