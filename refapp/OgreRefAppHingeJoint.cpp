#include "refapp/OgreRefAppHingeJoint.h"

#include "refapp/OgreRefAppWorld.h"

namespace OgreRefApp {

HingeJoint::HingeJoint(JointType jtype, ApplicationObject *obj1, ApplicationObject *obj2) : Joint(jtype) {
  mOdeJoint = dJointCreateHinge(World::getSingleton().getOdeWorld(), nullptr);
  setAttachments(obj1, obj2);
}

void HingeJoint::setAnchorPosition(const Ogre::Vector3 &point) {
  mAnchor = point;
  dJointSetHingeAnchor(mOdeJoint, point.x, point.y, point.z);
}

void HingeJoint::setAxes(const Ogre::Vector3 &axis1, const Ogre::Vector3 &axis2) {
  mAxes = AxisPair(axis1, axis2);
  dJointSetHingeAxis(mOdeJoint, axis1.x, axis1.y, axis1.z);
}

} // namespace OgreRefApp
