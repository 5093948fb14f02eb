#pragma once
// The program's NetworkReports: the presentation's reports go out on the
// station's link.

#include "graphics/NetworkReports.h"

class StationLink;

class StationReports : public NetworkReports {
public:
  explicit StationReports(StationLink &link) : mLink(link) {}
  bool reportMovement(double x, double y, double z, double yawDelta, double pitchDelta) override;
  bool reportCharacterState(const std::string &state) override;
  void startExercise() override;
  void sendRatings(std::uint32_t role, double captain, double medic, double fireman) override;
  void broadcastRatingMenu() override;
  void broadcastFinalScores(double captain, double medic, double fireman) override;

private:
  StationLink &mLink;
};
