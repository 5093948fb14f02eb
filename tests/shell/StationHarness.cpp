#include "StationHarness.h"

#include <X11/Xlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <utility>

namespace harness {

const fs::path STAGE = SW_STAGE_DIR;
const fs::path WORK = SW_E2E_DIR;

const std::vector<std::string> CLOSING_LINES = {"Closing down log system and sfx system.",
                                                "The simulation closed."};
const char *const CONFIG_DIALOG_TITLE = "^Rendering Settings$";
const char *const STATION_TITLE = "^\\*\\*\\*Sternwake Project\\*\\*\\*$";

PrivateDisplay *display = nullptr;
std::string activeDisplay;

std::string readFile(const fs::path &file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

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

PrivateDisplay::PrivateDisplay() {
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
      // No reset when the last client leaves: a server resetting between the
      // readiness check and the next client refuses that client.
      execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset",
             static_cast<char *>(nullptr));
      _exit(127);
    }
    // The socket shows up before the server takes clients: a program that
    // starts then may fail to open its window.
    for (int wait = 0; wait < 100; ++wait) {
      if (fs::exists(socket)) {
        if (Display *connection = XOpenDisplay(name.c_str())) {
          XCloseDisplay(connection);
          mName = name;
          return;
        }
      }
      std::this_thread::sleep_for(100ms);
    }
    return;
  }
}

PrivateDisplay::~PrivateDisplay() {
  if (mPid > 0) {
    kill(mPid, SIGTERM);
    waitpid(mPid, nullptr, 0);
  }
}

WindowManager::WindowManager() {
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

WindowManager::~WindowManager() {
  if (mPid > 0) {
    kill(mPid, SIGTERM);
    waitpid(mPid, nullptr, 0);
  }
}

bool WindowManager::running() const {
  return shell("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos;
}

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

int shellValue(const std::string &output, const std::string &key) {
  const auto at = output.find(key + "=");
  return at == std::string::npos ? -1 : std::stoi(output.substr(at + key.size() + 1));
}

int pointerX() {
  return shellValue(shell("xdotool getmouselocation --shell"), "X");
}

int windowRight(unsigned long window) {
  const std::string geometry = shell("xdotool getwindowgeometry --shell " + std::to_string(window));
  return shellValue(geometry, "X") + shellValue(geometry, "WIDTH") - 1;
}

void alignCursor(unsigned long window) {
  moveTo(window, {1023, 767});
  moveTo(window, {0, 0});
}

Station::Station(const std::string &name, Sound sound, std::string displayName)
    : mDir(WORK / name), mSound(sound), mDisplayName(std::move(displayName)) {
  fs::remove_all(mDir);
  fs::create_directories(mDir);
  for (const char *shared :
       {"sternwake", "plugins.cfg", "resources.cfg", "GraphicsModuleCegui.config", "sfx"})
    fs::create_symlink(STAGE / "bin" / shared, mDir / shared);
  fs::copy_file(STAGE / "bin" / "ogre.cfg", mDir / "ogre.cfg");
}

Station::~Station() {
  if (mPid > 0) {
    kill(mPid, SIGKILL);
    waitpid(mPid, nullptr, 0);
  }
}

void Station::start() {
  mPid = fork();
  if (mPid == 0) {
    if (chdir(mDir.c_str()) != 0)
      _exit(127);
    setenv("DISPLAY", (mDisplayName.empty() ? display->name() : mDisplayName).c_str(), 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    // "alsa" on a machine without a sound card opens nothing.
    const char *drivers[] = {"null", "alsa", "pulse"};
    setenv("ALSOFT_DRIVERS", drivers[static_cast<int>(mSound)], 1);
    for (const auto &[name, value] : mEnvironment)
      setenv(name.c_str(), value.c_str(), 1);
    if (!freopen("stdout.txt", "w", stdout) || !freopen("stderr.txt", "w", stderr))
      _exit(127);
    execl("./sternwake", "sternwake", static_cast<char *>(nullptr));
    _exit(127);
  }
}

std::optional<int> Station::waitForExit(std::chrono::seconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (!running())
      return mExitCode;
    std::this_thread::sleep_for(200ms);
  }
  return std::nullopt;
}

bool Station::running() {
  if (mPid <= 0)
    return false;
  int status = 0;
  if (waitpid(mPid, &status, WNOHANG) != mPid)
    return true;
  mPid = -1;
  mExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return false;
}

bool Station::waitForLog(const std::string &prefix, std::chrono::seconds timeout,
                         std::size_t occurrences) const {
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

void Station::replaceFile(const char *name, const std::string &content) {
  fs::remove(mDir / name);
  std::ofstream(mDir / name) << content;
}

void StationFixture::SetUpTestSuite() {
  fs::create_directories(WORK);
  // "../Media" from a station directory must reach the staged media.
  if (!fs::exists(WORK / "Media"))
    fs::create_directory_symlink(STAGE / "Media", WORK / "Media");
  display = new PrivateDisplay;
}

void StationFixture::TearDownTestSuite() {
  delete display;
  display = nullptr;
}

std::optional<unsigned long> StationFixture::startPastConfigDialog(Station &station, Accept accept) {
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

namespace {

void readStation(const std::string &text, Debrief &debrief) {
  std::smatch match;
  const std::regex station(
      R"re("phase": "([^"]*)", "viewedRole": (\d+), "link": "([^"]*)", "camera": \[([^,]+), ([^,]+), ([^\]]+)\])re");
  if (!std::regex_search(text, match, station))
    return;
  debrief.found = true;
  debrief.phase = match[1];
  debrief.viewedRole = std::stoi(match[2]);
  debrief.link = match[3];
  for (int axis = 0; axis < 3; ++axis)
    debrief.camera[axis] = std::stod(match[4 + axis]);
}

void readChiefs(const std::string &text, Debrief &debrief) {
  const std::regex chief(
      R"re(\{"role": (\d), "name": "[^"]*", "x": ([^,]+), "y": ([^,]+), "z": ([^,]+), "yaw": ([^,]+), "pitch": ([^,]+), "state": "([^"]*)"\})re");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), chief); it != std::sregex_iterator(); ++it) {
    const std::smatch &row = *it;
    debrief.chiefs[std::stoi(row[1])] = {std::stod(row[2]), std::stod(row[3]), std::stod(row[4]),
                                         std::stod(row[5]), std::stod(row[6]), row[7]};
  }
}

void readObjects(const std::string &text, Debrief &debrief) {
  const std::regex object(
      R"re(\{"name": "([^"]*)", "kind": "([^"]*)", "x": ([^,]+), "y": ([^,]+), "z": ([^,]+), "state": "([^"]*)"(?:, "injury": (\d+))?\})re");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), object); it != std::sregex_iterator(); ++it) {
    const std::smatch &row = *it;
    debrief.objects[row[1]] = {row[2],
                               std::stod(row[3]),
                               std::stod(row[4]),
                               std::stod(row[5]),
                               row[6],
                               row[7].matched ? std::stoi(row[7]) : -1};
  }
}

// The numbers of one flat object ("counters", "supplies").
std::map<std::string, double> readNumbers(const std::string &text, const std::string &key) {
  std::map<std::string, double> numbers;
  std::smatch match;
  if (!std::regex_search(text, match, std::regex("\"" + key + "\": \\{([^}]*)\\}")))
    return numbers;
  const std::string body = match[1];
  const std::regex pair(R"re("([^"]+)": ([-0-9.eE+]+))re");
  for (auto it = std::sregex_iterator(body.begin(), body.end(), pair); it != std::sregex_iterator(); ++it)
    numbers[(*it)[1]] = std::stod((*it)[2]);
  return numbers;
}

void readTimeline(const std::string &text, Debrief &debrief) {
  const std::regex entry(R"re(\{"t": [^,]+, "role": (\d+), "action": "([^"]*)", "target": "([^"]*)")re");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), entry); it != std::sregex_iterator(); ++it)
    debrief.timelineActions.push_back((*it)[1].str() + " " + (*it)[2].str() + " " + (*it)[3].str());
}

} // namespace

Debrief readDebrief(const fs::path &dir) {
  Debrief debrief;
  const std::string text = readFile(dir / "debrief.json");
  readStation(text, debrief);
  if (!debrief.found)
    return debrief;
  readChiefs(text, debrief);
  readObjects(text, debrief);
  debrief.counters = readNumbers(text, "counters");
  debrief.supplies = readNumbers(text, "supplies");
  readTimeline(text, debrief);
  return debrief;
}

Station &FourStationFixture::addStation(const std::string &name, Station::Sound sound) {
  displays.push_back(std::make_unique<PrivateDisplay>());
  EXPECT_FALSE(displays.back()->name().empty());
  stations[name] = std::make_unique<Station>(name, sound, displays.back()->name());
  Station &station = *stations[name];
  std::string config = readFile(station.dir() / "ogre.cfg");
  config = std::regex_replace(config, std::regex("Video Mode=[^\n]*"), "Video Mode=640 x 480");
  station.replaceFile("ogre.cfg", config);
  return station;
}

std::optional<unsigned long> FourStationFixture::boot(Station &station, std::optional<Point> roleButton) {
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

void FourStationFixture::screenshot(Station &station) {
  use(station);
  pressKey("Print");
}

void lookDrag(unsigned long window, Point start, int pixels) {
  moveTo(window, start);
  shell("xdotool mousedown 1");
  std::this_thread::sleep_for(600ms);
  for (int step = 0; step < 4; ++step) {
    shell("xdotool mousemove_relative -- " + std::to_string(pixels / 4) + " 0");
    std::this_thread::sleep_for(400ms);
  }
  shell("xdotool mouseup 1");
  std::this_thread::sleep_for(600ms);
}

void FourStationFixture::walkAndTurn(Station &station, unsigned long window, int turnPixels,
                                     std::chrono::milliseconds walk) {
  use(station);
  lookDrag(window, SMALL_OPEN_FLOOR, turnPixels);
  shell("xdotool keydown w");
  std::this_thread::sleep_for(walk);
  shell("xdotool keyup w");
  std::this_thread::sleep_for(1s);
}

} // namespace harness
