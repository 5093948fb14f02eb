#include "refapp/OgreRefAppFigure.h"

#include "refapp/OgreRefAppApplicationObject.h"

#include <OgreAnimationState.h>
#include <OgreEntity.h>
#include <OgreException.h>
#include <OgreMeshManager.h>
#include <OgreResourceGroupManager.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>

namespace OgreRefApp {
namespace {

// The collision box is half the figure in every direction.
constexpr Ogre::Real PROXY_FRACTION = 0.5f;

} // namespace

Ogre::String cloneNameOf(const Ogre::String &name) {
  return "clone_" + name;
}

Ogre::Entity *obtainFigureEntity(Ogre::SceneManager &sceneManager, const Ogre::String &entityName,
                                 const Ogre::String &meshName) {
  try {
    return sceneManager.getEntity(entityName);
  } catch (const Ogre::Exception &) {
    // Not in the scene yet: load the mesh with shadow buffers so that queries
    // can read its vertices, then make the entity.
    Ogre::MeshManager::getSingleton().load(meshName, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME,
                                           Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY,
                                           Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, true, true);
    return sceneManager.createEntity(entityName, meshName);
  }
}

FigureParts buildFigureScene(Ogre::SceneManager &sceneManager, const Ogre::String &name,
                             const Ogre::String &meshName) {
  FigureParts parts;
  parts.entity = obtainFigureEntity(sceneManager, name, meshName);
  parts.cloneEntity = obtainFigureEntity(sceneManager, cloneNameOf(name), meshName);
  parts.entity->setVisible(false);
  parts.cloneEntity->setVisible(true);
  parts.size = parts.entity->getBoundingBox().getSize();

  parts.node = sceneManager.getRootSceneNode()->createChildSceneNode(name);
  // Node names are unique in the scene, so the clone's node takes the
  // clone's name rather than the object's.
  parts.cloneNode = parts.node->createChildSceneNode(cloneNameOf(name));
  parts.node->attachObject(parts.entity);
  parts.cloneNode->attachObject(parts.cloneEntity);
  parts.node->setScale(FIGURE_SCALE, FIGURE_SCALE, FIGURE_SCALE);
  return parts;
}

dGeomID makeFigureProxy(const Ogre::Vector3 &size) {
  return dCreateBox(nullptr, size.x * PROXY_FRACTION, size.z * PROXY_FRACTION, size.y * PROXY_FRACTION);
}

void playFigureAnimation(Ogre::AnimationState *&current, Ogre::Entity &cloneEntity,
                         const Ogre::String &state) {
  Ogre::AnimationState *next = cloneEntity.getAnimationState(state);
  if (current) {
    current->setEnabled(false);
    current->setTimePosition(0);
  }
  current = next;
  current->setTimePosition(0);
  current->setLoop(true);
  current->setEnabled(true);
}

void pointLocalMinusZAlong(Ogre::SceneNode &node, const Ogre::Vector3 &direction) {
  if (direction.isZeroLength())
    return;
  node.setDirection(direction, Ogre::Node::TS_WORLD, Ogre::Vector3::NEGATIVE_UNIT_Z);
}

bool followBodyUpright(dBodyID body, bool reEnableOnInteraction, bool &dynamicsEnabled,
                       Ogre::SceneNode &node) {
  if (reEnableOnInteraction)
    dynamicsEnabled = dBodyIsEnabled(body) != 0;
  if (!dynamicsEnabled)
    return false;
  const dReal *p = dBodyGetPosition(body);
  node.setPosition(static_cast<Ogre::Real>(p[0]), static_cast<Ogre::Real>(p[1]),
                   static_cast<Ogre::Real>(p[2]));
  const Ogre::Quaternion &q = node.getOrientation();
  const dQuaternion upright = {q.w, q.x, q.y, q.z};
  dBodySetQuaternion(body, upright);
  return true;
}

void turnUpright(ApplicationObject &object) {
  object.pitch(Ogre::Degree(90));
  object.yaw(Ogre::Degree(-90));
}

} // namespace OgreRefApp
