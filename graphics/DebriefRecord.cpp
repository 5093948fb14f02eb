#include "graphics/DebriefRecord.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include <OgreAnimationState.h>

#include "graphics/GraphicsModule.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppCollideCamera.h"
#include "refapp/OgreRefAppNPC.h"
#include "shell/state/ObjectKinds.h"
#include "shell/state/StationState.h"

namespace {

using Clock = std::chrono::steady_clock;

// The counters and supplies as an action left them.
struct Tallies {
  double passengers, rescued, healed, fires, extinguished, medkits, extinguishers;
};

struct TimelineEntry {
  double seconds;
  std::uint32_t role;
  std::string action;
  std::string target;
  Tallies after;
};

struct VoiceStream {
  bool talking = false;
  double lastPacket = 0; // seconds since the station started
};

constexpr double VOICE_QUIET_SECONDS = 1.0;

const Clock::time_point stationStart = Clock::now();
std::vector<TimelineEntry> timeline;
std::array<std::optional<std::array<double, 3>>, ROLE_COUNT> ratingsGiven;
std::optional<std::array<double, 3>> finalScores;
std::array<VoiceStream, ROLE_COUNT> voices;
bool changed = false;
Clock::time_point lastWrite;

double secondsSinceStart() {
  return std::chrono::duration<double>(Clock::now() - stationStart).count();
}

std::string quoted(const std::string &text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\')
      out += '\\';
    if (static_cast<unsigned char>(c) < 0x20) {
      out += ' ';
      continue;
    }
    out += c;
  }
  return out + "\"";
}

// JSON has no NaN or infinity.
std::string number(double value) {
  if (!std::isfinite(value))
    return "null";
  std::ostringstream text;
  text.precision(10);
  text << value;
  return text.str();
}

const char *phaseWord() {
  if (!graphicsModule.mStartRequested)
    return "start dialog";
  if (graphicsModule.mScorePhase)
    return "scores";
  if (graphicsModule.mRatingPhase)
    return "rating";
  return graphicsModule.mWaitingForStart ? "lobby" : "running";
}

const char *kindOf(const std::string &name) {
  if (isPassenger(name))
    return "passenger";
  if (isMedicCrew(name))
    return "medic crew";
  if (isFireCrew(name))
    return "fireman crew";
  return isFire(name) ? "fire" : "object";
}

std::string animationName(Ogre::AnimationState *animation) {
  return animation ? animation->getAnimationName() : "";
}

void writeStation(std::ostream &out) {
  out << "  \"station\": {\"role\": " << clientRole << ", \"roleName\": " << quoted(roleName)
      << ", \"isClient\": " << (isClient ? "true" : "false") << ", \"phase\": " << quoted(phaseWord())
      << ", \"viewedRole\": " << viewedRole << ", \"link\": " << quoted(graphicsModule.mLinkStatus);
  if (graphicsModule.mCamera) {
    const Ogre::Vector3 camera = graphicsModule.mCamera->getPosition();
    out << ", \"camera\": [" << number(camera.x) << ", " << number(camera.y) << ", " << number(camera.z)
        << "]";
  }
  out << "},\n";
}

void writeChiefs(std::ostream &out) {
  out << "  \"chiefs\": [";
  const char *separator = "\n";
  for (const auto &record : clientTable) {
    if (!record)
      continue;
    const auto &p = record->placement;
    const std::string state =
        record->character ? animationName(record->character->getCurrentAnimation()) : "";
    out << separator << "    {\"role\": " << unsigned(record->role) << ", \"name\": " << quoted(record->name)
        << ", \"x\": " << number(p[0]) << ", \"y\": " << number(p[1]) << ", \"z\": " << number(p[2])
        << ", \"yaw\": " << number(p[3]) << ", \"pitch\": " << number(p[4])
        << ", \"state\": " << quoted(state) << "}";
    separator = ",\n";
  }
  out << "\n  ],\n";
}

void writeObjects(std::ostream &out) {
  out << "  \"objects\": [";
  const char *separator = "\n";
  for (const auto &[name, object] : graphicsModule.namedObjects) {
    const Ogre::Vector3 position = object->getPosition();
    std::string state = "burning";
    const auto *npc = dynamic_cast<OgreRefApp::NPC *>(object);
    if (npc)
      state = animationName(npc->getCurrentAnimation());
    else if (position.z <= -99)
      state = "out";
    out << separator << "    {\"name\": " << quoted(name) << ", \"kind\": " << quoted(kindOf(name))
        << ", \"x\": " << number(position.x) << ", \"y\": " << number(position.y)
        << ", \"z\": " << number(position.z) << ", \"state\": " << quoted(state);
    if (npc && isPassenger(name))
      out << ", \"injury\": " << npc->injuryLevel;
    out << "}";
    separator = ",\n";
  }
  out << "\n  ],\n";
}

Tallies currentTallies() {
  return {passengerCount,    rescuedCount, healedCount,       fireCount,
          extinguishedCount, medkitSupply, extinguisherSupply};
}

void writeCounters(std::ostream &out, const Tallies &t) {
  out << "\"counters\": {\"passengers\": " << number(t.passengers) << ", \"rescued\": " << number(t.rescued)
      << ", \"healed\": " << number(t.healed) << ", \"fires\": " << number(t.fires)
      << ", \"extinguished\": " << number(t.extinguished) << "}";
}

void writeSupplies(std::ostream &out, const Tallies &t) {
  out << "\"supplies\": {\"medkits\": " << number(t.medkits)
      << ", \"extinguishers\": " << number(t.extinguishers) << "}";
}

void writeTrio(std::ostream &out, const std::array<double, 3> &values) {
  out << "\"captain\": " << number(values[0]) << ", \"medic\": " << number(values[1])
      << ", \"fireman\": " << number(values[2]);
}

std::string trioText(double captain, double medic, double fireman) {
  return "captain " + number(captain) + " medic " + number(medic) + " fireman " + number(fireman);
}

void writeRatingsAndScores(std::ostream &out) {
  out << "  \"ratings\": [";
  const char *separator = "\n";
  for (std::uint32_t role = 0; role < ROLE_COUNT; ++role) {
    if (!ratingsGiven[role])
      continue;
    out << separator << "    {\"role\": " << role << ", ";
    writeTrio(out, *ratingsGiven[role]);
    out << "}";
    separator = ",\n";
  }
  out << "\n  ],\n  \"scores\": ";
  if (finalScores) {
    out << "{";
    writeTrio(out, *finalScores);
    out << "},\n";
  } else {
    out << "null,\n";
  }
}

void writeTimeline(std::ostream &out) {
  out << "  \"timeline\": [";
  const char *separator = "\n";
  for (const TimelineEntry &entry : timeline) {
    out << separator << "    {\"t\": " << number(entry.seconds) << ", \"role\": " << entry.role
        << ", \"action\": " << quoted(entry.action) << ", \"target\": " << quoted(entry.target) << ", ";
    writeCounters(out, entry.after);
    out << ", ";
    writeSupplies(out, entry.after);
    out << "}";
    separator = ",\n";
  }
  out << "\n  ]\n";
}

void appendEntry(double seconds, std::uint32_t role, const std::string &action, const std::string &target) {
  timeline.push_back({seconds, role, action, target, currentTallies()});
  changed = true;
}

void recordCrewWork(const std::string &crew, const char *work, const std::string &target) {
  appendEntry(secondsSinceStart(), isMedicCrew(crew) ? ROLE_MEDIC : ROLE_FIREMAN, work,
              crew + " on " + target);
}

// Crew work ends by each station's clock, inside the world's frame.
const bool crewWorkRecorded = (OgreRefApp::setCrewWorkListener(&recordCrewWork), true);

} // namespace

void recordAction(std::uint32_t role, const std::string &action, const std::string &target) {
  appendEntry(secondsSinceStart(), role, action, target);
}

void recordRatings(std::uint32_t role, double captain, double medic, double fireman) {
  if (role >= ROLE_COUNT)
    return;
  ratingsGiven[role] = std::array<double, 3>{captain, medic, fireman};
  recordAction(role, "ratings", trioText(captain, medic, fireman));
}

void recordScores(double captain, double medic, double fireman) {
  finalScores = std::array<double, 3>{captain, medic, fireman};
  recordAction(ROLE_FACILITATOR, "scores", trioText(captain, medic, fireman));
}

void noteVoicePacket(std::uint32_t role) {
  if (role >= ROLE_COUNT)
    return;
  VoiceStream &stream = voices[role];
  stream.lastPacket = secondsSinceStart();
  if (stream.talking)
    return;
  stream.talking = true;
  appendEntry(stream.lastPacket, role, "talk start", "");
}

void noteVoiceStop(std::uint32_t role) {
  if (role >= ROLE_COUNT || !voices[role].talking)
    return;
  voices[role].talking = false;
  recordAction(role, "talk stop", "");
}

void closeQuietVoices() {
  const double now = secondsSinceStart();
  for (std::uint32_t role = 0; role < ROLE_COUNT; ++role) {
    VoiceStream &stream = voices[role];
    if (!stream.talking || now - stream.lastPacket < VOICE_QUIET_SECONDS)
      continue;
    stream.talking = false;
    appendEntry(stream.lastPacket, role, "talk stop", "");
  }
}

void markDebriefChanged() {
  changed = true;
}

std::string debriefText() {
  std::ostringstream out;
  out << "{\n";
  writeStation(out);
  writeChiefs(out);
  writeObjects(out);
  const Tallies now = currentTallies();
  out << "  ";
  writeCounters(out, now);
  out << ",\n  ";
  writeSupplies(out, now);
  out << ",\n";
  writeRatingsAndScores(out);
  writeTimeline(out);
  out << "}\n";
  return out.str();
}

void writeDebrief() {
  // Written whole to a side file first, so a reader never sees half a record.
  {
    std::ofstream file("debrief.json.part", std::ios::trunc);
    file << debriefText();
  }
  std::rename("debrief.json.part", "debrief.json");
  changed = false;
  lastWrite = Clock::now();
}

void writeDebriefIfDue() {
  closeQuietVoices();
  if (changed && Clock::now() - lastWrite >= std::chrono::seconds(1))
    writeDebrief();
}
