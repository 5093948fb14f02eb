#include "graphics/DebriefRecord.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
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

struct TimelineEntry {
  double seconds;
  std::uint32_t role;
  std::string action;
  std::string target;
};

const Clock::time_point stationStart = Clock::now();
std::vector<TimelineEntry> timeline;
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
    if (auto *npc = dynamic_cast<OgreRefApp::NPC *>(object))
      state = animationName(npc->getCurrentAnimation());
    else if (position.z <= -99)
      state = "out";
    out << separator << "    {\"name\": " << quoted(name) << ", \"kind\": " << quoted(kindOf(name))
        << ", \"x\": " << number(position.x) << ", \"y\": " << number(position.y)
        << ", \"z\": " << number(position.z) << ", \"state\": " << quoted(state) << "}";
    separator = ",\n";
  }
  out << "\n  ],\n";
}

void writeTimeline(std::ostream &out) {
  out << "  \"timeline\": [";
  const char *separator = "\n";
  for (const TimelineEntry &entry : timeline) {
    out << separator << "    {\"t\": " << number(entry.seconds) << ", \"role\": " << entry.role
        << ", \"action\": " << quoted(entry.action) << ", \"target\": " << quoted(entry.target) << "}";
    separator = ",\n";
  }
  out << "\n  ]\n";
}

} // namespace

void recordAction(std::uint32_t role, const std::string &action, const std::string &target) {
  timeline.push_back({secondsSinceStart(), role, action, target});
  changed = true;
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
  out << "  \"counters\": {\"passengers\": " << number(passengerCount)
      << ", \"rescued\": " << number(rescuedCount) << ", \"healed\": " << number(healedCount)
      << ", \"fires\": " << number(fireCount) << ", \"extinguished\": " << number(extinguishedCount)
      << "},\n";
  out << "  \"supplies\": {\"medkits\": " << number(medkitSupply)
      << ", \"extinguishers\": " << number(extinguisherSupply) << "},\n";
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
  if (changed && Clock::now() - lastWrite >= std::chrono::seconds(1))
    writeDebrief();
}
