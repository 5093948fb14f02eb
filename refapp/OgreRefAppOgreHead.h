#pragma once
// A bouncing head: the mesh "OgreHead.mesh" on a sphere of radius 25.

#include "refapp/OgreRefAppApplicationObject.h"

namespace OgreRefApp {

class OgreHead : public ApplicationObject {
public:
  explicit OgreHead(const String &name);

protected:
  void setUp(const String &name) override;
};

} // namespace OgreRefApp
