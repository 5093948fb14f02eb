#include "refapp/OgreRefAppAINode.h"

namespace OgreRefApp {

const Ogre::Vector3 GRID_DIRECTIONS[GRID_DIRECTION_COUNT] = {
    Ogre::Vector3(1, 0, 0),  Ogre::Vector3(1, 1, 0),   Ogre::Vector3(0, 1, 0),  Ogre::Vector3(-1, 1, 0),
    Ogre::Vector3(-1, 0, 0), Ogre::Vector3(-1, -1, 0), Ogre::Vector3(0, -1, 0), Ogre::Vector3(1, -1, 0)};

AINode::AINode(const Ogre::Vector3 &direction, const Ogre::Vector3 &position, double length, int id)
    : id(id), length(length), direction(direction), position(position) {
  updateEndPoint();
}

void AINode::updateEndPoint() {
  if (direction == Ogre::Vector3::ZERO) {
    endPoint = position;
    return;
  }
  endPoint = position + direction.normalisedCopy() * static_cast<Ogre::Real>(length);
}

} // namespace OgreRefApp
