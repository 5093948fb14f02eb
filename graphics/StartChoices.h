#pragma once
// What the start dialog and the lobby make of the user's choices, without the
// engine: the completed server address, the role buttons, and the lobby's
// connection rows.

#include <cstdint>
#include <string>

// Every station talks on this UDP port; the address box takes a host only.
extern const char *const SERVER_PORT;      // "28000"
extern const char *const LOOPBACK_ADDRESS; // "127.0.0.1"

// What the start button makes of the address box: an empty text becomes the
// loopback address; ":" and the port are appended to whatever was typed.
std::string completeServerAddress(const std::string &typed);

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
