#include "shell/NetworkStart.h"

#include "shell/state/SimulationLog.h"
#include "shell/state/StationState.h"
#include "tnl/netinterface.h"

TNL::RefPtr<TNL::NetInterface> netInterface;

void startNetwork() {
  const TNL::Address remote(serverAddress.c_str());
  const TNL::Address local(TNL::IPProtocol, TNL::Address::Any, 0);
  if (!remote.isValid()) {
    writeLog("The server address \"" + serverAddress +
             "\" is not an address; the station runs without a network");
    return;
  }
  TNL::RefPtr<TNL::NetInterface> created = new TNL::NetInterface(isClient ? local : remote);
  if (!created->isValid()) {
    writeLog("Cannot open a network interface for " + serverAddress + "; the station runs without a network");
    return;
  }
  netInterface = created;
  // Only the facilitator's server takes connections; the transport's
  // interfaces accept them unless told otherwise.
  netInterface->setAllowConnections(!isClient);
  // The connection to the server needs the simulation's connection class,
  // which this station does not have yet.
  if (isClient)
    writeLog("Cannot connect to " + serverAddress + " yet: this station has no simulation connection");
}

void serviceNetwork() {
  if (netInterface.isNull())
    return;
  netInterface->receiveDatagrams();
  netInterface->serviceConnections();
}
