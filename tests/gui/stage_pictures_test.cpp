// The staged pictures: real JPEG files that an image codec decodes into the
// pictures their descriptions in media/gui/pictures/ draw.
#include "picture.h"

#include <OGRE/OgreDataStream.h>
#include <OGRE/OgreImage.h>
#include <OGRE/OgreLogManager.h>
#include <OGRE/OgreRoot.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

const char *const kPictureNames[] = {"captain", "medic", "fireman", "question", "tick"};

std::string readText(const std::string &path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class StagedPictures : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    logs = std::make_unique<Ogre::LogManager>();
    logs->createLog("gui-pictures-test.log", true, false, true);
    root = std::make_unique<Ogre::Root>("", "", "");
    root->loadPlugin(std::string(SW_OGRE_PLUGIN_DIR) + "/Codec_FreeImage");
  }
  static void TearDownTestSuite() {
    root.reset();
    logs.reset();
  }

  // Decodes "../Media/gui/images/<name>.jpg" (relative to stage/bin) as 8-bit RGB.
  static guigen::RgbImage decodeStaged(const std::string &name) {
    std::string path = "../Media/gui/images/" + name + ".jpg";
    auto *file = new std::ifstream(path, std::ios::binary);
    if (!*file) {
      delete file;
      ADD_FAILURE() << "cannot open " << path;
      return {};
    }
    Ogre::DataStreamPtr stream(new Ogre::FileStreamDataStream(path, file, true));
    Ogre::Image image;
    image.load(stream, "jpg");
    guigen::RgbImage out;
    out.width = static_cast<int>(image.getWidth());
    out.height = static_cast<int>(image.getHeight());
    for (int y = 0; y < out.height; ++y)
      for (int x = 0; x < out.width; ++x) {
        Ogre::ColourValue c = image.getColourAt(x, y, 0);
        for (float channel : {c.r, c.g, c.b})
          out.rgb.push_back(static_cast<std::uint8_t>(std::lround(channel * 255.0f)));
      }
    return out;
  }

  static guigen::RgbImage drawSource(const std::string &name) {
    guigen::ParseResult parsed =
        guigen::parsePicture(readText(std::string(SW_GUI_SOURCE_DIR) + "/pictures/" + name + ".pic"));
    EXPECT_TRUE(parsed.ok) << name << ": " << parsed.error;
    return guigen::rasterise(parsed.picture);
  }

  static double meanAbsoluteDifference(const guigen::RgbImage &a, const guigen::RgbImage &b) {
    if (a.rgb.size() != b.rgb.size() || a.rgb.empty())
      return 1e9;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i)
      sum += std::abs(static_cast<int>(a.rgb[i]) - static_cast<int>(b.rgb[i]));
    return sum / a.rgb.size();
  }

  static inline std::unique_ptr<Ogre::LogManager> logs;
  static inline std::unique_ptr<Ogre::Root> root;
};

} // namespace

TEST_F(StagedPictures, JpegFilesDecodeToTheirSourcesAndDifferFromEachOther) {
  std::vector<guigen::RgbImage> decoded;
  for (const char *name : kPictureNames) {
    std::ifstream in(std::string("../Media/gui/images/") + name + ".jpg", std::ios::binary);
    EXPECT_EQ(in.get(), 0xFF) << name; // start of image: the name promises JPEG
    EXPECT_EQ(in.get(), 0xD8) << name;
    decoded.push_back(decodeStaged(name));
    // JPEG is lossy; a wrong, blank, shifted or wrongly sized picture differs
    // by far more.
    EXPECT_LT(meanAbsoluteDifference(decoded.back(), drawSource(name)), 4.0) << name;
  }
  for (size_t i = 0; i < decoded.size(); ++i)
    for (size_t j = i + 1; j < decoded.size(); ++j)
      EXPECT_GT(meanAbsoluteDifference(decoded[i], decoded[j]), 20.0)
          << kPictureNames[i] << " looks like " << kPictureNames[j];
}
