#pragma once
// The scene every station starts with: the 18 initial objects, created in
// this order on every station so that their names agree, and the chiefs'
// start placements, which the server gives each joining chief. Plain data, so
// that the station, its benchmarks, the figure tests and the preview tool all
// read the one table. Level units; the deck is Z-up at height 0.

#include <array>

namespace opening {

struct InitialObject {
  enum Kind { FIRE, PASSENGER, MEDIC_CREW, FIREMAN_CREW } kind;
  double x, y, z;
  double size;    // fires only: the effect's scale
  bool applyArea; // fires only: re-shape the collision box from the effect
};

inline constexpr std::array<InitialObject, 18> INITIAL_OBJECTS = {{
    {InitialObject::FIRE, -350, -5, 5, 0.5, false},
    {InitialObject::FIRE, -350, 30, 5, 0.5, false},
    {InitialObject::FIRE, -410, -5, 5, 0.9, true},
    {InitialObject::FIRE, -435, 120, 5, 0.5, false},
    {InitialObject::PASSENGER, -420, 225, 2, 0, false},
    {InitialObject::PASSENGER, -465, 250, 2, 0, false},
    {InitialObject::PASSENGER, -560, 220, 2, 0, false},
    {InitialObject::PASSENGER, -580, 300, 2, 0, false},
    {InitialObject::FIRE, -190, -120, 5, 0.5, false},
    {InitialObject::PASSENGER, -210, -260, 2, 0, false},
    {InitialObject::FIRE, -265, -150, 5, 0.5, false},
    {InitialObject::PASSENGER, -102, -280, 2, 0, false},
    {InitialObject::PASSENGER, -275, -130, 2, 0, false},
    {InitialObject::PASSENGER, -215, -185, 2, 0, false},
    {InitialObject::MEDIC_CREW, -400, -415, 0, 0, false},
    {InitialObject::MEDIC_CREW, -410, -455, 0, 0, false},
    {InitialObject::FIREMAN_CREW, -420, -500, 0, 0, false},
    {InitialObject::FIREMAN_CREW, -430, -540, 0, 0, false},
}};

struct StartPlacement {
  double x, y, z;
};

// Indexed by chief role code 0..2 (captain, medic, fireman); yaw and pitch
// start at 0.
inline constexpr std::array<StartPlacement, 3> CHIEF_START_PLACEMENTS = {{
    {-560.0, -280.0, 0.948548},
    {-570.0, -75.0, 0.948548},
    {-500.0, -180.0, 0.948548},
}};

} // namespace opening
