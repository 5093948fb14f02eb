#pragma once
// Hinge joint: the objects turn against each other about one axis through the anchor.

#include "refapp/OgreRefAppJoint.h"

namespace OgreRefApp {

class HingeJoint : public Joint {
public:
  HingeJoint(JointType jtype, ApplicationObject *obj1, ApplicationObject *obj2);
  void setAnchorPosition(const Ogre::Vector3 &point) override;
  void setAxes(const Ogre::Vector3 &axis1, const Ogre::Vector3 &axis2) override;
};

} // namespace OgreRefApp
