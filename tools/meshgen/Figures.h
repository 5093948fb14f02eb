// The four animated figures of the ship: the captain, the medical crew, the
// fire crew and the passengers.
#pragma once

#include <string>

namespace meshgen {

// Reads the figure descriptions (figures.cfg in sourceDir) and writes every
// figure's .mesh and .skeleton into outDir. Throws Ogre::Exception or
// std::runtime_error on a bad description.
void writeFigures(const std::string &sourceDir, const std::string &outDir);

} // namespace meshgen
