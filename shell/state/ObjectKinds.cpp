#include "shell/state/ObjectKinds.h"

const char *const PASSENGER_PREFIX = "passenger";
const char *const MEDIC_CREW_PREFIX = "CREWilkyardim";
const char *const FIRE_CREW_PREFIX = "CREWyangin";
const char *const FIRE_PREFIX = "fireparticle";
const char *const CREW_MARK = "CREW";

namespace {

bool contains(const std::string &name, const char *part) {
  return name.find(part) != std::string::npos;
}

} // namespace

bool isPassenger(const std::string &name) {
  return contains(name, PASSENGER_PREFIX);
}

bool isCrew(const std::string &name) {
  return contains(name, CREW_MARK);
}

bool isMedicCrew(const std::string &name) {
  return contains(name, MEDIC_CREW_PREFIX);
}

bool isFireCrew(const std::string &name) {
  return contains(name, FIRE_CREW_PREFIX);
}

bool isFire(const std::string &name) {
  return contains(name, FIRE_PREFIX);
}

bool isNpc(const std::string &name) {
  return isPassenger(name) || isCrew(name);
}
