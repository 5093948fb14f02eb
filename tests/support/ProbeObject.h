#pragma once
// A plain simulated object for the world tests: a sphere proxy, an optional
// body and entity, and a record of every notification it receives.

#include <string>
#include <vector>

#include "refapp/OgreRefAppApplicationObject.h"

namespace sw::test {

class ProbeObject : public OgreRefApp::ApplicationObject {
public:
  struct Options {
    double radius = 1; // level units, exactly as ODE gets it
    bool withBody = true;
    bool withEntity = false; // a sphere entity the world's query can find
  };

  struct Notification {
    OgreRefApp::ApplicationObject *other = nullptr; // null for level fragments
    Ogre::SceneQuery::WorldFragment *fragment = nullptr;
    CollisionInfo info;
  };

  ProbeObject(const std::string &name, const Options &options);

  std::vector<Notification> notifications;
  int dynamicsUpdates = 0;

  void _updateFromDynamics() override;
  // The contact surface this object builds alone (other null) or with other.
  dSurfaceParameters surfaceWith(const ApplicationObject *other) const;
  dGeomID proxy() const { return mCollisionProxies.front(); }
  double disableTimeEnd() const { return mDisableTimeEnd; }
  bool rawDynamicsFlag() const { return mDynamicsEnabled; }

protected:
  void setUp(const std::string &name) override;
  void _notifyCollided(Ogre::SceneQuery::WorldFragment *fragment, const CollisionInfo &info) override;
  void _notifyCollided(OgreRefApp::ApplicationObject *other, const CollisionInfo &info) override;

private:
  Options mOptions;
};

// A level fragment bounded by the given planes, as the BSP query reports one.
struct SyntheticFragment {
  std::vector<Ogre::Plane> planes;
  Ogre::SceneQuery::WorldFragment fragment{};
  SyntheticFragment() {
    fragment.fragmentType = Ogre::SceneQuery::WFT_PLANE_BOUNDED_REGION;
    fragment.planes = &planes;
  }
  SyntheticFragment(const SyntheticFragment &) = delete;
};

// An axis-aligned brush from min to max, planes facing outwards, in the order
// +X, -X, +Y, -Y, +Z (top), -Z (bottom).
void makeBoxBrush(SyntheticFragment &brush, const Ogre::Vector3 &min, const Ogre::Vector3 &max);

// Records failed preconditions instead of aborting while alive.
class RecordedAssertions {
public:
  RecordedAssertions();
  ~RecordedAssertions();
  struct Failure {
    std::string message;
    std::string unit;
  };
  static std::vector<Failure> failures;

private:
  OgreRefApp::AssertionHandler mPrevious;
};

} // namespace sw::test
