// What the start dialog makes of the user's choices: the server address and
// the role buttons.
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "graphics/StartChoices.h"
#include "shell/state/StationState.h"

namespace {

TEST(ServerAddress, TypedHostIsKeptAsTypedWithTheFixedPortAndAnEmptyBoxMeansLoopback) {
  EXPECT_EQ(completeServerAddress(""), "127.0.0.1:28000");
  EXPECT_EQ(completeServerAddress("bridge.local"), "bridge.local:28000");
  // The box takes a host only: a typed port is not honoured.
  EXPECT_EQ(completeServerAddress("10.0.0.1:4000"), "10.0.0.1:4000:28000");
}

std::string lastLogLine() {
  std::ifstream log("sternwake.log");
  std::string line;
  std::string last;
  while (std::getline(log, line))
    if (!line.empty())
      last = line;
  return last;
}

std::string messageOf(const std::string &logLine) {
  const std::size_t tab = logLine.find('\t');
  return tab == std::string::npos ? std::string() : logLine.substr(tab + 1);
}

TEST(RoleChoice, EachRoleButtonSetsModeCodeAndWordAndAnUnknownOneChangesNothing) {
  struct Expected {
    std::uint32_t buttonId;
    bool client;
    std::uint32_t role;
    const char *word;
  };
  for (const Expected &e : {Expected{1, true, 0, "captain"}, Expected{3, true, 2, "fireman"},
                            Expected{0, false, 3, "facilitator"}, Expected{2, true, 1, "medic"}}) {
    chooseRole(e.buttonId);
    EXPECT_EQ(isClient, e.client) << e.word;
    EXPECT_EQ(clientRole, e.role) << e.word;
    EXPECT_EQ(roleName, e.word);
  }
  chooseRole(9);
  EXPECT_EQ(clientRole, 1u);
  EXPECT_EQ(roleName, "medic");
  EXPECT_EQ(messageOf(lastLogLine()), "The user has choosen role : medic");
  EXPECT_FALSE(adoptRole(4));
}

} // namespace
