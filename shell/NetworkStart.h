#pragma once
// The station's network, made once the start dialog has fixed the role and
// the server address, and released before the engine at shutdown.

class StationLink;

// The station's one link over the process-wide station state.
StationLink &stationLink();

// The facilitator's server listens on serverAddress and accepts connections;
// a chief's station connects to it and asks to join. Installs the
// presentation's reports. When the address does not parse or cannot be
// bound the station runs without a network (the log and the lobby say why).
void startNetwork();

// One network pass of the loops: receive (RPC handlers run here), then send.
void serviceNetwork();

// Disconnects every connection (peers learn it at once) and releases the
// interface; no handler runs afterwards. Called before the engine goes.
void stopNetwork();
