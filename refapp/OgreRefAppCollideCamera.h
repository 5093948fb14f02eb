#pragma once
// The player's viewpoint as a simulated body: an engine camera on the
// object's node, with a collision sphere of radius 15 that keeps the viewer
// out of walls and lets it climb steps of up to 10 units.

#include <OgreCamera.h>

#include "refapp/OgreRefAppApplicationObject.h"

namespace OgreRefApp {

class CollideCamera : public ApplicationObject {
public:
  explicit CollideCamera(const String &name);
  ~CollideCamera() override;

  Ogre::Camera *getCamera() const { return mCamera; }

  // Gives the camera its collision sphere (radius 15).
  void createCollisionProxy();
  // Deletes the collision sphere again (the facilitator's camera flies
  // through walls).
  void destroyCollisionProxies();
  // Deletes the ODE body; the camera then never moves by dynamics again.
  void disableOdeBody();

  void setNearClipDistance(Real nearDist);
  Real getNearClipDistance() const { return mCamera->getNearClipDistance(); }
  void setFarClipDistance(Real farDist) { mCamera->setFarClipDistance(farDist); }
  Real getFarClipDistance() const { return mCamera->getFarClipDistance(); }
  void setFOVy(const Ogre::Radian &fovy);
  const Ogre::Radian &getFOVy() const { return mCamera->getFOVy(); }
  void setAspectRatio(Real ratio) { mCamera->setAspectRatio(ratio); }
  Real getAspectRatio() const { return mCamera->getAspectRatio(); }
  void setProjectionType(Ogre::ProjectionType pt) { mCamera->setProjectionType(pt); }
  Ogre::ProjectionType getProjectionType() const { return mCamera->getProjectionType(); }
  void setPolygonMode(Ogre::PolygonMode sd) { mCamera->setPolygonMode(sd); }
  Ogre::PolygonMode getPolygonMode() const { return mCamera->getPolygonMode(); }
  const Ogre::Plane &getFrustumPlane(unsigned short plane) const { return mCamera->getFrustumPlane(plane); }
  bool isVisible(const Ogre::AxisAlignedBox &bound, Ogre::FrustumPlane *culledBy = nullptr) const {
    return mCamera->isVisible(bound, culledBy);
  }
  bool isVisible(const Ogre::Sphere &bound, Ogre::FrustumPlane *culledBy = nullptr) const {
    return mCamera->isVisible(bound, culledBy);
  }
  bool isVisible(const Ogre::Vector3 &vert, Ogre::FrustumPlane *culledBy = nullptr) const {
    return mCamera->isVisible(vert, culledBy);
  }

  // The viewing direction and the camera's turns are the camera's own: the
  // body's node keeps its orientation, so collisions never tilt the view.
  void setDirection(Real x, Real y, Real z);
  void setDirection(const Ogre::Vector3 &direction);
  Ogre::Vector3 getDirection() const;
  void lookAt(const Ogre::Vector3 &target);
  void lookAt(Real x, Real y, Real z);
  void setFixedYawAxis(bool useFixed, const Ogre::Vector3 &fixedAxis = Ogre::Vector3::UNIT_Y);

  void setOrientation(const Ogre::Quaternion &orientation) override;
  const Ogre::Quaternion &getOrientation() const override;
  void roll(const Ogre::Radian &angle) override;
  void pitch(const Ogre::Radian &angle) override;
  void yaw(const Ogre::Radian &angle) override;
  void rotate(const Ogre::Vector3 &axis, const Ogre::Radian &angle) override;
  void rotate(const Ogre::Quaternion &q) override;
  // Moves along the camera's own axes.
  void translate(const Ogre::Vector3 &delta) override;
  using ApplicationObject::translate;

  void _updateFromDynamics() override;

protected:
  void setUp(const String &name) override;
  void nearDistChanged();
  void _notifyCollided(Ogre::SceneQuery::WorldFragment *fragment, const CollisionInfo &info) override;
  void _notifyCollided(ApplicationObject *other, const CollisionInfo &info) override;

private:
  Ogre::Camera *mCamera = nullptr;               // on the object's node, left in the scene
  Ogre::RaySceneQuery *mRaySceneQuery = nullptr; // owned
};

} // namespace OgreRefApp
