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

TEST(SimulationLog, WriteLogAppendsOneStampedLineToTheLogFile) {
  ASSERT_TRUE(simulationLog.is_open());
  const std::streampos before = simulationLog.tellp();
  writeLog("Create camera look at");
  const std::streampos after = simulationLog.tellp();
  std::ifstream written("sternwake.log");
  std::string all((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
  const std::string line =
      all.substr(static_cast<std::size_t>(before), static_cast<std::size_t>(after - before));
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line.back(), '\n');
  const std::size_t tab = line.find(":\t");
  ASSERT_NE(tab, std::string::npos);
  EXPECT_EQ(line.substr(tab + 2), "Create camera look at\n");
  unsigned hour = 99, minute = 99, second = 99;
  char secondText[3] = {};
  ASSERT_EQ(std::sscanf(line.c_str(), "%u:%u:%2c:", &hour, &minute, secondText), 3);
  second = static_cast<unsigned>(std::stoul(secondText));
  EXPECT_LT(hour, 24u);
  EXPECT_LT(minute, 60u);
  EXPECT_LT(second, 61u);
  EXPECT_EQ(std::string(secondText).size(), 2u);
}

} // namespace
