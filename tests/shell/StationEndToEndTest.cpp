// The real station program, driven as a person would drive it: the engine's
// configuration dialog, the start dialog, the lobby and the exercise, on a
// private X server (so other windows cannot take the clicks), with xdotool
// for pointer and keys. Checked through the simulation log, the exit code and
// the program's own screenshots.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "WindowClose.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const fs::path STAGE = SW_STAGE_DIR;
const fs::path WORK = SW_E2E_DIR;

// Window positions of the controls (pixels inside the 1024x768 station
// window), from the layout: the start dialog and the lobby are centred.
struct Point {
  int x;
  int y;
};
constexpr Point ACCEPT_IN_CONFIG_DIALOG = {446, 353};
constexpr Point CANCEL_IN_CONFIG_DIALOG = {376, 353};
constexpr Point FACILITATOR_BUTTON = {430, 299};
constexpr Point CAPTAIN_BUTTON = {630, 299};
constexpr Point ADDRESS_BOX = {542, 457};
constexpr Point START_DEMO_BUTTON = {507, 535};
constexpr Point START_CONNECTION_BUTTON = {512, 536};
// Facilitator's window (top right) and the centred rating and score menus.
constexpr Point END_EXERCISE_BUTTON = {886, 174};
constexpr Point CAPTAIN_RATING_BOX = {642, 302};
constexpr Point MEDIC_RATING_BOX = {642, 382};
constexpr Point FIREMAN_RATING_BOX = {642, 462};
constexpr Point CONTINUE_BUTTON = {512, 532};
constexpr Point EXIT_EVALUATION_BUTTON = {512, 587};
// The facilitator's "Add passenger at mark" button (window "FacilitatorCreate"
// at the right edge) and a point of the deck under the overview camera with
// no GUI window over it.
constexpr Point ADD_PASSENGER_BUTTON = {885, 262};
constexpr Point OPEN_DECK = {250, 450};

const std::vector<std::string> CLOSING_LINES = {"Closing down log system and sfx system.",
                                                "The simulation closed."};

const char *const CONFIG_DIALOG_TITLE = "^Rendering Settings$";
const char *const STATION_TITLE = "^\\*\\*\\*Sternwake Project\\*\\*\\*$";

std::string readFile(const fs::path &file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Log messages without their time stamps, empty lines dropped.
std::vector<std::string> logMessages(const fs::path &log) {
  std::vector<std::string> messages;
  std::istringstream in(readFile(log));
  std::string line;
  while (std::getline(in, line)) {
    const auto tab = line.find('\t');
    if (tab != std::string::npos)
      messages.push_back(line.substr(tab + 1));
  }
  return messages;
}

bool startsWith(const std::string &text, const std::string &prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// A private X server on a free display, for the whole suite.
class PrivateDisplay {
public:
  PrivateDisplay() {
    for (int number = 90; number < 190; ++number) {
      const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
      const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
      if (fs::exists(socket) || fs::exists(lock))
        continue;
      const std::string name = ":" + std::to_string(number);
      mPid = fork();
      if (mPid == 0) {
        if (!freopen("/dev/null", "w", stderr))
          _exit(127);
        execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               static_cast<char *>(nullptr));
        _exit(127);
      }
      for (int wait = 0; wait < 100 && !fs::exists(socket); ++wait)
        std::this_thread::sleep_for(100ms);
      if (fs::exists(socket))
        mName = name;
      return;
    }
  }
  ~PrivateDisplay() {
    if (mPid > 0) {
      kill(mPid, SIGTERM);
      waitpid(mPid, nullptr, 0);
    }
  }
  const std::string &name() const { return mName; }

private:
  pid_t mPid = -1;
  std::string mName;
};

PrivateDisplay *display = nullptr;
// The display the next xdotool commands go to; empty: the suite's display.
std::string activeDisplay;

// Openbox on the private display, from construction to destruction: a real
// window manager with title-bar close buttons (_NET_CLOSE_WINDOW).
class WindowManager {
public:
  WindowManager() {
    mPid = fork();
    if (mPid == 0) {
      setenv("DISPLAY", display->name().c_str(), 1);
      if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
        _exit(127);
      execlp("openbox", "openbox", static_cast<char *>(nullptr));
      _exit(127);
    }
    // Openbox announces itself on the root window once it manages windows.
    for (int wait = 0; wait < 50 && !running(); ++wait)
      std::this_thread::sleep_for(100ms);
  }
  ~WindowManager() {
    if (mPid > 0) {
      kill(mPid, SIGTERM);
      waitpid(mPid, nullptr, 0);
    }
  }
  bool running() const;

private:
  pid_t mPid = -1;
};

std::string shell(const std::string &command) {
  const std::string target = activeDisplay.empty() ? display->name() : activeDisplay;
  const std::string full = "DISPLAY=" + target + " " + command + " 2>/dev/null";
  std::string output;
  if (FILE *pipe = popen(full.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof(buffer), pipe))
      output += buffer;
    pclose(pipe);
  }
  return output;
}

bool WindowManager::running() const {
  return shell("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos;
}

// Waits for a window while the program still runs (alive() true).
template <class Alive>
std::optional<unsigned long> findWindow(const std::string &titlePattern, std::chrono::seconds timeout,
                                        Alive alive) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end && alive()) {
    const std::string found = shell("xdotool search --name '" + titlePattern + "'");
    if (!found.empty())
      return std::stoul(found);
    std::this_thread::sleep_for(200ms);
  }
  return std::nullopt;
}

// OIS delivers a button before the motion gathered in the same frame, so the
// pointer rests for a few frames before it clicks.
void moveTo(unsigned long window, Point p) {
  shell("xdotool mousemove --window " + std::to_string(window) + " " + std::to_string(p.x) + " " +
        std::to_string(p.y));
  std::this_thread::sleep_for(1500ms);
}

void clickAt(unsigned long window, Point p) {
  moveTo(window, p);
  shell("xdotool click 1");
  std::this_thread::sleep_for(500ms);
}

void pressKey(const std::string &key) {
  shell("xdotool key " + key);
  std::this_thread::sleep_for(800ms);
}

// A value of xdotool's "--shell" output ("X=12").
int shellValue(const std::string &output, const std::string &key) {
  const auto at = output.find(key + "=");
  return at == std::string::npos ? -1 : std::stoi(output.substr(at + key.size() + 1));
}

int pointerX() {
  return shellValue(shell("xdotool getmouselocation --shell"), "X");
}

// The screen column of the window's last pixel on the right.
int windowRight(unsigned long window) {
  const std::string geometry = shell("xdotool getwindowgeometry --shell " + std::to_string(window));
  return shellValue(geometry, "X") + shellValue(geometry, "WIDTH") - 1;
}

// The GUI cursor follows the pointer's relative moves and stops at the
// window's edges: pushing it into two opposite corners lines the two up.
void alignCursor(unsigned long window) {
  moveTo(window, {1023, 767});
  moveTo(window, {0, 0});
}

// One station process in a working directory made as the launcher makes it.
class Station {
public:
  // Sound output: OpenAL Soft's null device, or none at all.
  enum class Sound { NULL_DEVICE, NO_DEVICE };

  // displayName: the X display of its own; empty for the suite's display.
  explicit Station(const std::string &name, Sound sound = Sound::NULL_DEVICE, std::string displayName = "")
      : mDir(WORK / name), mSound(sound), mDisplayName(std::move(displayName)) {
    fs::remove_all(mDir);
    fs::create_directories(mDir);
    for (const char *shared :
         {"sternwake", "plugins.cfg", "resources.cfg", "GraphicsModuleCegui.config", "sfx"})
      fs::create_symlink(STAGE / "bin" / shared, mDir / shared);
    fs::copy_file(STAGE / "bin" / "ogre.cfg", mDir / "ogre.cfg");
  }

  void start() {
    mPid = fork();
    if (mPid == 0) {
      if (chdir(mDir.c_str()) != 0)
        _exit(127);
      setenv("DISPLAY", (mDisplayName.empty() ? display->name() : mDisplayName).c_str(), 1);
      setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
      // "alsa" on a machine without a sound card opens nothing.
      setenv("ALSOFT_DRIVERS", mSound == Sound::NULL_DEVICE ? "null" : "alsa", 1);
      if (!freopen("stdout.txt", "w", stdout) || !freopen("stderr.txt", "w", stderr))
        _exit(127);
      execl("./sternwake", "sternwake", static_cast<char *>(nullptr));
      _exit(127);
    }
  }

  // The exit code, or nothing if the program did not end in time (it is
  // then killed at the end of the test).
  std::optional<int> waitForExit(std::chrono::seconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
      if (!running())
        return mExitCode;
      std::this_thread::sleep_for(200ms);
    }
    return std::nullopt;
  }

  bool running() {
    if (mPid <= 0)
      return false;
    int status = 0;
    if (waitpid(mPid, &status, WNOHANG) != mPid)
      return true;
    mPid = -1;
    mExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
  }

  bool waitForLog(const std::string &prefix, std::chrono::seconds timeout,
                  std::size_t occurrences = 1) const {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
      std::size_t seen = 0;
      for (const std::string &message : log())
        seen += startsWith(message, prefix);
      if (seen >= occurrences)
        return true;
      std::this_thread::sleep_for(200ms);
    }
    return false;
  }

  std::vector<std::string> log() const { return logMessages(mDir / "sternwake.log"); }
  std::string errors() const { return readFile(mDir / "stderr.txt"); }
  std::string output() const { return readFile(mDir / "stdout.txt"); }
  const fs::path &dir() const { return mDir; }

  // Puts a file of the station's own in place of a shared one.
  void replaceFile(const char *name, const std::string &content) {
    fs::remove(mDir / name);
    std::ofstream(mDir / name) << content;
  }

  ~Station() {
    if (mPid > 0) {
      kill(mPid, SIGKILL);
      waitpid(mPid, nullptr, 0);
    }
  }

  const std::string &displayName() const { return mDisplayName; }

private:
  fs::path mDir;
  Sound mSound;
  std::string mDisplayName;
  pid_t mPid = -1;
  int mExitCode = -1;
};

class StationEndToEnd : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    fs::create_directories(WORK);
    // "../Media" from a station directory must reach the staged media.
    if (!fs::exists(WORK / "Media"))
      fs::create_directory_symlink(STAGE / "Media", WORK / "Media");
    display = new PrivateDisplay;
  }
  static void TearDownTestSuite() {
    delete display;
    display = nullptr;
  }

  void SetUp() override { ASSERT_FALSE(display->name().empty()) << "Xvfb did not start"; }

  enum class Accept { BY_CLICK, BY_RETURN };

  // Starts the station and accepts the configuration dialog; the station's
  // window id.
  static std::optional<unsigned long> startPastConfigDialog(Station &station,
                                                            Accept accept = Accept::BY_CLICK) {
    station.start();
    auto alive = [&station] { return station.running(); };
    const auto dialog = findWindow(CONFIG_DIALOG_TITLE, 60s, alive);
    if (!dialog)
      return std::nullopt;
    if (accept == Accept::BY_CLICK) {
      clickAt(*dialog, ACCEPT_IN_CONFIG_DIALOG);
    } else {
      moveTo(*dialog, {20, 20}); // without a window manager keys go where the pointer is
      pressKey("Return");
    }
    return findWindow(STATION_TITLE, 120s, alive);
  }

  // Starts the station and ends it at its configuration dialog by action(dialog).
  template <class Action> static void endAtConfigDialog(Station &station, Action action) {
    station.start();
    const auto dialog = findWindow(CONFIG_DIALOG_TITLE, 60s, [&station] { return station.running(); });
    ASSERT_TRUE(dialog) << "no configuration dialog; stderr: " << station.errors();
    std::this_thread::sleep_for(1s);
    action(*dialog);
    EXPECT_EQ(station.waitForExit(60s), std::optional<int>(1)) << station.errors();
    EXPECT_EQ(station.log(), CLOSING_LINES);
    EXPECT_EQ(station.errors(), "");
  }
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

TEST_F(StationEndToEnd, FacilitatorAloneEndsTheExerciseRatesTheChiefsAndLeavesFromTheScoreScreen) {
  Station station("facilitator-end");
  const auto window = startPastConfigDialog(station);
  ASSERT_TRUE(window) << "no station window; stderr: " << station.errors();
  ASSERT_TRUE(station.waitForLog("Create scene look at", 120s)) << station.errors();
  std::this_thread::sleep_for(2s);
  alignCursor(*window);
  clickAt(*window, START_DEMO_BUTTON);
  ASSERT_TRUE(station.waitForLog("Facilitator camera collision disabled", 30s));
  clickAt(*window, START_CONNECTION_BUTTON);
  pressKey("o");
  ASSERT_TRUE(station.waitForLog("CAPTURED POS: ", 30s)) << "the exercise did not start";

  clickAt(*window, END_EXERCISE_BUTTON);
  ASSERT_TRUE(station.waitForLog("Rating menu opened", 30s));
  // The facilitator's own 250 counts as 100, a word as 0.
  for (const auto &[box, text] : {std::pair{CAPTAIN_RATING_BOX, "250"}, std::pair{MEDIC_RATING_BOX, "80"},
                                  std::pair{FIREMAN_RATING_BOX, "none"}}) {
    clickAt(*window, box);
    shell(std::string("xdotool type --delay 150 ") + text);
  }
  clickAt(*window, CONTINUE_BUTTON);
  // No chief: 0.3 x the ratings; nobody healed leaves the captain's exercise
  // term out, 0 of 8 healed and 0 of 6 fires put out add nothing.
  ASSERT_TRUE(station.waitForLog("Scores shown: ", 30s));
  pressKey("Print");
  ASSERT_TRUE(fs::exists(station.dir() / "screenshot_1.png"));
  clickAt(*window, EXIT_EVALUATION_BUTTON);
  EXPECT_EQ(station.waitForExit(60s), std::optional<int>(0));

  const std::vector<std::string> lines = station.log();
  const auto shown = std::find_if(lines.begin(), lines.end(),
                                  [](const std::string &line) { return startsWith(line, "Scores shown: "); });
  ASSERT_NE(shown, lines.end());
  EXPECT_EQ(*shown, "Scores shown: captain 30, medic 24, fireman 0");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()), CLOSING_LINES);
  EXPECT_EQ(station.errors(), "");
  // The material panel read the stage's control file at start-up.
  EXPECT_NE(readFile(station.dir() / "Ogre.log").find("Material Controls setup"), std::string::npos);
}

// The facilitator marks a deck point with the middle button, adds a passenger
// there with its button, and right-clicks the new passenger: the marked point,
// the button and the pick all go through the real window and GUI.
TEST_F(StationEndToEnd, FacilitatorAddsAPassengerAtTheMarkedPointAndPicksIt) {
  Station station("facilitator-inject");
  const auto window = startPastConfigDialog(station);
  ASSERT_TRUE(window) << "no station window; stderr: " << station.errors();
  ASSERT_TRUE(station.waitForLog("Create scene look at", 120s)) << station.errors();
  std::this_thread::sleep_for(2s);
  alignCursor(*window);
  clickAt(*window, START_DEMO_BUTTON);
  ASSERT_TRUE(station.waitForLog("Facilitator camera collision disabled", 30s));
  clickAt(*window, START_CONNECTION_BUTTON);
  pressKey("o");
  ASSERT_TRUE(station.waitForLog("CAPTURED POS: ", 30s)) << "the exercise did not start";

  moveTo(*window, OPEN_DECK);
  shell("xdotool click 2"); // mark
  std::this_thread::sleep_for(500ms);
  clickAt(*window, ADD_PASSENGER_BUTTON);
  std::this_thread::sleep_for(3s); // it drops onto the deck
  moveTo(*window, OPEN_DECK);
  shell("xdotool click 3"); // pick
  ASSERT_TRUE(station.waitForLog("Executed right click picking", 30s));
  ASSERT_TRUE(station.waitForLog("npc name in interaction : ", 30s)) << "the pick met no object";
  pressKey("Print");
  std::this_thread::sleep_for(1s);
  ASSERT_TRUE(requestWindowClose(display->name(), *window));
  EXPECT_EQ(station.waitForExit(60s), std::optional<int>(0));

  // The 18 initial objects are numbered 0 to 17: the added passenger is 18.
  std::string picked;
  for (const std::string &line : station.log())
    if (startsWith(line, "npc name in interaction : "))
      picked = line.substr(std::string("npc name in interaction : ").size());
  EXPECT_NE(picked.find("passenger18"), std::string::npos) << "picked: " << picked;
  EXPECT_EQ(station.errors().find("An exception has occured"), std::string::npos) << station.errors();
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

// Controls in a 640x480 station window (the start dialog and the lobby are
// centred; the facilitator's view window sits at the top right).
constexpr Point SMALL_CAPTAIN_BUTTON = {479, 156};
constexpr Point SMALL_MEDIC_BUTTON = {241, 240};
constexpr Point SMALL_FIREMAN_BUTTON = {479, 240};
constexpr Point SMALL_START_DEMO_BUTTON = {320, 392};
constexpr Point SMALL_START_CONNECTION_BUTTON = {325, 392};
constexpr Point SMALL_CAPTAIN_VIEW = {487, 79};
constexpr Point SMALL_OPEN_FLOOR = {160, 330}; // no window there while the exercise runs

struct ChiefSeen {
  double x = 0, y = 0, z = 0, yaw = 0, pitch = 0;
  std::string state;
};

// What the tests read of a station's debrief.json.
struct Debrief {
  bool found = false;
  std::string phase;
  std::string link;
  int viewedRole = -1;
  double camera[3] = {0, 0, 0};
  std::map<int, ChiefSeen> chiefs;
};

Debrief readDebrief(const fs::path &dir) {
  Debrief debrief;
  const std::string text = readFile(dir / "debrief.json");
  std::smatch match;
  const std::regex station(
      R"re("phase": "([^"]*)", "viewedRole": (\d+), "link": "([^"]*)", "camera": \[([^,]+), ([^,]+), ([^\]]+)\])re");
  if (!std::regex_search(text, match, station))
    return debrief;
  debrief.found = true;
  debrief.phase = match[1];
  debrief.viewedRole = std::stoi(match[2]);
  debrief.link = match[3];
  for (int axis = 0; axis < 3; ++axis)
    debrief.camera[axis] = std::stod(match[4 + axis]);
  const std::regex chief(
      R"re(\{"role": (\d), "name": "[^"]*", "x": ([^,]+), "y": ([^,]+), "z": ([^,]+), "yaw": ([^,]+), "pitch": ([^,]+), "state": "([^"]*)"\})re");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), chief); it != std::sregex_iterator(); ++it) {
    const std::smatch &row = *it;
    debrief.chiefs[std::stoi(row[1])] = {std::stod(row[2]), std::stod(row[3]), std::stod(row[4]),
                                         std::stod(row[5]), std::stod(row[6]), row[7]};
  }
  return debrief;
}

template <class Condition> bool waitFor(Condition condition, std::chrono::seconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (condition())
      return true;
    std::this_thread::sleep_for(500ms);
  }
  return condition();
}

class FourStations : public StationEndToEnd {
protected:
  void TearDown() override { activeDisplay.clear(); }

  // A station of its own on a display of its own, in a 640x480 window.
  Station &addStation(const std::string &name) {
    displays.push_back(std::make_unique<PrivateDisplay>());
    EXPECT_FALSE(displays.back()->name().empty());
    stations[name] = std::make_unique<Station>(name, Station::Sound::NULL_DEVICE, displays.back()->name());
    Station &station = *stations[name];
    std::string config = readFile(station.dir() / "ogre.cfg");
    config = std::regex_replace(config, std::regex("Video Mode=[^\n]*"), "Video Mode=640 x 480");
    station.replaceFile("ogre.cfg", config);
    return station;
  }

  // Starts the station, picks the role (none: the preselected facilitator)
  // and presses Start with an empty address box; the station's window.
  std::optional<unsigned long> boot(Station &station, std::optional<Point> roleButton) {
    activeDisplay = station.displayName();
    const auto window = startPastConfigDialog(station);
    if (!window || !station.waitForLog("Create scene look at", 180s))
      return std::nullopt;
    std::this_thread::sleep_for(2s);
    moveTo(*window, {639, 479});
    moveTo(*window, {0, 0});
    if (roleButton)
      clickAt(*window, *roleButton);
    clickAt(*window, SMALL_START_DEMO_BUTTON);
    return window;
  }

  void use(Station &station) { activeDisplay = station.displayName(); }

  void screenshot(Station &station) {
    use(station);
    pressKey("Print");
  }

  // A left drag turns the chief; W walks it forward.
  void walkAndTurn(Station &station, unsigned long window, int turnPixels, std::chrono::milliseconds walk) {
    use(station);
    moveTo(window, SMALL_OPEN_FLOOR);
    shell("xdotool mousedown 1");
    std::this_thread::sleep_for(600ms);
    for (int step = 0; step < 4; ++step) {
      shell("xdotool mousemove_relative -- " + std::to_string(turnPixels / 4) + " 0");
      std::this_thread::sleep_for(400ms);
    }
    shell("xdotool mouseup 1");
    std::this_thread::sleep_for(600ms);
    shell("xdotool keydown w");
    std::this_thread::sleep_for(walk);
    shell("xdotool keyup w");
    std::this_thread::sleep_for(1s);
  }

  std::vector<std::unique_ptr<PrivateDisplay>> displays;
  std::map<std::string, std::unique_ptr<Station>> stations;
};

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
