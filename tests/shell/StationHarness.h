#pragma once
// The end-to-end harness shared by the station's end-to-end executables: a
// private X server per display, a window manager, station processes in
// working directories made as the launcher makes them, xdotool for pointer
// and keys, and the reading of each station's log and debrief record.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace harness {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

extern const fs::path STAGE;
extern const fs::path WORK;

// A pixel inside a station window.
struct Point {
  int x;
  int y;
};

// Window positions of the controls in the 1024x768 station window, from the
// layout: the start dialog and the lobby are centred.
constexpr Point ACCEPT_IN_CONFIG_DIALOG = {446, 353};
constexpr Point CANCEL_IN_CONFIG_DIALOG = {376, 353};

// Controls in a 640x480 station window (the start dialog and the lobby are
// centred; the facilitator's view window sits at the top right).
constexpr Point SMALL_CAPTAIN_BUTTON = {479, 156};
constexpr Point SMALL_MEDIC_BUTTON = {241, 240};
constexpr Point SMALL_FIREMAN_BUTTON = {479, 240};
constexpr Point SMALL_START_DEMO_BUTTON = {320, 392};
constexpr Point SMALL_START_CONNECTION_BUTTON = {325, 392};
constexpr Point SMALL_CAPTAIN_VIEW = {487, 79};
constexpr Point SMALL_OPEN_FLOOR = {160, 330}; // no window there while the exercise runs

extern const std::vector<std::string> CLOSING_LINES;
extern const char *const CONFIG_DIALOG_TITLE;
extern const char *const STATION_TITLE;

std::string readFile(const fs::path &file);
// Log messages without their time stamps, empty lines dropped.
std::vector<std::string> logMessages(const fs::path &log);
bool startsWith(const std::string &text, const std::string &prefix);

// A private X server on a free display.
class PrivateDisplay {
public:
  PrivateDisplay();
  ~PrivateDisplay();
  PrivateDisplay(const PrivateDisplay &) = delete;
  PrivateDisplay &operator=(const PrivateDisplay &) = delete;
  const std::string &name() const { return mName; }

private:
  pid_t mPid = -1;
  std::string mName;
};

// The suite's display (made by the fixture's suite set-up).
extern PrivateDisplay *display;
// The display the next xdotool commands go to; empty: the suite's display.
extern std::string activeDisplay;

// Openbox on the suite's display, from construction to destruction: a real
// window manager with title-bar close buttons (_NET_CLOSE_WINDOW).
class WindowManager {
public:
  WindowManager();
  ~WindowManager();
  WindowManager(const WindowManager &) = delete;
  WindowManager &operator=(const WindowManager &) = delete;
  bool running() const;

private:
  pid_t mPid = -1;
};

// Runs a command with DISPLAY set to the active display; its standard output.
std::string shell(const std::string &command);

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
void moveTo(unsigned long window, Point p);
void clickAt(unsigned long window, Point p);
void pressKey(const std::string &key);
// A value of xdotool's "--shell" output ("X=12").
int shellValue(const std::string &output, const std::string &key);
int pointerX();
// The screen column of the window's last pixel on the right.
int windowRight(unsigned long window);
// The GUI cursor follows the pointer's relative moves and stops at the
// window's edges: pushing it into two opposite corners lines the two up.
void alignCursor(unsigned long window);
// A left drag from `start`, in four steps: turns a chief by `pixels` of look.
void lookDrag(unsigned long window, Point start, int pixels);

template <class Condition> bool waitFor(Condition condition, std::chrono::seconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (condition())
      return true;
    std::this_thread::sleep_for(500ms);
  }
  return condition();
}

// One station process in a working directory made as the launcher makes it.
class Station {
public:
  // Sound: OpenAL Soft's null device, none at all, or the PulseAudio server
  // the test runs against (playback and capture).
  enum class Sound { NULL_DEVICE, NO_DEVICE, PULSE };

  // displayName: the X display of its own; empty for the suite's display.
  explicit Station(const std::string &name, Sound sound = Sound::NULL_DEVICE, std::string displayName = "");
  ~Station();
  Station(const Station &) = delete;
  Station &operator=(const Station &) = delete;

  void start();
  // The exit code, or nothing if the program did not end in time (it is
  // then killed at the end of the test).
  std::optional<int> waitForExit(std::chrono::seconds timeout);
  bool running();
  bool waitForLog(const std::string &prefix, std::chrono::seconds timeout, std::size_t occurrences = 1) const;

  std::vector<std::string> log() const { return logMessages(mDir / "sternwake.log"); }
  std::string errors() const { return readFile(mDir / "stderr.txt"); }
  std::string output() const { return readFile(mDir / "stdout.txt"); }
  const fs::path &dir() const { return mDir; }
  const std::string &displayName() const { return mDisplayName; }

  // Puts a file of the station's own in place of a shared one.
  void replaceFile(const char *name, const std::string &content);
  // An environment variable the process gets when it starts.
  void setEnvironment(std::string name, std::string value) {
    mEnvironment.emplace_back(std::move(name), std::move(value));
  }

private:
  fs::path mDir;
  Sound mSound;
  std::string mDisplayName;
  std::vector<std::pair<std::string, std::string>> mEnvironment;
  pid_t mPid = -1;
  int mExitCode = -1;
};

// The suite's display, and starting a station past the engine's dialog.
class StationFixture : public ::testing::Test {
protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override { ASSERT_FALSE(display->name().empty()) << "Xvfb did not start"; }

  enum class Accept { BY_CLICK, BY_RETURN };

  // Starts the station and accepts the configuration dialog; the station's
  // window id.
  static std::optional<unsigned long> startPastConfigDialog(Station &station,
                                                            Accept accept = Accept::BY_CLICK);

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

struct ChiefSeen {
  double x = 0, y = 0, z = 0, yaw = 0, pitch = 0;
  std::string state;
};

struct ObjectSeen {
  std::string kind;
  double x = 0, y = 0, z = 0;
  std::string state;
  int injury = -1; // passengers: 2 lying, 1 sitting, 0 up; -1 for other kinds
};

// What the tests read of a station's debrief.json.
struct Debrief {
  bool found = false;
  std::string phase;
  std::string link;
  int viewedRole = -1;
  double camera[3] = {0, 0, 0};
  std::map<int, ChiefSeen> chiefs;
  std::map<std::string, ObjectSeen> objects;
  // passengers, rescued, healed, fires, extinguished; medkits, extinguishers.
  std::map<std::string, double> counters;
  std::map<std::string, double> supplies;
  std::vector<std::string> timelineActions; // "role action target", oldest first
};

Debrief readDebrief(const fs::path &dir);

// Stations each on a display of its own, in 640x480 windows.
class FourStationFixture : public StationFixture {
protected:
  void TearDown() override { activeDisplay.clear(); }

  Station &addStation(const std::string &name, Station::Sound sound = Station::Sound::NULL_DEVICE);
  // Starts the station, picks the role (none: the preselected facilitator)
  // and presses Start with an empty address box; the station's window.
  std::optional<unsigned long> boot(Station &station, std::optional<Point> roleButton);
  void use(Station &station) { activeDisplay = station.displayName(); }
  void screenshot(Station &station);
  // A left drag turns the chief; W walks it forward.
  void walkAndTurn(Station &station, unsigned long window, int turnPixels, std::chrono::milliseconds walk);

  std::vector<std::unique_ptr<PrivateDisplay>> displays;
  std::map<std::string, std::unique_ptr<Station>> stations;
};

} // namespace harness
