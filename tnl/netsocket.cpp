#include "netsocket.h"

#include "log.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace TNL {
namespace {

bool parsePort(const char *text, uint16_t &port) {
  char *end = nullptr;
  errno = 0;
  unsigned long value = std::strtoul(text, &end, 10);
  if (errno || end == text || *end || value > 65535)
    return false;
  port = uint16_t(value);
  return true;
}

// Four decimal bytes separated by dots, nothing else.
bool parseDotted(const std::string &text, uint32_t &host) {
  unsigned parts[4];
  char tail;
  if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) != 4)
    return false;
  for (unsigned part : parts)
    if (part > 255)
      return false;
  for (char c : text)
    if (!(c == '.' || (c >= '0' && c <= '9')))
      return false;
  host = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
  return true;
}

bool resolveName(const std::string &name, uint32_t &host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo *found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found)
    return false;
  host = ntohl(reinterpret_cast<sockaddr_in *>(found->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(found);
  return true;
}

bool parseHost(const std::string &text, uint32_t &host) {
  if (text == "any") {
    host = Address::Any;
    return true;
  }
  if (text == "localhost") {
    host = Address::Localhost;
    return true;
  }
  if (text == "broadcast") {
    host = Address::Broadcast;
    return true;
  }
  if (parseDotted(text, host))
    return true;
  // Digits and dots are a dotted address or nothing; the system resolver
  // would take "1.2.3" for 1.2.0.3.
  if (text.find_first_not_of("0123456789.") == std::string::npos)
    return false;
  return !text.empty() && text.find_first_of(" \t") == std::string::npos && resolveName(text, host);
}

sockaddr_in toSockaddr(const Address &address) {
  sockaddr_in out{};
  out.sin_family = AF_INET;
  out.sin_addr.s_addr = htonl(address.host);
  out.sin_port = htons(address.port);
  return out;
}

std::function<uint32_t()> &clockOverride() {
  static std::function<uint32_t()> clock;
  return clock;
}

} // namespace

Address::Address(const char *text) {
  set(text);
}

bool Address::set(const char *text) {
  *this = Address();
  std::string rest = text ? text : "";
  if (rest.size() >= 3 && (rest.compare(0, 3, "IP:") == 0 || rest.compare(0, 3, "ip:") == 0))
    rest.erase(0, 3);
  uint16_t parsedPort = 0;
  size_t colon = rest.rfind(':');
  if (colon != std::string::npos) {
    if (!parsePort(rest.c_str() + colon + 1, parsedPort)) {
      transport = InvalidProtocol;
      return false;
    }
    rest.erase(colon);
  }
  uint32_t parsedHost = 0;
  if (!parseHost(rest, parsedHost)) {
    transport = InvalidProtocol;
    return false;
  }
  host = parsedHost;
  port = parsedPort;
  return true;
}

std::string Address::toString() const {
  char text[64];
  std::snprintf(text, sizeof text, "IP:%d.%d.%d.%d:%d", int(host >> 24), int((host >> 16) & 0xFF),
                int((host >> 8) & 0xFF), int(host & 0xFF), int(port));
  return text;
}

uint32_t Address::hash() const {
  return (host ^ (uint32_t(port) << 16) ^ (host >> 16) ^ transport) % 129u;
}

void Address::getRecord(uint8_t out[20]) const {
  std::memset(out, 0, 20);
  const uint32_t fields[3] = {uint32_t(transport), host, port};
  for (int field = 0; field < 3; ++field)
    for (int byte = 0; byte < 4; ++byte)
      out[field * 4 + byte] = uint8_t(fields[field] >> (24 - 8 * byte));
}

Socket::~Socket() {
  close();
}

bool Socket::bind(const Address &address) {
  close();
  if (address.transport != IPProtocol) {
    logprintfChannel("LogUDP", "Attempted to create a socket bound to an invalid transport.");
    return false;
  }
  mFd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (mFd < 0)
    return false;
  int on = 1;
  int bufferSize = 32768;
  setsockopt(mFd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  setsockopt(mFd, SOL_SOCKET, SO_SNDBUF, &bufferSize, sizeof bufferSize);
  setsockopt(mFd, SOL_SOCKET, SO_RCVBUF, &bufferSize, sizeof bufferSize);
  sockaddr_in local = toSockaddr(address);
  if (::bind(mFd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
    logprintfChannel("LogUDP", "Unable to bind the socket to %s.", address.toString().c_str());
    close();
    return false;
  }
  return true;
}

void Socket::close() {
  if (mFd >= 0)
    ::close(mFd);
  mFd = -1;
}

Address Socket::getBoundAddress() const {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (mFd < 0 || getsockname(mFd, reinterpret_cast<sockaddr *>(&local), &length) != 0)
    return Address(InvalidProtocol, 0, 0);
  return Address(IPProtocol, ntohl(local.sin_addr.s_addr), ntohs(local.sin_port));
}

bool Socket::sendTo(const Address &to, const uint8_t *data, size_t size) {
  if (mFd < 0 || to.transport != IPProtocol)
    return false;
  sockaddr_in remote = toSockaddr(to);
  return ::sendto(mFd, data, size, 0, reinterpret_cast<sockaddr *>(&remote), sizeof remote) == ssize_t(size);
}

Socket::Receive Socket::receiveFrom(Address &from, uint8_t *buffer, size_t capacity, size_t &size) {
  if (mFd < 0)
    return Receive::Nothing;
  sockaddr_in remote{};
  socklen_t length = sizeof remote;
  ssize_t got = ::recvfrom(mFd, buffer, capacity, MSG_TRUNC, reinterpret_cast<sockaddr *>(&remote), &length);
  if (got < 0)
    return (errno == EAGAIN || errno == EWOULDBLOCK) ? Receive::Nothing : Receive::Error;
  from = Address(IPProtocol, ntohl(remote.sin_addr.s_addr), ntohs(remote.sin_port));
  size = size_t(got);
  return Receive::Datagram;
}

namespace Platform {

uint32_t getRealMilliseconds() {
  if (clockOverride())
    return clockOverride()();
  using namespace std::chrono;
  static const steady_clock::time_point start = steady_clock::now();
  return uint32_t(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

void setClock(std::function<uint32_t()> clock) {
  clockOverride() = std::move(clock);
}

void sleep(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace Platform
} // namespace TNL
