#include "shell/StationLoop.h"

#include <array>
#include <chrono>
#include <limits>

#include "shell/SimulationLog.h"
#include "shell/StationState.h"

const char *const SERVER_PORT = "28000";
const char *const LOOPBACK_ADDRESS = "127.0.0.1";

std::string completeServerAddress(const std::string &typed) {
  const std::string host = typed.empty() ? std::string(LOOPBACK_ADDRESS) : typed;
  return host + ":" + SERVER_PORT;
}

std::uint64_t getHighPrecisionTimerValue() {
  const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count());
}

double getHighPrecisionMilliseconds(std::uint64_t timerDifference) {
  return static_cast<double>(timerDifference) / 1e6;
}

namespace {
// A pass shorter than this consumes nothing.
constexpr std::uint32_t MINIMUM_CONSUMED_MS = 2;
} // namespace

std::uint32_t LoopClock::consume(std::uint64_t now) {
  const double measured = getHighPrecisionMilliseconds(now - lastTime) + carry;
  // A gap beyond the 32-bit range (a clock jump) consumes the largest count
  // instead of overflowing the conversion.
  constexpr double largest = std::numeric_limits<std::uint32_t>::max();
  const std::uint32_t elapsed =
      measured >= largest ? std::numeric_limits<std::uint32_t>::max() : static_cast<std::uint32_t>(measured);
  if (elapsed < MINIMUM_CONSUMED_MS)
    return 0;
  carry = measured - static_cast<double>(elapsed);
  lastTime = now;
  return elapsed;
}

bool advanceVoiceTimer(VoiceTimer &voice, std::uint32_t elapsed) {
  if (!voice.recording || voice.timer == 0)
    return false;
  if (elapsed < voice.timer) {
    voice.timer -= elapsed;
    return false;
  }
  voice.timer = VOICE_CAPTURE_PERIOD;
  voice.period = VOICE_CAPTURE_PERIOD;
  return true;
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
