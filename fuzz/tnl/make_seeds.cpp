// Writes the seed corpora of the transport's fuzz targets into
// <out>/handshake, <out>/connection_packet and <out>/event_arguments: real
// packets of a scripted handshake and of an established connection, made by
// the transport itself with the fuzz targets' fixed clock and random source.
#include "fuzz_support.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>

using namespace TNL;

namespace {

using Bytes = std::vector<uint8_t>;

void writeFile(const std::string &path, const Bytes &bytes) {
  FILE *file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// Records what an interface sends instead of sending it.
void capture(NetInterface *theInterface, std::vector<Bytes> &sent) {
  theInterface->setSendFilter([&sent](const Address &, const uint8_t *data, size_t size) {
    sent.push_back(Bytes(data, data + size));
    return false;
  });
}

Bytes takeLast(std::vector<Bytes> &sent) {
  if (sent.empty()) {
    std::fprintf(stderr, "expected a datagram\n");
    std::exit(1);
  }
  Bytes last = sent.back();
  sent.clear();
  return last;
}

void makeHandshakeSeeds(const std::string &dir) {
  // Declared first: the capture filters must outlive the interfaces.
  std::vector<Bytes> fromServer;
  std::vector<Bytes> fromClient;
  fuzzing::resetEnvironment(31);
  fuzzing::HandshakeSetup setup;
  capture(setup.server, fromServer);
  capture(setup.client, fromClient);

  // connectTo already sent the challenge request before the capture was
  // installed, so ask for it again through a retry.
  fuzzing::advanceClock(3000);
  setup.client->serviceConnections();
  Bytes challengeRequest = takeLast(fromClient);
  TestAccess::feedDatagram(setup.server, fuzzing::fixedPeerAddress(), challengeRequest.data(),
                           challengeRequest.size());
  Bytes challengeResponse = takeLast(fromServer);
  TestAccess::feedDatagram(setup.client, setup.server->getBoundAddress(), challengeResponse.data(),
                           challengeResponse.size());
  int solvingCalls = 0;
  while (fromClient.empty() &&
         setup.pending->getConnectionState() == NetConnection::ComputingPuzzleSolution) {
    setup.server->serviceConnections(); // as the fuzz target does between chunks
    setup.client->serviceConnections(); // one batch of the puzzle per call
    ++solvingCalls;
  }
  Bytes connectRequest = takeLast(fromClient);
  TestAccess::feedDatagram(setup.server, fuzzing::fixedPeerAddress(), connectRequest.data(),
                           connectRequest.size());
  Bytes connectAccept = takeLast(fromServer);
  Bytes disconnect;
  if (!setup.server->getConnectionList().empty()) {
    setup.server->disconnect(setup.server->getConnectionList()[0], NetConnection::ReasonSelfDisconnect,
                             "Shutdown");
    disconnect = takeLast(fromServer);
  }

  Bytes all;
  fuzzing::appendChunk(all, 0, challengeRequest);
  fuzzing::appendChunk(all, 1, challengeResponse);
  for (int call = 0; call < solvingCalls; ++call)
    fuzzing::appendChunk(all, 2, Bytes());
  fuzzing::appendChunk(all, 0, connectRequest);
  fuzzing::appendChunk(all, 1, connectAccept);
  fuzzing::appendChunk(all, 1, disconnect);
  writeFile(dir + "/full_handshake", all);

  Bytes single;
  fuzzing::appendChunk(single, 0, challengeRequest);
  writeFile(dir + "/challenge_request", single);
  single.clear();
  fuzzing::appendChunk(single, 1, challengeResponse);
  fuzzing::appendChunk(single, 2 | (20 << 2), Bytes());
  writeFile(dir + "/challenge_response_then_time", single);
  single.clear();
  fuzzing::appendChunk(single, 0, connectRequest);
  fuzzing::appendChunk(single, 0, connectRequest);
  writeFile(dir + "/connect_request_twice", single);
  single.clear();
  uint8_t rejectBytes[64] = {};
  BitStream reject(rejectBytes, sizeof rejectBytes);
  reject.writeInt(NetInterface::ConnectReject, 8);
  reject.writeBytes(connectAccept.data() + 1, 16); // the nonces, as the accept carried them
  reject.writeString("Puzzle", 6);
  fuzzing::appendChunk(single, 1, Bytes(rejectBytes, rejectBytes + reject.getBytePosition()));
  writeFile(dir + "/connect_reject", single);
}

void makeConnectionSeeds(const std::string &packetDir, const std::string &eventDir) {
  std::vector<Bytes> sent; // outlives the interface whose filter fills it
  fuzzing::resetEnvironment();
  fuzzing::ConnectionSetup mirror(true);
  capture(mirror.theInterface, sent);
  FuzzConnection *connection = mirror.connection;

  connection->c2sName(1, "clone_passenger3");
  connection->c2sName(1, "clone_passenger4");
  connection->c2sEverything(7, -7, -0.0, "Idle", "DeadSitting", new ByteBuffer(5), true);
  connection->c2sVoice(2, new ByteBuffer(7), false);
  connection->c2sTick();
  connection->anyState("Walk");

  // Event sections, and one RPC's arguments per class.
  uint8_t body[1500] = {};
  BitStream events(body, sizeof body);
  TestAccess::writeEvents(connection, events);
  Bytes section = {0};
  section.insert(section.end(), body, body + events.getBytePosition());
  writeFile(eventDir + "/event_section", section);
  RefPtr<NetEvent> samples[] = {
      connection->c2sEverything_construct(1, 2, 3.5, "passenger", "passenger2", new ByteBuffer(3), false),
      connection->c2sName_construct(0, "fireparticle1"),
      connection->s2cMove_construct(2, -560.0, -280.0, 0.948548, 10, -5, 0),
      connection->c2sVoice_construct(1, new ByteBuffer(14), true),
      connection->anyState_construct("Medkit_Crouch_Shoot1"),
  };
  for (const RefPtr<NetEvent> &sample : samples) {
    uint8_t args[1500] = {};
    BitStream stream(args, sizeof args);
    sample->pack(connection, &stream);
    uint32_t id = sample->getClassRep()->getClassId(NetClassGroupGame);
    Bytes file = {uint8_t((id << 1) | 1)};
    file.insert(file.end(), args, args + stream.getBytePosition());
    writeFile(eventDir + "/arguments_" + sample->getClassRep()->getClassName(), file);
  }

  // Data packets, then a ping after a silence.
  Bytes all;
  for (int packet = 0; packet < 3; ++packet) {
    fuzzing::advanceClock(100);
    mirror.theInterface->serviceConnections();
    if (!sent.empty()) {
      fuzzing::appendChunk(all, 1 | (2 << 1), sent.back());
      Bytes single;
      fuzzing::appendChunk(single, 0, sent.back());
      writeFile(packetDir + "/data_packet_" + std::to_string(packet), single);
      sent.clear();
    }
    connection->c2sName(1, "clone_passenger" + std::to_string(packet));
  }
  for (int check = 0; check < 6 && sent.empty(); ++check) {
    fuzzing::advanceClock(1600);
    mirror.theInterface->serviceConnections();
  }
  if (!sent.empty()) {
    fuzzing::appendChunk(all, 1 | (40 << 1), sent.back());
    Bytes single;
    fuzzing::appendChunk(single, 0, sent.back());
    writeFile(packetDir + "/ping_packet", single);
  }
  writeFile(packetDir + "/packet_sequence", all);
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
    return 2;
  }
  std::string out = argv[1];
  for (const char *sub : {"", "/handshake", "/connection_packet", "/event_arguments"})
    mkdir((out + sub).c_str(), 0755);
  makeHandshakeSeeds(out + "/handshake");
  makeConnectionSeeds(out + "/connection_packet", out + "/event_arguments");
  Random::setSource(nullptr);
  Platform::setClock(nullptr);
  return 0;
}
