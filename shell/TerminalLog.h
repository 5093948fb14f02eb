#pragma once
// What a station prints on its terminal: the transport's log lines, through
// which the sound system also reports its start-up failures, go to standard
// error. The engine and the GUI keep their logs in their files, and the
// audio libraries' own chatter while the sound device is looked for is
// dropped, so a station without sound says so in exactly one line.

#include <string>

#include "tnl/log.h"

// Said once when no audio output device can be opened.
extern const char *const NO_SOUND_DEVICE_LINE; // "no sound device: the station runs without sound"

// The terminal's text for one transport log line ("" for lines without a
// channel): the sound system's "cannot open a device" report becomes
// NO_SOUND_DEVICE_LINE; a channel's line is prefixed with the channel name.
std::string terminalLine(const char *channel, const char *line);

// Registered for the whole process: writes every transport log line to the
// standard error stream as it was when the consumer was made, even while
// quietSoundStart() has the stream itself silenced.
class TerminalLog : public TNL::LogConsumer {
public:
  TerminalLog();
  ~TerminalLog() override;
  void logString(const char *channel, const char *line) override;

private:
  int mTerminal; // a duplicate of file descriptor 2; -1 when there was none
};

// Starts the sound system with the standard error stream silenced, so the
// audio libraries' own messages about missing devices stay off the terminal;
// the sound system's reports still reach it through the TerminalLog.
void quietSoundStart();
