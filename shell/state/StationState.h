#pragma once
// Process-wide station state: who this station is, which chiefs are present,
// the exercise's counters and supplies, the selection, the watched view and
// the pools of idle crew members. Touched only on the main thread.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class NetworkModule;
namespace OgreRefApp {
class ApplicationObject;
class Character;
class NPC;
} // namespace OgreRefApp

// ---- Station settings (written only until the start dialog closes) ----

// false: this station is the facilitator's server; true: a chief's client.
extern bool isClient;
// Role code of this station, 0..3 (see roleTable).
extern std::uint32_t clientRole;
// Role word of this station ("captain", ...); log lines use it.
extern std::string roleName;
// Server address with ":28000" appended once the start button is pressed.
extern std::string serverAddress;

// ---- Roles ----

enum RoleCode : std::uint32_t { ROLE_CAPTAIN = 0, ROLE_MEDIC = 1, ROLE_FIREMAN = 2, ROLE_FACILITATOR = 3 };

// Number of chief roles (codes 0..2); the facilitator is not a chief.
constexpr std::size_t CHIEF_ROLE_COUNT = 3;
constexpr std::size_t ROLE_COUNT = 4;

struct RoleInfo {
  const char *roleWord;   // roleName of a station in this role
  const char *recordName; // ClientRecord::name; empty for the facilitator
  const char *mesh;       // the chief's character mesh; empty for the facilitator
  const char *shownAs;    // the role as users read it
};

// Indexed by role code 0..3.
extern const std::array<RoleInfo, ROLE_COUNT> roleTable;

// True for the chiefs' codes 0..2, the only ones that own a clientTable slot.
inline bool isChiefRole(std::uint32_t role) {
  return role < CHIEF_ROLE_COUNT;
}

// ---- Chiefs present ----

struct ClientRecord {
  // Strings from the role table of a chief role (0..2), numbers zero, no
  // connection and no character.
  explicit ClientRecord(std::uint8_t chiefRole);

  std::string name;
  std::uint8_t role = 0; // 0..2
  // Server: the connection the chief joined on. Chief: set only in the
  // station's own slot. Not owned.
  NetworkModule *connection = nullptr;
  std::string mesh;
  bool scoreReceived = false;                 // server only
  std::array<double, 3> scores{};             // server only: the chief's three ratings
  OgreRefApp::Character *character = nullptr; // owned by the World
  // x, y, z, yaw (degrees), pitch (degrees), and a sixth value kept at 0.
  std::array<double, 6> placement{};
};

// A new record for a chief role, or null for any other code (the facilitator
// and out-of-range codes never get a slot).
std::unique_ptr<ClientRecord> makeClientRecord(std::uint32_t role);

// Indexed by chief role code 0..2; an empty slot is a chief not present.
extern std::array<std::unique_ptr<ClientRecord>, CHIEF_ROLE_COUNT> clientTable;

// ---- Scene objects by name ----

// Passengers, crew members and fires by name. Refers to the objects, which
// the World owns; the GraphicsModule's namedObjects is this map.
using NamedObjectMap = std::map<std::string, OgreRefApp::ApplicationObject *>;
extern NamedObjectMap sceneObjects;

// prefix + the number of entries the scene's named objects hold now, in decimal.
std::string makeObjectName(const std::string &prefix);

// The named object, or null; never inserts an entry.
OgreRefApp::ApplicationObject *findNamedObject(const std::string &name);

// Entity name picked by the last right click; empty when level geometry was hit.
extern std::string selectedObjectName;

// Facilitator's watched view: 0..2 follows that chief, 3 a free camera.
extern int viewedRole;

// ---- Idle crew (last in, first out; the World owns the NPCs) ----

extern std::vector<OgreRefApp::NPC *> medicCrewPool;
extern std::vector<OgreRefApp::NPC *> fireCrewPool;

// ---- Counters and supplies (no bounds: supplies may go below zero) ----

extern double passengerCount;
extern double rescuedCount;
extern double healedCount;
extern double fireCount;
extern double extinguishedCount;
extern double medkitSupply;
extern double extinguisherSupply;
