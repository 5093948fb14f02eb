// Figures of the transport: RPC encoding and decoding rates, bits per RPC,
// puzzle solving time, end-to-end latency over loopback and the throughput
// of one connection. Prints a table; takes about a minute.
#include "tnl/clientpuzzle.h"
#include "tnl/netinterface.h"
#include "tnl/random.h"
#include "tnl/rpc.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace TNL;
using Clock = std::chrono::steady_clock;

class BenchConnection : public EventConnection {
  TNL_DECLARE_NETCONNECTION(BenchConnection);

public:
  TNL_DECLARE_RPC(c2smakeMovement,
                  (uint32_t role, double x, double y, double z, double yaw, double pitch, double extra));
  TNL_DECLARE_RPC(c2sName, (uint32_t role, StringPtr name));
  TNL_DECLARE_RPC(c2sStamp, (uint32_t sequence));

  uint32_t movements = 0;
  uint32_t namesReceived = 0;
  std::vector<uint32_t> stamps;
};

TNL_IMPLEMENT_NETCONNECTION(BenchConnection, NetClassGroupGameMask, true);

TNL_IMPLEMENT_RPC(BenchConnection, c2smakeMovement,
                  (uint32_t role, double x, double y, double z, double yaw, double pitch, double extra),
                  (role, x, y, z, yaw, pitch, extra), NetClassGroupGameMask, RPCGuaranteedOrdered,
                  RPCDirClientToServer, 0) {
  movements += role + uint32_t(x + y + z + yaw + pitch + extra > 1e300);
}

TNL_IMPLEMENT_RPC(BenchConnection, c2sName, (uint32_t role, StringPtr name), (role, name),
                  NetClassGroupGameMask, RPCGuaranteedOrdered, RPCDirClientToServer, 0) {
  namesReceived += role + uint32_t(name.length() > 0);
}

TNL_IMPLEMENT_RPC(BenchConnection, c2sStamp, (uint32_t sequence), (sequence), NetClassGroupGameMask,
                  RPCGuaranteedOrdered, RPCDirClientToServer, 0) {
  stamps.push_back(sequence);
}

namespace {

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  size_t index = size_t(fraction * double(values.size() - 1) + 0.5);
  return values[index];
}

// Encodes as an ordered event of a packet does: flag, consecutive flag,
// class id, arguments. Returns the bits of one event.
size_t encodeOnce(NetEvent *event, BitStream &stream, uint32_t idBits) {
  size_t start = stream.getBitPosition();
  stream.writeFlag(true);
  stream.writeFlag(true);
  stream.writeInt(event->getClassRep()->getClassId(NetClassGroupGame), idBits);
  event->pack(nullptr, &stream);
  return stream.getBitPosition() - start;
}

void measureCoding(const char *label, const RefPtr<NetEvent> &event) {
  const uint32_t idBits = bitsForCount(NetClassRep::getNetClassCount(NetClassGroupGame, NetClassTypeEvent));
  uint8_t buffer[1500];
  size_t bits = 0;
  const int rounds = 400000;

  Clock::time_point start = Clock::now();
  for (int i = 0; i < rounds; ++i) {
    BitStream stream(buffer, sizeof buffer);
    bits = encodeOnce(event, stream, idBits);
  }
  double encodeRate = rounds / secondsSince(start);

  BitStream written(buffer, sizeof buffer);
  encodeOnce(event, written, idBits);
  start = Clock::now();
  for (int i = 0; i < rounds; ++i) {
    BitStream stream(buffer, written.getBytePosition());
    stream.readFlag();
    stream.readFlag();
    RefPtr<NetEvent> decoded = dynamic_cast<NetEvent *>(
        NetClassRep::create(NetClassGroupGame, NetClassTypeEvent, stream.readInt(idBits)));
    decoded->unpack(nullptr, &stream);
  }
  double decodeRate = rounds / secondsSince(start);
  std::printf("%-40s %12.0f %12.0f %10zu\n", label, encodeRate, decodeRate, bits);
}

void measurePuzzle() {
  SeededRandomSource random(99);
  std::vector<double> milliseconds;
  for (int trial = 0; trial < 41; ++trial) {
    Nonce client;
    Nonce server;
    uint32_t identity;
    random.readBytes(client.data, Nonce::Size);
    random.readBytes(server.data, Nonce::Size);
    random.readBytes(reinterpret_cast<uint8_t *>(&identity), sizeof identity);
    uint32_t solution = 0;
    Clock::time_point start = Clock::now();
    while (!ClientPuzzleManager::solvePuzzle(&solution, client, server, ClientPuzzleManager::PuzzleDifficulty,
                                             identity)) {
    }
    milliseconds.push_back(secondsSince(start) * 1000.0);
  }
  std::printf("puzzle, difficulty 17 (41 nonces):  median %.1f ms, 90th percentile %.1f ms\n",
              percentile(milliseconds, 0.5), percentile(milliseconds, 0.9));
}

struct Link {
  RefPtr<NetInterface> server = new NetInterface(Address(IPProtocol, Address::Localhost, 0));
  RefPtr<NetInterface> client = new NetInterface(Address(IPProtocol, Address::Localhost, 0));
  RefPtr<BenchConnection> connection = new BenchConnection;
  BenchConnection *atServer = nullptr;

  Link() {
    server->setAllowConnections(true);
    connection->connectTo(client, server->getBoundAddress());
    while (!connection->isEstablished() || server->getConnectionList().empty())
      pass();
    atServer = dynamic_cast<BenchConnection *>(server->getConnectionList()[0].getPointer());
  }
  // One main-loop pass of both stations, with the program's 2 ms pause.
  void pass() {
    client->receiveDatagrams();
    server->receiveDatagrams();
    client->serviceConnections();
    server->serviceConnections();
    Platform::sleep(2);
  }
};

void measureLatency() {
  Link link;
  SeededRandomSource random(7);
  std::vector<double> milliseconds;
  for (uint32_t sample = 0; sample < 150; ++sample) {
    // Post at a random point of the send period.
    Clock::time_point wait = Clock::now();
    uint8_t jitter;
    random.readBytes(&jitter, 1);
    wait += std::chrono::milliseconds(jitter % 96);
    while (Clock::now() < wait)
      link.pass();
    Clock::time_point start = Clock::now();
    link.connection->c2sStamp(sample);
    while (link.atServer->stamps.size() <= sample)
      link.pass();
    milliseconds.push_back(secondsSince(start) * 1000.0);
  }
  std::printf("ordered RPC latency over loopback (150 samples, 96 ms send period, 2 ms loop):\n"
              "  median %.1f ms, 99th percentile %.1f ms\n",
              percentile(milliseconds, 0.5), percentile(milliseconds, 0.99));
}

void measureThroughput() {
  Link link;
  size_t wireBytes = 0;
  size_t dataPackets = 0;
  link.client->setSendFilter([&](const Address &, const uint8_t *data, size_t size) {
    if (data[0] & 0x80) {
      wireBytes += size;
      dataPackets += (data[0] & 3) == NetConnection::DataPacket;
    }
    return true;
  });
  const double seconds = 10.0;
  uint32_t posted = 0;
  Clock::time_point start = Clock::now();
  while (secondsSince(start) < seconds) {
    while (link.connection->getQueuedEventCount() < 200) {
      link.connection->c2smakeMovement(1, posted * 0.5, -280.0, 0.948548, 1.5, -0.25, 0.0);
      ++posted;
    }
    link.pass();
  }
  double elapsed = secondsSince(start);
  uint32_t delivered = link.atServer->movements; // role 1 each
  std::printf("throughput of one connection (%.0f s of movement reports, limit 2500 bytes/s):\n"
              "  %.0f bytes/s on the wire in %.1f data packets/s, %.0f movement reports/s delivered\n",
              elapsed, wireBytes / elapsed, dataPackets / elapsed, delivered / elapsed);
}

} // namespace

int main() {
  NetClassRep::initialize();
  RefPtr<BenchConnection> connection = new BenchConnection;
  std::printf("%-40s %12s %12s %10s\n", "RPC", "encoded/s", "decoded/s", "bits");
  measureCoding("movement (role, six doubles)",
                connection->c2smakeMovement_construct(1, -560.0, -280.0, 0.948548, 12.5, -3.25, 0.0));
  measureCoding("short name (role, \"clone_passenger3\")",
                connection->c2sName_construct(1, "clone_passenger3"));
  {
    // A name repeated within one packet travels as a prefix count.
    const uint32_t idBits = bitsForCount(NetClassRep::getNetClassCount(NetClassGroupGame, NetClassTypeEvent));
    uint8_t buffer[1500];
    BitStream stream(buffer, sizeof buffer);
    RefPtr<NetEvent> name = connection->c2sName_construct(1, "clone_passenger3");
    encodeOnce(name, stream, idBits);
    std::printf("the same name again in the same packet: %zu bits\n", encodeOnce(name, stream, idBits));
  }
  measurePuzzle();
  measureLatency();
  measureThroughput();
  return 0;
}
