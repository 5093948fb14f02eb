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
  void openRatingMenu() override;
  void receiveFinalScores(double captain, double medic, double fireman) override;
  void receiveChiefRatings(std::uint32_t role, double captain, double medic, double fireman) override;
  void chiefLeft(std::uint32_t role) override;
};
