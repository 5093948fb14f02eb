#include "StagedScene.h"

#include <OGRE/OgreConfigFile.h>

#include "graphics/OpeningScene.h"
#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppFigure.h"
#include "refapp/OgreRefAppNPC.h"

#include <cmath>
#include <sys/stat.h>

namespace preview {

using Ogre::Real;
using Ogre::Vector3;

namespace {

Vector3 vectorOf(double x, double y, double z) {
  return Vector3(static_cast<Real>(x), static_cast<Real>(y), static_cast<Real>(z));
}

} // namespace

std::vector<Person> openingPeople() {
  using opening::InitialObject;
  std::vector<Person> people;
  for (std::size_t i = 0; i < opening::INITIAL_OBJECTS.size(); ++i) {
    const InitialObject &o = opening::INITIAL_OBJECTS[i];
    const Vector3 at = vectorOf(o.x, o.y, o.z);
    const std::string number = std::to_string(i);
    if (o.kind == InitialObject::PASSENGER)
      people.push_back({"passenger" + number, "passenger1.mesh", at, "DeadBack", Shown::Npc});
    else if (o.kind == InitialObject::MEDIC_CREW)
      people.push_back({"CREWilkyardim" + number, "medic_crew.mesh", at, "Idle", Shown::Npc});
    else if (o.kind == InitialObject::FIREMAN_CREW)
      people.push_back({"CREWyangin" + number, "fireman_crew.mesh", at, "Idle", Shown::Npc});
  }
  const char *const chiefs[3][2] = {{"captain", "captain.mesh"}, {"medic", "medic_crew.mesh"},
                                    {"fireman", "fireman_crew.mesh"}};
  for (std::size_t role = 0; role < 3; ++role) {
    const opening::StartPlacement &p = opening::CHIEF_START_PLACEMENTS[role];
    people.push_back({chiefs[role][0], chiefs[role][1], vectorOf(p.x, p.y, p.z), "Idle", Shown::Chief});
  }
  return people;
}

std::vector<FireSpot> openingFires() {
  std::vector<FireSpot> fires;
  for (std::size_t i = 0; i < opening::INITIAL_OBJECTS.size(); ++i) {
    const opening::InitialObject &o = opening::INITIAL_OBJECTS[i];
    if (o.kind == opening::InitialObject::FIRE)
      fires.push_back({"fireparticle" + std::to_string(i), vectorOf(o.x, o.y, o.z), static_cast<Real>(o.size),
                       o.applyArea});
  }
  return fires;
}

Real cloneLift(const Ogre::Entity &entity, const std::string &mesh, const std::string &state, Shown shown) {
  const Vector3 size = entity.getBoundingBox().getSize();
  return shown == Shown::Npc ? OgreRefApp::NPC::cloneHeightFor(state, size)
                             : OgreRefApp::Character::cloneHeightFor(state, mesh, size);
}

Ogre::SceneNode *placePerson(Ogre::SceneManager &scene, const Person &p) {
  Ogre::Entity *entity = scene.createEntity("clone_" + p.name, p.mesh);
  Ogre::SceneNode *object = scene.getRootSceneNode()->createChildSceneNode(p.name, p.position);
  object->setScale(OgreRefApp::FIGURE_SCALE, OgreRefApp::FIGURE_SCALE, OgreRefApp::FIGURE_SCALE);
  object->pitch(Ogre::Degree(90));
  object->yaw(Ogre::Degree(-90));
  if (p.shown == Shown::Chief)
    object->yaw(Ogre::Degree(p.yawDegrees));
  Ogre::SceneNode *clone = object->createChildSceneNode(p.name + "/clone");
  clone->attachObject(entity);
  clone->setPosition(0, cloneLift(*entity, p.mesh, p.state, p.shown), 0);
  Ogre::AnimationState *anim = entity->getAnimationState(p.state);
  anim->setLoop(true);
  anim->setEnabled(true);
  anim->setTimePosition(0);
  return object;
}

Ogre::SceneNode *placeFire(Ogre::SceneManager &scene, const FireSpot &f) {
  Ogre::SceneNode *node = scene.getRootSceneNode()->createChildSceneNode(f.name, f.position);
  node->pitch(Ogre::Degree(90));
  node->yaw(Ogre::Degree(-90));
  if (f.applyArea)
    node->setOrientation(Ogre::Quaternion(Ogre::Degree(0), Vector3::UNIT_Y));
  Ogre::ParticleSystem *ps = scene.createParticleSystem(f.name, "Examples/Smoke");
  ps->setSpeedFactor(0.5f);
  ps->setKeepParticlesInLocalSpace(true);
  Ogre::SceneNode *particles = node->createChildSceneNode();
  particles->attachObject(ps);
  particles->setScale(f.size, f.size, f.size);
  ps->fastForward(25, 0.1f);
  return node;
}

std::vector<std::string> addStageResources(const std::string &stageBin) {
  Ogre::ConfigFile cfg;
  cfg.load(stageBin + "/resources.cfg", "\t:=", true);
  std::vector<std::string> skipped;
  for (const auto &section : cfg.getSettingsBySection())
    for (const auto &setting : section.second) {
      const std::string path = stageBin + "/" + setting.second;
      struct stat st;
      if (stat(path.c_str(), &st) != 0) {
        skipped.push_back(path);
        continue;
      }
      Ogre::ResourceGroupManager::getSingleton().addResourceLocation(path, setting.first, section.first);
    }
  return skipped;
}

} // namespace preview
