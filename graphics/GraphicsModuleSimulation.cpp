// One frame of the simulation, the same in the station and in the benchmarks.
#include "graphics/GraphicsModule.h"

#include <OgreAnimationState.h>
#include <OgreFrameListener.h>

#include "refapp/OgreRefAppCharacter.h"
#include "refapp/OgreRefAppNPC.h"
#include "refapp/OgreRefAppWorld.h"
#include "shell/state/ObjectKinds.h"

namespace {

// The step the world takes when the frame time is unusable (0, or a stall
// longer than MAX_WORLD_STEP): the single-precision 0.01 s.
constexpr double FALLBACK_WORLD_STEP = 0.01f;
constexpr double MAX_WORLD_STEP = 0.05; // seconds

void advance(Ogre::AnimationState *animation, double seconds) {
  if (animation && animation->getEnabled())
    animation->addTime(static_cast<Ogre::Real>(seconds));
}

} // namespace

void GraphicsModule::simulateFrame(const Ogre::FrameEvent &evt, bool running, Ogre::Real walkStep) {
  if (running)
    stepWorld(evt.timeSinceLastFrame);
  animateFigures(evt.timeSinceLastFrame);
  if (running)
    tickNpcs(evt, walkStep);
}

void GraphicsModule::stepWorld(double frameSeconds) {
  const bool usable = frameSeconds != 0 && frameSeconds <= MAX_WORLD_STEP;
  mWorld->simulationStep(static_cast<Ogre::Real>(usable ? frameSeconds : FALLBACK_WORLD_STEP));
}

void GraphicsModule::animateFigures(double frameSeconds) {
  for (const auto &[name, object] : namedObjects)
    if (isNpc(name))
      advance(static_cast<OgreRefApp::NPC *>(object)->getCurrentAnimation(), frameSeconds);
  for (const auto &record : clientTable)
    if (record && record->character)
      advance(record->character->getCurrentAnimation(), frameSeconds);
}

void GraphicsModule::tickNpcs(const Ogre::FrameEvent &evt, Ogre::Real walkStep) {
  for (const auto &[name, object] : namedObjects) {
    // Fires share the map: only a name of an NPC kind makes the object an NPC.
    if (isPassenger(name))
      static_cast<OgreRefApp::NPC *>(object)->tick(evt, walkStep);
    else if (isCrew(name))
      static_cast<OgreRefApp::NPC *>(object)->crewtick(evt);
  }
}
