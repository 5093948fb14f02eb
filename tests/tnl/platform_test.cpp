#include "link_harness.h"
#include "tnl/clientpuzzle.h"
#include "tnl/datachunker.h"

using namespace TNL;

TEST(AddressText, DottedAddressesWithPortsParseAndPrintAndOthersAreInvalid) {
  Address withPrefix("IP:192.168.1.20:28000");
  EXPECT_TRUE(withPrefix.isValid());
  EXPECT_EQ(withPrefix.host, 0xC0A80114u);
  EXPECT_EQ(withPrefix.port, 28000);
  EXPECT_EQ(Address("127.0.0.1:28000"), Address(IPProtocol, Address::Localhost, 28000));
  EXPECT_EQ(Address("10.0.0.1"), Address(IPProtocol, 0x0A000001u, 0));
  EXPECT_EQ(Address("localhost:5"), Address(IPProtocol, Address::Localhost, 5));
  EXPECT_EQ(Address("any:0"), Address(IPProtocol, Address::Any, 0));
  EXPECT_EQ(Address("broadcast:28000"), Address(IPProtocol, Address::Broadcast, 28000));
  for (const char *text : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4:65536", "1.2.3.4:", "1.2.3.4:x",
                           "a b", "-1.2.3.4", "1.2.3.4:-1"})
    EXPECT_FALSE(Address(text).isValid()) << text;
  EXPECT_EQ(Address(IPProtocol, 0x7F000001u, 28000).toString(), "IP:127.0.0.1:28000");
  EXPECT_EQ(Address(IPProtocol, 0xFFFFFFFFu, 0).toString(), "IP:255.255.255.255:0");
  for (uint32_t host = 0; host < 5000; host += 7)
    EXPECT_LT(Address(IPProtocol, host * 2654435761u, uint16_t(host)).hash(), 129u);
}

TEST(Socket, InvalidTransportGivesNoSocketAndSaysSo) {
  LogCapture log;
  setLogChannelEnabled("LogUDP", true);
  RefPtr<NetInterface> broken = new NetInterface(Address("not an address"));
  EXPECT_FALSE(broken->isValid());
  EXPECT_EQ(log.countContaining("Attempted to create a socket bound to an invalid transport."), 1);
  broken->receiveDatagrams();
  broken->serviceConnections();
  setLogChannelEnabled("LogUDP", false);
}

TEST(ClientPuzzle, ValidSolutionIsAcceptedOnceAndWrongOnesAreNot) {
  SeededRandomSource random(3);
  Random::setSource(&random);
  ClientPuzzleManager manager(0);
  Nonce client;
  client.randomize();
  uint32_t solution = 0;
  while (!ClientPuzzleManager::solvePuzzle(&solution, client, manager.getCurrentNonce(), 17, 42)) {
  }
  EXPECT_TRUE(ClientPuzzleManager::checkOneSolution(solution, client, manager.getCurrentNonce(), 17, 42));
  EXPECT_EQ(manager.checkSolution(solution, client, manager.getCurrentNonce(), 16, 42),
            ClientPuzzleManager::InvalidDifficulty);
  EXPECT_EQ(manager.checkSolution(solution, client, manager.getCurrentNonce(), 17, 43),
            ClientPuzzleManager::InvalidSolution);
  EXPECT_EQ(manager.checkSolution(solution, client, Nonce(), 17, 42),
            ClientPuzzleManager::InvalidServerNonce);
  EXPECT_EQ(manager.checkSolution(solution, client, manager.getCurrentNonce(), 17, 42),
            ClientPuzzleManager::Success);
  EXPECT_EQ(manager.checkSolution(solution, client, manager.getCurrentNonce(), 17, 42),
            ClientPuzzleManager::AlreadySolved);
  Random::setSource(nullptr);
}

TEST(ClientPuzzle, SolvingStopsAfterTheBatchThatPassesThirtyMilliseconds) {
  uint32_t now = 0;
  Platform::setClock([&now] { return now += 16; }); // 16 ms per reading
  Nonce client;
  Nonce server;
  server.data[0] = 1;
  uint32_t solution = 0;
  // Difficulty 26 is never met within two batches of these nonces.
  bool solved = ClientPuzzleManager::solvePuzzle(&solution, client, server, 26, 1);
  Platform::setClock(nullptr);
  EXPECT_FALSE(solved);
  EXPECT_EQ(solution, 2 * ClientPuzzleManager::SolutionsPerBatch);
}

TEST(ClientPuzzle, LeadingZeroBitsAreCountedFromTheDigestStart) {
  // Difficulty 0 accepts anything; a solution valid at d stays valid below d.
  Nonce client;
  Nonce server;
  EXPECT_TRUE(ClientPuzzleManager::checkOneSolution(12345, client, server, 0, 9));
  uint32_t solution = 0;
  while (!ClientPuzzleManager::solvePuzzle(&solution, client, server, 12, 9)) {
  }
  for (uint32_t d = 0; d <= 12; ++d)
    EXPECT_TRUE(ClientPuzzleManager::checkOneSolution(solution, client, server, d, 9));
  uint32_t failing = 0;
  for (uint32_t candidate = 0; candidate < 64; ++candidate)
    failing += !ClientPuzzleManager::checkOneSolution(candidate, client, server, 8, 9);
  EXPECT_GT(failing, 50u);
}

TEST(DataChunker, FreedRecordsAreReusedAndStorageIsAlignedForAnySize) {
  ClassChunker<EventNote> records;
  EventNote *first = records.alloc();
  EventNote *second = records.alloc();
  EXPECT_NE(first, second);
  records.free(first);
  EXPECT_EQ(records.alloc(), first);
  std::vector<EventNote *> many;
  for (int i = 0; i < 2000; ++i)
    many.push_back(records.alloc());
  std::sort(many.begin(), many.end());
  EXPECT_EQ(std::adjacent_find(many.begin(), many.end()), many.end());
  for (EventNote *note : many)
    records.free(note);
  records.free(second);

  DataChunker chunker;
  for (size_t size : {size_t(1), size_t(3), size_t(24), size_t(40000), size_t(7)}) {
    void *block = chunker.alloc(size);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t), 0u);
    std::memset(block, 0xAB, size);
  }
}
