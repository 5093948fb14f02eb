#pragma once
// What the presentation tells the network: the reports of GUI handlers, the
// frame listener's movement report and the voice packets. The network sits
// above the presentation, so the presentation owns this interface; the
// network layer implements it and the program installs one at network start.
// Until then (and on a station without a network) networkReports is null and
// nothing is reported.
//
// Who applies what, and when:
// - A chief's own hands (a treatment, an extinguishing step, its figure's
//   state) are applied by the presentation on its own scene at once; the
//   server relays them to the other chiefs only.
// - The captain's commands and the crew dispatch are applied on no scene by
//   the sender: the server relays them to every chief, the sender included,
//   and each station applies its copy when it arrives, so every station
//   applies them in the order the server received them.
// - The facilitator's own actions are sent to every chief and applied on the
//   facilitator's scene by the presentation at once.
// A chief sends its reports on its own slot's connection; the
// implementation sends nothing while that slot is empty.

#include <cstdint>
#include <string>

#include <OgreVector.h>

class NetworkReports {
public:
  virtual ~NetworkReports() = default;

  // The station's own chief stands at (x, y, z) (level units) and turned by
  // the deltas (degrees) since its last report. False when it could not be
  // sent (no link, or the station is not yet announced to itself).
  virtual bool reportMovement(double x, double y, double z, double yawDelta, double pitchDelta) = 0;
  // The own chief's character took a state word. False when not sent; the
  // caller then leaves its own character as it was.
  virtual bool reportCharacterState(const std::string &state) = 0;
  // The facilitator's "StartConnectionBtn": every chief is told, no more
  // joins are taken, and the facilitator's own lobby ends.
  virtual void startExercise() = 0;

  // ---- End of the exercise ----

  // Chief: c2ssendScore(role, captain, medic, fireman) on the own connection:
  // this chief's ratings of the three chiefs, each already 0..100.
  virtual void sendRatings(std::uint32_t role, double captain, double medic, double fireman) = 0;
  // Facilitator: s2crenderRatingMenu on every established connection, in the
  // interface's list order.
  virtual void broadcastRatingMenu() = 0;
  // Facilitator: s2csendLastScores(captain, medic, fireman) on every
  // established connection, in the interface's list order; scores 0..100.
  virtual void broadcastFinalScores(double captain, double medic, double fireman) = 0;

  // ---- A chief's own actions, already applied by the sender ----

  // One treatment of the passenger by the medic chief: c2sMedicInteractPassenger.
  virtual void reportTreatment(const std::string &passengerName) = 0;
  // One extinguishing step on the fire by the fireman chief: c2sFiremanInteractFire.
  virtual void reportExtinguishStep(const std::string &fireName) = 0;

  // ---- Commands applied by every station when the server's copy returns ----

  // The captain's selected passenger is to follow the captain: c2srequestNPCtoFollow.
  virtual void reportFollow(const std::string &passengerName) = 0;
  // It is to stop following: c2srequestNPCtoStopFollow.
  virtual void reportStopFollow(const std::string &passengerName) = 0;
  // It is to walk to the marked point (level units): c2smoveNPCtoDest.
  virtual void reportMoveToDest(const std::string &passengerName, const Ogre::Vector3 &destination) = 0;
  // A crew member of the chief's role (1 medic, 2 fireman) is to work on the
  // target: c2screwInteraction.
  virtual void reportCrewInteraction(std::uint32_t role, const std::string &targetName) = 0;

  // ---- The facilitator's actions, broadcast and applied by the sender ----

  // resourceKind 0 medical kits, 1 extinguishers; amount added: s2cAddResource.
  virtual void reportResource(std::int32_t resourceKind, std::int32_t amount) = 0;
  // A passenger created at the point: s2cAddPassenger.
  virtual void reportAddPassenger(const Ogre::Vector3 &position) = 0;
  // A fire of that size created at the point: s2cCreateFire.
  virtual void reportCreateFire(const Ogre::Vector3 &position, double size) = 0;
  // The facilitator sends a standing passenger to the point: s2cmoveNPCtoDest
  // with the facilitator's role code, to every chief.
  virtual void reportFacilitatorMove(const std::string &passengerName, const Ogre::Vector3 &destination) = 0;
};

// Installed by the program; not owned. Null means: do not report.
extern NetworkReports *networkReports;
