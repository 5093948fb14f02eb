#include "ghostconnection.h"

namespace TNL {

void linkGhostConnectionClasses() {}

TNL_IMPLEMENT_NETCONNECTION(GhostConnection, NetClassGroupGameMask, false);

// Replication is never switched on, so the handlers have nothing to do.
TNL_IMPLEMENT_RPC(GhostConnection, rpcStartGhosting, (uint32_t sequence), (sequence), NetClassGroupGameMask,
                  RPCGuaranteedOrdered, RPCDirServerToClient, 0) {
  (void)sequence;
}

TNL_IMPLEMENT_RPC(GhostConnection, rpcReadyForNormalGhosts, (uint32_t sequence), (sequence),
                  NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirClientToServer, 0) {
  (void)sequence;
}

TNL_IMPLEMENT_RPC(GhostConnection, rpcEndGhosting, (), (), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirServerToClient, 0) {}

} // namespace TNL
