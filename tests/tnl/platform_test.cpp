#include "link_harness.h"
#include "tnl/clientpuzzle.h"

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
