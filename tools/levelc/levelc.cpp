// levelc DESCRIPTION OUTDIR
//
// Compiles the text description of a level (see media/level/ship.txt) into
// OUTDIR/ogretestmap.bsp and writes the textures its faces name into OUTDIR
// as <shader>.tga. Exit code 0 on success, 1 with a message on any error.
#include "BspCompiler.h"
#include "BspFile.h"
#include "LevelDescription.h"
#include "TextureGenerator.h"

#include <fstream>
#include <iostream>

namespace {

bool writeTextures(const levelc::LevelDescription &level, const std::string &outDir, std::string &error) {
  using namespace levelc;
  for (const TextureSpec &t : level.textures) {
    const std::pair<std::string, double> variants[] = {{topShaderName(t.name), kTopBrightness},
                                                       {sideXShaderName(t.name), kSideXBrightness},
                                                       {sideYShaderName(t.name), kSideYBrightness}};
    for (const auto &[name, brightness] : variants)
      if (!writeFile(outDir + "/" + name + ".tga", encodeTga(generateTexture(t, brightness)), error))
        return false;
  }
  return true;
}

int compile(const std::string &descriptionPath, const std::string &outDir) {
  std::ifstream in(descriptionPath);
  if (!in) {
    std::cerr << "levelc: cannot open " << descriptionPath << "\n";
    return 1;
  }
  levelc::ParseResult parsed = levelc::parseLevelDescription(in, descriptionPath);
  if (!parsed.level) {
    std::cerr << "levelc: " << parsed.error << "\n";
    return 1;
  }
  levelc::BspLevel bsp = levelc::compileLevel(*parsed.level);
  std::string error;
  if (!levelc::writeFile(outDir + "/ogretestmap.bsp", levelc::encodeBsp(bsp), error) ||
      !writeTextures(*parsed.level, outDir, error)) {
    std::cerr << "levelc: " << error << "\n";
    return 1;
  }
  std::cout << "levelc: " << bsp.brushes.size() << " brushes, " << bsp.faces.size() << " faces, "
            << bsp.nodes.size() << " nodes, " << bsp.leaves.size() << " leaves, "
            << bsp.lightmaps.size() / (128 * 128 * 3) << " lightmap pages\n";
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::cerr << "usage: levelc DESCRIPTION OUTDIR\n";
    return 1;
  }
  return compile(argv[1], argv[2]);
}
