// The start dialog's address check: what a new user types, and what the
// dialog says before it closes.
#include <gtest/gtest.h>

#include "graphics/AddressCheck.h"

namespace {

TEST(AddressCheck, AcceptsEmptyDottedAndTheFixedPortAndRefusesEverythingElseWithAReason) {
  struct Case {
    const char *typed;
    const char *host; // null: refused
    const char *problemStart;
  };
  const Case cases[] = {
      {"", "", nullptr},
      {"127.0.0.1", "127.0.0.1", nullptr},
      {"localhost", "localhost", nullptr},
      {"10.0.0.5:28000", "10.0.0.5", nullptr},
      {":28000", "", nullptr},
      {"255.255.255.255", "255.255.255.255", nullptr},
      {"abc", nullptr, "\"abc\" is not an address"},
      {"999.1.1.1", nullptr, "\"999.1.1.1\" is not an address"},
      {"1.2.3", nullptr, "\"1.2.3\" is not an address"},
      {"1.2.3.4.5", nullptr, "\"1.2.3.4.5\" is not an address"},
      {"1..2.3", nullptr, "\"1..2.3\" is not an address"},
      {"0001.2.3.4", nullptr, "\"0001.2.3.4\" is not an address"},
      {"10.0.0.1:99999", nullptr, "The port is fixed at 28000"},
      {"127.0.0.1:28000:28000", nullptr, "The port is fixed at 28000"},
      {"127.0.0.1:", nullptr, "The port is fixed at 28000"},
  };
  for (const Case &each : cases) {
    std::string host = "unchanged";
    const std::string problem = checkTypedAddress(each.typed, host);
    if (each.host) {
      EXPECT_EQ(problem, "") << each.typed;
      EXPECT_EQ(host, each.host) << each.typed;
    } else {
      EXPECT_EQ(problem.rfind(each.problemStart, 0), 0u) << each.typed << " -> " << problem;
      EXPECT_EQ(host, "unchanged") << each.typed;
    }
  }
}

} // namespace
