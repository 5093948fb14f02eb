#include "log.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <set>
#include <vector>

namespace TNL {
namespace {

// Consumers may register from another thread than the one logging (the
// audio layer's helpers); the lock is re-entrant so a consumer may log.
std::recursive_mutex &logMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

std::vector<LogConsumer *> &consumers() {
  static std::vector<LogConsumer *> list;
  return list;
}

// Lets the transport's many channel calls return at once while every
// channel is off, as it is in the program.
std::atomic<size_t> gEnabledChannelCount{0};

std::set<std::string> &enabledChannels() {
  static std::set<std::string> channels;
  return channels;
}

void deliver(const char *channel, const char *format, va_list args) {
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  if (consumers().empty())
    return;
  char line[4096];
  vsnprintf(line, sizeof line, format, args);
  for (LogConsumer *consumer : consumers())
    consumer->logString(channel, line);
}

} // namespace

LogConsumer::LogConsumer() {
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  consumers().push_back(this);
}

LogConsumer::~LogConsumer() {
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  auto &list = consumers();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void setLogChannelEnabled(const std::string &channel, bool enabled) {
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  if (enabled)
    enabledChannels().insert(channel);
  else
    enabledChannels().erase(channel);
  gEnabledChannelCount = enabledChannels().size();
}

bool isLogChannelEnabled(const std::string &channel) {
  if (gEnabledChannelCount == 0)
    return false;
  std::lock_guard<std::recursive_mutex> lock(logMutex());
  return enabledChannels().count(channel) != 0;
}

void logprintf(const char *format, ...) {
  va_list args;
  va_start(args, format);
  deliver("", format, args);
  va_end(args);
}

void logprintfChannel(const char *channel, const char *format, ...) {
  if (gEnabledChannelCount == 0 || !isLogChannelEnabled(channel))
    return;
  va_list args;
  va_start(args, format);
  deliver(channel, format, args);
  va_end(args);
}

} // namespace TNL
