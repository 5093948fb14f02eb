#include <sstream>

#include <gtest/gtest.h>

#include "shell/state/SimulationLog.h"

namespace {

std::tm timeOfDay(int hour, int minute, int second) {
  std::tm t{};
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

// Hour and minute as they are, the second padded to two digits, a tab, the
// message and a newline (a message's own newline leaves an empty line).
TEST(SimulationLogLine, StampsHourMinuteAndPaddedSecondBeforeATab) {
  const struct {
    std::tm time;
    const char *message;
    const char *line;
  } cases[] = {
      {timeOfDay(9, 5, 7), "The simulation closed.", "9:5:07:\tThe simulation closed.\n"},
      {timeOfDay(23, 59, 10), "x", "23:59:10:\tx\n"},
      {timeOfDay(0, 0, 0), "", "0:0:00:\t\n"},
      {timeOfDay(12, 30, 45), "NULL charID\n", "12:30:45:\tNULL charID\n\n"},
  };
  for (const auto &c : cases) {
    std::ostringstream out;
    writeLogLine(out, c.time, c.message);
    EXPECT_EQ(out.str(), c.line);
  }
}

} // namespace
