#pragma once
// What the presentation tells the network: the reports of GUI handlers, the
// frame listener's movement report and the voice packets. The network sits
// above the presentation, so the presentation owns this interface; the
// network layer implements it and the program installs one at network start.
// Until then (and on a station without a network) networkReports is null and
// nothing is reported.

#include <cstdint>
#include <string>

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
};

// Installed by the program; not owned. Null means: do not report.
extern NetworkReports *networkReports;
