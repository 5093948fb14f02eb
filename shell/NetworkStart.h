#pragma once
// The station's network interface, made once the start dialog has fixed the
// role and the server address.

#include "tnl/netbase.h"

namespace TNL {
class NetInterface;
}

// Set once during start-up; released at process exit.
extern TNL::RefPtr<TNL::NetInterface> netInterface;

// The facilitator's server listens on serverAddress and accepts connections;
// a chief's station opens an interface on any local address and a system
// port. Logs a line when the address does not parse or cannot be bound; the
// station then runs without a network.
void startNetwork();

// One network pass of the loops: receive (RPC handlers run here), then send.
void serviceNetwork();
