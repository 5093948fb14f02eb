#pragma once
// The program's NetworkScene: the network's handlers act on the station's
// one GraphicsModule, its lobby and its debrief record.

#include "network/NetworkScene.h"

class PresentationScene : public NetworkScene {
public:
  void addCharacter(std::uint32_t role, double x, double y, double z, double yaw, double pitch) override;
  void moveCharacter(std::uint32_t role, double x, double y, double z, double yawDelta,
                     double pitchDelta) override;
  void removeCharacter(std::uint32_t role) override;
  void setCharacterState(std::uint32_t role, const std::string &state) override;
  bool exerciseStarted() const override;
  void startExercise() override;
  void showLinkStatus(const std::string &words) override;
  void playVoice(std::uint32_t role, const TNL::ByteBuffer &packet) override;
  void firemanInteractFire(const std::string &fireName) override;
  void medicInteractPassenger(const std::string &passengerName) override;
  void npcMoveToDest(std::uint32_t role, const std::string &passengerName, double x, double y,
                     double z) override;
  void npcFollow(std::uint32_t role, const std::string &passengerName) override;
  void npcStopFollow(std::uint32_t role, const std::string &passengerName) override;
  void crewWorksOn(std::uint32_t role, const std::string &targetName) override;
  void addResource(std::int32_t kind, std::int32_t amount) override;
  void addPassenger(double x, double y, double z) override;
  void createFire(double x, double y, double z, double size) override;
  void openRatingMenu() override;
  void receiveFinalScores(double captain, double medic, double fireman) override;
  void receiveChiefRatings(std::uint32_t role, double captain, double medic, double fireman) override;
  void chiefLeft(std::uint32_t role) override;
};
