// The recorder on OpenAL's real capture path: speech played into a PulseAudio
// null sink is captured from its monitor, coded, and decoded again. Runs
// under with-pulse-null-sink.sh.
#include "audio/voicerecorder.h"
#include "speechsupport.h"
#include "voicetestsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char **environ;

namespace {

using namespace std::chrono_literals;

pid_t startPlaying(const std::filesystem::path &path) {
  const std::string file = path.string();
  char *const arguments[] = {const_cast<char *>("paplay"), const_cast<char *>(file.c_str()), nullptr};
  pid_t player = -1;
  return posix_spawnp(&player, "paplay", nullptr, nullptr, arguments, environ) == 0 ? player : -1;
}

} // namespace

TEST(OpenALCapture, SpeechFromTheNullSinkMonitorComesThroughTheRecorder) {
  const auto path = scratchSpeechPath();
  speakToFile("Fire on deck three. Send the medical team to the passengers near the stairs.", path);
  const auto speech = readAtEightKilohertz(path);
  ASSERT_GT(speech.size(), 8000u * 2);

  std::vector<TNL::ByteBufferPtr> packets;
  VoiceRecorder recorder;
  recorder.setPacketSender(
      0, [&packets](uint32_t, const TNL::ByteBufferPtr &packet) { packets.push_back(packet); });
  recorder.startRecording();
  ASSERT_TRUE(recorder.mRecording) << "no capture device";

  const pid_t player = startPlaying(path);
  ASSERT_GT(player, 0);
  // Steps as the main loop runs them: 250 ms after the start, then every
  // 100 ms; half a second more after the player finished. Bounded at 30 s.
  std::this_thread::sleep_for(250ms);
  recorder.captureStep();
  int status = 0;
  bool finished = false;
  for (int step = 0; step < 300; ++step) {
    std::this_thread::sleep_for(100ms);
    recorder.captureStep();
    if (!finished && waitpid(player, &status, WNOHANG) == player) {
      finished = true;
      step = std::max(step, 295);
    }
  }
  recorder.stopRecording();
  if (!finished)
    waitpid(player, &status, 0);
  std::filesystem::remove(path);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "paplay failed";

  const auto heard = decodedAlone(packets);
  // At least the speech's length came through (minus what the device and
  // the server buffered at the start).
  EXPECT_GT(heard.size(), speech.size() - 4000);
  // Latency is unknown: allow up to a second (44 frames). Gain control and
  // resampling change levels, not the rise and fall of the syllables: this
  // path measures about 0.9, while the same speech with its frames reversed
  // scores below 0.1 (see the receiver tests).
  const double r = bestEnvelopeCorrelation(speech, heard, 44);
  RecordProperty("envelope_correlation", std::to_string(r));
  EXPECT_GT(r, 0.7);
}
