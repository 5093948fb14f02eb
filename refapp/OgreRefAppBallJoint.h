#pragma once
// Ball-and-socket joint: both objects keep one common point, the anchor.

#include "refapp/OgreRefAppJoint.h"

namespace OgreRefApp {

class BallJoint : public Joint {
public:
  BallJoint(JointType jtype, ApplicationObject *obj1, ApplicationObject *obj2);
  void setAnchorPosition(const Ogre::Vector3 &point) override;
  void setAxes(const Ogre::Vector3 &axis1, const Ogre::Vector3 &axis2) override;
};

} // namespace OgreRefApp
