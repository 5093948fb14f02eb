#include "refapp/OgreRefAppBallJoint.h"

#include "refapp/OgreRefAppWorld.h"

namespace OgreRefApp {

BallJoint::BallJoint(JointType jtype, ApplicationObject *obj1, ApplicationObject *obj2) : Joint(jtype) {
  mOdeJoint = dJointCreateBall(World::getSingleton().getOdeWorld(), nullptr);
  setAttachments(obj1, obj2);
}

void BallJoint::setAnchorPosition(const Ogre::Vector3 &point) {
  mAnchor = point;
  dJointSetBallAnchor(mOdeJoint, point.x, point.y, point.z);
}

void BallJoint::setAxes(const Ogre::Vector3 &axis1, const Ogre::Vector3 &axis2) {
  // A ball joint has no axes.
  (void)axis1;
  (void)axis2;
}

} // namespace OgreRefApp
