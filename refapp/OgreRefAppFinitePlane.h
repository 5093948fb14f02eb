#pragma once
// A static rectangle: the prefab plane (200 units a side, facing +Z) scaled to the size.

#include "refapp/OgreRefAppApplicationObject.h"

namespace OgreRefApp {

class FinitePlane : public ApplicationObject {
public:
  FinitePlane(const String &name, Real width, Real height);

protected:
  void setUp(const String &name) override;

  Real mWidth;  // level units
  Real mHeight; // level units
};

} // namespace OgreRefApp
