#include "refapp/OgreRefAppUniversalJoint.h"

#include "refapp/OgreRefAppWorld.h"

namespace OgreRefApp {

UniversalJoint::UniversalJoint(JointType jtype, ApplicationObject *obj1, ApplicationObject *obj2)
    : Joint(jtype) {
  mOdeJoint = dJointCreateUniversal(World::getSingleton().getOdeWorld(), nullptr);
  setAttachments(obj1, obj2);
}

void UniversalJoint::setAnchorPosition(const Ogre::Vector3 &point) {
  mAnchor = point;
  dJointSetUniversalAnchor(mOdeJoint, point.x, point.y, point.z);
}

void UniversalJoint::setAxes(const Ogre::Vector3 &axis1, const Ogre::Vector3 &axis2) {
  mAxes = AxisPair(axis1, axis2);
  dJointSetUniversalAxis1(mOdeJoint, axis1.x, axis1.y, axis1.z);
  dJointSetUniversalAxis2(mOdeJoint, axis2.x, axis2.y, axis2.z);
}

} // namespace OgreRefApp
