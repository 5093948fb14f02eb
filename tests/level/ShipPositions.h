// The fixed places the program puts things on the ship's deck: the 18 initial
// objects and the chiefs' start placements. This is the tests' independent
// oracle, written apart from the station's own table (graphics/OpeningScene.h)
// on purpose: the level is checked against it, and the station's scene is
// checked against it, so a slip in either table shows.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace shiptest {

struct Place {
  std::string what;
  std::array<double, 3> at;
};

inline const std::vector<Place> &fires() {
  static const std::vector<Place> list = {{"fire 0", {-350, -5, 5}},   {"fire 1", {-350, 30, 5}},
                                          {"fire 2", {-410, -5, 5}},   {"fire 3", {-435, 120, 5}},
                                          {"fire 8", {-190, -120, 5}}, {"fire 10", {-265, -150, 5}}};
  return list;
}

inline const std::vector<Place> &passengers() {
  static const std::vector<Place> list = {
      {"passenger 4", {-420, 225, 2}},   {"passenger 5", {-465, 250, 2}},  {"passenger 6", {-560, 220, 2}},
      {"passenger 7", {-580, 300, 2}},   {"passenger 9", {-210, -260, 2}}, {"passenger 11", {-102, -280, 2}},
      {"passenger 12", {-275, -130, 2}}, {"passenger 13", {-215, -185, 2}}};
  return list;
}

inline const std::vector<Place> &crew() {
  static const std::vector<Place> list = {{"medic crew 14", {-400, -415, 0}},
                                          {"medic crew 15", {-410, -455, 0}},
                                          {"fire crew 16", {-420, -500, 0}},
                                          {"fire crew 17", {-430, -540, 0}}};
  return list;
}

inline const Place &captainStart() {
  static const Place p{"captain start", {-560, -280, 0.948548}};
  return p;
}
inline const Place &medicStart() {
  static const Place p{"medic start", {-570, -75, 0.948548}};
  return p;
}
inline const Place &firemanStart() {
  static const Place p{"fireman start", {-500, -180, 0.948548}};
  return p;
}
// The camera's start is the level's suggested viewpoint (its player starts),
// which the scene set-up moves the camera to before the first frame; the
// position it is given earlier, (0, 25, -175), lies under the deck and is
// never rendered from.

inline std::vector<Place> everyFixedPlace() {
  std::vector<Place> all;
  for (const auto *list : {&fires(), &passengers(), &crew()})
    all.insert(all.end(), list->begin(), list->end());
  all.push_back(captainStart());
  all.push_back(medicStart());
  all.push_back(firemanStart());
  return all;
}

} // namespace shiptest
