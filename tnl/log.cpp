#include "log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <set>
#include <vector>

namespace TNL {
namespace {

std::vector<LogConsumer *> &consumers() {
  static std::vector<LogConsumer *> list;
  return list;
}

std::set<std::string> &enabledChannels() {
  static std::set<std::string> channels;
  return channels;
}

void deliver(const char *channel, const char *format, va_list args) {
  if (consumers().empty())
    return;
  char line[4096];
  vsnprintf(line, sizeof line, format, args);
  for (LogConsumer *consumer : consumers())
    consumer->logString(channel, line);
}

} // namespace

LogConsumer::LogConsumer() { consumers().push_back(this); }

LogConsumer::~LogConsumer() {
  auto &list = consumers();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void setLogChannelEnabled(const std::string &channel, bool enabled) {
  if (enabled)
    enabledChannels().insert(channel);
  else
    enabledChannels().erase(channel);
}

bool isLogChannelEnabled(const std::string &channel) { return enabledChannels().count(channel) != 0; }

void logprintf(const char *format, ...) {
  va_list args;
  va_start(args, format);
  deliver("", format, args);
  va_end(args);
}

void logprintfChannel(const char *channel, const char *format, ...) {
  if (!isLogChannelEnabled(channel))
    return;
  va_list args;
  va_start(args, format);
  deliver(channel, format, args);
  va_end(args);
}

} // namespace TNL
