// Static props of the ship and its effects: the crate cube, the ball, the
// ogre head, and the generated textures of the props and of the fire.
#pragma once

#include <string>

namespace meshgen {

// cube.mesh (100 units, centred), sphere.mesh (radius 100), OgreHead.mesh
// (radius about 25) and their textures, written into outDir.
void writeProps(const std::string &outDir);

// The soft puff texture of the fire particles, written into outDir.
void writeEffectTextures(const std::string &outDir);

} // namespace meshgen
