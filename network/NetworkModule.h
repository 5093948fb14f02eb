#pragma once
// The simulation's connection class: one per link, on both ends (the
// facilitator's server makes one for every chief that connects; a chief's
// station makes its ownConnection). All simulation traffic is the 28 RPCs
// below. Their order and argument types are the protocol: every station
// registers the same classes, so the class ids agree; never reorder them.
//
// Role codes from the wire are checked before use (0..2 only), doubles of
// placements and movements must be finite, and a server accepts a chief's
// c2s RPC only from the connection holding that role's slot.

#include "tnl/bytebuffer.h"
#include "tnl/rpc.h"

class StationLink;

class NetworkModule : public TNL::EventConnection {
  TNL_DECLARE_NETCONNECTION(NetworkModule);

public:
  NetworkModule();
  ~NetworkModule() override;

  void onEstablished() override;
  void onTerminated(TerminationReason reason, const char *reasonText) override;
  void onConnectFailed(TerminationReason reason, const char *reasonText) override;
  TNL::NetClassGroup getNetClassGroup() const override { return TNL::NetClassGroupGame; }

  // Set by the chief's start for its ownConnection; a server's connections
  // find their station through their interface when established.
  void attach(StationLink *station) { mStation = station; }
  StationLink *station() const { return mStation; }

  // Placements are x, y, z (level units), yaw, pitch (degrees) and a sixth
  // value that is always 0.
  TNL_DECLARE_RPC(s2cDisconnectClient, (std::uint32_t role));
  TNL_DECLARE_RPC(c2sAddNewClient, (std::uint32_t role));
  TNL_DECLARE_RPC(s2cAddNewClient,
                  (std::uint32_t role, double x, double y, double z, double yaw, double pitch, double extra));
  TNL_DECLARE_RPC(c2smakeMovement, (std::uint32_t role, double x, double y, double z, double yawDelta,
                                    double pitchDelta, double extra));
  TNL_DECLARE_RPC(s2cmakeMovement, (std::uint32_t role, double x, double y, double z, double yawDelta,
                                    double pitchDelta, double extra));
  TNL_DECLARE_RPC(c2sVoice, (std::uint32_t role, TNL::RefPtr<TNL::ByteBuffer> voice, bool echo));
  TNL_DECLARE_RPC(s2cVoice, (std::uint32_t role, TNL::RefPtr<TNL::ByteBuffer> voice));
  TNL_DECLARE_RPC(c2sFiremanInteractFire, (std::uint32_t role, TNL::StringPtr fireName));
  TNL_DECLARE_RPC(s2cFiremanInteractFire, (std::uint32_t role, TNL::StringPtr fireName));
  TNL_DECLARE_RPC(c2sMedicInteractPassenger, (std::uint32_t role, TNL::StringPtr passengerName));
  TNL_DECLARE_RPC(s2cMedicInteractPassenger, (std::uint32_t role, TNL::StringPtr passengerName));
  TNL_DECLARE_RPC(c2ssetCharacterState, (std::uint32_t role, TNL::StringPtr state));
  TNL_DECLARE_RPC(s2csetCharacterState, (std::uint32_t role, TNL::StringPtr state));
  TNL_DECLARE_RPC(c2smoveNPCtoDest,
                  (std::uint32_t role, TNL::StringPtr passengerName, double x, double y, double z));
  TNL_DECLARE_RPC(s2cmoveNPCtoDest,
                  (std::uint32_t role, TNL::StringPtr passengerName, double x, double y, double z));
  TNL_DECLARE_RPC(c2srequestNPCtoFollow, (std::uint32_t role, TNL::StringPtr passengerName));
  TNL_DECLARE_RPC(s2crequestNPCtoFollow, (std::uint32_t role, TNL::StringPtr passengerName));
  TNL_DECLARE_RPC(c2srequestNPCtoStopFollow, (std::uint32_t role, TNL::StringPtr passengerName));
  TNL_DECLARE_RPC(s2crequestNPCtoStopFollow, (std::uint32_t role, TNL::StringPtr passengerName));
  TNL_DECLARE_RPC(s2cstartSimulation, ());
  TNL_DECLARE_RPC(s2crenderRatingMenu, ());
  TNL_DECLARE_RPC(s2cAddResource, (std::int32_t kind, std::int32_t amount));
  TNL_DECLARE_RPC(s2cAddPassenger, (double x, double y, double z));
  TNL_DECLARE_RPC(s2cCreateFire, (double x, double y, double z, double size));
  TNL_DECLARE_RPC(s2csendLastScores, (double captainScore, double medicScore, double firemanScore));
  TNL_DECLARE_RPC(c2ssendScore,
                  (std::uint32_t role, double captainRating, double medicRating, double firemanRating));
  TNL_DECLARE_RPC(c2screwInteraction, (std::uint32_t role, TNL::StringPtr targetName));
  TNL_DECLARE_RPC(s2ccrewInteraction, (std::uint32_t role, TNL::StringPtr targetName));

private:
  // Server: true when role is a chief's and this connection holds its slot;
  // otherwise logs why the RPC is dropped.
  bool sentByHolderOf(std::uint32_t role, const char *rpcName);
  // Chief: true when role is a chief's code; otherwise logs the drop.
  bool validAnnouncedRole(std::uint32_t role, const char *rpcName);
  void refuseJoin(const std::string &reason);
  void joinChief(std::uint32_t role);
  // Server: the datagram loss STERNWAKE_SIMULATED_LOSS asks for, if any.
  void simulateAskedLoss();

  StationLink *mStation = nullptr; // not owned; outlives its connections
};
