#include "network/StationLink.h"

#include <algorithm>
#include <vector>

#include "network/NetworkModule.h"
#include "network/NetworkScene.h"
#include "tnl/netinterface.h"

namespace {

// Interfaces of the live stations; the program has one, the tests several.
std::vector<StationLink *> &liveStations() {
  static std::vector<StationLink *> stations;
  return stations;
}

bool hasEnded(TNL::NetConnection::NetConnectionState state) {
  using TNL::NetConnection;
  return state == NetConnection::ConnectTimedOut || state == NetConnection::ConnectRejected ||
         state == NetConnection::Disconnected || state == NetConnection::TimedOut;
}

} // namespace

std::string lobbyAddressText(const std::string &address) {
  const TNL::Address parsed(address.c_str());
  const std::string text = parsed.toString(); // "IP:a.b.c.d:port"
  return text.compare(0, 3, "IP:") == 0 ? text.substr(3) : text;
}

StationLink::StationLink(bool &isClientFlag, std::uint32_t &role, std::string &word, ClientTable &chiefs,
                         NetworkScene &stationScene, LogSink sink)
    : isClient(isClientFlag), clientRole(role), roleName(word), table(chiefs), scene(stationScene),
      log(std::move(sink)) {
  liveStations().push_back(this);
}

StationLink::~StationLink() {
  shutDown();
  auto &stations = liveStations();
  stations.erase(std::remove(stations.begin(), stations.end(), this), stations.end());
}

StationLink *StationLink::ofInterface(const TNL::NetInterface *netInterface) {
  if (!netInterface)
    return nullptr;
  for (StationLink *station : liveStations())
    if (station->netInterface.getPointer() == netInterface)
      return station;
  return nullptr;
}

void StationLink::setStatus(const std::string &words) {
  mStatus = words;
  scene.showLinkStatus(words);
}

// ---- start, service, shutdown -----------------------------------------------------------

bool StationLink::start(const std::string &address) {
  return isClient ? startChief(address) : startServer(address);
}

bool StationLink::startServer(const std::string &address) {
  const TNL::Address local(address.c_str());
  if (!local.isValid()) {
    log("The server address \"" + address + "\" is not an address; the station runs without a network");
    setStatus("Not listening: \"" + address + "\" is not an address");
    return false;
  }
  TNL::RefPtr<TNL::NetInterface> created = new TNL::NetInterface(local);
  const std::string shown = lobbyAddressText(address);
  if (!created->isValid()) {
    // Binding the same host on a system port tells a busy port from an
    // address that is not this machine's.
    TNL::Address anyPort = local;
    anyPort.port = 0;
    TNL::RefPtr<TNL::NetInterface> probe = new TNL::NetInterface(anyPort);
    const bool portBusy = probe->isValid();
    log("Cannot open a network interface for " + address + "; the station runs without a network");
    setStatus("Cannot listen on " + shown +
              (portBusy ? ": the port is in use (another facilitator on this machine?)"
                        : ": not an address of this machine"));
    return false;
  }
  netInterface = created;
  netInterface->setAllowConnections(true);
  setStatus("Listening on " + lobbyAddressText(netInterface->getBoundAddress().toString()));
  return true;
}

bool StationLink::startChief(const std::string &address) {
  const TNL::Address remote(address.c_str());
  if (!remote.isValid()) {
    log("The server address \"" + address + "\" is not an address; the station runs without a network");
    setStatus("Not connected: \"" + address + "\" is not an address");
    return false;
  }
  TNL::RefPtr<TNL::NetInterface> created =
      new TNL::NetInterface(TNL::Address(TNL::IPProtocol, TNL::Address::Any, 0));
  if (!created->isValid()) {
    log("Cannot open a network interface for " + address + "; the station runs without a network");
    setStatus("Not connected: no network interface");
    return false;
  }
  netInterface = created;
  netInterface->setAllowConnections(false);
  ownConnection = new NetworkModule;
  ownConnection->attach(this);
  setStatus("Connecting to " + lobbyAddressText(address) + "...");
  ownConnection->connectTo(netInterface, remote, false, false);
  // Waits in the ordered queue; the first event once the link is up.
  ownConnection->c2sAddNewClient(clientRole);
  return true;
}

void StationLink::service() {
  if (netInterface.isNull())
    return;
  netInterface->receiveDatagrams();
  netInterface->serviceConnections();
}

void StationLink::shutDown() {
  if (netInterface.isNull())
    return;
  // The connections forget this station first, so no handler touches the
  // scene or the table while they close; the disconnect notices free the
  // facilitator's slots at once instead of after the ping time-out.
  std::vector<TNL::RefPtr<TNL::NetConnection>> established = netInterface->getConnectionList();
  for (const auto &connection : established)
    if (auto *module = dynamic_cast<NetworkModule *>(connection.getPointer()))
      module->attach(nullptr);
  if (ownConnection)
    ownConnection->attach(nullptr);
  for (const auto &connection : established)
    netInterface->disconnect(connection, TNL::NetConnection::ReasonSelfDisconnect, "Shutdown");
  if (ownConnection)
    netInterface->disconnect(ownConnection, TNL::NetConnection::ReasonSelfDisconnect, "Shutdown");
  for (auto &record : table)
    if (record)
      record->connection = nullptr;
  ownConnection = nullptr;
  netInterface = nullptr;
}

// ---- chief's sends -------------------------------------------------------------------------

bool StationLink::chiefLinkUsable() const {
  return isClient && ownConnection && !hasEnded(ownConnection->getConnectionState());
}

NetworkModule *StationLink::ownSlotConnection() const {
  if (!isClient || !isChiefRole(clientRole) || !table[clientRole])
    return nullptr;
  return table[clientRole]->connection;
}

bool StationLink::reportMovement(double x, double y, double z, double yawDelta, double pitchDelta) {
  NetworkModule *connection = ownSlotConnection();
  if (!connection)
    return false;
  auto &placement = table[clientRole]->placement;
  placement[0] = x;
  placement[1] = y;
  placement[2] = z;
  placement[3] += yawDelta;
  placement[4] += pitchDelta;
  if (!chiefLinkUsable())
    return false;
  if (!connection->c2smakeMovement(clientRole, x, y, z, yawDelta, pitchDelta, 0.0)) {
    log("Movement report refused by the network");
    return false;
  }
  return true;
}

bool StationLink::sendAsChief(const char *what, const std::function<bool(NetworkModule &)> &send) {
  NetworkModule *connection = ownSlotConnection();
  if (!connection || !chiefLinkUsable())
    return false;
  if (!send(*connection)) {
    log(std::string(what) + " refused by the network");
    return false;
  }
  return true;
}

bool StationLink::reportCharacterState(const std::string &state) {
  return sendAsChief("Character state", [&](NetworkModule &connection) {
    return connection.c2ssetCharacterState(clientRole, state.c_str());
  });
}

bool StationLink::sendVoice(const TNL::ByteBufferPtr &packet) {
  return packet && sendAsChief("Voice packet", [&](NetworkModule &connection) {
           return connection.c2sVoice(clientRole, packet, false);
         });
}

bool StationLink::sendRatings(double captain, double medic, double fireman) {
  return sendAsChief("Ratings", [&](NetworkModule &connection) {
    return connection.c2ssendScore(clientRole, captain, medic, fireman);
  });
}

// ---- facilitator ------------------------------------------------------------------------

void StationLink::startExercise() {
  if (isClient)
    return;
  if (!netInterface.isNull()) {
    broadcast([](NetworkModule &connection) { connection.s2cstartSimulation(); });
    mAcceptingJoins = false;
    netInterface->setAllowConnections(false);
    std::vector<TNL::RefPtr<TNL::NetConnection>> established = netInterface->getConnectionList();
    for (const auto &connection : established) {
      auto *module = dynamic_cast<NetworkModule *>(connection.getPointer());
      if (module && slotOf(module) >= CHIEF_ROLE_COUNT)
        netInterface->disconnect(connection, TNL::NetConnection::ReasonSelfDisconnect,
                                 "The exercise has already started");
    }
  }
  scene.startExercise();
}

void StationLink::broadcast(const std::function<void(NetworkModule &)> &send) const {
  if (netInterface.isNull())
    return;
  std::vector<TNL::RefPtr<TNL::NetConnection>> established = netInterface->getConnectionList();
  for (const auto &connection : established)
    if (auto *module = dynamic_cast<NetworkModule *>(connection.getPointer()))
      send(*module);
}

void StationLink::relayToOthers(std::uint32_t senderRole,
                                const std::function<void(NetworkModule &)> &send) const {
  for (std::uint32_t role = 0; role < CHIEF_ROLE_COUNT; ++role)
    if (role != senderRole && table[role] && table[role]->connection)
      send(*table[role]->connection);
}

void StationLink::relayToAll(TNL::NetEvent *event) const {
  TNL::RefPtr<TNL::NetEvent> hold(event);
  for (const auto &record : table)
    if (record && record->connection)
      record->connection->postEvent(event);
}

std::uint32_t StationLink::slotOf(const NetworkModule *connection) const {
  for (std::uint32_t role = 0; role < CHIEF_ROLE_COUNT; ++role)
    if (table[role] && table[role]->connection == connection)
      return role;
  return CHIEF_ROLE_COUNT;
}
