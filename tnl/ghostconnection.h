// The object-replication connection. Replication itself is not built; the
// class exists so that its three RPC event classes are registered on every
// station and group 0 numbers its event classes the same everywhere (they
// sort before the simulation's "RPC_NetworkModule_..." classes).
#pragma once

#include "rpc.h"

namespace TNL {

class GhostConnection : public EventConnection {
  TNL_DECLARE_NETCONNECTION(GhostConnection);

public:
  TNL_DECLARE_RPC(rpcStartGhosting, (uint32_t sequence));
  TNL_DECLARE_RPC(rpcReadyForNormalGhosts, (uint32_t sequence));
  TNL_DECLARE_RPC(rpcEndGhosting, ());
};

} // namespace TNL
