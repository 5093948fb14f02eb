#pragma once
// Base of every simulated thing: one scene node and entity bound to an
// optional ODE body and to a list of ODE collision geometries (the collision
// proxies), notified of contacts by the world's collision pass.

#include <limits>
#include <list>

#include <OgreQuaternion.h>
#include <OgreSceneQuery.h>
#include <OgreVector.h>

#include "refapp/OgreRefAppPrerequisites.h"

namespace Ogre {
class Entity;
class Matrix3;
class MovableObject;
class SceneNode;
} // namespace Ogre

namespace OgreRefApp {

struct FigureParts;

// Friction that never lets a contact slide: the largest double, which is how
// the world has always handed "infinite" friction to ODE.
constexpr double INFINITE_FRICTION = std::numeric_limits<double>::max();

class ApplicationObject {
public:
  // One contact as the receiving object sees it: the normal points the way
  // that object must move to separate; depth in level units.
  struct CollisionInfo {
    Ogre::Vector3 position = Ogre::Vector3::ZERO;
    Ogre::Vector3 normal = Ogre::Vector3::ZERO;
    double penetrationDepth = 0;
  };

  ApplicationObject(const ApplicationObject &) = delete;
  ApplicationObject &operator=(const ApplicationObject &) = delete;
  virtual ~ApplicationObject();

  // The object bound to a movable of the scene (its entity or camera), or
  // null for movables that belong to no simulated object.
  static ApplicationObject *fromMovable(const Ogre::MovableObject *movable);

  virtual void setPosition(Real x, Real y, Real z);
  virtual void setPosition(const Ogre::Vector3 &position);
  virtual void setOrientation(const Ogre::Quaternion &orientation);
  virtual const Ogre::Vector3 &getPosition() const;
  virtual const Ogre::Quaternion &getOrientation() const;

  // Copies the body's state to the node and switches dynamics off once the
  // object has rested for the disable time.
  virtual void _updateFromDynamics();

  virtual bool isCollisionEnabled() const { return mCollisionEnabled; }
  // True while simulated or dormant (re-enabled by ODE when touched).
  virtual bool isDynamicsEnabled() const { return mDynamicsEnabled || mReenableIfInteractedWith; }

  // Squared linear speed, squared angular speed, and seconds of rest.
  virtual void setDynamicsDisableThreshold(Real linearSq, Real angularSq, Real seconds);
  virtual void setCollisionEnabled(bool enabled);
  virtual void setDynamicsEnabled(bool enabled, bool reEnableOnInteraction = false);

  virtual void setBounceParameters(Real restitutionValue, Real velocityThreshold);
  virtual Real getBounceRestitutionValue() const { return static_cast<Real>(mBounceCoeffRestitution); }
  virtual Real getBounceVelocityThreshold() const { return static_cast<Real>(mBounceVelocityThreshold); }
  virtual void setSoftness(Real softness) { mSoftness = softness; }
  virtual Real getSoftness() const { return static_cast<Real>(mSoftness); }
  // POS_INFINITY is stored as INFINITE_FRICTION.
  virtual void setFriction(Real friction);
  virtual double getFriction() const { return mFriction; }

  // Force in the body's frame at a point in the body's frame.
  virtual void addForce(Real fx, Real fy, Real fz, Real px = 0, Real py = 0, Real pz = 0);
  virtual void addForce(const Ogre::Vector3 &force, const Ogre::Vector3 &position = Ogre::Vector3::ZERO);
  // Force in world axes at a point in world coordinates.
  virtual void addForceWorldSpace(Real fx, Real fy, Real fz, Real px = 0, Real py = 0, Real pz = 0);
  virtual void addForceWorldSpace(const Ogre::Vector3 &force,
                                  const Ogre::Vector3 &position = Ogre::Vector3::ZERO);
  virtual void addTorque(Real x, Real y, Real z);
  virtual void addTorque(const Ogre::Vector3 &torque);
  virtual void addTorqueWorldSpace(Real x, Real y, Real z);
  virtual void addTorqueWorldSpace(const Ogre::Vector3 &torque);

  // Contacts with one level fragment; only plane-bounded regions can touch.
  virtual bool testCollide(Ogre::SceneQuery::WorldFragment *fragment);
  // Contacts between every own proxy and every proxy of other; both objects
  // are notified, the other one with the normal negated.
  virtual bool testCollide(ApplicationObject *other);

  virtual void translate(const Ogre::Vector3 &delta); // along the node's own axes
  virtual void translate(Real x, Real y, Real z);
  virtual void translateWorldSpace(const Ogre::Vector3 &delta);
  virtual void translateWorldSpace(Real x, Real y, Real z);
  virtual void roll(const Ogre::Radian &angle);  // about local Z
  virtual void pitch(const Ogre::Radian &angle); // about local X
  virtual void yaw(const Ogre::Radian &angle);   // about local Y
  virtual void rotate(const Ogre::Vector3 &axis, const Ogre::Radian &angle);
  virtual void rotate(const Ogre::Quaternion &q);

  Ogre::SceneNode *getSceneNode() const { return mSceneNode; }
  Ogre::Entity *getEntity() const { return mEntity; }
  dBodyID getOdeBody() const { return mOdeBody; }
  const dMass &getOdeMass() const { return mMass; }
  const std::list<dGeomID> &getCollisionProxies() const { return mCollisionProxies; }

  void setMassSphere(Real density, Real radius);
  void setMassBox(Real density, const Ogre::Vector3 &dimensions,
                  const Ogre::Quaternion &orientation = Ogre::Quaternion::IDENTITY);
  void setMassCappedCylinder(Real density, Real radius, Real length,
                             const Ogre::Quaternion &orientation = Ogre::Quaternion::IDENTITY);
  void setMassExpert(Real mass, const Ogre::Vector3 &centre, const Ogre::Matrix3 &inertia);

  void setLinearVelocity(const Ogre::Vector3 &velocity);
  void setLinearVelocity(Real x, Real y, Real z);
  Ogre::Vector3 getLinearVelocity() const;
  void setAngularVelocity(const Ogre::Vector3 &velocity);
  void setAngularVelocity(Real x, Real y, Real z);
  Ogre::Vector3 getAngularVelocity() const;

protected:
  ApplicationObject() = default;

  // Creates node, entity, body and proxies; each subclass constructor calls it.
  virtual void setUp(const String &name) = 0;
  // Puts every proxy at the node's position and orientation.
  virtual void updateCollisionProxies();
  virtual bool testCollidePlaneBounds(Ogre::SceneQuery::WorldFragment *fragment);
  // Collision-enabled objects answer every query, others none.
  virtual void setEntityQueryFlags();
  virtual void _notifyCollided(Ogre::SceneQuery::WorldFragment *fragment, const CollisionInfo &info);
  virtual void _notifyCollided(ApplicationObject *other, const CollisionInfo &info);

  // Makes the movable map back to this object in the world's queries.
  void bindToMovable(Ogre::MovableObject *movable);
  // The usual scene part of a simple body: a node named name under the root
  // node carrying the entity name made from the mesh, bound to this object.
  void createNodeWithEntity(const String &name, const String &meshName);
  // A body in the world's ODE world whose data points back to this object.
  void createOdeBody();
  // The scene and body of an animated human figure (a chief or an NPC): the
  // hidden and the displayed entity on their nodes, a light box body that
  // neither bounces nor slides, and the figure's collision box. Returns the
  // parts the figure classes keep.
  FigureParts setUpFigure(const String &name, const String &meshName);
  // Stops the body if there is one, whatever the dynamics flags say; for
  // objects that must stay put even while their dynamics are off.
  void haltBody();
  // Switches dynamics off once the body has been slow for the disable time
  // (milliseconds of the root's timer).
  void updateAutoDisable();
  // Fills the contact's surface from one object's parameters (object-level
  // contacts) or from the pair's (object-object contacts).
  void fillContactSurface(dContact &contact, const ApplicationObject *other) const;

  Ogre::SceneNode *mSceneNode = nullptr; // destroyed with this object
  Ogre::Entity *mEntity = nullptr;       // left in the scene
  dBodyID mOdeBody = nullptr;            // owned; null for static objects
  dMass mMass{};
  std::list<dGeomID> mCollisionProxies; // owned

  bool mDynamicsEnabled = false;
  bool mReenableIfInteractedWith = false;
  bool mCollisionEnabled = true;

  double mBounceCoeffRestitution = 0;
  double mBounceVelocityThreshold = 0.1;
  double mSoftness = 0; // added to contacts as soft constraint force mixing
  double mFriction = INFINITE_FRICTION;
  double mLinearVelDisableThreshold = 1.0;  // squared linear speed
  double mAngularVelDisableThreshold = 1.0; // squared angular speed
  double mDisableTime = 3000;               // milliseconds of rest before switching off
  double mDisableTimeEnd = 0;               // timer reading to switch off at; 0 = not counting
};

} // namespace OgreRefApp
