#pragma once
// Common declarations of the simulation world: forward declarations, the
// world and joint kinds, and the precondition check every class uses.

#include <OgrePrerequisites.h>
#include <ode/ode.h>

namespace OgreRefApp {

class ApplicationObject;
class Ball;
class Box;
class Character;
class CollideCamera;
class Fire;
class FinitePlane;
class Joint;
class NPC;
class OgreHead;
class World;

using Ogre::Real;
using Ogre::String;

enum WorldType {
  WT_GENERIC = 0, // plain scene: the intersection query reports no level fragments
  WT_BSP = 1      // BSP level: brushes are reported as plane-bounded regions
};

enum JointType { JT_BALL = 0, JT_SLIDER = 1, JT_HINGE = 2, JT_UNIVERSAL = 3, JT_HINGE2 = 4 };

// Receives a failed precondition: the fixed message and the source unit that
// checked it. The default handler writes both to the standard error stream
// and aborts; a handler that returns lets the caller return early instead.
using AssertionHandler = void (*)(const char *message, const char *unit);

// Installs a handler and returns the previous one; null restores the default.
AssertionHandler setAssertionHandler(AssertionHandler handler);

// Checks a precondition of the world layer. Returns the condition so callers
// can skip the operation when a non-aborting handler is installed.
bool checkPrecondition(bool condition, const char *message, const char *unit);

} // namespace OgreRefApp
