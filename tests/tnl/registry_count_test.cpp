// The simulation's connection class declares 28 RPCs; with the replication
// connection's three, group 0 holds 31 event classes. This executable links
// exactly those, so the count and ids are the program's.
#include "tnl/log.h"
#include "tnl/rpc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace TNL;

class NetworkModule : public EventConnection {
  TNL_DECLARE_NETCONNECTION(NetworkModule);

public:
  TNL_DECLARE_RPC(s2cDisconnectClient, (uint32_t role));
  TNL_DECLARE_RPC(c2sAddNewClient, (uint32_t role));
  TNL_DECLARE_RPC(s2cAddNewClient,
                  (uint32_t role, double x, double y, double z, double yaw, double pitch, double extra));
  TNL_DECLARE_RPC(c2smakeMovement,
                  (uint32_t role, double x, double y, double z, double yaw, double pitch, double extra));
  TNL_DECLARE_RPC(s2cmakeMovement,
                  (uint32_t role, double x, double y, double z, double yaw, double pitch, double extra));
  TNL_DECLARE_RPC(c2sVoice, (uint32_t role, RefPtr<ByteBuffer> data, bool echo));
  TNL_DECLARE_RPC(s2cVoice, (uint32_t role, RefPtr<ByteBuffer> data));
  TNL_DECLARE_RPC(c2sFiremanInteractFire, (uint32_t role, StringPtr name));
  TNL_DECLARE_RPC(s2cFiremanInteractFire, (uint32_t role, StringPtr name));
  TNL_DECLARE_RPC(c2sMedicInteractPassenger, (uint32_t role, StringPtr name));
  TNL_DECLARE_RPC(s2cMedicInteractPassenger, (uint32_t role, StringPtr name));
  TNL_DECLARE_RPC(c2ssetCharacterState, (uint32_t role, StringPtr state));
  TNL_DECLARE_RPC(s2csetCharacterState, (uint32_t role, StringPtr state));
  TNL_DECLARE_RPC(c2smoveNPCtoDest, (uint32_t role, StringPtr name, double x, double y, double z));
  TNL_DECLARE_RPC(s2cmoveNPCtoDest, (uint32_t role, StringPtr name, double x, double y, double z));
  TNL_DECLARE_RPC(c2srequestNPCtoFollow, (uint32_t role, StringPtr name));
  TNL_DECLARE_RPC(s2crequestNPCtoFollow, (uint32_t role, StringPtr name));
  TNL_DECLARE_RPC(c2srequestNPCtoStopFollow, (uint32_t role, StringPtr name));
  TNL_DECLARE_RPC(s2crequestNPCtoStopFollow, (uint32_t role, StringPtr name));
  TNL_DECLARE_RPC(s2cstartSimulation, ());
  TNL_DECLARE_RPC(s2crenderRatingMenu, ());
  TNL_DECLARE_RPC(s2cAddResource, (int32_t kind, int32_t amount));
  TNL_DECLARE_RPC(s2cAddPassenger, (double x, double y, double z));
  TNL_DECLARE_RPC(s2cCreateFire, (double x, double y, double z, double size));
  TNL_DECLARE_RPC(s2csendLastScores, (double captain, double medic, double fireman));
  TNL_DECLARE_RPC(c2ssendScore, (uint32_t role, double captain, double medic, double fireman));
  TNL_DECLARE_RPC(c2screwInteraction, (uint32_t role, StringPtr name));
  TNL_DECLARE_RPC(s2ccrewInteraction, (uint32_t role, StringPtr name));
};

TNL_IMPLEMENT_NETCONNECTION(NetworkModule, NetClassGroupGameMask, true);

// Only the declarations matter here; the handlers are empty.
#pragma GCC diagnostic ignored "-Wunused-parameter"
// Expands the shorthand argument groups below before the macro counts them.
#define IMPLEMENT_RPC(...) TNL_IMPLEMENT_RPC(__VA_ARGS__)

#define ORDERED_C2S NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirClientToServer, 0
#define ORDERED_S2C NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirServerToClient, 0
#define MOVEMENT_ARGS (uint32_t role, double x, double y, double z, double yaw, double pitch, double extra)
#define MOVEMENT_NAMES (role, x, y, z, yaw, pitch, extra)

IMPLEMENT_RPC(NetworkModule, s2cDisconnectClient, (uint32_t role), (role), ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, c2sAddNewClient, (uint32_t role), (role), ORDERED_C2S) {}
IMPLEMENT_RPC(NetworkModule, s2cAddNewClient, MOVEMENT_ARGS, MOVEMENT_NAMES, ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, c2smakeMovement, MOVEMENT_ARGS, MOVEMENT_NAMES, ORDERED_C2S) {}
IMPLEMENT_RPC(NetworkModule, s2cmakeMovement, MOVEMENT_ARGS, MOVEMENT_NAMES, ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, c2sVoice, (uint32_t role, RefPtr<ByteBuffer> data, bool echo),
              (role, data, echo), ORDERED_C2S) {}
IMPLEMENT_RPC(NetworkModule, s2cVoice, (uint32_t role, RefPtr<ByteBuffer> data), (role, data),
              NetClassGroupGameMask, RPCUnguaranteed, RPCDirServerToClient, 0) {}
IMPLEMENT_RPC(NetworkModule, c2sFiremanInteractFire, (uint32_t role, StringPtr name), (role, name),
              ORDERED_C2S) {}
IMPLEMENT_RPC(NetworkModule, s2cFiremanInteractFire, (uint32_t role, StringPtr name), (role, name),
              ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, c2sMedicInteractPassenger, (uint32_t role, StringPtr name), (role, name),
              ORDERED_C2S) {}
IMPLEMENT_RPC(NetworkModule, s2cMedicInteractPassenger, (uint32_t role, StringPtr name), (role, name),
              ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, c2ssetCharacterState, (uint32_t role, StringPtr state), (role, state),
              ORDERED_C2S) {}
IMPLEMENT_RPC(NetworkModule, s2csetCharacterState, (uint32_t role, StringPtr state), (role, state),
              ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, c2smoveNPCtoDest, (uint32_t role, StringPtr name, double x, double y, double z),
              (role, name, x, y, z), ORDERED_C2S) {}
IMPLEMENT_RPC(NetworkModule, s2cmoveNPCtoDest, (uint32_t role, StringPtr name, double x, double y, double z),
              (role, name, x, y, z), ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, c2srequestNPCtoFollow, (uint32_t role, StringPtr name), (role, name),
              ORDERED_C2S) {}
IMPLEMENT_RPC(NetworkModule, s2crequestNPCtoFollow, (uint32_t role, StringPtr name), (role, name),
              ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, c2srequestNPCtoStopFollow, (uint32_t role, StringPtr name), (role, name),
              ORDERED_C2S) {}
IMPLEMENT_RPC(NetworkModule, s2crequestNPCtoStopFollow, (uint32_t role, StringPtr name), (role, name),
              ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, s2cstartSimulation, (), (), ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, s2crenderRatingMenu, (), (), ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, s2cAddResource, (int32_t kind, int32_t amount), (kind, amount), ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, s2cAddPassenger, (double x, double y, double z), (x, y, z), ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, s2cCreateFire, (double x, double y, double z, double size), (x, y, z, size),
              ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, s2csendLastScores, (double captain, double medic, double fireman),
              (captain, medic, fireman), ORDERED_S2C) {}
IMPLEMENT_RPC(NetworkModule, c2ssendScore, (uint32_t role, double captain, double medic, double fireman),
              (role, captain, medic, fireman), ORDERED_C2S) {}
IMPLEMENT_RPC(NetworkModule, c2screwInteraction, (uint32_t role, StringPtr name), (role, name), ORDERED_C2S) {
}
IMPLEMENT_RPC(NetworkModule, s2ccrewInteraction, (uint32_t role, StringPtr name), (role, name), ORDERED_S2C) {
}

namespace {

class Lines : public LogConsumer {
public:
  void logString(const char *, const char *line) override { lines.push_back(line); }
  std::vector<std::string> lines;
};

} // namespace

TEST(SimulationClassTable, GroupZeroHoldsThirtyOneEventClassesWithFiveBitIdsInByteWiseNameOrder) {
  Lines log;
  setLogChannelEnabled("LogNetBase", true);
  NetClassRep::initialize();
  EXPECT_EQ(NetClassRep::getNetClassCount(NetClassGroupGame, NetClassTypeEvent), 31u);
  EXPECT_EQ(NetClassRep::getNetClassBitSize(NetClassGroupGame, NetClassTypeEvent), 5u);
  std::vector<std::string> names;
  for (uint32_t id = 0; id < 31; ++id)
    names.push_back(NetClassRep::findClassRep(NetClassGroupGame, NetClassTypeEvent, id)->getClassName());
  for (uint32_t id = 0; id < 31; ++id)
    EXPECT_EQ(names[id].rfind(id < 3 ? "RPC_GhostConnection_" : "RPC_NetworkModule_", 0), 0u) << names[id];
  // Upper case sorts before lower case: "RPC_NetworkModule_c2s..." and
  // "..._s2c..." interleave by the letter after the direction prefix.
  EXPECT_EQ(names[3], "RPC_NetworkModule_c2sAddNewClient");
  EXPECT_EQ(names[30], "RPC_NetworkModule_s2cstartSimulation");
  for (size_t i = 4; i < names.size(); ++i)
    EXPECT_LT(names[i - 1], names[i]);
  NetworkModule module;
  RefPtr<NetEvent> last = module.s2cstartSimulation_construct();
  EXPECT_EQ(last->getClassRep()->getClassId(NetClassGroupGame), 30u);

  ASSERT_EQ(log.lines.size(), 32u);
  EXPECT_EQ(log.lines[0], "Class Group: 0  Class Type: 2  count: 31");
  EXPECT_EQ(log.lines[1], "RPC_GhostConnection_rpcEndGhosting");
}
