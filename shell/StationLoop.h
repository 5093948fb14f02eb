#pragma once
// The pieces of the station's loops that need no engine: completing the
// server address, the millisecond clock with its carried fraction, the voice
// capture timer, the lobby's connection rows and the start dialog's role
// choice.

#include <cstdint>
#include <string>

// Every station talks on this UDP port; the address box takes a host only.
extern const char *const SERVER_PORT;      // "28000"
extern const char *const LOOPBACK_ADDRESS; // "127.0.0.1"

// What the start button makes of the address box: an empty text becomes the
// loopback address; ":" and the port are appended to whatever was typed.
std::string completeServerAddress(const std::string &typed);

// Steady high-resolution timer reading, nanoseconds.
std::uint64_t getHighPrecisionTimerValue();
// A difference of two timer readings in milliseconds.
double getHighPrecisionMilliseconds(std::uint64_t timerDifference);

// The main loop's clock: time is consumed in whole milliseconds and the
// fraction is carried, so nothing is lost to rounding and nothing drifts.
struct LoopClock {
  std::uint64_t lastTime = 0; // timer reading of the last consuming pass
  double carry = 0;           // milliseconds measured but not yet consumed, below 1

  // Whole milliseconds this pass consumes at timer reading now. A pass that
  // measures less than 2 ms consumes nothing (0) and leaves the clock as it
  // was, so the next pass measures from the same instant.
  std::uint32_t consume(std::uint64_t now);
};

// The voice capture timer of the main loop; fields as the recorder keeps them.
struct VoiceTimer {
  bool recording = false;
  std::uint32_t timer = 0;  // milliseconds until the next capture step; 0 = disarmed
  std::uint32_t period = 0; // milliseconds between capture steps
};

// Milliseconds between capture steps once recording runs.
constexpr std::uint32_t VOICE_CAPTURE_PERIOD = 100;

// Counts elapsed milliseconds off an armed timer of a running recording. True
// when the capture step is due; the timer is then re-armed at the period.
bool advanceVoiceTimer(VoiceTimer &voice, std::uint32_t elapsed);

// One chief's row of the lobby window "DemoConnection".
struct LobbyRow {
  const char *labelWindow;
  const char *connectedText;
  const char *notConnectedText;
  const char *imageWindow;
  const char *connectedImage;
};

// Shown in a row's image window while that chief is not connected.
extern const char *const NOT_CONNECTED_IMAGE; // "question.jpg"

// The row of a chief role code (0..2); null for any other code.
const LobbyRow *lobbyRow(std::uint32_t role);
const char *lobbyRowText(const LobbyRow &row, bool connected);
const char *lobbyRowImage(const LobbyRow &row, bool connected);

// The start dialog's role choice by the ID of the selected role button:
// 0 facilitator (the server), 1 captain, 2 medic, 3 fireman. Sets isClient,
// clientRole and roleName; any other ID changes nothing (false).
bool adoptRole(std::uint32_t buttonId);
// adoptRole, then, whatever the ID, logs "The user has choosen role : " +
// roleName.
void chooseRole(std::uint32_t buttonId);
