// The station's network start over the process-wide state: the facilitator's
// server listens where the start dialog says and accepts connections; a
// chief's station opens an interface on a system port and starts to join;
// an address that does not parse leaves the station without a network, and
// the loops' network pass is then harmless.
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "graphics/NetworkReports.h"
#include "network/NetworkModule.h"
#include "network/StationLink.h"
#include "shell/NetworkStart.h"
#include "shell/state/StationState.h"
#include "tnl/netinterface.h"

namespace {

std::string lastLogMessage() {
  std::ifstream log("sternwake.log");
  std::string line;
  std::string last;
  while (std::getline(log, line))
    if (!line.empty())
      last = line.substr(line.find('\t') + 1);
  return last;
}

class NetworkStart : public ::testing::Test {
protected:
  void TearDown() override { stopNetwork(); }
};

TEST_F(NetworkStart, ServerListensOnTheTypedAddressAndAcceptsConnections) {
  isClient = false;
  serverAddress = "127.0.0.1:0"; // a system port, so the test never collides with a running station
  startNetwork();
  const auto &netInterface = stationLink().netInterface;
  ASSERT_FALSE(netInterface.isNull());
  EXPECT_TRUE(netInterface->isValid());
  EXPECT_TRUE(netInterface->getAllowConnections());
  const TNL::Address bound = netInterface->getBoundAddress();
  EXPECT_EQ(bound.host, TNL::Address::Localhost);
  EXPECT_NE(bound.port, 0);
  EXPECT_NE(networkReports, nullptr);
  EXPECT_EQ(stationLink().status(), "Listening on 127.0.0.1:" + std::to_string(bound.port));
  serviceNetwork();
  stopNetwork();
  EXPECT_TRUE(stationLink().netInterface.isNull());
  EXPECT_EQ(networkReports, nullptr);
}

TEST_F(NetworkStart, ChiefConnectsAtOnceAndQueuesItsJoin) {
  isClient = true;
  clientRole = ROLE_MEDIC;
  serverAddress = "127.0.0.1:28000";
  startNetwork();
  const auto &netInterface = stationLink().netInterface;
  ASSERT_FALSE(netInterface.isNull());
  EXPECT_FALSE(netInterface->getAllowConnections());
  EXPECT_NE(netInterface->getBoundAddress().port, 28000);
  ASSERT_FALSE(stationLink().ownConnection.isNull());
  EXPECT_EQ(stationLink().ownConnection->getConnectionState(), TNL::NetConnection::AwaitingChallengeResponse);
  EXPECT_EQ(stationLink().status(), "Connecting to 127.0.0.1:28000...");
  serviceNetwork();
}

TEST_F(NetworkStart, UnparsableAddressLeavesTheStationWithoutANetwork) {
  isClient = false;
  serverAddress = "300.1.2.3:28000";
  startNetwork();
  EXPECT_TRUE(stationLink().netInterface.isNull());
  EXPECT_EQ(networkReports, nullptr);
  EXPECT_EQ(lastLogMessage(),
            "The server address \"300.1.2.3:28000\" is not an address; the station runs without a network");
  serviceNetwork(); // nothing to service, and nothing breaks
}

} // namespace
