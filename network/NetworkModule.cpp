#include "network/NetworkModule.h"

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <optional>

#include "graphics/OpeningScene.h"
#include "network/NetworkScene.h"
#include "network/StationLink.h"
#include "tnl/netinterface.h"

using TNL::ByteBuffer;
using TNL::NetClassGroupGameMask;
using TNL::RefPtr;
using TNL::RPCDirClientToServer;
using TNL::RPCDirServerToClient;
using TNL::RPCGuaranteedOrdered;
using TNL::RPCUnguaranteed;
using TNL::StringPtr;

TNL_IMPLEMENT_NETCONNECTION(NetworkModule, NetClassGroupGameMask, true);

namespace {

bool allFinite(std::initializer_list<double> values) {
  for (double value : values)
    if (!std::isfinite(value))
      return false;
  return true;
}

std::string roleText(std::uint32_t role) {
  return std::to_string(role);
}

// Rehearsing a bad network: STERNWAKE_SIMULATED_LOSS (a fraction between 0
// and 1) on the facilitator's station drops that share of the datagrams on
// every chief's link, both ways, since the transport drops what its own end
// sends and receives. Unset, nothing is dropped.
std::optional<float> askedSimulatedLoss(std::string &complaint) {
  const char *text = std::getenv("STERNWAKE_SIMULATED_LOSS");
  if (!text || !*text)
    return std::nullopt;
  char *end = nullptr;
  const double loss = std::strtod(text, &end);
  if (*end != '\0' || !(loss >= 0 && loss < 1)) {
    complaint = std::string("STERNWAKE_SIMULATED_LOSS \"") + text +
                "\" is not a fraction from 0 to below 1; no loss is simulated";
    return std::nullopt;
  }
  return static_cast<float>(loss);
}

} // namespace

NetworkModule::NetworkModule() = default;

NetworkModule::~NetworkModule() = default;

// ---- link events ------------------------------------------------------------------

void NetworkModule::onEstablished() {
  // The base sets the to-server / to-client flag; without it the transport's
  // direction check lets a chief send s2c events to the server.
  EventConnection::onEstablished();
  if (!mStation)
    mStation = StationLink::ofInterface(getInterface());
  if (!mStation)
    return;
  const std::string peer = getNetAddressString();
  if (isInitiator()) {
    mStation->log("The client has connected to the server : " + peer);
    mStation->setStatus("Connected");
  } else {
    mStation->log("The server has connected with the client : " + peer);
    simulateAskedLoss();
  }
}

void NetworkModule::simulateAskedLoss() {
  std::string complaint;
  const std::optional<float> loss = askedSimulatedLoss(complaint);
  if (!complaint.empty())
    mStation->log(complaint);
  if (!loss || *loss == 0)
    return;
  setSimulatedNetParams(*loss, 0);
  mStation->log("Simulated packet loss on the link to " + std::string(getNetAddressString()) + ": " +
                std::to_string(static_cast<int>(std::lround(*loss * 100))) + "%");
}

void NetworkModule::onTerminated(TerminationReason reason, const char *reasonText) {
  if (!mStation)
    return;
  const std::string text = reasonText ? reasonText : "";
  if (mStation->isClient) {
    // The chief's scene and table stay as they are; only the lobby learns why.
    if (reason == ReasonRemoteDisconnectPacket && text != "Shutdown" && !text.empty())
      mStation->setStatus("Refused: " + text);
    else if (reason == ReasonRemoteDisconnectPacket)
      mStation->setStatus("The facilitator has ended the exercise");
    else if (reason == ReasonTimedOut)
      mStation->setStatus("Server not reachable");
    else if (reason != ReasonSelfDisconnect)
      mStation->setStatus("Disconnected: " + text);
    return;
  }
  const std::uint32_t leaving = mStation->slotOf(this);
  if (leaving >= CHIEF_ROLE_COUNT) {
    mStation->log("NULL ID in connection termination\n");
    return;
  }
  mStation->log("The client " + mStation->table[leaving]->name + " has disconnected from server\n");
  for (const auto &record : mStation->table)
    if (record && record->connection && record->connection != this)
      record->connection->s2cDisconnectClient(leaving);
  mStation->scene.removeCharacter(leaving);
  mStation->table[leaving].reset();
  mStation->scene.chiefLeft(leaving);
}

void NetworkModule::onConnectFailed(TerminationReason reason, const char *reasonText) {
  if (!mStation)
    return;
  const std::string text = reasonText ? reasonText : "";
  if (reason == ReasonRemoteHostRejectedConnection && !text.empty())
    mStation->setStatus("Refused: " + text);
  else
    mStation->setStatus("Server not reachable");
}

// ---- checks of what the wire says ---------------------------------------------------

bool NetworkModule::sentByHolderOf(std::uint32_t role, const char *rpcName) {
  if (!mStation || mStation->isClient)
    return false;
  if (!isChiefRole(role)) {
    mStation->log(std::string("Dropped ") + rpcName + ": role " + roleText(role) + " is not a chief's");
    return false;
  }
  const auto &record = mStation->table[role];
  if (!record) {
    mStation->log("NULL charID\n");
    return false;
  }
  if (record->connection != this) {
    mStation->log(std::string("Dropped ") + rpcName + ": role " + roleText(role) +
                  " does not belong to the connection " + getNetAddressString());
    return false;
  }
  return true;
}

bool NetworkModule::validAnnouncedRole(std::uint32_t role, const char *rpcName) {
  if (!mStation || !mStation->isClient)
    return false;
  if (isChiefRole(role))
    return true;
  mStation->log(std::string("Dropped ") + rpcName + ": role " + roleText(role) + " is not a chief's");
  return false;
}

// ---- join and leave ------------------------------------------------------------------

void NetworkModule::refuseJoin(const std::string &reason) {
  mStation->log("Server: refused a client from " + std::string(getNetAddressString()) + ": " + reason);
  if (TNL::NetInterface *netInterface = getInterface())
    netInterface->disconnect(this, ReasonSelfDisconnect, reason.c_str());
}

TNL_IMPLEMENT_RPC(NetworkModule, s2cDisconnectClient, (std::uint32_t role), (role), NetClassGroupGameMask,
                  RPCGuaranteedOrdered, RPCDirServerToClient, 0) {
  if (!validAnnouncedRole(role, "s2cDisconnectClient"))
    return;
  ClientTable &table = mStation->table;
  if (!table[role]) {
    mStation->log("NULL charID\n");
    return;
  }
  mStation->log("The client " + table[role]->name + " has disconnected from " + mStation->roleName + "\n");
  mStation->scene.removeCharacter(role);
  table[role].reset();
}

TNL_IMPLEMENT_RPC(NetworkModule, c2sAddNewClient, (std::uint32_t role), (role), NetClassGroupGameMask,
                  RPCGuaranteedOrdered, RPCDirClientToServer, 0) {
  if (!mStation || mStation->isClient || !isEstablished())
    return;
  if (!isChiefRole(role))
    return refuseJoin("Role " + roleText(role) + " is not a chief's role");
  if (mStation->slotOf(this) < CHIEF_ROLE_COUNT) {
    // A repeated join of a present chief changes nothing; it stays.
    mStation->log("Dropped c2sAddNewClient: " + std::string(getNetAddressString()) + " has already joined");
    return;
  }
  if (mStation->table[role])
    return refuseJoin(std::string(roleTable[role].shownAs) + " is already taken");
  if (!mStation->acceptingJoins() || mStation->scene.exerciseStarted())
    return refuseJoin("The exercise has already started");
  joinChief(role);
}

void NetworkModule::joinChief(std::uint32_t role) {
  ClientTable &table = mStation->table;
  std::unique_ptr<ClientRecord> record = makeClientRecord(role);
  record->connection = this;
  const opening::StartPlacement &start = opening::CHIEF_START_PLACEMENTS[role];
  record->placement = {start.x, start.y, start.z, 0, 0, 0};
  table[role] = std::move(record);
  const ClientRecord &joined = *table[role];
  mStation->log("Server: A new client " + joined.name + " has connected\n");
  const auto &p = joined.placement;
  for (const auto &each : table)
    if (each && each->connection)
      each->connection->s2cAddNewClient(role, p[0], p[1], p[2], p[3], p[4], p[5]);
  for (std::uint32_t other = 0; other < CHIEF_ROLE_COUNT; ++other) {
    if (other == role || !table[other])
      continue;
    const auto &q = table[other]->placement;
    s2cAddNewClient(other, q[0], q[1], q[2], q[3], q[4], q[5]);
  }
  mStation->scene.addCharacter(role, p[0], p[1], p[2], p[3], p[4]);
}

TNL_IMPLEMENT_RPC(NetworkModule, s2cAddNewClient,
                  (std::uint32_t role, double x, double y, double z, double yaw, double pitch, double extra),
                  (role, x, y, z, yaw, pitch, extra), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirServerToClient, 0) {
  if (!validAnnouncedRole(role, "s2cAddNewClient"))
    return;
  if (!allFinite({x, y, z, yaw, pitch, extra})) {
    mStation->log("Dropped s2cAddNewClient: a placement value is not finite");
    return;
  }
  ClientTable &table = mStation->table;
  if (table[role]) {
    // A second announcement of a present chief would leave its character
    // behind; the server never sends one.
    mStation->log("Dropped s2cAddNewClient: " + table[role]->name + " is already present");
    return;
  }
  std::unique_ptr<ClientRecord> record = makeClientRecord(role);
  mStation->log(mStation->roleName + " has met a new client " + record->name + "\n");
  if (role == mStation->clientRole)
    record->connection = mStation->ownConnection.getPointer();
  record->placement = {x, y, z, yaw, pitch, extra};
  table[role] = std::move(record);
  mStation->scene.addCharacter(role, x, y, z, yaw, pitch);
}

// ---- movement and character state -----------------------------------------------------

namespace {

// Placement bookkeeping of a movement report; later joiners receive it.
void applyMovement(StationLink &station, std::uint32_t role, double x, double y, double z, double yawDelta,
                   double pitchDelta) {
  auto &placement = station.table[role]->placement;
  placement[0] = x;
  placement[1] = y;
  placement[2] = z;
  placement[3] += yawDelta;
  placement[4] += pitchDelta;
  station.scene.moveCharacter(role, x, y, z, yawDelta, pitchDelta);
}

} // namespace

TNL_IMPLEMENT_RPC(NetworkModule, c2smakeMovement,
                  (std::uint32_t role, double x, double y, double z, double yawDelta, double pitchDelta,
                   double extra),
                  (role, x, y, z, yawDelta, pitchDelta, extra), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirClientToServer, 0) {
  if (!sentByHolderOf(role, "c2smakeMovement"))
    return;
  if (!allFinite({x, y, z, yawDelta, pitchDelta, extra})) {
    mStation->log("Dropped c2smakeMovement: a value is not finite");
    return;
  }
  mStation->relayToOthers(
      role, [&](NetworkModule &other) { other.s2cmakeMovement(role, x, y, z, yawDelta, pitchDelta, extra); });
  applyMovement(*mStation, role, x, y, z, yawDelta, pitchDelta);
}

TNL_IMPLEMENT_RPC(NetworkModule, s2cmakeMovement,
                  (std::uint32_t role, double x, double y, double z, double yawDelta, double pitchDelta,
                   double extra),
                  (role, x, y, z, yawDelta, pitchDelta, extra), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirServerToClient, 0) {
  if (!validAnnouncedRole(role, "s2cmakeMovement"))
    return;
  if (!allFinite({x, y, z, yawDelta, pitchDelta, extra})) {
    mStation->log("Dropped s2cmakeMovement: a value is not finite");
    return;
  }
  if (role == mStation->clientRole) {
    mStation->log("Dropped s2cmakeMovement: the station's own chief moves by its own camera");
    return;
  }
  if (!mStation->table[role]) {
    mStation->log("NULL charID\n");
    return;
  }
  applyMovement(*mStation, role, x, y, z, yawDelta, pitchDelta);
}

TNL_IMPLEMENT_RPC(NetworkModule, c2ssetCharacterState, (std::uint32_t role, StringPtr state), (role, state),
                  NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirClientToServer, 0) {
  if (!sentByHolderOf(role, "c2ssetCharacterState"))
    return;
  mStation->relayToOthers(role, [&](NetworkModule &other) { other.s2csetCharacterState(role, state); });
  mStation->scene.setCharacterState(role, state.str());
}

TNL_IMPLEMENT_RPC(NetworkModule, s2csetCharacterState, (std::uint32_t role, StringPtr state), (role, state),
                  NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirServerToClient, 0) {
  if (!validAnnouncedRole(role, "s2csetCharacterState"))
    return;
  if (!mStation->table[role] || role == mStation->clientRole) {
    mStation->log("NULL charID\n");
    return;
  }
  mStation->scene.setCharacterState(role, state.str());
}

TNL_IMPLEMENT_RPC(NetworkModule, s2cstartSimulation, (), (), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirServerToClient, 0) {
  if (!mStation || !mStation->isClient)
    return;
  mStation->scene.startExercise();
}

// ---- voice ---------------------------------------------------------------------------

TNL_IMPLEMENT_RPC(NetworkModule, c2sVoice, (std::uint32_t role, RefPtr<ByteBuffer> voice, bool echo),
                  (role, voice, echo), NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirClientToServer, 0) {
  if (!sentByHolderOf(role, "c2sVoice") || !voice)
    return;
  RefPtr<TNL::NetEvent> relayed = s2cVoice_construct(role, voice);
  for (const auto &record : mStation->table)
    if (record && record->connection && (record->connection != this || echo))
      record->connection->postEvent(relayed);
  mStation->scene.playVoice(role, *voice);
}

TNL_IMPLEMENT_RPC(NetworkModule, s2cVoice, (std::uint32_t role, RefPtr<ByteBuffer> voice), (role, voice),
                  NetClassGroupGameMask, RPCUnguaranteed, RPCDirServerToClient, 0) {
  if (!validAnnouncedRole(role, "s2cVoice") || !voice)
    return;
  mStation->scene.playVoice(role, *voice);
}

// ---- actions on passengers and fires, and the facilitator's commands ----------------
// A chief's own hands are relayed to the others (the sender applied them
// already); the captain's commands and the crew dispatch go to every chief,
// the sender included, which applies its copy only when it comes back.

TNL_IMPLEMENT_RPC(NetworkModule, c2sFiremanInteractFire, (std::uint32_t role, StringPtr fireName),
                  (role, fireName), NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirClientToServer, 0) {
  if (!sentByHolderOf(role, "c2sFiremanInteractFire"))
    return;
  mStation->relayToOthers(role, [&](NetworkModule &other) { other.s2cFiremanInteractFire(role, fireName); });
  mStation->scene.firemanInteractFire(fireName.str());
}

TNL_IMPLEMENT_RPC(NetworkModule, s2cFiremanInteractFire, (std::uint32_t role, StringPtr fireName),
                  (role, fireName), NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirServerToClient, 0) {
  if (validAnnouncedRole(role, "s2cFiremanInteractFire"))
    mStation->scene.firemanInteractFire(fireName.str());
}

TNL_IMPLEMENT_RPC(NetworkModule, c2sMedicInteractPassenger, (std::uint32_t role, StringPtr passengerName),
                  (role, passengerName), NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirClientToServer,
                  0) {
  if (!sentByHolderOf(role, "c2sMedicInteractPassenger"))
    return;
  mStation->relayToOthers(
      role, [&](NetworkModule &other) { other.s2cMedicInteractPassenger(role, passengerName); });
  mStation->scene.medicInteractPassenger(passengerName.str());
}

TNL_IMPLEMENT_RPC(NetworkModule, s2cMedicInteractPassenger, (std::uint32_t role, StringPtr passengerName),
                  (role, passengerName), NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirServerToClient,
                  0) {
  if (validAnnouncedRole(role, "s2cMedicInteractPassenger"))
    mStation->scene.medicInteractPassenger(passengerName.str());
}

TNL_IMPLEMENT_RPC(NetworkModule, c2smoveNPCtoDest,
                  (std::uint32_t role, StringPtr passengerName, double x, double y, double z),
                  (role, passengerName, x, y, z), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirClientToServer, 0) {
  if (!sentByHolderOf(role, "c2smoveNPCtoDest") || !allFinite({x, y, z}))
    return;
  mStation->relayToAll(s2cmoveNPCtoDest_construct(role, passengerName, x, y, z));
  mStation->scene.npcMoveToDest(role, passengerName.str(), x, y, z);
}

TNL_IMPLEMENT_RPC(NetworkModule, s2cmoveNPCtoDest,
                  (std::uint32_t role, StringPtr passengerName, double x, double y, double z),
                  (role, passengerName, x, y, z), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirServerToClient, 0) {
  // The facilitator's own moves come with its code 3.
  if (!mStation || !mStation->isClient || !allFinite({x, y, z}))
    return;
  if (role > ROLE_FACILITATOR) {
    validAnnouncedRole(role, "s2cmoveNPCtoDest");
    return;
  }
  mStation->scene.npcMoveToDest(role, passengerName.str(), x, y, z);
}

TNL_IMPLEMENT_RPC(NetworkModule, c2srequestNPCtoFollow, (std::uint32_t role, StringPtr passengerName),
                  (role, passengerName), NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirClientToServer,
                  0) {
  if (!sentByHolderOf(role, "c2srequestNPCtoFollow"))
    return;
  mStation->relayToAll(s2crequestNPCtoFollow_construct(role, passengerName));
  mStation->scene.npcFollow(role, passengerName.str());
}

TNL_IMPLEMENT_RPC(NetworkModule, s2crequestNPCtoFollow, (std::uint32_t role, StringPtr passengerName),
                  (role, passengerName), NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirServerToClient,
                  0) {
  if (validAnnouncedRole(role, "s2crequestNPCtoFollow"))
    mStation->scene.npcFollow(role, passengerName.str());
}

TNL_IMPLEMENT_RPC(NetworkModule, c2srequestNPCtoStopFollow, (std::uint32_t role, StringPtr passengerName),
                  (role, passengerName), NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirClientToServer,
                  0) {
  if (!sentByHolderOf(role, "c2srequestNPCtoStopFollow"))
    return;
  mStation->relayToAll(s2crequestNPCtoStopFollow_construct(role, passengerName));
  mStation->scene.npcStopFollow(role, passengerName.str());
}

TNL_IMPLEMENT_RPC(NetworkModule, s2crequestNPCtoStopFollow, (std::uint32_t role, StringPtr passengerName),
                  (role, passengerName), NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirServerToClient,
                  0) {
  if (validAnnouncedRole(role, "s2crequestNPCtoStopFollow"))
    mStation->scene.npcStopFollow(role, passengerName.str());
}

TNL_IMPLEMENT_RPC(NetworkModule, s2crenderRatingMenu, (), (), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirServerToClient, 0) {
  if (mStation && mStation->isClient)
    mStation->scene.openRatingMenu();
}

TNL_IMPLEMENT_RPC(NetworkModule, s2cAddResource, (std::int32_t kind, std::int32_t amount), (kind, amount),
                  NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirServerToClient, 0) {
  if (mStation && mStation->isClient)
    mStation->scene.addResource(kind, amount);
}

TNL_IMPLEMENT_RPC(NetworkModule, s2cAddPassenger, (double x, double y, double z), (x, y, z),
                  NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirServerToClient, 0) {
  if (mStation && mStation->isClient && allFinite({x, y, z}))
    mStation->scene.addPassenger(x, y, z);
}

TNL_IMPLEMENT_RPC(NetworkModule, s2cCreateFire, (double x, double y, double z, double size), (x, y, z, size),
                  NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirServerToClient, 0) {
  if (mStation && mStation->isClient && allFinite({x, y, z, size}))
    mStation->scene.createFire(x, y, z, size);
}

TNL_IMPLEMENT_RPC(NetworkModule, s2csendLastScores,
                  (double captainScore, double medicScore, double firemanScore),
                  (captainScore, medicScore, firemanScore), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirServerToClient, 0) {
  if (mStation && mStation->isClient)
    mStation->scene.receiveFinalScores(captainScore, medicScore, firemanScore);
}

TNL_IMPLEMENT_RPC(NetworkModule, c2ssendScore,
                  (std::uint32_t role, double captainRating, double medicRating, double firemanRating),
                  (role, captainRating, medicRating, firemanRating), NetClassGroupGameMask,
                  RPCGuaranteedOrdered, RPCDirClientToServer, 0) {
  if (sentByHolderOf(role, "c2ssendScore"))
    mStation->scene.receiveChiefRatings(role, captainRating, medicRating, firemanRating);
}

TNL_IMPLEMENT_RPC(NetworkModule, c2screwInteraction, (std::uint32_t role, StringPtr targetName),
                  (role, targetName), NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirClientToServer, 0) {
  if (!sentByHolderOf(role, "c2screwInteraction"))
    return;
  mStation->relayToAll(s2ccrewInteraction_construct(role, targetName));
  mStation->scene.crewWorksOn(role, targetName.str());
}

TNL_IMPLEMENT_RPC(NetworkModule, s2ccrewInteraction, (std::uint32_t role, StringPtr targetName),
                  (role, targetName), NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirServerToClient, 0) {
  if (validAnnouncedRole(role, "s2ccrewInteraction"))
    mStation->scene.crewWorksOn(role, targetName.str());
}
