#pragma once
// Hinge-2 joint: a steering axis on the first object and a wheel axis on the second.

#include "refapp/OgreRefAppJoint.h"

namespace OgreRefApp {

class Hinge2Joint : public Joint {
public:
  Hinge2Joint(JointType jtype, ApplicationObject *obj1, ApplicationObject *obj2);
  void setAnchorPosition(const Ogre::Vector3 &point) override;
  void setAxes(const Ogre::Vector3 &axis1, const Ogre::Vector3 &axis2) override;
};

} // namespace OgreRefApp
