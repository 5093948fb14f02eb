#pragma once
// The start dialog's check of the typed server address, before the dialog
// closes: an empty box (the loopback address), "localhost", or a dotted IPv4
// address, 0..255 in each of its four parts, optionally followed by the fixed port ":28000".

#include <string>

// "" when the text is acceptable, and host receives its address part
// (without the port); otherwise what is wrong, in words for the dialog.
std::string checkTypedAddress(const std::string &typed, std::string &host);
