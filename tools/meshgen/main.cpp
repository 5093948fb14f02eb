// meshgen: writes the ship's meshes, skeletons and generated textures.
//
//   meshgen <figure sources> <figures out> <props out> <effects out>
//
// Runs OGRE headless: a root without a render system and a hardware buffer
// manager that keeps buffers in memory are all the serializers need.
#include "Figures.h"
#include "Props.h"

#include <OGRE/Ogre.h>
#include <OGRE/OgreDefaultHardwareBufferManager.h>

#include <iostream>
#include <memory>

int main(int argc, char **argv) {
  if (argc != 5) {
    std::cerr << "usage: meshgen <figure sources> <figures out> <props out> <effects out>\n";
    return 2;
  }
  try {
    auto *logs = new Ogre::LogManager();
    logs->createLog("meshgen.log", true, false, true);
    Ogre::Root root("", "", "");
    Ogre::DefaultHardwareBufferManager buffers;
    meshgen::writeFigures(argv[1], argv[2]);
    meshgen::writeProps(argv[3]);
    meshgen::writeEffectTextures(argv[4]);
  } catch (const std::exception &e) {
    std::cerr << "meshgen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
