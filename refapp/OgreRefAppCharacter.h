#pragma once
// An animated human figure: a player chief's avatar. A physics body that
// never tips over and is pushed out of whatever it overlaps, only ever
// horizontally; its look is a "clone_" copy of the entity that plays the
// animation of the current state.

#include <OgreString.h>
#include <OgreVector.h>

#include "refapp/OgreRefAppApplicationObject.h"

namespace Ogre {
class AnimationState;
}

namespace OgreRefApp {

// State words; each is also an animation name of every figure mesh.
extern const char *const STATE_IDLE;          // "Idle": standing
extern const char *const STATE_WALK;          // "Walk"
extern const char *const STATE_DEAD;          // "Dead"; also the substring of every dead pose
extern const char *const STATE_DEAD_BACK;     // "DeadBack": lying on the back
extern const char *const STATE_DEAD_SITTING;  // "DeadSitting": seated, collapsed
extern const char *const STATE_DEAD_STOMACH;  // "DeadStomach": lying on the stomach
extern const char *const STATE_CROUCH;        // "Crouch": substring of the crouched states
extern const char *const STATE_MEDKIT_CROUCH; // "Medkit_Crouch_Shoot1": treating a passenger
extern const char *const STATE_FIRE_SHOOT;    // "Fire_Shoot2": extinguishing a fire

// True if the state word names a dead pose (contains "Dead").
bool isDeadState(const Ogre::String &state);

class Character : public ApplicationObject {
public:
  // meshName: "captain.mesh", "medic_crew.mesh", "fireman_crew.mesh" or
  // "passenger1.mesh". Builds the figure through setUp.
  Character(const String &name, const String &meshName);
  ~Character() override;

  // Raises the clone to the state's height and plays the animation of that
  // name from its start, looping; setting the same state again rewinds it.
  // An unknown name raises the engine's exception.
  void setState(const String &state);

  // As the base, except that the body never turns the node: the figure stays
  // upright whatever the contacts do to the body.
  void _updateFromDynamics() override;

  const String &getMeshName() const { return mMeshName; }
  Ogre::Entity *getCloneEntity() const { return mCloneEntity; }
  Ogre::SceneNode *getCloneNode() const { return mCloneNode; }
  // Null until the first setState.
  Ogre::AnimationState *getCurrentAnimation() const { return mCurrentAnimation; }
  // The hidden entity's bounding-box size, mesh units (before the node's 0.6 scale).
  const Ogre::Vector3 &getSize() const { return mSize; }

  // Height of the clone above the object node, in the node's units, for a
  // state on a mesh: 0 for dead poses, else the truncated figure height
  // (crouched or standing) plus a per-mesh lift.
  static Ogre::Real cloneHeightFor(const String &state, const String &meshName, const Ogre::Vector3 &size);

protected:
  void setUp(const String &name) override;
  // Both push the figure out horizontally; touching another object wakes the
  // body, touching the level lets it doze until touched again.
  void _notifyCollided(Ogre::SceneQuery::WorldFragment *fragment, const CollisionInfo &info) override;
  void _notifyCollided(ApplicationObject *other, const CollisionInfo &info) override;

private:
  void pushOutHorizontally(const CollisionInfo &info);
  void zeroVelocities();

  String mMeshName;
  Ogre::Entity *mCloneEntity = nullptr;  // displayed; stays in the scene after this object
  Ogre::SceneNode *mCloneNode = nullptr; // child of the object's node; stays in the scene
  Ogre::AnimationState *mCurrentAnimation = nullptr;
  Ogre::Vector3 mSize = Ogre::Vector3::ZERO;
};

} // namespace OgreRefApp
