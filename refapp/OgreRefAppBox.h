#pragma once
// A solid box: the mesh "cube.mesh" (100 units a side) scaled to the dimensions.

#include "refapp/OgreRefAppApplicationObject.h"

namespace OgreRefApp {

class Box : public ApplicationObject {
public:
  Box(const String &name, Real width, Real height, Real depth);

protected:
  void setUp(const String &name) override;

  Ogre::Vector3 mDimensions; // width, height, depth in level units
};

} // namespace OgreRefApp
