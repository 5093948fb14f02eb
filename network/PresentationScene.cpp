#include "network/PresentationScene.h"

#include "audio/voicereceiver.h"
#include "graphics/DebriefRecord.h"
#include "graphics/GraphicsModule.h"
#include "shell/state/StationState.h"

void PresentationScene::addCharacter(std::uint32_t role, double x, double y, double z, double yaw,
                                     double pitch) {
  graphicsModule.addCharacter(role, x, y, z, yaw, pitch);
}

void PresentationScene::moveCharacter(std::uint32_t role, double x, double y, double z, double yawDelta,
                                      double pitchDelta) {
  graphicsModule.moveCharacter(role, x, y, z, yawDelta, pitchDelta);
}

void PresentationScene::removeCharacter(std::uint32_t role) {
  graphicsModule.removeCharacter(role);
  // A chief who comes back starts a fresh voice stream.
  voiceReceiver.forgetSpeaker(role);
}

void PresentationScene::setCharacterState(std::uint32_t role, const std::string &state) {
  graphicsModule.setCharacterState(role, state);
}

bool PresentationScene::exerciseStarted() const {
  return graphicsModule.mStartRequested && !graphicsModule.mWaitingForStart;
}

void PresentationScene::startExercise() {
  graphicsModule.mWaitingForStart = false;
  recordAction(ROLE_FACILITATOR, "start", ""); // only the facilitator starts the exercise
  writeDebrief();
}

void PresentationScene::showLinkStatus(const std::string &words) {
  graphicsModule.showLinkStatus(words);
}

void PresentationScene::playVoice(std::uint32_t role, const TNL::ByteBuffer &packet) {
  noteVoicePacket(role);
  voiceReceiver.receive(role, packet);
}

void PresentationScene::openRatingMenu() {
  graphicsModule.openRatingMenu();
}

void PresentationScene::receiveFinalScores(double captain, double medic, double fireman) {
  graphicsModule.receiveFinalScores(captain, medic, fireman);
}

void PresentationScene::receiveChiefRatings(std::uint32_t role, double captain, double medic,
                                            double fireman) {
  graphicsModule.receiveChiefRatings(role, captain, medic, fireman);
}

void PresentationScene::chiefLeft(std::uint32_t role) {
  graphicsModule.chiefLeft(role);
}

namespace {

Ogre::Vector3 levelPoint(double x, double y, double z) {
  return Ogre::Vector3(static_cast<Ogre::Real>(x), static_cast<Ogre::Real>(y), static_cast<Ogre::Real>(z));
}

} // namespace

void PresentationScene::firemanInteractFire(const std::string &fireName) {
  graphicsModule.firemanInteractFire(fireName);
}

void PresentationScene::medicInteractPassenger(const std::string &passengerName) {
  graphicsModule.medicInteractPassenger(passengerName);
}

void PresentationScene::npcMoveToDest(std::uint32_t role, const std::string &passengerName, double x,
                                      double y, double z) {
  graphicsModule.npcMoveToDest(role, passengerName, levelPoint(x, y, z));
}

void PresentationScene::npcFollow(std::uint32_t role, const std::string &passengerName) {
  graphicsModule.npcFollow(role, passengerName);
}

void PresentationScene::npcStopFollow(std::uint32_t role, const std::string &passengerName) {
  graphicsModule.npcStopFollow(role, passengerName);
}

void PresentationScene::crewWorksOn(std::uint32_t role, const std::string &targetName) {
  graphicsModule.crewWorksOn(role, targetName);
}

void PresentationScene::addResource(std::int32_t kind, std::int32_t amount) {
  graphicsModule.addResource(kind, amount);
}

void PresentationScene::addPassenger(double x, double y, double z) {
  graphicsModule.injectPassenger(levelPoint(x, y, z));
}

void PresentationScene::createFire(double x, double y, double z, double size) {
  graphicsModule.injectFire(levelPoint(x, y, z), size);
}
