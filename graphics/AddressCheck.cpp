#include "graphics/AddressCheck.h"

#include <cctype>

namespace {

const char *const FIXED_PORT = "28000";

bool isDottedAddress(const std::string &text) {
  int parts = 0;
  std::size_t at = 0;
  while (parts < 4) {
    std::size_t digits = 0;
    unsigned value = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && digits < 4) {
      value = value * 10 + unsigned(text[at] - '0');
      ++at;
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255)
      return false;
    ++parts;
    if (parts < 4) {
      if (at >= text.size() || text[at] != '.')
        return false;
      ++at;
    }
  }
  return at == text.size();
}

} // namespace

std::string checkTypedAddress(const std::string &typed, std::string &host) {
  std::string address = typed;
  const std::size_t colon = typed.find(':');
  if (colon != std::string::npos) {
    const std::string port = typed.substr(colon + 1);
    if (port != FIXED_PORT)
      return "The port is fixed at 28000: type the address only";
    address = typed.substr(0, colon);
  }
  if (!address.empty() && address != "localhost" && !isDottedAddress(address))
    return "\"" + address.substr(0, 40) + "\" is not an address: type four numbers, like 192.168.1.5";
  host = address;
  return "";
}
