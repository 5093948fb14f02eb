#include "refapp/OgreRefAppJoint.h"

#include "refapp/OgreRefAppApplicationObject.h"

namespace OgreRefApp {
namespace {

const char *const UNIT = "OgreRefAppJoint";
const char *const NO_BODIES = "Cannot attach objects which do not have ODE bodies.";

bool canBeAttached(const ApplicationObject *object) {
  return !object || (object->isDynamicsEnabled() && object->getOdeBody());
}

dBodyID bodyOf(const ApplicationObject *object) {
  return object ? object->getOdeBody() : nullptr;
}

} // namespace

Joint::~Joint() {
  if (mOdeJoint)
    dJointDestroy(mOdeJoint);
}

void Joint::setAttachments(ApplicationObject *obj1, ApplicationObject *obj2) {
  if (!checkPrecondition(canBeAttached(obj1) && canBeAttached(obj2), NO_BODIES, UNIT))
    return;
  mAttachedObjects = AttachmentPair(obj1, obj2);
  dJointAttach(mOdeJoint, bodyOf(obj1), bodyOf(obj2));
}

} // namespace OgreRefApp
