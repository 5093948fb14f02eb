// The engine-free logic of the station's loops: address completion, the loop
// clock, the voice timer, the lobby rows and the role choice.
#include <fstream>
#include <limits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "audio/voicecapture.h"
#include "audio/voicerecorder.h"
#include "shell/SimulationLog.h"
#include "shell/Station.h"
#include "shell/StationLoop.h"
#include "shell/StationState.h"

namespace {

constexpr std::uint64_t NS_PER_MS = 1000000;

TEST(ServerAddress, EmptyBoxMeansLoopbackOnTheFixedPort) {
  EXPECT_EQ(completeServerAddress(""), "127.0.0.1:28000");
}

TEST(ServerAddress, TypedHostIsKeptAsTypedWithThePortAppended) {
  EXPECT_EQ(completeServerAddress("192.168.1.20"), "192.168.1.20:28000");
  EXPECT_EQ(completeServerAddress("bridge.local"), "bridge.local:28000");
  // The box takes a host only: a typed port is not honoured.
  EXPECT_EQ(completeServerAddress("10.0.0.1:4000"), "10.0.0.1:4000:28000");
}

TEST(LoopClock, PassShorterThanTwoMillisecondsConsumesNothing) {
  LoopClock clock;
  clock.lastTime = 5 * NS_PER_MS;
  EXPECT_EQ(clock.consume(5 * NS_PER_MS + 1700000), 0u);
  EXPECT_EQ(clock.lastTime, 5 * NS_PER_MS);
  EXPECT_EQ(clock.carry, 0.0);
}

TEST(LoopClock, NextPassMeasuresFromTheSameInstantAndCarriesTheFraction) {
  LoopClock clock;
  clock.lastTime = 5 * NS_PER_MS;
  ASSERT_EQ(clock.consume(5 * NS_PER_MS + 1700000), 0u);
  EXPECT_EQ(clock.consume(5 * NS_PER_MS + 3300000), 3u);
  EXPECT_NEAR(clock.carry, 0.3, 1e-9);
  EXPECT_EQ(clock.lastTime, 5 * NS_PER_MS + 3300000);
}

TEST(LoopClock, CarriedFractionsAddUpToWholeMilliseconds) {
  LoopClock clock;
  std::uint64_t now = 0;
  std::uint32_t consumed = 0;
  // Ten passes of 2.5 ms: 25 ms in all, none lost to truncation.
  for (int pass = 0; pass < 10; ++pass) {
    now += 2500000;
    consumed += clock.consume(now);
  }
  EXPECT_EQ(consumed, 25u);
  EXPECT_NEAR(clock.carry, 0.0, 1e-9);
}

TEST(LoopClock, HugeGapConsumesTheLargestCountInsteadOfWrapping) {
  LoopClock clock;
  const std::uint64_t sixtyDays = 60ull * 24 * 3600 * 1000 * NS_PER_MS;
  EXPECT_EQ(clock.consume(sixtyDays), std::numeric_limits<std::uint32_t>::max());
}

TEST(VoiceTimer, CountsDownAndFiresThenRearmsAtTheCapturePeriod) {
  VoiceTimer voice{true, 100, 100};
  EXPECT_FALSE(advanceVoiceTimer(voice, 40));
  EXPECT_EQ(voice.timer, 60u);
  EXPECT_FALSE(advanceVoiceTimer(voice, 40));
  EXPECT_EQ(voice.timer, 20u);
  EXPECT_TRUE(advanceVoiceTimer(voice, 30));
  EXPECT_EQ(voice.timer, 100u);
  EXPECT_EQ(voice.period, 100u);
}

TEST(VoiceTimer, FiresWhenElapsedEqualsTheTimer) {
  VoiceTimer voice{true, 250, 250};
  EXPECT_TRUE(advanceVoiceTimer(voice, 250));
  EXPECT_EQ(voice.timer, 100u);
}

TEST(VoiceTimer, IdleWhileNotRecordingOrDisarmed) {
  VoiceTimer notRecording{false, 100, 100};
  EXPECT_FALSE(advanceVoiceTimer(notRecording, 500));
  EXPECT_EQ(notRecording.timer, 100u);
  VoiceTimer disarmed{true, 0, 100};
  EXPECT_FALSE(advanceVoiceTimer(disarmed, 500));
  EXPECT_EQ(disarmed.timer, 0u);
}

// A microphone that always has 400 samples of a tone ready.
class ToneCapture : public VoiceCapture {
public:
  explicit ToneCapture(int &reads) : mReads(reads) {}
  bool openCapture() override { return mCapturing = true; }
  void readCapture(TNL::ByteBuffer &dest) override {
    if (!mCapturing)
      return;
    ++mReads;
    const std::size_t old = dest.getBufferSize();
    dest.resize(old + 400 * sizeof(std::int16_t));
    auto *samples = reinterpret_cast<std::int16_t *>(dest.getBuffer() + old);
    for (int i = 0; i < 400; ++i)
      samples[i] = static_cast<std::int16_t>((i % 20 < 10) ? 8000 : -8000);
  }
  void closeCapture() override { mCapturing = false; }
  bool isCapturing() const override { return mCapturing; }

private:
  int &mReads;
  bool mCapturing = false;
};

TEST(VoiceStep, RecorderCapturesOnlyWhenItsTimerRunsOut) {
  int reads = 0;
  VoiceRecorder recorder(std::make_unique<ToneCapture>(reads));
  recorder.startRecording();
  ASSERT_TRUE(recorder.mRecording);
  const std::uint32_t firstDelay = recorder.mVoiceTimer;
  ASSERT_GT(firstDelay, 10u);
  const int readsAtStart = reads;

  runVoiceStep(recorder, firstDelay - 10);
  EXPECT_EQ(recorder.mVoiceTimer, 10u);
  EXPECT_EQ(reads, readsAtStart);

  runVoiceStep(recorder, 10);
  EXPECT_EQ(reads, readsAtStart + 1);
  EXPECT_EQ(recorder.mVoiceTimer, VOICE_CAPTURE_PERIOD);
  EXPECT_EQ(recorder.mVoicePeriod, VOICE_CAPTURE_PERIOD);
  EXPECT_FALSE(recorder.mLastPacket.isNull());
}

TEST(LobbyRows, EachChiefRowNamesItsWindowsTextsAndPictures) {
  const LobbyRow *captain = lobbyRow(0);
  ASSERT_NE(captain, nullptr);
  EXPECT_STREQ(captain->labelWindow, "CaptainConnection");
  EXPECT_STREQ(captain->imageWindow, "CaptainImage");
  EXPECT_STREQ(lobbyRowText(*captain, true), "Captain : Connected...");
  EXPECT_STREQ(lobbyRowText(*captain, false), "Captain : Not connected...");
  EXPECT_STREQ(lobbyRowImage(*captain, true), "captain.jpg");
  EXPECT_STREQ(lobbyRowImage(*captain, false), "question.jpg");

  const LobbyRow *medic = lobbyRow(1);
  ASSERT_NE(medic, nullptr);
  EXPECT_STREQ(medic->labelWindow, "MedicConnection");
  EXPECT_STREQ(medic->imageWindow, "MedicImage");
  EXPECT_STREQ(lobbyRowText(*medic, true), "Medical Chief : Connected...");
  EXPECT_STREQ(lobbyRowText(*medic, false), "Medical Chief : Not connected...");
  EXPECT_STREQ(lobbyRowImage(*medic, true), "medic.jpg");

  const LobbyRow *fireman = lobbyRow(2);
  ASSERT_NE(fireman, nullptr);
  EXPECT_STREQ(fireman->labelWindow, "FiremanConnection");
  EXPECT_STREQ(fireman->imageWindow, "FiremanImage");
  EXPECT_STREQ(lobbyRowText(*fireman, true), "Fire&Rescue Chief : Connected...");
  EXPECT_STREQ(lobbyRowText(*fireman, false), "Fire&Rescue Chief : Not connected...");
  EXPECT_STREQ(lobbyRowImage(*fireman, true), "fireman.jpg");
  EXPECT_STREQ(lobbyRowImage(*fireman, false), "question.jpg");
}

TEST(LobbyRows, FacilitatorAndUnknownCodesHaveNoRow) {
  EXPECT_EQ(lobbyRow(3), nullptr);
  EXPECT_EQ(lobbyRow(4000000000u), nullptr);
}

std::string lastLogLine() {
  std::ifstream log("sternwake.log");
  std::string line;
  std::string last;
  while (std::getline(log, line))
    if (!line.empty())
      last = line;
  return last;
}

std::string messageOf(const std::string &logLine) {
  const std::size_t tab = logLine.find('\t');
  return tab == std::string::npos ? std::string() : logLine.substr(tab + 1);
}

TEST(RoleChoice, EachRoleButtonSetsModeCodeAndWordAndIsLogged) {
  struct Expected {
    std::uint32_t buttonId;
    bool client;
    std::uint32_t role;
    const char *word;
  };
  for (const Expected &e : {Expected{1, true, 0, "captain"}, Expected{2, true, 1, "medic"},
                            Expected{3, true, 2, "fireman"}, Expected{0, false, 3, "facilitator"}}) {
    chooseRole(e.buttonId);
    EXPECT_EQ(isClient, e.client) << e.word;
    EXPECT_EQ(clientRole, e.role) << e.word;
    EXPECT_EQ(roleName, e.word);
    EXPECT_EQ(messageOf(lastLogLine()), std::string("The user has choosen role : ") + e.word);
  }
}

TEST(RoleChoice, UnknownButtonChangesNothingButIsStillLogged) {
  chooseRole(2);
  chooseRole(9);
  EXPECT_TRUE(isClient);
  EXPECT_EQ(clientRole, 1u);
  EXPECT_EQ(roleName, "medic");
  EXPECT_EQ(messageOf(lastLogLine()), "The user has choosen role : medic");
  EXPECT_FALSE(adoptRole(4));
}

} // namespace
