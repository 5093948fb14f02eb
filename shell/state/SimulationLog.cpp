#include "shell/state/SimulationLog.h"

#include <chrono>
#include <iomanip>

std::ofstream simulationLog("sternwake.log");

void writeLogLine(std::ostream &out, const std::tm &utcTime, const std::string &message) {
  out << static_cast<unsigned>(utcTime.tm_hour) << ':' << static_cast<unsigned>(utcTime.tm_min) << ':';
  if (utcTime.tm_sec < 10)
    out << '0';
  out << static_cast<unsigned>(utcTime.tm_sec) << ':' << '\t' << message << std::endl;
}

void writeLog(std::string message) {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utcTime{};
  gmtime_r(&now, &utcTime);
  writeLogLine(simulationLog, utcTime, message);
}
