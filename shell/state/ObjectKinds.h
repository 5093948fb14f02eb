#pragma once
// What kind of scene object a name stands for. Names are a kind's prefix and
// a running number; characters' visible entities add "clone_" in front, so
// every test looks for the prefix anywhere in the name.

#include <string>

extern const char *const PASSENGER_PREFIX;  // "passenger"
extern const char *const MEDIC_CREW_PREFIX; // "CREWilkyardim"
extern const char *const FIRE_CREW_PREFIX;  // "CREWyangin"
extern const char *const FIRE_PREFIX;       // "fireparticle"
extern const char *const CREW_MARK;         // "CREW", common to both crews

bool isPassenger(const std::string &name);
bool isCrew(const std::string &name);
bool isMedicCrew(const std::string &name);
bool isFireCrew(const std::string &name);
bool isFire(const std::string &name);
// Passengers and crew members: the objects that are NPCs.
bool isNpc(const std::string &name);
