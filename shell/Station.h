#pragma once
// The station's life from start to exit: sound, graphics and GUI, the start
// dialog, the network, the lobby, the exercise's main loop, and shutdown.

#include <cstdint>

class VoiceRecorder;

// Runs one station to its end. 0 after a normal end, 1 when the graphics
// set-up failed (configuration dialog cancelled, GUI not created), 2 after a
// reported engine exception.
int runStation();

// The main loop's voice step for elapsed consumed milliseconds: counts the
// recorder's armed timer down and runs its capture step when it is due.
void runVoiceStep(VoiceRecorder &recorder, std::uint32_t elapsed);
