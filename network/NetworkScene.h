#pragma once
// What the network does to the station's scene and screens. The program's
// implementation (PresentationScene) calls the presentation directly; the
// in-process tests give every station a recording scene of its own, so that
// several stations can run in one process without a window.

#include <cstdint>
#include <string>

namespace TNL {
class ByteBuffer;
}

class NetworkScene {
public:
  virtual ~NetworkScene() = default;

  // The chief's character appears at the placement (level units, degrees).
  // The record is already in the role's slot.
  virtual void addCharacter(std::uint32_t role, double x, double y, double z, double yaw, double pitch) = 0;
  // Moves the character to (x, y, z) and turns it by the deltas (degrees);
  // the record's placement is already updated.
  virtual void moveCharacter(std::uint32_t role, double x, double y, double z, double yawDelta,
                             double pitchDelta) = 0;
  // The character leaves the scene; the slot is emptied afterwards by the
  // caller. Nothing may keep referring to the character (followers, camera).
  virtual void removeCharacter(std::uint32_t role) = 0;
  // The role's character takes a state word (an animation name).
  virtual void setCharacterState(std::uint32_t role, const std::string &state) = 0;

  // True once the exercise runs (the lobby is over).
  virtual bool exerciseStarted() const = 0;
  // Ends the lobby: the facilitator's start, or s2cstartSimulation on a chief.
  virtual void startExercise() = 0;
  // The link's state in words for the lobby ("Connected", ...).
  virtual void showLinkStatus(const std::string &words) = 0;

  // A voice packet of a speaking chief (0..2) to decode and play.
  virtual void playVoice(std::uint32_t role, const TNL::ByteBuffer &packet) = 0;

  // ---- the exercise's actions (names are checked for their kind by the scene) ----

  // One extinguishing step on the fire, one treatment of the passenger.
  virtual void firemanInteractFire(const std::string &fireName) = 0;
  virtual void medicInteractPassenger(const std::string &passengerName) = 0;
  // The captain's commands; x, y, z in level units. The walk's role is the
  // captain's, or 3 for the facilitator's move.
  virtual void npcMoveToDest(std::uint32_t role, const std::string &passengerName, double x, double y,
                             double z) = 0;
  virtual void npcFollow(std::uint32_t role, const std::string &passengerName) = 0;
  virtual void npcStopFollow(std::uint32_t role, const std::string &passengerName) = 0;
  // A crew member of the role's pool sent to the target.
  virtual void crewWorksOn(std::uint32_t role, const std::string &targetName) = 0;
  // The facilitator's injects: supplies (kind 0 medical kits, 1
  // extinguishers), a passenger, a fire of the size.
  virtual void addResource(std::int32_t kind, std::int32_t amount) = 0;
  virtual void addPassenger(double x, double y, double z) = 0;
  virtual void createFire(double x, double y, double z, double size) = 0;

  // ---- end of the exercise ----

  // Chief: the facilitator opened the rating phase.
  virtual void openRatingMenu() = 0;
  // Chief: the final scores of the three chiefs.
  virtual void receiveFinalScores(double captain, double medic, double fireman) = 0;
  // Facilitator: a chief's ratings of the three chiefs.
  virtual void receiveChiefRatings(std::uint32_t role, double captain, double medic, double fireman) = 0;
  // Facilitator: the role's slot has just been emptied (the chief left).
  virtual void chiefLeft(std::uint32_t role) = 0;
};
