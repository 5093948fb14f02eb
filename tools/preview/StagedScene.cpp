#include "StagedScene.h"

#include <OGRE/OgreConfigFile.h>

#include <cmath>
#include <sys/stat.h>

namespace preview {

using Ogre::Real;
using Ogre::Vector3;

std::vector<Person> openingPeople() {
  const Real chiefZ = 0.948548f;
  return {
      {"passenger4", "passenger1.mesh", Vector3(-420, 225, 2), "DeadBack", Shown::Npc},
      {"passenger5", "passenger1.mesh", Vector3(-465, 250, 2), "DeadBack", Shown::Npc},
      {"passenger6", "passenger1.mesh", Vector3(-560, 220, 2), "DeadBack", Shown::Npc},
      {"passenger7", "passenger1.mesh", Vector3(-580, 300, 2), "DeadBack", Shown::Npc},
      {"passenger9", "passenger1.mesh", Vector3(-210, -260, 2), "DeadBack", Shown::Npc},
      {"passenger11", "passenger1.mesh", Vector3(-102, -280, 2), "DeadBack", Shown::Npc},
      {"passenger12", "passenger1.mesh", Vector3(-275, -130, 2), "DeadBack", Shown::Npc},
      {"passenger13", "passenger1.mesh", Vector3(-215, -185, 2), "DeadBack", Shown::Npc},
      {"CREWilkyardim14", "medic_crew.mesh", Vector3(-400, -415, 0), "Idle", Shown::Npc},
      {"CREWilkyardim15", "medic_crew.mesh", Vector3(-410, -455, 0), "Idle", Shown::Npc},
      {"CREWyangin16", "fireman_crew.mesh", Vector3(-420, -500, 0), "Idle", Shown::Npc},
      {"CREWyangin17", "fireman_crew.mesh", Vector3(-430, -540, 0), "Idle", Shown::Npc},
      {"captain", "captain.mesh", Vector3(-560, -280, chiefZ), "Idle", Shown::Chief},
      {"medic", "medic_crew.mesh", Vector3(-570, -75, chiefZ), "Idle", Shown::Chief},
      {"fireman", "fireman_crew.mesh", Vector3(-500, -180, chiefZ), "Idle", Shown::Chief},
  };
}

std::vector<FireSpot> openingFires() {
  return {
      {"fireparticle0", Vector3(-350, -5, 5), 0.5f, false},
      {"fireparticle1", Vector3(-350, 30, 5), 0.5f, false},
      {"fireparticle2", Vector3(-410, -5, 5), 0.9f, true},
      {"fireparticle3", Vector3(-435, 120, 5), 0.5f, false},
      {"fireparticle8", Vector3(-190, -120, 5), 0.5f, false},
      {"fireparticle10", Vector3(-265, -150, 5), 0.5f, false},
  };
}

Real cloneLift(const Ogre::Entity &entity, const std::string &mesh, const std::string &state, Shown shown) {
  if (state.find("Dead") != std::string::npos)
    return 0;
  const Vector3 size = entity.getBoundingBox().getSize();
  if (shown == Shown::Npc)
    return size.z + 12;
  const Real h = state.find("Crouch") != std::string::npos ? size.z * 0.5f + 10 : size.z + 20;
  const int k =
      mesh.find("captain") != std::string::npos ? 6 : (mesh.find("elvis") != std::string::npos ? 8 : 2);
  return Real(int(h) + k);
}

Ogre::SceneNode *placePerson(Ogre::SceneManager &scene, const Person &p) {
  Ogre::Entity *entity = scene.createEntity("clone_" + p.name, p.mesh);
  Ogre::SceneNode *object = scene.getRootSceneNode()->createChildSceneNode(p.name, p.position);
  object->setScale(0.6f, 0.6f, 0.6f);
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
