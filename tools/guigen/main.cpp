// guigen: draws the GUI pictures from their text descriptions and writes
// them as baseline JPEG files, one "<name>.jpg" per "<name>.pic".
//   guigen <output directory> <picture.pic>...
// The JPEG encoding is OGRE's image codec backed by FreeImage; the tool opens
// no window and needs no render system.
#include "picture.h"

#include <OGRE/OgreImage.h>
#include <OGRE/OgreLogManager.h>
#include <OGRE/OgreRoot.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#ifndef SW_OGRE_PLUGIN_DIR
#error "SW_OGRE_PLUGIN_DIR must name the directory of OGRE's plug-ins"
#endif

namespace fs = std::filesystem;

namespace {

bool readFile(const fs::path &path, std::string &text) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return true;
}

// OGRE needs a root for its codec plug-ins; its log stays in memory.
std::unique_ptr<Ogre::Root> startOgreCodecs(Ogre::LogManager &logs) {
  logs.createLog("guigen.log", true, false, true);
  auto root = std::make_unique<Ogre::Root>("", "", "");
  root->loadPlugin(std::string(SW_OGRE_PLUGIN_DIR) + "/Codec_FreeImage");
  return root;
}

void writeJpeg(const guigen::RgbImage &image, const fs::path &path) {
  Ogre::Image ogreImage;
  // The pixels stay owned by `image`; OGRE only reads them while saving.
  ogreImage.loadDynamicImage(const_cast<Ogre::uchar *>(image.rgb.data()), image.width, image.height, 1,
                             Ogre::PF_BYTE_RGB);
  ogreImage.save(path.string());
}

bool generate(const fs::path &source, const fs::path &outputDir) {
  std::string text;
  if (!readFile(source, text)) {
    std::cerr << source.string() << ": cannot read\n";
    return false;
  }
  guigen::ParseResult parsed = guigen::parsePicture(text);
  if (!parsed.ok) {
    std::cerr << source.string() << ": " << parsed.error << "\n";
    return false;
  }
  fs::path target = outputDir / source.filename().replace_extension(".jpg");
  writeJpeg(guigen::rasterise(parsed.picture), target);
  return true;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    std::cerr << "usage: guigen <output directory> <picture.pic>...\n";
    return 2;
  }
  try {
    fs::path outputDir = argv[1];
    fs::create_directories(outputDir);
    Ogre::LogManager logs;
    std::unique_ptr<Ogre::Root> root = startOgreCodecs(logs);
    for (int i = 2; i < argc; ++i)
      if (!generate(argv[i], outputDir))
        return 1;
  } catch (const std::exception &e) {
    std::cerr << "guigen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
