#pragma once
// Slider joint: the objects move against each other along one axis only.

#include "refapp/OgreRefAppJoint.h"

namespace OgreRefApp {

class SliderJoint : public Joint {
public:
  SliderJoint(JointType jtype, ApplicationObject *obj1, ApplicationObject *obj2);
  void setAnchorPosition(const Ogre::Vector3 &point) override;
  void setAxes(const Ogre::Vector3 &axis1, const Ogre::Vector3 &axis2) override;
};

} // namespace OgreRefApp
