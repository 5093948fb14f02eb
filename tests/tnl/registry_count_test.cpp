// The event class table in a process of its own, so that the test sees the
// first initialization and its log. Beside the replication connection's three
// RPCs it holds four whose names mix upper and lower case after the direction
// prefix, as the simulation's do: ids follow byte-wise name order, in which
// upper case sorts before lower case.
#include "../support/LogCapture.h"
#include "tnl/rpc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace TNL;

class MixedCaseModule : public EventConnection {
  TNL_DECLARE_NETCONNECTION(MixedCaseModule);

public:
  TNL_DECLARE_RPC(c2smakeMovement, (uint32_t role));
  TNL_DECLARE_RPC(c2sAddNewClient, (uint32_t role));
  TNL_DECLARE_RPC(s2cstartSimulation, ());
  TNL_DECLARE_RPC(s2cVoice, (uint32_t role));
};

TNL_IMPLEMENT_NETCONNECTION(MixedCaseModule, NetClassGroupGameMask, true);

// Only the declarations matter here; the handlers are empty.
#pragma GCC diagnostic ignored "-Wunused-parameter"
TNL_IMPLEMENT_RPC(MixedCaseModule, c2smakeMovement, (uint32_t role), (role), NetClassGroupGameMask,
                  RPCGuaranteedOrdered, RPCDirClientToServer, 0) {}
TNL_IMPLEMENT_RPC(MixedCaseModule, c2sAddNewClient, (uint32_t role), (role), NetClassGroupGameMask,
                  RPCGuaranteedOrdered, RPCDirClientToServer, 0) {}
TNL_IMPLEMENT_RPC(MixedCaseModule, s2cstartSimulation, (), (), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirServerToClient, 0) {}
TNL_IMPLEMENT_RPC(MixedCaseModule, s2cVoice, (uint32_t role), (role), NetClassGroupGameMask, RPCUnguaranteed,
                  RPCDirServerToClient, 0) {}

TEST(EventClassTable, IdsFollowByteWiseNameOrderAndTheFirstInitializationLogsThem) {
  LogCapture log;
  setLogChannelEnabled("LogNetBase", true);
  NetClassRep::initialize();
  const std::vector<std::string> expected = {
      "RPC_GhostConnection_rpcEndGhosting",    "RPC_GhostConnection_rpcReadyForNormalGhosts",
      "RPC_GhostConnection_rpcStartGhosting",  "RPC_MixedCaseModule_c2sAddNewClient",
      "RPC_MixedCaseModule_c2smakeMovement",   "RPC_MixedCaseModule_s2cVoice",
      "RPC_MixedCaseModule_s2cstartSimulation"};
  ASSERT_EQ(NetClassRep::getNetClassCount(NetClassGroupGame, NetClassTypeEvent), expected.size());
  EXPECT_EQ(NetClassRep::getNetClassBitSize(NetClassGroupGame, NetClassTypeEvent), 3u);
  for (uint32_t id = 0; id < expected.size(); ++id)
    EXPECT_EQ(NetClassRep::findClassRep(NetClassGroupGame, NetClassTypeEvent, id)->getClassName(),
              expected[id]);
  MixedCaseModule module;
  RefPtr<NetEvent> last = module.s2cstartSimulation_construct();
  EXPECT_EQ(last->getClassRep()->getClassId(NetClassGroupGame), 6u);

  ASSERT_EQ(log.lines.size(), expected.size() + 1);
  EXPECT_EQ(log.lines[0], "Class Group: 0  Class Type: 2  count: 7");
  EXPECT_EQ(std::vector<std::string>(log.lines.begin() + 1, log.lines.end()), expected);
}
