#include "graphics/StartChoices.h"

#include <array>

#include "shell/state/SimulationLog.h"
#include "shell/state/StationState.h"

const char *const SERVER_PORT = "28000";
const char *const LOOPBACK_ADDRESS = "127.0.0.1";

std::string completeServerAddress(const std::string &typed) {
  const std::string host = typed.empty() ? std::string(LOOPBACK_ADDRESS) : typed;
  return host + ":" + SERVER_PORT;
}

const char *const NOT_CONNECTED_IMAGE = "question.jpg";

namespace {
const std::array<LobbyRow, CHIEF_ROLE_COUNT> lobbyRows = {{
    {"CaptainConnection", "Captain : Connected...", "Captain : Not connected...", "CaptainImage",
     "captain.jpg"},
    {"MedicConnection", "Medical Chief : Connected...", "Medical Chief : Not connected...", "MedicImage",
     "medic.jpg"},
    {"FiremanConnection", "Fire&Rescue Chief : Connected...", "Fire&Rescue Chief : Not connected...",
     "FiremanImage", "fireman.jpg"},
}};
} // namespace

const LobbyRow *lobbyRow(std::uint32_t role) {
  return isChiefRole(role) ? &lobbyRows[role] : nullptr;
}

const char *lobbyRowText(const LobbyRow &row, bool connected) {
  return connected ? row.connectedText : row.notConnectedText;
}

const char *lobbyRowImage(const LobbyRow &row, bool connected) {
  return connected ? row.connectedImage : NOT_CONNECTED_IMAGE;
}

namespace {
// Role button IDs of the start dialog, in their order; each maps to a role code.
constexpr std::array<RoleCode, 4> roleOfButton = {ROLE_FACILITATOR, ROLE_CAPTAIN, ROLE_MEDIC, ROLE_FIREMAN};
} // namespace

bool adoptRole(std::uint32_t buttonId) {
  if (buttonId >= roleOfButton.size())
    return false;
  const RoleCode role = roleOfButton[buttonId];
  clientRole = role;
  isClient = role != ROLE_FACILITATOR;
  roleName = roleTable[role].roleWord;
  return true;
}

void chooseRole(std::uint32_t buttonId) {
  adoptRole(buttonId);
  writeLog("The user has choosen role : " + roleName);
}
