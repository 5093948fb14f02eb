// The scripted exercise on four real stations, driven as the trainer and the
// three chiefs would drive it (xdotool on one private display and working
// directory each): the facilitator's injects, the medic's treatments by hand
// and a medical crew sent out, the fireman's extinguishing by hand and a fire
// crew sent out, the captain's follow and walk orders; then every station's
// debrief record must tell the same exercise.
//
// A chief finds its way as a person would: it walks a little to see where it
// heads, turns with the mouse and walks for a measured time, checking where
// it stands in its own debrief record, then points at the target until a
// right click selects it.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "StationHarness.h"
#include "WindowClose.h"

using namespace harness;

namespace {

// Controls in the 640x480 window: the role windows sit at the right edge
// (250 wide, 8 from it; a frame's title bar is 26 high), the rating and
// score menus are centred.
constexpr Point SEND_CREW_BUTTON = {501, 58}; // "Send medical crew" / "Send fire crew"
constexpr Point FOLLOW_BUTTON = {501, 58};
constexpr Point DIRECT_BUTTON = {501, 134};
constexpr Point END_EXERCISE_BUTTON = {502, 174};
constexpr Point ADD_PASSENGER_BUTTON = {501, 262};
constexpr Point CREATE_FIRE_BUTTON = {501, 300};
constexpr Point SEND_SUPPLIES_BUTTON = {502, 469}; // the window's lower part is cut off at 480
constexpr Point CAPTAIN_RATING_BOX = {450, 159};
constexpr Point MEDIC_RATING_BOX = {450, 239};
constexpr Point FIREMAN_RATING_BOX = {450, 319};
constexpr Point CONTINUE_BUTTON = {320, 389};
constexpr Point EXIT_EVALUATION_BUTTON = {320, 443};
// Open deck under the facilitator's overview camera, no window over it.
constexpr Point PASSENGER_MARK = {156, 281};
constexpr Point FIRE_MARK = {112, 292};
// Where a look drag starts on a chief's screen: below every window.
constexpr Point DRAG_START = {320, 420};
constexpr Point SCREEN_CENTRE = {320, 240};

constexpr int CAPTAIN = 0;
constexpr int MEDIC = 1;
constexpr int FIREMAN = 2;

constexpr double PI = 3.14159265358979323846;

double degrees(double radians) {
  return radians * 180 / PI;
}

// An angle in (-180, 180].
double wrapped(double angle) {
  while (angle > 180)
    angle -= 360;
  while (angle <= -180)
    angle += 360;
  return angle;
}

// The object of that kind nearest to (x, y) in a record; empty if none.
std::string nearestObject(const Debrief &debrief, const std::string &kind, double x, double y) {
  std::string best;
  double bestDistance = 1e9;
  for (const auto &[name, object] : debrief.objects) {
    const double distance = std::hypot(object.x - x, object.y - y);
    if (object.kind == kind && distance < bestDistance) {
      best = name;
      bestDistance = distance;
    }
  }
  return best;
}

// What every station must agree on, one fact a line: names and kinds of
// every object, the state of passengers and fires, counters, supplies.
std::string sharedFacts(const Debrief &debrief) {
  std::ostringstream facts;
  for (const auto &[name, object] : debrief.objects) {
    facts << name << " " << object.kind;
    if (object.kind == "passenger" || object.kind == "fire")
      facts << " " << object.state;
    if (object.kind == "passenger")
      facts << " injury " << object.injury;
    facts << "\n";
  }
  for (const auto &[key, value] : debrief.counters)
    facts << key << " " << value << "\n";
  for (const auto &[key, value] : debrief.supplies)
    facts << key << " " << value << "\n";
  return facts.str();
}

// How a chief's walking direction follows its yaw, learnt by walking.
struct Bearing {
  double offset = 0;   // walking direction (degrees from +x) at yaw 0
  double sign = 1;     // +1: a growing yaw turns to the left
  double perPixel = 0; // yaw degrees per pixel of look drag
  double speed = 0;    // level units per second of W
};

class Exercise : public FourStationFixture {
protected:
  struct Chief {
    Station *station;
    unsigned long window;
    int role;
    Bearing bearing;
  };
  Chief *refresher = nullptr;

  std::optional<ChiefSeen> placeOf(Chief &chief) {
    const Debrief own = readDebrief(chief.station->dir());
    if (!own.chiefs.count(chief.role))
      return std::nullopt;
    return own.chiefs.at(chief.role);
  }

  // The record is written at most once a second.
  static void letRecordCatchUp() { std::this_thread::sleep_for(2500ms); }

  void drag(Chief &chief, int pixels) {
    use(*chief.station);
    while (pixels != 0) {
      const int part = std::clamp(pixels, -240, 240);
      lookDrag(chief.window, DRAG_START, part);
      pixels -= part / 4 * 4;
      if (std::abs(pixels) < 4)
        pixels = 0;
    }
  }

  void walk(Chief &chief, std::chrono::milliseconds time, const char *key = "w") {
    use(*chief.station);
    shell(std::string("xdotool keydown ") + key);
    std::this_thread::sleep_for(time);
    shell(std::string("xdotool keyup ") + key);
  }

  // Walks twice with a turn between: the direction, the turn rate, the speed.
  bool learnBearing(Chief &chief) {
    constexpr int TURN = 120;
    const auto first = placeOf(chief);
    walk(chief, 700ms);
    letRecordCatchUp();
    const auto second = placeOf(chief);
    drag(chief, TURN);
    letRecordCatchUp();
    const auto turned = placeOf(chief);
    walk(chief, 700ms);
    letRecordCatchUp();
    const auto third = placeOf(chief);
    if (!first || !second || !turned || !third)
      return false;
    const double firstWay = degrees(std::atan2(second->y - first->y, second->x - first->x));
    const double secondWay = degrees(std::atan2(third->y - turned->y, third->x - turned->x));
    const double yawTurn = turned->yaw - second->yaw;
    const double walked = std::hypot(second->x - first->x, second->y - first->y);
    if (std::abs(yawTurn) < 1 || walked < 3)
      return false;
    Bearing &b = chief.bearing;
    b.sign = wrapped(secondWay - firstWay) * yawTurn > 0 ? 1 : -1;
    b.offset = firstWay - b.sign * second->yaw;
    b.perPixel = yawTurn / TURN;
    b.speed = walked / 0.7;
    return true;
  }

  void turnTowards(Chief &chief, double x, double y) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      const auto at = placeOf(chief);
      if (!at)
        return;
      const Bearing &b = chief.bearing;
      const double heading = b.offset + b.sign * at->yaw;
      const double wanted = degrees(std::atan2(y - at->y, x - at->x));
      const double turn = wrapped(wanted - heading);
      if (std::abs(turn) < 2)
        return;
      drag(chief, static_cast<int>(std::lround(turn * b.sign / b.perPixel)));
      letRecordCatchUp();
    }
  }

  // Walks to `standOff` from (x, y), facing it, in short walks: the speed
  // changes with the frame rate, so each walk measures it anew.
  void approach(Chief &chief, double x, double y, double standOff) {
    for (int attempt = 0; attempt < 12; ++attempt) {
      const auto at = placeOf(chief);
      if (!at)
        return;
      const double remaining = std::hypot(x - at->x, y - at->y) - standOff;
      if (std::abs(remaining) < 20)
        break;
      turnTowards(chief, x, y);
      const double seconds = std::min(std::abs(remaining) / chief.bearing.speed, 1.5);
      const auto time = std::chrono::milliseconds(static_cast<int>(seconds * 1000));
      const auto from = placeOf(chief);
      walk(chief, time, remaining > 0 ? "w" : "s");
      letRecordCatchUp();
      const auto to = placeOf(chief);
      if (from && to && seconds > 0.2) {
        const double moved = std::hypot(to->x - from->x, to->y - from->y);
        if (moved > 3)
          chief.bearing.speed = moved / seconds;
      }
    }
    turnTowards(chief, x, y);
  }

  // Points down the screen's middle columns, a row every rowStep pixels,
  // until a right click selects the object; where the pointer rests then.
  std::optional<Point> pointAt(Chief &chief, const std::string &name, int rowStep = 15) {
    use(*chief.station);
    moveTo(chief.window, {639, 479});
    moveTo(chief.window, {0, 0});
    const std::string selected = "npc name in interaction : ";
    for (int dx : {0, -25, 25}) {
      for (int y = SCREEN_CENTRE.y; y <= 470; y += rowStep) {
        const Point p{SCREEN_CENTRE.x + dx, y};
        moveTo(chief.window, p);
        const std::size_t before = chief.station->log().size();
        shell("xdotool click 3");
        std::this_thread::sleep_for(700ms);
        const std::vector<std::string> lines = chief.station->log();
        for (std::size_t i = before; i < lines.size(); ++i)
          if (lines[i] == selected + name || lines[i] == selected + "clone_" + name)
            return p;
      }
    }
    return std::nullopt;
  }

  // Holds E at the pointer until done() holds.
  template <class Done> bool holdAction(Chief &chief, Done done, std::chrono::seconds timeout) {
    use(*chief.station);
    shell("xdotool keydown e");
    const bool finished = waitFor(done, timeout);
    use(*chief.station);
    shell("xdotool keyup e");
    std::this_thread::sleep_for(1s);
    return finished;
  }

  // A walker arriving or a crew member turning back changes a passenger's
  // state without an action, so a record may lag behind its scene until
  // something else changes: a short step of the captain back and forth is a
  // move on every station, and each writes its record anew.
  void refreshRecords() {
    const std::string before = activeDisplay;
    use(*refresher->station);
    for (const char *key : {"s", "w"}) {
      shell(std::string("xdotool keydown ") + key);
      std::this_thread::sleep_for(150ms);
      shell(std::string("xdotool keyup ") + key);
      std::this_thread::sleep_for(300ms);
    }
    activeDisplay = before;
    std::this_thread::sleep_for(2s);
  }

  // Puts out the fire at (x, y) by hand, as a person would: from a few
  // steps away he points at it and holds E; every step shrinks it, and when
  // it slips from under the pointer (no step of his lands on it for a while)
  // he lets go, comes closer and points at what is left of it.
  bool putOutByHand(Chief &fireman, const std::string &fire, double x, double y) {
    constexpr auto STEP_OVERDUE = 45s;
    auto seen = [&] { return readDebrief(fireman.station->dir()); };
    auto isOut = [&] { return seen().objects[fire].state == "out"; };
    auto stepsOn = [&](const std::string &target) {
      const std::vector<std::string> actions = seen().timelineActions;
      const std::string step = std::to_string(FIREMAN) + " extinguish " + target;
      return std::count_if(actions.begin(), actions.end(),
                           [&](const std::string &action) { return startsWith(action, step); });
    };
    for (int attempt = 0; attempt < 6 && !isOut(); ++attempt) {
      approach(fireman, x, y, attempt == 0 ? 130 : 70);
      if (!pointAt(fireman, fire, 8))
        continue;
      auto onTarget = stepsOn(fire);
      auto everywhere = stepsOn("");
      auto lastStep = std::chrono::steady_clock::now();
      holdAction(
          fireman,
          [&] {
            const auto now = stepsOn("");
            if (now != everywhere) {
              if (now - everywhere != stepsOn(fire) - onTarget)
                return true; // a step went to something else under the pointer
              everywhere = now;
              onTarget = stepsOn(fire);
              lastStep = std::chrono::steady_clock::now();
            }
            return isOut() || std::chrono::steady_clock::now() - lastStep > STEP_OVERDUE;
          },
          600s);
    }
    return isOut();
  }

  static std::size_t logCount(const Station &station, const std::string &prefix) {
    const std::vector<std::string> lines = station.log();
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string &line) { return startsWith(line, prefix); }));
  }

  // Waits until every station's record tells the same; the first one's facts.
  bool recordsAgree(const std::vector<Station *> &all, std::chrono::seconds timeout) {
    return waitFor(
        [&] {
          refreshRecords();
          const std::string first = sharedFacts(readDebrief(all.front()->dir()));
          return std::all_of(all.begin(), all.end(), [&](Station *station) {
            return sharedFacts(readDebrief(station->dir())) == first;
          });
        },
        timeout);
  }

  enum class Script { INJECTS_AND_MEDIC_ON_A_LOSSY_NETWORK, WHOLE_EXERCISE };

  void playExercise(Script script) {
    const bool wholeScript = script == Script::WHOLE_EXERCISE;
    const auto began = std::chrono::steady_clock::now();
    Station &facilitator = addStation("facilitator");
    if (!wholeScript)
      facilitator.setEnvironment("STERNWAKE_SIMULATED_LOSS", "0.1");
    ASSERT_TRUE(turnKeyRepeatOff(facilitator.displayName()));
    const auto facilitatorWindow = boot(facilitator, std::nullopt);
    ASSERT_TRUE(facilitatorWindow) << facilitator.errors();
    ASSERT_TRUE(facilitator.waitForLog("Facilitator camera collision disabled", 30s));

    struct Joining {
      const char *name;
      Point roleButton;
      int role;
    };
    // The chiefs who talk get the test's PulseAudio server: speech played
    // into its null sink reaches their capture devices.
    const bool voices = wholeScript;
    if (voices) {
      ASSERT_NE(std::getenv("PULSE_SERVER"), nullptr) << "run under tests/audio/with-pulse-null-sink.sh";
    }
    std::vector<Chief> chiefs;
    for (const Joining &joining :
         {Joining{"captain", SMALL_CAPTAIN_BUTTON, CAPTAIN}, Joining{"medic", SMALL_MEDIC_BUTTON, MEDIC},
          Joining{"fireman", SMALL_FIREMAN_BUTTON, FIREMAN}}) {
      const bool talks = voices && (joining.role == CAPTAIN || joining.role == MEDIC);
      Station &station =
          addStation(joining.name, talks ? Station::Sound::PULSE : Station::Sound::NULL_DEVICE);
      ASSERT_TRUE(turnKeyRepeatOff(station.displayName()));
      const auto window = boot(station, joining.roleButton);
      ASSERT_TRUE(window) << station.errors();
      chiefs.push_back({&station, *window, joining.role, {}});
    }
    Chief &captain = chiefs[0];
    Chief &medic = chiefs[1];
    Chief &fireman = chiefs[2];
    refresher = &captain;
    const std::vector<Station *> all = {&facilitator, captain.station, medic.station, fireman.station};
    for (Station *station : all)
      ASSERT_TRUE(waitFor([&] { return readDebrief(station->dir()).chiefs.size() == 3; }, 60s))
          << station->dir();

    use(facilitator);
    clickAt(*facilitatorWindow, SMALL_START_CONNECTION_BUTTON);
    for (Station *station : all)
      ASSERT_TRUE(waitFor([&] { return readDebrief(station->dir()).phase == "running"; }, 30s))
          << station->dir();
    if (!wholeScript) {
      EXPECT_EQ(logCount(facilitator, "Simulated packet loss on the link to "), 3u);
    }
    const Debrief opening = readDebrief(facilitator.dir());
    ASSERT_EQ(opening.objects.size(), 18u);
    EXPECT_EQ(opening.supplies.at("medkits"), 100);

    // The facilitator: a passenger and a fire at two marked points, and a
    // delivery of medical kits (the preselected kind).
    use(facilitator);
    alignCursor(*facilitatorWindow);
    moveTo(*facilitatorWindow, PASSENGER_MARK);
    shell("xdotool click 2");
    std::this_thread::sleep_for(500ms);
    clickAt(*facilitatorWindow, ADD_PASSENGER_BUTTON);
    moveTo(*facilitatorWindow, FIRE_MARK);
    shell("xdotool click 2");
    std::this_thread::sleep_for(500ms);
    clickAt(*facilitatorWindow, CREATE_FIRE_BUTTON);
    clickAt(*facilitatorWindow, SEND_SUPPLIES_BUTTON);

    // The medic: to a passenger in the mess with no fire in sight (software GL
    // slows down a lot with a fire on the screen), two treatments by hand, then
    // a medical crew to another passenger.
    const std::string treated = nearestObject(opening, "passenger", -210, -260);
    const std::string crewPassenger = nearestObject(opening, "passenger", -215, -185);
    ASSERT_TRUE(learnBearing(medic)) << "the medic could not walk";
    approach(medic, -210, -260, 90);
    const auto treatAt = pointAt(medic, treated);
    ASSERT_TRUE(treatAt) << "the medic cannot point at " << treated;
    for (int treatment = 0; treatment < 2; ++treatment) {
      const std::size_t before = logCount(*medic.station, "Medic interact on passenger");
      ASSERT_TRUE(holdAction(
          medic, [&] { return logCount(*medic.station, "Medic interact on passenger") > before; }, 420s))
          << "treatment " << treatment + 1 << " did not finish";
    }
    refreshRecords();
    EXPECT_TRUE(
        waitFor([&] { return readDebrief(medic.station->dir()).objects[treated].state == "Idle"; }, 10s))
        << treated << " is " << readDebrief(medic.station->dir()).objects[treated].state;
    turnTowards(medic, -215, -185);
    ASSERT_TRUE(pointAt(medic, crewPassenger)) << "the medic cannot point at " << crewPassenger;
    clickAt(medic.window, SEND_CREW_BUTTON);

    std::string crewFire;
    if (wholeScript) {
      // The fireman: the fire at the lounge bulkhead by hand, then a fire
      // crew to the large one he passed on his way.
      const std::string handFire = nearestObject(opening, "fire", -435, 120);
      crewFire = nearestObject(opening, "fire", -410, -5);
      ASSERT_TRUE(learnBearing(fireman)) << "the fireman could not walk";
      approach(fireman, -490, 30, 0);
      ASSERT_TRUE(putOutByHand(fireman, handFire, -435, 120))
          << "the fireman did not put out " << handFire << " in "
          << logCount(*fireman.station, "Fireman interact on fire") << " steps";
      turnTowards(fireman, -410, -5);
      ASSERT_TRUE(pointAt(fireman, crewFire)) << "the fireman cannot point at " << crewFire;
      clickAt(fireman.window, SEND_CREW_BUTTON);

      // The captain: the healed passenger follows him, then walks to a mark.
      ASSERT_TRUE(learnBearing(captain)) << "the captain could not walk";
      approach(captain, -210, -260, 90);
      ASSERT_TRUE(pointAt(captain, treated)) << "the captain cannot point at " << treated;
      clickAt(captain.window, FOLLOW_BUTTON);
      std::this_thread::sleep_for(3s);
      moveTo(captain.window, {320, 400});
      shell("xdotool click 2");
      std::this_thread::sleep_for(500ms);
      clickAt(captain.window, DIRECT_BUTTON);
    }

    // Crews and the directed passenger finish by their own time: then every
    // record tells the same.
    if (wholeScript) {
      EXPECT_TRUE(waitFor(
          [&] {
            refreshRecords();
            return readDebrief(facilitator.dir()).objects[crewFire].state == "out";
          },
          240s))
          << "the fire crew did not put out " << crewFire;
    }
    EXPECT_TRUE(waitFor(
        [&] {
          refreshRecords();
          const std::string state = readDebrief(facilitator.dir()).objects[crewPassenger].state;
          return state == "DeadSitting" || state == "Idle";
        },
        240s))
        << "the medical crew did not treat " << crewPassenger;
    const bool agreed = recordsAgree(all, 120s);
    for (Station *station : all)
      screenshot(*station);
    const Debrief reference = readDebrief(facilitator.dir());
    for (Station *station : all)
      EXPECT_EQ(sharedFacts(readDebrief(station->dir())), sharedFacts(reference)) << station->dir();
    EXPECT_TRUE(agreed);
    EXPECT_EQ(reference.objects.size(), 20u) << "the facilitator's passenger and fire";
    // 100 + 25 delivered, less 5 for each of the medic's two treatments and
    // the crew's one.
    EXPECT_EQ(reference.supplies.at("medkits"), 110);
    EXPECT_EQ(reference.counters.at("passengers"), 9);
    EXPECT_EQ(reference.counters.at("fires"), 7);
    EXPECT_GE(reference.counters.at("healed"), 1);
    EXPECT_EQ(reference.counters.at("rescued"), wholeScript ? 1 : 0);
    EXPECT_EQ(reference.counters.at("extinguished"), wholeScript ? 2 : 0);
    EXPECT_EQ(reference.objects.at(treated).state, "Idle");

    if (!wholeScript)
      return;

    // The captain and then the medic talk: each holds R while speech plays
    // into the capture device. The facilitator and the fireman never talk:
    // what their records tell of it came over the network.
    const fs::path speech = WORK / "speech.wav";
    shell("espeak-ng -v en -s 150 -w " + speech.string() +
          " 'Fire in the engine space. Bring the passengers to the mess room.'");
    ASSERT_TRUE(fs::exists(speech)) << "espeak-ng made no speech";
    for (Chief *talker : {&captain, &medic}) {
      use(*talker->station);
      shell("xdotool keydown r");
      std::this_thread::sleep_for(1s);
      shell("paplay " + speech.string());
      std::this_thread::sleep_for(1s);
      use(*talker->station);
      shell("xdotool keyup r");
      std::this_thread::sleep_for(2s);
    }
    for (Station *station : all) {
      const bool heard = waitFor(
          [&] {
            const std::vector<std::string> actions = readDebrief(station->dir()).timelineActions;
            auto talked = [&](int role) {
              const std::string start = std::to_string(role) + " talk start";
              const std::string stop = std::to_string(role) + " talk stop";
              return std::any_of(actions.begin(), actions.end(),
                                 [&](const std::string &a) { return startsWith(a, start); }) &&
                     std::any_of(actions.begin(), actions.end(),
                                 [&](const std::string &a) { return startsWith(a, stop); });
            };
            return talked(CAPTAIN) && talked(MEDIC);
          },
          30s);
      EXPECT_TRUE(heard) << station->dir() << " did not record both chiefs talking";
    }

    // The end: the facilitator ends the exercise, every station rates (the
    // chiefs 80, the facilitator 90), the facilitator's Continue computes the
    // scores, and every station shows the same three.
    use(facilitator);
    clickAt(*facilitatorWindow, END_EXERCISE_BUTTON);
    for (Station *station : all)
      ASSERT_TRUE(station->waitForLog("Rating menu opened", 30s)) << station->dir();
    auto rate = [&](Station &station, unsigned long window, const char *rating) {
      use(station);
      alignCursor(window);
      for (Point box : {CAPTAIN_RATING_BOX, MEDIC_RATING_BOX, FIREMAN_RATING_BOX}) {
        clickAt(window, box);
        shell(std::string("xdotool type --delay 150 ") + rating);
      }
      clickAt(window, CONTINUE_BUTTON);
    };
    for (Chief &chief : chiefs) {
      rate(*chief.station, chief.window, "80");
      EXPECT_TRUE(chief.station->waitForLog("Ratings sent", 30s)) << chief.station->dir();
    }
    rate(facilitator, *facilitatorWindow, "90");
    std::vector<std::string> shown;
    for (Station *station : all) {
      EXPECT_TRUE(station->waitForLog("Scores shown: ", 60s)) << station->dir();
      std::string line;
      for (const std::string &message : station->log())
        if (startsWith(message, "Scores shown: "))
          line = message;
      shown.push_back(line);
      screenshot(*station);
    }
    for (const std::string &line : shown)
      EXPECT_EQ(line, shown.front());
    // Each chief: 0.2 x the two other chiefs' 80, 0.3 x the facilitator's 90,
    // and 30 x its share of the exercise, truncated.
    auto score = [](double share) {
      return std::to_string(static_cast<int>(59 + 30 * std::min(share, 1.0)));
    };
    const auto &counted = reference.counters;
    EXPECT_EQ(shown.front(), "Scores shown: captain " + score(counted.at("rescued") / counted.at("healed")) +
                                 ", medic " + score(counted.at("healed") / counted.at("passengers")) +
                                 ", fireman " + score(counted.at("extinguished") / counted.at("fires")));
    const std::vector<std::string> rated = readDebrief(facilitator.dir()).timelineActions;
    for (const char *ratings :
         {"0 ratings captain 80 medic 80 fireman 80", "1 ratings captain 80 medic 80 fireman 80",
          "2 ratings captain 80 medic 80 fireman 80", "3 ratings captain 90 medic 90 fireman 90"})
      EXPECT_EQ(std::count(rated.begin(), rated.end(), ratings), 1) << ratings;
    for (Station *station : all)
      EXPECT_TRUE(waitFor([&] { return readDebrief(station->dir()).phase == "scores"; }, 30s))
          << station->dir();

    for (Chief &chief : chiefs) {
      use(*chief.station);
      clickAt(chief.window, EXIT_EVALUATION_BUTTON);
      EXPECT_EQ(chief.station->waitForExit(60s), std::optional<int>(0)) << chief.station->dir();
    }
    use(facilitator);
    clickAt(*facilitatorWindow, EXIT_EVALUATION_BUTTON);
    EXPECT_EQ(facilitator.waitForExit(60s), std::optional<int>(0));
    for (Station *station : all) {
      const std::vector<std::string> lines = station->log();
      ASSERT_GE(lines.size(), 2u);
      EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()), CLOSING_LINES) << station->dir();
      EXPECT_EQ(station->errors().find("An exception has occured"), std::string::npos) << station->errors();
    }

    std::cout
        << "exercise script took "
        << std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - began).count()
        << " s\n";
  }
};

// The facilitator's injects, the medic's two treatments by hand and a
// medical crew sent out, with a tenth of the datagrams lost on every link;
// every record agrees.
TEST_F(Exercise, FourStationsPlayTheInjectsAndTheMedicsPartUnderLossAndEveryRecordAgrees) {
  playExercise(Script::INJECTS_AND_MEDIC_ON_A_LOSSY_NETWORK);
}

// The whole script: injects, the three chiefs' parts, two chiefs talking,
// the ratings and the same score screen on every station, and every station
// ending with the closing lines.
TEST_F(Exercise, FourStationsPlayTheWholeScriptedExerciseToTheScoreScreens) {
  playExercise(Script::WHOLE_EXERCISE);
}

} // namespace
