// Builds the ship's opening scene from the stage the way a station sets it
// up: the level (or a flat deck while there is none), the light, the fires,
// the passengers and the crews, each on an object node turned and scaled as
// the station's scene code does, with its animated "clone_" entity offset
// by its state.
#pragma once

#include <OGRE/Ogre.h>

#include <string>
#include <vector>

namespace preview {

// Who shows a figure: the station's NPC class or its player Character class
// place the animated entity at different heights above the object.
enum class Shown { Npc, Chief };

struct Person {
  std::string name;
  std::string mesh;
  Ogre::Vector3 position;
  std::string state;
  Shown shown;
  Ogre::Real yawDegrees = 0; // chiefs only: the placement's yaw
};

struct FireSpot {
  std::string name;
  Ogre::Vector3 position;
  Ogre::Real size;
  bool applyArea;
};

// The initial objects and the chiefs' start placements.
std::vector<Person> openingPeople();
std::vector<FireSpot> openingFires();

// Object node (scale 0.6, pitch +90 then yaw -90, then the chief's yaw) and
// the clone node below it, positioned for the state. Returns the object node.
Ogre::SceneNode *placePerson(Ogre::SceneManager &scene, const Person &p);
// The clone node height (in the object node's units) for a state.
Ogre::Real cloneLift(const Ogre::Entity &entity, const std::string &mesh, const std::string &state,
                     Shown shown);

// Fire node turned like the people (identity orientation when applyArea),
// particle node scaled by size, particles in local space at half speed,
// fast-forwarded so the fire burns from the first frame.
Ogre::SceneNode *placeFire(Ogre::SceneManager &scene, const FireSpot &f);

// Adds every location of the stage's resources.cfg (relative to stageBin),
// skipping folders that do not exist yet. Returns the skipped ones.
std::vector<std::string> addStageResources(const std::string &stageBin);

} // namespace preview
