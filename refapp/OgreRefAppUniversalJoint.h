#pragma once
// Universal joint: two perpendicular hinge axes through the anchor.

#include "refapp/OgreRefAppJoint.h"

namespace OgreRefApp {

class UniversalJoint : public Joint {
public:
  UniversalJoint(JointType jtype, ApplicationObject *obj1, ApplicationObject *obj2);
  void setAnchorPosition(const Ogre::Vector3 &point) override;
  void setAxes(const Ogre::Vector3 &axis1, const Ogre::Vector3 &axis2) override;
};

} // namespace OgreRefApp
