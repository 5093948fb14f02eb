#pragma once
// The scene parts every animated human figure shares, characters and NPCs
// alike: a hidden entity that collides and is picked, a displayed "clone_"
// copy on its own child node, and the half-size box that stands in for the
// body in collisions.

#include <OgrePrerequisites.h>
#include <OgreQuaternion.h>
#include <OgreVector.h>

#include <ode/ode.h>

namespace OgreRefApp {

class ApplicationObject;

// Scale of a figure's object node: the meshes are modelled at 1/0.6 of the
// level's scale.
constexpr float FIGURE_SCALE = 0.6f;

// Density of a figure's body: a light box the size of the mesh.
constexpr float FIGURE_DENSITY = 0.1f;

struct FigureParts {
  Ogre::Entity *entity = nullptr;           // hidden; its user object is the owner
  Ogre::Entity *cloneEntity = nullptr;      // displayed and animated, "clone_" + name
  Ogre::SceneNode *node = nullptr;          // the object's node, scaled 0.6, named after the object
  Ogre::SceneNode *cloneNode = nullptr;     // child of node, named "clone_" + name
  Ogre::Vector3 size = Ogre::Vector3::ZERO; // the hidden entity's bounding-box size, mesh units
};

// Name of the displayed entity and of its node for an object name.
Ogre::String cloneNameOf(const Ogre::String &name);

// Takes the entity of that name if the scene already has one, else loads the
// mesh (static write-only buffers with shadow copies) and creates it.
Ogre::Entity *obtainFigureEntity(Ogre::SceneManager &sceneManager, const Ogre::String &entityName,
                                 const Ogre::String &meshName);

// Creates both entities and both nodes under the root node, hides the entity
// and shows the clone. The caller binds the entity to its object.
FigureParts buildFigureScene(Ogre::SceneManager &sceneManager, const Ogre::String &name,
                             const Ogre::String &meshName);

// The collision box of a figure: half its size, with the y and z extents
// exchanged (the meshes are Y-up, the level Z-up). Not in any ODE space.
dGeomID makeFigureProxy(const Ogre::Vector3 &size);

// Stops and rewinds the current animation, then makes the clone's animation
// of that name current, rewound, looping and enabled. An unknown name raises
// the engine's exception and leaves the current animation as it was.
void playFigureAnimation(Ogre::AnimationState *&current, Ogre::Entity &cloneEntity,
                         const Ogre::String &state);

// Turns the node in world space so that its local -Z axis points along
// direction; a zero direction leaves it as it is.
void pointLocalMinusZAlong(Ogre::SceneNode &node, const Ogre::Vector3 &direction);

// The dynamics update of an upright figure: refreshes the dynamics flag from
// the body when it may be re-enabled, and while dynamics are on copies the
// body's position to the node and the node's orientation back to the body, so
// contacts never tip the figure. Returns whether the node moved (the caller
// then updates its proxies).
bool followBodyUpright(dBodyID body, bool reEnableOnInteraction, bool &dynamicsEnabled,
                       Ogre::SceneNode &node);

// The figure meshes and the fire effect are Y-up: the scene code's two turns
// (pitch +90, then yaw -90 degrees about the node's own axes) stand them in
// the Z-up level.
void turnUpright(ApplicationObject &object);

// The vector with its z set to 0.
inline Ogre::Vector3 horizontalOf(const Ogre::Vector3 &v) {
  return Ogre::Vector3(v.x, v.y, 0);
}

} // namespace OgreRefApp
