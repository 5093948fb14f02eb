// Platform services of the transport: transport addresses and their text
// form, the non-blocking UDP socket, and the millisecond clock (replaceable,
// so tests step time instead of waiting for it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace TNL {

enum TransportProtocol : uint32_t {
  IPProtocol = 0,
  TCPProtocol = 1,
  IPXProtocol = 2,
  InvalidProtocol = 0xFFu, // an address text that did not parse
};

struct Address {
  enum : uint32_t {
    Any = 0,
    Localhost = 0x7F000001u,
    Broadcast = 0xFFFFFFFFu,
  };

  Address() = default;
  Address(TransportProtocol transportType, uint32_t hostAddress, uint16_t portNumber)
      : transport(transportType), host(hostAddress), port(portNumber) {}
  // "IP:a.b.c.d:port", "a.b.c.d:port", "a.b.c.d", "localhost", "any" or
  // "broadcast" (each optionally with ":port"), or a host name the system
  // resolver knows. Anything else gives an invalid address.
  explicit Address(const char *text);

  bool set(const char *text);
  bool isValid() const { return transport != InvalidProtocol; }
  // "IP:%d.%d.%d.%d:%d"; kept in the address so log lines can use it directly.
  std::string toString() const;
  // Bucket of the interface's 129-bucket connection table.
  uint32_t hash() const;
  // The stable 20-byte record hashed into a client identity.
  void getRecord(uint8_t out[20]) const;

  bool operator==(const Address &other) const {
    return transport == other.transport && host == other.host && port == other.port;
  }
  bool operator!=(const Address &other) const { return !(*this == other); }

  TransportProtocol transport = IPProtocol;
  uint32_t host = Any; // most significant byte first in the text form
  uint16_t port = 0;
};

// One non-blocking IPv4 UDP socket with broadcast allowed and 32768-byte send
// and receive buffers.
class Socket {
public:
  Socket() = default;
  ~Socket();
  Socket(const Socket &) = delete;
  Socket &operator=(const Socket &) = delete;

  // Writes "Attempted to create a socket bound to an invalid transport." on
  // "LogUDP" when the address is not an IP address.
  bool bind(const Address &address);
  void close();
  bool isValid() const { return mFd >= 0; }
  // The address the system actually bound (port chosen when 0 was asked for).
  Address getBoundAddress() const;

  bool sendTo(const Address &to, const uint8_t *data, size_t size);
  enum class Receive { Datagram, Nothing, Error };
  // size receives the datagram's full length, which may exceed capacity;
  // such a datagram is cut at capacity and must be dropped by the caller.
  Receive receiveFrom(Address &from, uint8_t *buffer, size_t capacity, size_t &size);

private:
  int mFd = -1;
};

namespace Platform {

// Milliseconds of a monotonic clock; wraps after 49 days, so intervals are
// always taken as unsigned differences.
uint32_t getRealMilliseconds();
// A replacement clock for tests; an empty function restores the real one.
void setClock(std::function<uint32_t()> clock);
void sleep(uint32_t milliseconds);

} // namespace Platform
} // namespace TNL
