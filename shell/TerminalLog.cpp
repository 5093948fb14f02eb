#include "shell/TerminalLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "audio/sfx.h"

const char *const NO_SOUND_DEVICE_LINE = "no sound device: the station runs without sound";

namespace {
// The sound system's report when the audio device cannot be opened.
const char *const DEVICE_FAILURE_REPORT = "Failed to intitialize OpenAL.";
} // namespace

std::string terminalLine(const char *channel, const char *line) {
  if (std::strcmp(line, DEVICE_FAILURE_REPORT) == 0)
    return NO_SOUND_DEVICE_LINE;
  if (channel && *channel)
    return std::string(channel) + ": " + line;
  return line;
}

TerminalLog::TerminalLog() : mTerminal(fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3)) {}

TerminalLog::~TerminalLog() {
  if (mTerminal >= 0)
    close(mTerminal);
}

void TerminalLog::logString(const char *channel, const char *line) {
  if (mTerminal < 0)
    return;
  const std::string text = terminalLine(channel, line) + "\n";
  // A terminal that went away is not worth a failure of the station.
  if (write(mTerminal, text.data(), text.size()) < 0)
    return;
}

void quietSoundStart() {
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  const int nothing = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (saved >= 0 && nothing >= 0)
    dup2(nothing, STDERR_FILENO);
  startSound();
  std::fflush(stderr);
  if (saved >= 0 && nothing >= 0)
    dup2(saved, STDERR_FILENO);
  if (nothing >= 0)
    close(nothing);
  if (saved >= 0)
    close(saved);
}
