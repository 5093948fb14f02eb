#pragma once
// One station's end of the exercise network: its settings and chief table,
// its interface, the chief's own connection, and the three fan-out patterns
// of the facilitator's server. The program has one StationLink over the
// process-wide station state; the in-process tests make one per simulated
// station over state of their own.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "shell/state/StationState.h"
#include "tnl/bytebuffer.h"
#include "tnl/netbase.h"

namespace TNL {
class NetEvent;
class NetInterface;
} // namespace TNL
class NetworkModule;
class NetworkScene;

using ClientTable = std::array<std::unique_ptr<ClientRecord>, CHIEF_ROLE_COUNT>;

// The fixed UDP port of the facilitator's server.
constexpr std::uint16_t EXERCISE_PORT = 28000;

class StationLink {
public:
  using LogSink = std::function<void(const std::string &)>;

  // Refers to the settings and the table it is given; they must outlive it.
  StationLink(bool &isClient, std::uint32_t &clientRole, std::string &roleName, ClientTable &table,
              NetworkScene &scene, LogSink log);
  ~StationLink();
  StationLink(const StationLink &) = delete;
  StationLink &operator=(const StationLink &) = delete;

  bool &isClient;
  std::uint32_t &clientRole;
  std::string &roleName;
  ClientTable &table;
  NetworkScene &scene;
  LogSink log;

  // Held for the whole run; null when the station runs without a network.
  TNL::RefPtr<TNL::NetInterface> netInterface;
  // Chief's station only: the one connection to the server.
  TNL::RefPtr<NetworkModule> ownConnection;

  // ---- start ----

  // Facilitator: listens on address (host:28000). Chief: an interface on any
  // address and a system port, the connect request and c2sAddNewClient
  // queued at once. False (with the reason in the log and the lobby) when
  // the station runs without a network.
  bool start(const std::string &address);
  // Receive (every handler runs here), then send.
  void service();
  // Disconnects every connection (chiefs free the facilitator's slot at
  // once) and releases the interface; handlers never run afterwards.
  void shutDown();

  // ---- chief's sends (dropped, with a log line, while the link is down) ----

  // The own chief moved to (x, y, z) and turned by the deltas (degrees).
  bool reportMovement(double x, double y, double z, double yawDelta, double pitchDelta);
  // The own chief's character took a state word.
  bool reportCharacterState(const std::string &state);
  // Sends on the own slot's connection while the link lasts; false (logged
  // when the transport refuses it) when nothing was sent.
  bool sendAsChief(const char *what, const std::function<bool(NetworkModule &)> &send);
  // The own chief's voice packet, not echoed back.
  bool sendVoice(const TNL::ByteBufferPtr &packet);
  // The own chief's ratings of the three chiefs (each 0..100).
  bool sendRatings(double captain, double medic, double fireman);
  // False once the connection failed or ended: nothing sent can arrive.
  bool chiefLinkUsable() const;
  // The connection of the own slot, once the server has announced it.
  NetworkModule *ownSlotConnection() const;

  // ---- facilitator ----

  // "StartConnectionBtn": s2cstartSimulation on every established
  // connection, no more joins, connections that never joined are closed,
  // then the facilitator's own lobby ends.
  void startExercise();
  bool acceptingJoins() const { return mAcceptingJoins; }

  // Facilitator broadcast: send is called once per established connection,
  // in the interface's list order.
  void broadcast(const std::function<void(NetworkModule &)> &send) const;
  // Relay to others: every occupied slot except senderRole's, slot order.
  void relayToOthers(std::uint32_t senderRole, const std::function<void(NetworkModule &)> &send) const;
  // Relay to all: the one event on every occupied slot's connection.
  void relayToAll(TNL::NetEvent *event) const;

  // The slot a server connection holds, or CHIEF_ROLE_COUNT for none.
  std::uint32_t slotOf(const NetworkModule *connection) const;

  // The lobby's words for the link (also shown through the scene).
  const std::string &status() const { return mStatus; }
  void setStatus(const std::string &words);

  // The station whose interface this is, or null.
  static StationLink *ofInterface(const TNL::NetInterface *netInterface);

private:
  bool startServer(const std::string &address);
  bool startChief(const std::string &address);

  bool mAcceptingJoins = true;
  std::string mStatus;
};

// Address text as the lobby shows it: "127.0.0.1:28000".
std::string lobbyAddressText(const std::string &address);
