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
  // ODE re-derives the joint frame from both axes at each call; setting
  // the first one parallel to the old second axis would leave it degenerate
  // for a moment, so then the second one goes first.
  dVector3 oldAxis2;
  dJointGetUniversalAxis2(mOdeJoint, oldAxis2);
  const Ogre::Vector3 old(static_cast<Real>(oldAxis2[0]), static_cast<Real>(oldAxis2[1]),
                          static_cast<Real>(oldAxis2[2]));
  if (axis1.crossProduct(old).isZeroLength()) {
    dJointSetUniversalAxis2(mOdeJoint, axis2.x, axis2.y, axis2.z);
    dJointSetUniversalAxis1(mOdeJoint, axis1.x, axis1.y, axis1.z);
  } else {
    dJointSetUniversalAxis1(mOdeJoint, axis1.x, axis1.y, axis1.z);
    dJointSetUniversalAxis2(mOdeJoint, axis2.x, axis2.y, axis2.z);
  }
}

} // namespace OgreRefApp
