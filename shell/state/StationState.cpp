#include "shell/state/StationState.h"


bool isClient = false;
std::uint32_t clientRole = ROLE_CAPTAIN;
std::string roleName;
std::string serverAddress;

const std::array<RoleInfo, ROLE_COUNT> roleTable = {{
    {"captain", "captain", "captain.mesh", "Captain"},
    {"medic", "medic", "medic_crew.mesh", "Medical Chief"},
    {"fireman", "fireman", "fireman_crew.mesh", "Fire&Rescue Chief"},
    {"facilitator", "", "", "Facilitator"},
}};

ClientRecord::ClientRecord(std::uint8_t chiefRole) : role(chiefRole) {
  if (isChiefRole(chiefRole)) {
    name = roleTable[chiefRole].recordName;
    mesh = roleTable[chiefRole].mesh;
  }
}

std::unique_ptr<ClientRecord> makeClientRecord(std::uint32_t role) {
  if (!isChiefRole(role))
    return nullptr;
  return std::make_unique<ClientRecord>(static_cast<std::uint8_t>(role));
}

std::array<std::unique_ptr<ClientRecord>, CHIEF_ROLE_COUNT> clientTable;

NamedObjectMap sceneObjects;

std::string makeObjectName(const std::string &prefix) {
  return prefix + std::to_string(sceneObjects.size());
}

OgreRefApp::ApplicationObject *findNamedObject(const std::string &name) {
  const auto found = sceneObjects.find(name);
  return found == sceneObjects.end() ? nullptr : found->second;
}

std::string selectedObjectName;
int viewedRole = ROLE_FACILITATOR;

std::vector<OgreRefApp::NPC *> medicCrewPool;
std::vector<OgreRefApp::NPC *> fireCrewPool;

double passengerCount = 0;
double rescuedCount = 0;
double healedCount = 0;
double fireCount = 0;
double extinguishedCount = 0;
double medkitSupply = 100.0;
double extinguisherSupply = 100.0;
