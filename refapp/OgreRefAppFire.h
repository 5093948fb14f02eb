#pragma once
// A fire burning in the ship: a particle effect for the eye, a hidden box for
// picking, and a box-shaped collision area that shrinks while the fire is put
// out. A fire never moves.

#include "refapp/OgreRefAppApplicationObject.h"

namespace Ogre {
class ParticleSystem;
}

namespace OgreRefApp {

class Fire : public ApplicationObject {
public:
  // size: uniform scale of the particle effect. The factory places the fire
  // after construction.
  Fire(const String &name, const String &templateName, const double &size, const Ogre::Vector3 &position);
  ~Fire() override = default;

  // Multiplies the collision box's three lengths by the factors, the same by
  // which the caller just shrank the fire node. Nothing once collision is off.
  void resizeCollisionArea(Ogre::Vector3 factor);
  // Re-shapes the collision box from the direction of the particle bounds:
  // 150, 250 and 150 units along it. Nothing once collision is off.
  void changeFireCollisionArea();

  Ogre::ParticleSystem *getParticleSystem() const { return mParticleSystem; }
  Ogre::SceneNode *getParticleNode() const { return mParticleNode; }
  Ogre::SceneNode *getCubeNode() const { return mCubeNode; }
  const String &getTemplateName() const { return mTemplateName; }
  double getSize() const { return mSize; }

protected:
  void setUp(const String &name) override;
  void _notifyCollided(Ogre::SceneQuery::WorldFragment *fragment, const CollisionInfo &info) override;
  void _notifyCollided(ApplicationObject *other, const CollisionInfo &info) override;

private:
  // Unit vector of the particle system's bounding-box size.
  Ogre::Vector3 particleBoundsDirection() const;
  void stayPut();

  String mTemplateName;
  Ogre::ParticleSystem *mParticleSystem = nullptr;
  Ogre::SceneNode *mParticleNode = nullptr; // child of the fire node, scaled by the size
  Ogre::SceneNode *mCubeNode = nullptr;     // child of the fire node, carries the hidden box
  double mSize;
};

} // namespace OgreRefApp
