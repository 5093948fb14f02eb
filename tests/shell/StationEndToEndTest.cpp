// The real station program, driven as a person would drive it: the engine's
// configuration dialog, the start dialog, the lobby and the exercise, on a
// private X server (so other windows cannot take the clicks), with xdotool
// for pointer and keys. Checked through the simulation log, the exit code and
// the program's own screenshots.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "StationHarness.h"
#include "WindowClose.h"

using namespace harness;

namespace {

// Window positions of the controls (pixels inside the 1024x768 station
// window), from the layout: the start dialog and the lobby are centred.
constexpr Point FACILITATOR_BUTTON = {430, 299};
constexpr Point CAPTAIN_BUTTON = {630, 299};
constexpr Point ADDRESS_BOX = {542, 457};
constexpr Point START_DEMO_BUTTON = {507, 535};
constexpr Point START_CONNECTION_BUTTON = {512, 536};

class StationEndToEnd : public StationFixture {
protected:
};

TEST_F(StationEndToEnd, CancellingTheConfigurationDialogReturnsOneAndStillClosesTheLog) {
  Station cancelled("cancelled");
  endAtConfigDialog(cancelled, [](unsigned long dialog) { clickAt(dialog, CANCEL_IN_CONFIG_DIALOG); });
  Station escaped("config-escaped");
  endAtConfigDialog(escaped, [](unsigned long dialog) {
    moveTo(dialog, {20, 20});
    pressKey("Escape");
  });
}

TEST_F(StationEndToEnd, TheWindowManagersCloseButtonOnTheConfigurationDialogActsAsCancel) {
  WindowManager openbox;
  ASSERT_TRUE(openbox.running()) << "openbox did not start";
  Station station("config-closed");
  endAtConfigDialog(station, [](unsigned long dialog) {
    ASSERT_TRUE(requestCloseThroughWindowManager(display->name(), dialog));
  });
}

TEST_F(StationEndToEnd, BrokenGuiConfigurationEndsTheSetUpWithOneAndClosesTheLog) {
  Station station("broken-gui");
  station.replaceFile("GraphicsModuleCegui.config", "<CEGUIConfig><Unclosed");
  // The window may or may not be seen before the program ends.
  startPastConfigDialog(station);
  EXPECT_EQ(station.waitForExit(120s), std::optional<int>(1)) << station.errors();
  const std::vector<std::string> expected = {
      "Create camera look at", "Closing down log system and sfx system.", "The simulation closed."};
  EXPECT_EQ(station.log(), expected);
  EXPECT_EQ(station.errors().find("An exception has occured"), std::string::npos) << station.errors();
}

TEST_F(StationEndToEnd, EngineExceptionIsReportedAndEndsWithAFailureCode) {
  Station station("engine-exception");
  // A plug-in the engine cannot load throws while the root is made.
  station.replaceFile("plugins.cfg", "PluginFolder=/nonexistent\nPlugin=RenderSystem_GL\n");
  station.start();
  const std::optional<int> code = station.waitForExit(60s);
  ASSERT_TRUE(code) << station.errors();
  EXPECT_NE(*code, 0) << "a launcher must tell a crash from a normal end";
  EXPECT_NE(*code, 1) << "1 is the cancelled or failed set-up";
  EXPECT_NE(station.errors().find("An exception has occured: "), std::string::npos) << station.errors();
  const std::vector<std::string> expected = {"Closing down log system and sfx system.",
                                             "The simulation closed."};
  EXPECT_EQ(station.log(), expected);
}

TEST_F(StationEndToEnd, FacilitatorChoosesItsRoleStartsTheExerciseMovesAndClosesTheWindow) {
  Station station("facilitator");
  // A picture of an earlier run: numbering goes on after it.
  std::ofstream(station.dir() / "screenshot_7.png") << "earlier run";
  const auto window = startPastConfigDialog(station);
  ASSERT_TRUE(window) << "no station window; stderr: " << station.errors();
  ASSERT_TRUE(station.waitForLog("Create scene look at", 120s)) << station.errors();
  std::this_thread::sleep_for(2s);
  alignCursor(*window);

  // The layout preselects the facilitator: choose the captain, then back.
  clickAt(*window, CAPTAIN_BUTTON);
  ASSERT_TRUE(station.waitForLog("The user has choosen role : captain", 30s));
  clickAt(*window, FACILITATOR_BUTTON);
  ASSERT_TRUE(station.waitForLog("The user has choosen role : facilitator", 30s));
  clickAt(*window, START_DEMO_BUTTON);
  ASSERT_TRUE(station.waitForLog("Facilitator camera collision disabled", 30s));

  pressKey("Print"); // the lobby
  // "O" logs the camera only while the exercise runs: not yet.
  pressKey("o");
  clickAt(*window, START_CONNECTION_BUTTON);
  pressKey("o");
  ASSERT_TRUE(station.waitForLog("CAPTURED POS: ", 30s)) << "the exercise did not start";
  shell("xdotool keydown w");
  std::this_thread::sleep_for(3s);
  shell("xdotool keyup w");
  pressKey("o");
  ASSERT_TRUE(station.waitForLog("CAPTURED POS: ", 30s, 2));
  pressKey("Print"); // the facilitator's screen
  // Home brings the free camera back to the overview it started at.
  pressKey("Home");
  pressKey("o");
  ASSERT_TRUE(station.waitForLog("CAPTURED POS: ", 30s, 3));
  pressKey("Print"); // the overview
  std::this_thread::sleep_for(1s);

  // A look drag keeps the system pointer inside the window, however far the
  // mouse goes; after the drag it is free again.
  const int right = windowRight(*window);
  moveTo(*window, {512, 600}); // open deck, no GUI window there
  shell("xdotool mousedown 1");
  std::this_thread::sleep_for(1s);
  shell("xdotool mousemove_relative -- 2000 0");
  std::this_thread::sleep_for(1s);
  const int duringDrag = pointerX();
  shell("xdotool mouseup 1");
  std::this_thread::sleep_for(1s);
  shell("xdotool mousemove_relative -- 2000 0");
  std::this_thread::sleep_for(500ms);
  const int afterDrag = pointerX();
  EXPECT_LE(duringDrag, right) << "the pointer left the window during a drag";
  EXPECT_GT(afterDrag, right) << "the pointer was not let go after the drag";

  ASSERT_TRUE(requestWindowClose(display->name(), *window));
  EXPECT_EQ(station.waitForExit(60s), std::optional<int>(0));
  EXPECT_EQ(station.errors().find("An exception has occured"), std::string::npos) << station.errors();

  std::vector<std::string> lines = station.log();
  const std::vector<std::string> expected = {"Create camera look at",
                                             "Create scene look at",
                                             "The user has choosen role : captain",
                                             "The user has choosen role : facilitator",
                                             "Facilitator camera collision disabled",
                                             "CAPTURED POS: ",
                                             "CAPTURED POS: ",
                                             "CAPTURED POS: ",
                                             "Closing down log system and sfx system.",
                                             "The simulation closed."};
  std::size_t next = 0;
  std::vector<std::string> positions;
  for (const std::string &line : lines) {
    if (next < expected.size() && startsWith(line, expected[next])) {
      if (startsWith(line, "CAPTURED POS: "))
        positions.push_back(line);
      ++next;
    }
  }
  EXPECT_EQ(next, expected.size()) << "log lines missing or out of order; next expected: "
                                   << (next < expected.size() ? expected[next] : "");
  EXPECT_EQ(lines.back(), "The simulation closed.");
  ASSERT_EQ(positions.size(), 3u);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string &line) { return startsWith(line, "CAPTURED POS: "); }),
            3)
      << "\"O\" in the lobby must not log the camera";
  EXPECT_EQ(positions[0], "CAPTURED POS: -50 -300 1700") << "the facilitator starts at the deck overview";
  EXPECT_NE(positions[0], positions[1]) << "W did not move the facilitator's camera";
  EXPECT_EQ(positions[2], positions[0]) << "Home did not bring the camera back to the overview";

  // Numbered on from the earlier run's picture, each path on the terminal,
  // and nothing else there: the engine's log stays in Ogre.log.
  std::string saved;
  for (const char *shot : {"screenshot_8.png", "screenshot_9.png", "screenshot_10.png"}) {
    ASSERT_TRUE(fs::exists(station.dir() / shot)) << shot;
    EXPECT_GT(fs::file_size(station.dir() / shot), 50000u) << shot;
    saved += "Saved: " + (fs::canonical(station.dir()) / shot).string() + "\n";
  }
  EXPECT_EQ(readFile(station.dir() / "screenshot_7.png"), "earlier run");
  EXPECT_EQ(station.output(), saved);
  EXPECT_EQ(station.errors(), "");
  EXPECT_GT(fs::file_size(station.dir() / "Ogre.log"), 1000u);
}

TEST_F(StationEndToEnd, CaptainsStationTakesTheTypedAddressAndWaitsInTheLobbyWithACollidingCamera) {
  Station station("captain");
  const auto window = startPastConfigDialog(station);
  ASSERT_TRUE(window) << "no station window; stderr: " << station.errors();
  ASSERT_TRUE(station.waitForLog("Create scene look at", 120s)) << station.errors();
  std::this_thread::sleep_for(2s);
  alignCursor(*window);
  clickAt(*window, CAPTAIN_BUTTON);
  ASSERT_TRUE(station.waitForLog("The user has choosen role : captain", 30s));
  // A typed host is used as typed, with the fixed port appended.
  // Return in the box presses Start.
  clickAt(*window, ADDRESS_BOX);
  shell("xdotool type --delay 150 localhost");
  std::this_thread::sleep_for(1s);
  pressKey("Return");
  ASSERT_TRUE(station.waitForLog("Client camera collision enabled", 30s));
  // The lobby's start button is hidden on a chief's station: a click there
  // must not start the exercise ("O" logs the camera only while it runs).
  clickAt(*window, START_CONNECTION_BUTTON);
  pressKey("o");
  ASSERT_TRUE(requestWindowClose(display->name(), *window));
  EXPECT_EQ(station.waitForExit(60s), std::optional<int>(0));
  const std::vector<std::string> lines = station.log();
  const std::vector<std::string> tail(lines.end() - std::min<std::size_t>(lines.size(), 3), lines.end());
  const std::vector<std::string> expected = {
      "Client camera collision enabled", "Closing down log system and sfx system.", "The simulation closed."};
  EXPECT_EQ(tail, expected);
}

TEST_F(StationEndToEnd, EscapeInTheStartDialogEndsTheProgramWithoutAnyOfTheStartPath) {
  // Also: a station without a sound device says so in one line, and only that.
  Station station("escaped", Station::Sound::NO_DEVICE);
  const auto window = startPastConfigDialog(station, Accept::BY_RETURN);
  ASSERT_TRUE(window) << "no station window; stderr: " << station.errors();
  ASSERT_TRUE(station.waitForLog("Create scene look at", 120s)) << station.errors();
  std::this_thread::sleep_for(2s);
  moveTo(*window, {900, 700});
  pressKey("Escape");
  EXPECT_EQ(station.waitForExit(60s), std::optional<int>(0));
  // No camera role, no network, no lobby: the user never pressed Start.
  const std::vector<std::string> expected = {"Create camera look at", "Create scene look at",
                                             "Closing down log system and sfx system.",
                                             "The simulation closed."};
  EXPECT_EQ(station.log(), expected);
  EXPECT_EQ(station.errors(), "no sound device: the station runs without sound\n");
  EXPECT_EQ(station.output(), "");
}

TEST_F(StationEndToEnd, AWindowManagerStartedAfterTheWindowClosesItThroughTheProgram) {
  Station station("late-window-manager");
  const auto window = startPastConfigDialog(station);
  ASSERT_TRUE(window) << "no station window; stderr: " << station.errors();
  ASSERT_TRUE(station.waitForLog("Create scene look at", 120s)) << station.errors();
  WindowManager openbox;
  ASSERT_TRUE(openbox.running()) << "openbox did not start";
  std::this_thread::sleep_for(2s);
  ASSERT_TRUE(requestCloseThroughWindowManager(display->name(), *window));
  // Closed at the start dialog: the program's own shutdown, not a kill.
  EXPECT_EQ(station.waitForExit(60s), std::optional<int>(0)) << station.errors();
  const std::vector<std::string> expected = {"Create camera look at", "Create scene look at",
                                             "Closing down log system and sfx system.",
                                             "The simulation closed."};
  EXPECT_EQ(station.log(), expected);
  EXPECT_EQ(station.errors(), "");
}

// ---- four stations, each on its own display, in 640x480 windows ----------------------

using FourStations = FourStationFixture;

TEST_F(FourStations, ChiefsJoinWalkAndLeaveAndEveryStationShowsTheSame) {
  Station &facilitator = addStation("x-facilitator");
  const auto facilitatorWindow = boot(facilitator, std::nullopt);
  ASSERT_TRUE(facilitatorWindow) << facilitator.errors();
  ASSERT_TRUE(facilitator.waitForLog("Facilitator camera collision disabled", 30s));
  ASSERT_TRUE(
      waitFor([&] { return readDebrief(facilitator.dir()).link == "Listening on 127.0.0.1:28000"; }, 10s))
      << "lobby says: " << readDebrief(facilitator.dir()).link;

  Station &firstCaptain = addStation("x-captain-first");
  const auto firstCaptainWindow = boot(firstCaptain, SMALL_CAPTAIN_BUTTON);
  ASSERT_TRUE(firstCaptainWindow) << firstCaptain.errors();
  ASSERT_TRUE(facilitator.waitForLog("Server: A new client captain has connected", 30s));

  // A second captain is refused and told why; nothing changes elsewhere.
  {
    Station &intruder = addStation("x-second-captain");
    const auto intruderWindow = boot(intruder, SMALL_CAPTAIN_BUTTON);
    ASSERT_TRUE(intruderWindow) << intruder.errors();
    EXPECT_TRUE(
        waitFor([&] { return readDebrief(intruder.dir()).link == "Refused: Captain is already taken"; }, 30s))
        << "lobby says: " << readDebrief(intruder.dir()).link;
    EXPECT_TRUE(readDebrief(intruder.dir()).chiefs.empty());
    screenshot(intruder);
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(requestWindowClose(intruder.displayName(), *intruderWindow));
    EXPECT_EQ(intruder.waitForExit(60s), std::optional<int>(0));
    EXPECT_EQ(readDebrief(facilitator.dir()).chiefs.size(), 1u);
    EXPECT_EQ(readDebrief(firstCaptain.dir()).chiefs.size(), 1u);
  }

  // The captain leaves the lobby and comes back on another station: the
  // facilitator's scene makes his character again without ending.
  ASSERT_TRUE(requestWindowClose(firstCaptain.displayName(), *firstCaptainWindow));
  EXPECT_EQ(firstCaptain.waitForExit(60s), std::optional<int>(0));
  ASSERT_TRUE(facilitator.waitForLog("The client captain has disconnected from server", 20s));
  EXPECT_TRUE(waitFor([&] { return readDebrief(facilitator.dir()).chiefs.empty(); }, 10s));
  Station &captain = addStation("x-captain");
  const auto captainWindow = boot(captain, SMALL_CAPTAIN_BUTTON);
  ASSERT_TRUE(captainWindow) << captain.errors();
  ASSERT_TRUE(facilitator.waitForLog("Server: A new client captain has connected", 30s, 2));
  ASSERT_TRUE(facilitator.running()) << facilitator.errors();

  Station &medic = addStation("x-medic");
  const auto medicWindow = boot(medic, SMALL_MEDIC_BUTTON);
  ASSERT_TRUE(medicWindow) << medic.errors();
  Station &fireman = addStation("x-fireman");
  const auto firemanWindow = boot(fireman, SMALL_FIREMAN_BUTTON);
  ASSERT_TRUE(firemanWindow) << fireman.errors();

  const std::vector<Station *> all = {&facilitator, &captain, &medic, &fireman};
  for (Station *station : all) {
    EXPECT_TRUE(waitFor([&] { return readDebrief(station->dir()).chiefs.size() == 3; }, 30s))
        << station->dir() << " lobby lists " << readDebrief(station->dir()).chiefs.size() << " chiefs";
    screenshot(*station); // screenshot_1: the lobby with three connected rows
  }
  for (Station *chief : {&captain, &medic, &fireman})
    EXPECT_EQ(readDebrief(chief->dir()).link, "Connected") << chief->dir();

  use(facilitator);
  clickAt(*facilitatorWindow, SMALL_START_CONNECTION_BUTTON);
  for (Station *station : all)
    ASSERT_TRUE(waitFor([&] { return readDebrief(station->dir()).phase == "running"; }, 30s))
        << station->dir();

  struct Walker {
    Station *station;
    unsigned long window;
    int role;
    int turn;
  };
  const std::vector<Walker> walkers = {{&captain, *captainWindow, 0, 120},
                                       {&medic, *medicWindow, 1, -160},
                                       {&fireman, *firemanWindow, 2, 200}};
  for (const Walker &walker : walkers)
    walkAndTurn(*walker.station, walker.window, walker.turn, 2500ms);
  std::this_thread::sleep_for(4s);

  std::map<Station *, Debrief> seen;
  for (Station *station : all)
    seen[station] = readDebrief(station->dir());
  for (const Walker &walker : walkers) {
    const Debrief &own = seen[walker.station];
    ASSERT_TRUE(own.chiefs.count(walker.role)) << walker.station->dir();
    const ChiefSeen &self = own.chiefs.at(walker.role);
    // Where the chief really stands: under its own camera.
    EXPECT_NEAR(self.x, own.camera[0], 1.0) << walker.station->dir();
    EXPECT_NEAR(self.y, own.camera[1], 1.0) << walker.station->dir();
    EXPECT_NE(self.yaw, 0.0) << walker.station->dir() << " did not turn";
    const ChiefSeen start = readDebrief(walker.station->dir()).chiefs.at(walker.role);
    for (Station *other : all) {
      if (other == walker.station)
        continue;
      ASSERT_TRUE(seen[other].chiefs.count(walker.role)) << other->dir() << " lost chief " << walker.role;
      const ChiefSeen &there = seen[other].chiefs.at(walker.role);
      EXPECT_NEAR(there.x, own.camera[0], 1.0) << other->dir() << " chief " << walker.role;
      EXPECT_NEAR(there.y, own.camera[1], 1.0) << other->dir() << " chief " << walker.role;
      EXPECT_NEAR(there.z, self.z, 1.0) << other->dir() << " chief " << walker.role;
      EXPECT_NEAR(there.yaw, self.yaw, 1e-6)
          << other->dir() << " chief " << walker.role << " faces elsewhere";
      EXPECT_EQ(there.state, "Idle") << other->dir();
    }
    (void)start;
  }
  const ChiefSeen captainStart{-560.0, -280.0, 0.948548, 0, 0, "Idle"};
  const ChiefSeen &captainNow = seen[&facilitator].chiefs[0];
  EXPECT_GT(std::hypot(captainNow.x - captainStart.x, captainNow.y - captainStart.y), 10.0)
      << "the captain did not walk";
  for (Station *station : all)
    screenshot(*station); // screenshot_2: every chief seen where it went

  // The facilitator watches through the captain's eyes, also as he walks on.
  use(facilitator);
  clickAt(*facilitatorWindow, SMALL_CAPTAIN_VIEW);
  walkAndTurn(captain, *captainWindow, 40, 1500ms);
  std::this_thread::sleep_for(3s);
  {
    const Debrief watching = readDebrief(facilitator.dir());
    const Debrief captainOwn = readDebrief(captain.dir());
    EXPECT_EQ(watching.viewedRole, 0);
    ASSERT_TRUE(watching.chiefs.count(0));
    EXPECT_NEAR(watching.camera[0], captainOwn.camera[0], 1.0);
    EXPECT_NEAR(watching.camera[1], captainOwn.camera[1], 1.0);
    EXPECT_NEAR(watching.camera[2], watching.chiefs.at(0).z + 15, 1.0);
  }
  screenshot(facilitator); // screenshot_3: the captain's eyes

  // The watched captain quits: he disappears everywhere and the facilitator
  // flies freely again.
  ASSERT_TRUE(requestWindowClose(captain.displayName(), *captainWindow));
  EXPECT_EQ(captain.waitForExit(60s), std::optional<int>(0));
  ASSERT_TRUE(facilitator.waitForLog("The client captain has disconnected from server", 20s));
  for (Station *station : {&facilitator, &medic, &fireman}) {
    EXPECT_TRUE(waitFor([&] { return readDebrief(station->dir()).chiefs.count(0) == 0; }, 15s))
        << station->dir();
    EXPECT_EQ(readDebrief(station->dir()).chiefs.size(), 2u) << station->dir();
  }
  EXPECT_EQ(readDebrief(facilitator.dir()).viewedRole, 3);
  EXPECT_TRUE(medic.waitForLog("The client captain has disconnected from medic", 5s));
  for (Station *station : {&facilitator, &medic, &fireman})
    screenshot(*station); // the captain is gone

  for (auto [station, window] : {std::pair{&medic, *medicWindow}, std::pair{&fireman, *firemanWindow},
                                 std::pair{&facilitator, *facilitatorWindow}}) {
    ASSERT_TRUE(requestWindowClose(station->displayName(), window));
    EXPECT_EQ(station->waitForExit(60s), std::optional<int>(0)) << station->dir();
    EXPECT_EQ(station->errors().find("An exception has occured"), std::string::npos) << station->errors();
    EXPECT_EQ(station->log().back(), "The simulation closed.");
  }
}

} // namespace
