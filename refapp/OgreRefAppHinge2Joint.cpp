#include "refapp/OgreRefAppHinge2Joint.h"

#include "refapp/OgreRefAppWorld.h"

namespace OgreRefApp {

Hinge2Joint::Hinge2Joint(JointType jtype, ApplicationObject *obj1, ApplicationObject *obj2) : Joint(jtype) {
  mOdeJoint = dJointCreateHinge2(World::getSingleton().getOdeWorld(), nullptr);
  setAttachments(obj1, obj2);
}

void Hinge2Joint::setAnchorPosition(const Ogre::Vector3 &point) {
  mAnchor = point;
  dJointSetHinge2Anchor(mOdeJoint, point.x, point.y, point.z);
}

void Hinge2Joint::setAxes(const Ogre::Vector3 &axis1, const Ogre::Vector3 &axis2) {
  mAxes = AxisPair(axis1, axis2);
  const dReal steering[dSA__MAX] = {axis1.x, axis1.y, axis1.z};
  const dReal wheel[dSA__MAX] = {axis2.x, axis2.y, axis2.z};
  dJointSetHinge2Axes(mOdeJoint, steering, wheel);
}

} // namespace OgreRefApp
