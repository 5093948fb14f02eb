#pragma once
// A sphere that bounces: the mesh "sphere.mesh" (radius 100) scaled to the radius.

#include "refapp/OgreRefAppApplicationObject.h"

namespace OgreRefApp {

class Ball : public ApplicationObject {
public:
  Ball(const String &name, Real radius);

protected:
  void setUp(const String &name) override;

  Real mRadius; // level units
};

} // namespace OgreRefApp
