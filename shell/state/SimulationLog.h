#pragma once
// The simulation log "sternwake.log": one time-stamped line per event, written
// by every subsystem through writeLog.

#include <ctime>
#include <fstream>
#include <ostream>
#include <string>

// Opened on "sternwake.log" in the working directory during static
// initialisation (truncating the previous run's log); closed by the shell at
// the end of shutdown.
extern std::ofstream simulationLog;

// Appends "<h>:<m>:<ss>:\t<message>" (UTC time of day) to simulationLog and
// flushes at once. A message that ends in "\n" leaves an empty line after it.
void writeLog(std::string message);

// The line format of writeLog against any stream and any time, so the format
// can be checked without the clock or the log file. Hour and minute carry no
// leading zeros; the second alone is padded to two digits.
void writeLogLine(std::ostream &out, const std::tm &utcTime, const std::string &message);
