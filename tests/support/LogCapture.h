#pragma once
// Collects every line written to the transport's log while alive.

#include "tnl/log.h"

#include <algorithm>
#include <string>
#include <vector>

class LogCapture : public TNL::LogConsumer {
public:
  void logString(const char *, const char *line) override { lines.emplace_back(line); }
  int countContaining(const std::string &part) const {
    return int(std::count_if(lines.begin(), lines.end(),
                             [&](const std::string &line) { return line.find(part) != std::string::npos; }));
  }
  std::vector<std::string> lines;
};
