#pragma once
// Base of the five joint kinds: one ODE joint between two simulated objects,
// or between one object and the static environment (a null object).

#include <utility>

#include <OgreVector.h>

#include "refapp/OgreRefAppPrerequisites.h"

namespace OgreRefApp {

class Joint {
public:
  using AttachmentPair = std::pair<ApplicationObject *, ApplicationObject *>;
  using AxisPair = std::pair<Ogre::Vector3, Ogre::Vector3>;

  explicit Joint(JointType jtype) : mType(jtype) {}
  Joint(const Joint &) = delete;
  Joint &operator=(const Joint &) = delete;
  // Deletes the ODE joint only; the attached objects stay in the world.
  virtual ~Joint();

  // World coordinates; kinds without an anchor ignore it.
  virtual void setAnchorPosition(const Ogre::Vector3 &point) = 0;
  virtual const Ogre::Vector3 &getAnchorPosition() const { return mAnchor; }
  virtual const AttachmentPair &getAttachments() const { return mAttachedObjects; }
  // World axes; kinds use as many as they have.
  virtual void setAxes(const Ogre::Vector3 &axis1, const Ogre::Vector3 &axis2) = 0;
  virtual const AxisPair &getAxes() const { return mAxes; }

  JointType getType() const { return mType; }
  dJointID getOdeJoint() const { return mOdeJoint; }

protected:
  // Attaches the ODE joint to the objects' bodies; every non-null object must
  // have an ODE body and dynamics on.
  void setAttachments(ApplicationObject *obj1, ApplicationObject *obj2);

  JointType mType;
  Ogre::Vector3 mAnchor = Ogre::Vector3::ZERO;
  AttachmentPair mAttachedObjects{nullptr, nullptr};
  AxisPair mAxes{Ogre::Vector3::UNIT_X, Ogre::Vector3::UNIT_Z};
  dJointID mOdeJoint = nullptr; // owned
};

} // namespace OgreRefApp
