// Four stations' network ends in one process, each with its own settings,
// chief table, log and a scene that records what the network asked of it.
// The transport runs over real loopback sockets; time is a fake clock, so
// handshake and ping time-outs cost no real time.
#include <cmath>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "network/NetworkModule.h"
#include "network/NetworkScene.h"
#include "network/StationLink.h"
#include "network/StationReports.h"
#include "tnl/netinterface.h"
#include "tnl/random.h"

namespace {

std::uint32_t fakeNow = 100000;

// Every call as one line of words, in the order made.
class RecordingScene : public NetworkScene {
public:
  void addCharacter(std::uint32_t role, double x, double y, double z, double yaw, double pitch) override {
    record("add", role, x, y, z, yaw, pitch);
  }
  void moveCharacter(std::uint32_t role, double x, double y, double z, double yaw, double pitch) override {
    record("move", role, x, y, z, yaw, pitch);
  }
  void removeCharacter(std::uint32_t role) override { record("remove", role); }
  void setCharacterState(std::uint32_t role, const std::string &state) override {
    record("state", role, state);
  }
  bool exerciseStarted() const override { return started; }
  void startExercise() override {
    started = true;
    record("start");
  }
  void showLinkStatus(const std::string &words) override { status = words; }
  void playVoice(std::uint32_t role, const TNL::ByteBuffer &packet) override {
    record("voice", role, packet.getBufferSize());
  }
  void firemanInteractFire(const std::string &name) override { record("extinguish", name); }
  void medicInteractPassenger(const std::string &name) override { record("treat", name); }
  void npcMoveToDest(std::uint32_t, const std::string &name, double x, double y, double z) override {
    record("walk", name, x, y, z);
  }
  void npcFollow(std::uint32_t role, const std::string &name) override { record("follow", role, name); }
  void npcStopFollow(std::uint32_t role, const std::string &name) override { record("stop", role, name); }
  void crewWorksOn(std::uint32_t role, const std::string &name) override { record("crew", role, name); }
  void addResource(std::int32_t kind, std::int32_t amount) override { record("resource", kind, amount); }
  void addPassenger(double x, double y, double z) override { record("passenger", x, y, z); }
  void createFire(double x, double y, double z, double size) override { record("fire", x, y, z, size); }
  void openRatingMenu() override { record("rating menu"); }
  void receiveFinalScores(double captain, double medic, double fireman) override {
    record("scores", captain, medic, fireman);
  }
  void receiveChiefRatings(std::uint32_t role, double captain, double medic, double fireman) override {
    record("ratings", role, captain, medic, fireman);
  }
  void chiefLeft(std::uint32_t role) override { record("left", role); }

  std::vector<std::string> calls;
  bool started = false;
  std::string status;

private:
  template <class... Words> void record(const char *what, const Words &...words) {
    std::ostringstream text;
    text << what;
    ((text << ' ' << words), ...);
    calls.push_back(text.str());
  }
};

// One station: what the program keeps in process-wide state, kept here.
struct TestStation {
  TestStation(std::uint32_t role, bool chief)
      : isClient(chief), clientRole(role), roleName(role < 4 ? roleTable[role].roleWord : "stranger"),
        link(isClient, clientRole, roleName, table, scene,
             [this](const std::string &line) { log.push_back(line); }) {}

  int logCount(const std::string &line) const {
    int found = 0;
    for (const std::string &each : log)
      found += each == line;
    return found;
  }
  std::vector<std::string> callsStartingWith(const std::string &prefix) const {
    std::vector<std::string> found;
    for (const std::string &call : scene.calls)
      if (call.compare(0, prefix.size(), prefix) == 0)
        found.push_back(call);
    return found;
  }
  bool occupied(std::uint32_t role) const { return table[role] != nullptr; }

  bool isClient;
  std::uint32_t clientRole;
  std::string roleName;
  ClientTable table;
  RecordingScene scene;
  std::vector<std::string> log;
  StationLink link;
};

class Exercise : public ::testing::Test {
protected:
  void SetUp() override {
    fakeNow = 100000;
    TNL::Platform::setClock([] { return fakeNow; });
    TNL::Random::setSource(&random);
    server = std::make_unique<TestStation>(ROLE_FACILITATOR, false);
    ASSERT_TRUE(server->link.start("127.0.0.1:0"));
    const TNL::Address bound = server->link.netInterface->getBoundAddress();
    serverAddress = "127.0.0.1:" + std::to_string(bound.port);
  }
  void TearDown() override {
    for (auto &chief : chiefs)
      chief->link.shutDown();
    server->link.shutDown();
    chiefs.clear();
    extraInterfaces.clear();
    server.reset();
    TNL::Random::setSource(nullptr);
    TNL::Platform::setClock(nullptr);
  }

  TestStation &startChief(std::uint32_t role) {
    chiefs.push_back(std::make_unique<TestStation>(role, true));
    EXPECT_TRUE(chiefs.back()->link.start(serverAddress));
    return *chiefs.back();
  }
  // Starts a chief and waits until the server has it in its slot.
  TestStation &joinChief(std::uint32_t role) {
    TestStation &chief = startChief(role);
    EXPECT_TRUE(pumpUntil([&] { return server->occupied(role) && chief.occupied(role); }, 5000));
    pump(500);
    return chief;
  }

  void step(std::uint32_t ms = 10) {
    fakeNow += ms;
    server->link.service();
    for (auto &chief : chiefs)
      chief->link.service();
    for (auto &extra : extraInterfaces) {
      extra->receiveDatagrams();
      extra->serviceConnections();
    }
  }
  void pump(std::uint32_t totalMs) {
    for (std::uint32_t elapsed = 0; elapsed < totalMs; elapsed += 10)
      step();
  }
  template <class Done> bool pumpUntil(Done done, std::uint32_t maxMs) {
    for (std::uint32_t elapsed = 0; elapsed < maxMs; elapsed += 10) {
      if (done())
        return true;
      step();
    }
    return done();
  }

  TNL::SeededRandomSource random{4242};
  std::unique_ptr<TestStation> server;
  std::vector<std::unique_ptr<TestStation>> chiefs;
  std::vector<TNL::RefPtr<TNL::NetInterface>> extraInterfaces; // serviced like a station's
  std::string serverAddress;
};

const double NaN = std::numeric_limits<double>::quiet_NaN();

TEST_F(Exercise, LaterJoinersLearnCurrentPlacementsAndMovesReachEveryOtherStationOnce) {
  TestStation &captain = joinChief(ROLE_CAPTAIN);
  EXPECT_EQ(captain.callsStartingWith("add"), std::vector<std::string>{"add 0 -560 -280 0.948548 0 0"});
  EXPECT_EQ(captain.table[ROLE_CAPTAIN]->connection, captain.link.ownConnection.getPointer());
  // The captain walks before the others arrive.
  ASSERT_TRUE(captain.link.reportMovement(-400.5, -250.25, 0, 30, 5));
  ASSERT_TRUE(pumpUntil([&] { return server->scene.calls.size() == 2; }, 2000));
  TestStation &medic = joinChief(ROLE_MEDIC);
  TestStation &fireman = joinChief(ROLE_FIREMAN);
  EXPECT_EQ(medic.callsStartingWith("add"),
            (std::vector<std::string>{"add 1 -570 -75 0.948548 0 0", "add 0 -400.5 -250.25 0 30 5",
                                      "add 2 -500 -180 0.948548 0 0"}));
  for (const TestStation *station : {server.get(), &captain, &medic, &fireman})
    for (std::uint32_t role = 0; role < CHIEF_ROLE_COUNT; ++role)
      EXPECT_TRUE(station->occupied(role)) << station->roleName << " slot " << role;

  // A movement, a state and a voice packet reach every other station once
  // and never come back.
  ASSERT_TRUE(medic.link.reportMovement(-520, -60, 0, -15, 0));
  ASSERT_TRUE(medic.link.reportCharacterState("Medkit_Crouch_Shoot1"));
  ASSERT_TRUE(medic.link.sendVoice(TNL::ByteBufferPtr(new TNL::ByteBuffer(70))));
  pump(1000);
  for (const TestStation *station : {server.get(), &captain, &fireman}) {
    EXPECT_EQ(station->callsStartingWith("move 1"), std::vector<std::string>{"move 1 -520 -60 0 -15 0"});
    EXPECT_EQ(station->callsStartingWith("state 1"),
              std::vector<std::string>{"state 1 Medkit_Crouch_Shoot1"});
    EXPECT_EQ(station->callsStartingWith("voice"), std::vector<std::string>{"voice 1 70"});
  }
  EXPECT_TRUE(medic.callsStartingWith("move").empty());
  EXPECT_TRUE(medic.callsStartingWith("state").empty());
  EXPECT_TRUE(medic.callsStartingWith("voice").empty());
  EXPECT_EQ(fireman.table[ROLE_MEDIC]->placement[3], -15.0);
}

TEST_F(Exercise, RefusedJoinsChangeNothingAnywhereAndTellTheRefusedChiefWhy) {
  TestStation &captain = joinChief(ROLE_CAPTAIN);
  const std::vector<std::string> serverBefore = server->scene.calls;
  const std::vector<std::string> captainBefore = captain.scene.calls;

  TestStation &secondCaptain = startChief(ROLE_CAPTAIN);
  ASSERT_TRUE(pumpUntil([&] { return secondCaptain.scene.status.rfind("Refused", 0) == 0; }, 5000));
  EXPECT_EQ(secondCaptain.scene.status, "Refused: Captain is already taken");
  EXPECT_FALSE(secondCaptain.link.chiefLinkUsable());

  for (std::uint32_t badRole : {3u, 7u, 0xFFFFFFFFu}) {
    TestStation &stranger = startChief(badRole);
    ASSERT_TRUE(pumpUntil([&] { return stranger.scene.status.rfind("Refused", 0) == 0; }, 5000)) << badRole;
    EXPECT_EQ(stranger.scene.status, "Refused: Role " + std::to_string(badRole) + " is not a chief's role");
  }
  pump(500);
  EXPECT_EQ(server->scene.calls, serverBefore);
  EXPECT_EQ(captain.scene.calls, captainBefore);
  EXPECT_EQ(server->link.netInterface->getConnectionList().size(), 1u);
  EXPECT_EQ(server->table[ROLE_CAPTAIN]->connection->getNetAddress(),
            server->link.netInterface->getConnectionList()[0]->getNetAddress());
  EXPECT_TRUE(secondCaptain.callsStartingWith("add").empty());

  // After the start nobody joins: a connection that never joined is closed,
  // a new chief is not answered and learns that the server is not reachable.
  TNL::RefPtr<NetworkModule> silent = new NetworkModule; // connects but never sends c2sAddNewClient
  TestStation idle(ROLE_MEDIC, true);
  extraInterfaces.push_back(new TNL::NetInterface(TNL::Address(TNL::IPProtocol, TNL::Address::Localhost, 0)));
  silent->attach(&idle.link);
  silent->connectTo(extraInterfaces.back(), TNL::Address(serverAddress.c_str()));
  ASSERT_TRUE(pumpUntil(
      [&] { return silent->isEstablished() && server->link.netInterface->getConnectionList().size() == 2; },
      5000));
  server->link.startExercise();
  ASSERT_TRUE(pumpUntil([&] { return !silent->isEstablished(); }, 2000));
  EXPECT_EQ(idle.scene.status, "Refused: The exercise has already started");
  TestStation &late = startChief(ROLE_FIREMAN);
  ASSERT_TRUE(pumpUntil([&] { return late.scene.status == "Server not reachable"; }, 30000));
  EXPECT_FALSE(server->occupied(ROLE_FIREMAN));
  EXPECT_TRUE(late.callsStartingWith("add").empty());
  EXPECT_EQ(server->callsStartingWith("add").size(), 1u);
  silent->attach(nullptr);
}

TEST_F(Exercise, ChiefSendingServerEventsIsDisconnectedAndTheServerRunsNoChiefHandler) {
  TestStation &captain = joinChief(ROLE_CAPTAIN);
  TestStation &medic = joinChief(ROLE_MEDIC);
  // A forged start from the medic: the direction check ends its link.
  ASSERT_TRUE(medic.link.ownConnection->s2cstartSimulation());
  ASSERT_TRUE(pumpUntil([&] { return !server->occupied(ROLE_MEDIC); }, 2000));
  EXPECT_FALSE(server->scene.started);
  EXPECT_TRUE(server->callsStartingWith("start").empty());
  EXPECT_FALSE(captain.scene.started);
  ASSERT_TRUE(pumpUntil([&] { return !captain.occupied(ROLE_MEDIC); }, 2000));

  // A forged announcement from the captain goes the same way.
  ASSERT_TRUE(captain.link.ownConnection->s2cAddNewClient(ROLE_FIREMAN, 1, 2, 3, 0, 0, 0));
  ASSERT_TRUE(pumpUntil([&] { return !server->occupied(ROLE_CAPTAIN); }, 2000));
  EXPECT_FALSE(server->occupied(ROLE_FIREMAN));
  EXPECT_EQ(server->callsStartingWith("add").size(), 2u);
  EXPECT_TRUE(server->link.netInterface->getConnectionList().empty());
}

TEST_F(Exercise, ReportsForAnotherRoleOrWithNonFiniteValuesAreDropped) {
  TestStation &captain = joinChief(ROLE_CAPTAIN);
  TestStation &medic = joinChief(ROLE_MEDIC);
  NetworkModule &medicLink = *medic.link.ownConnection;
  ASSERT_TRUE(medicLink.c2smakeMovement(ROLE_CAPTAIN, 1, 2, 3, 4, 5, 0)); // not the medic's role
  ASSERT_TRUE(medicLink.c2ssetCharacterState(ROLE_CAPTAIN, "Dead"));
  ASSERT_TRUE(medicLink.c2smakeMovement(ROLE_FIREMAN, 1, 2, 3, 4, 5, 0)); // nobody's slot
  ASSERT_TRUE(medicLink.c2smakeMovement(7, 1, 2, 3, 4, 5, 0));
  ASSERT_TRUE(medicLink.c2smakeMovement(ROLE_MEDIC, NaN, 2, 3, 4, 5, 0));
  ASSERT_TRUE(medicLink.c2smakeMovement(ROLE_MEDIC, 1, 2, 3, std::numeric_limits<double>::infinity(), 5, 0));
  ASSERT_TRUE(medicLink.c2sAddNewClient(ROLE_FIREMAN));                 // a second join of a present chief
  ASSERT_TRUE(medicLink.c2smakeMovement(ROLE_MEDIC, 1, 2, 3, 4, 5, 0)); // the one that counts
  StationReports(medic.link).reportCrewInteraction(ROLE_FIREMAN, "fireparticle0"); // another role's crew
  pump(1500);
  EXPECT_TRUE(server->callsStartingWith("crew").empty());
  EXPECT_TRUE(captain.callsStartingWith("crew").empty());
  EXPECT_EQ(server->callsStartingWith("move"), std::vector<std::string>{"move 1 1 2 3 4 5"});
  EXPECT_EQ(captain.callsStartingWith("move"), std::vector<std::string>{"move 1 1 2 3 4 5"});
  EXPECT_TRUE(server->callsStartingWith("state").empty());
  EXPECT_TRUE(medic.callsStartingWith("move").empty()); // nothing bounced back
  EXPECT_EQ(server->table[ROLE_CAPTAIN]->placement[0], -560.0);
  EXPECT_EQ(server->logCount("NULL charID\n"), 1);
  EXPECT_EQ(server->link.netInterface->getConnectionList().size(), 2u); // dropped, not disconnected
  EXPECT_FALSE(server->occupied(ROLE_FIREMAN));
  EXPECT_TRUE(server->occupied(ROLE_MEDIC));
}

TEST_F(Exercise, ChiefWhoseServerVanishedStopsSendingAndSaysSo) {
  TestStation &captain = joinChief(ROLE_CAPTAIN);
  // The facilitator's machine falls silent: nothing it sends arrives.
  server->link.netInterface->setSendFilter(
      [](const TNL::Address &, const std::uint8_t *, std::size_t) { return false; });
  ASSERT_TRUE(pumpUntil([&] { return captain.scene.status == "Server not reachable"; }, 120000));
  EXPECT_FALSE(captain.link.chiefLinkUsable());
  EXPECT_FALSE(captain.link.reportMovement(1, 2, 3, 0, 0));
  EXPECT_FALSE(captain.link.reportCharacterState("Idle"));
  // The chief's own picture of the exercise stays as it was.
  EXPECT_TRUE(captain.occupied(ROLE_CAPTAIN));
  server->link.netInterface->setSendFilter(nullptr);
}

TEST_F(Exercise, FacilitatorThatCannotListenSaysWhyAndRunsWithoutANetwork) {
  TestStation second(ROLE_FACILITATOR, false);
  EXPECT_FALSE(second.link.start(serverAddress));
  EXPECT_EQ(second.scene.status, "Cannot listen on " + serverAddress +
                                     ": the port is in use (another facilitator on this machine?)");
  EXPECT_TRUE(second.link.netInterface.isNull());
  EXPECT_EQ(server->scene.status, "Listening on " + serverAddress);

  // An address of another machine cannot be listened on either.
  TestStation elsewhere(ROLE_FACILITATOR, false);
  EXPECT_FALSE(elsewhere.link.start("192.0.2.1:28000"));
  EXPECT_EQ(elsewhere.scene.status, "Cannot listen on 192.0.2.1:28000: not an address of this machine");

  // Nor can a text that is not an address; a chief says the same.
  TestStation nonsense(ROLE_FACILITATOR, false);
  EXPECT_FALSE(nonsense.link.start("999.1.1.1:28000"));
  EXPECT_EQ(nonsense.scene.status, "Not listening: \"999.1.1.1:28000\" is not an address");
  EXPECT_EQ(nonsense.log.back(),
            "The server address \"999.1.1.1:28000\" is not an address; the station runs without a network");
}

TEST_F(Exercise, RatingsCountOnlyUnderTheSendersRoleAndALeavingChiefReleasesTheWait) {
  TestStation &captain = joinChief(ROLE_CAPTAIN);
  TestStation &medic = joinChief(ROLE_MEDIC);
  ASSERT_TRUE(medic.link.sendRatings(80, 70, 60));
  medic.link.ownConnection->c2ssendScore(ROLE_CAPTAIN, 0, 0, 0); // under another role
  pump(1000);
  EXPECT_EQ(server->callsStartingWith("ratings"), std::vector<std::string>{"ratings 1 80 70 60"});
  captain.link.shutDown();
  ASSERT_TRUE(pumpUntil([&] { return !server->occupied(ROLE_CAPTAIN); }, 5000));
  EXPECT_EQ(server->callsStartingWith("left"), std::vector<std::string>{"left 0"});
}

} // namespace
