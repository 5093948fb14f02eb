#include "refapp/OgreRefAppSliderJoint.h"

#include "refapp/OgreRefAppWorld.h"

namespace OgreRefApp {

SliderJoint::SliderJoint(JointType jtype, ApplicationObject *obj1, ApplicationObject *obj2) : Joint(jtype) {
  mOdeJoint = dJointCreateSlider(World::getSingleton().getOdeWorld(), nullptr);
  setAttachments(obj1, obj2);
}

void SliderJoint::setAnchorPosition(const Ogre::Vector3 &point) {
  // A slider has no anchor.
  (void)point;
}

void SliderJoint::setAxes(const Ogre::Vector3 &axis1, const Ogre::Vector3 &axis2) {
  mAxes = AxisPair(axis1, axis2);
  dJointSetSliderAxis(mOdeJoint, axis1.x, axis1.y, axis1.z);
}

} // namespace OgreRefApp
