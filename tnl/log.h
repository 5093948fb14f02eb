// Named log channels of the transport. Every channel is off until enabled;
// lines go to whatever consumers are registered (the program registers none,
// the tests do).
#pragma once

#include <string>

namespace TNL {

class LogConsumer {
public:
  LogConsumer();
  virtual ~LogConsumer();
  LogConsumer(const LogConsumer &) = delete;
  LogConsumer &operator=(const LogConsumer &) = delete;

  // channel is "" for lines written without a channel.
  virtual void logString(const char *channel, const char *line) = 0;
};

void setLogChannelEnabled(const std::string &channel, bool enabled);
bool isLogChannelEnabled(const std::string &channel);

// Written to every consumer, whatever channels are enabled.
void logprintf(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Written only while the channel is enabled.
void logprintfChannel(const char *channel, const char *format, ...) __attribute__((format(printf, 2, 3)));

} // namespace TNL
