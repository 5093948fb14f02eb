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
  void reportTreatment(const std::string &passengerName) override;
  void reportExtinguishStep(const std::string &fireName) override;
  void reportFollow(const std::string &passengerName) override;
  void reportStopFollow(const std::string &passengerName) override;
  void reportMoveToDest(const std::string &passengerName, const Ogre::Vector3 &destination) override;
  void reportCrewInteraction(std::uint32_t role, const std::string &targetName) override;
  void reportResource(std::int32_t resourceKind, std::int32_t amount) override;
  void reportAddPassenger(const Ogre::Vector3 &position) override;
  void reportCreateFire(const Ogre::Vector3 &position, double size) override;
  void reportFacilitatorMove(const std::string &passengerName, const Ogre::Vector3 &destination) override;

private:
  StationLink &mLink;
};
