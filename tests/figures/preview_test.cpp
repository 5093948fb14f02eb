// Runs the media preview on the stage (it renders the opening scene on the
// real level with the GL render system; ctest runs under Xvfb) and reads its
// screenshots back: each view must show what it was framed for, told by the
// colours of the figures' uniforms and of the flames.
#include <OGRE/Ogre.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

namespace {

const std::string kOutDir = "preview_shots";

struct Rgb {
  int r, g, b;
};

class PreviewShots : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    const std::string cmd = "rm -rf " + kOutDir + " && mkdir -p " + kOutDir + " && \"" +
                            std::string(SW_PREVIEW) + "\" \"" + std::string(SW_STAGE_DIR) + "/bin\" " +
                            kOutDir + " > " + kOutDir + "/run.txt";
    status = std::system(cmd.c_str());
    auto *logs = new Ogre::LogManager;
    logs->createLog("preview_test_ogre.log", true, false, true);
    root = new Ogre::Root("", "", "");
    root->loadPlugin(std::string(SW_OGRE_PLUGIN_DIR) + "/Codec_STBI");
  }
  static void TearDownTestSuite() {
    delete root;
    root = nullptr;
  }

  // Share of the pixels of a band of rows (fractions of the height, from the
  // top) that match.
  static double share(const std::string &file, const std::function<bool(const Rgb &)> &match, double top = 0,
                      double bottom = 1) {
    std::ifstream in(kOutDir + "/" + file, std::ios::binary);
    if (!in)
      throw std::runtime_error("no screenshot " + file);
    Ogre::DataStreamPtr stream(new Ogre::FileStreamDataStream(&in, false));
    Ogre::Image img;
    img.load(stream, "png");
    size_t hits = 0;
    const uint32_t first = uint32_t(top * img.getHeight()), last = uint32_t(bottom * img.getHeight());
    for (uint32_t y = first; y < last; ++y)
      for (uint32_t x = 0; x < img.getWidth(); ++x) {
        const Ogre::ColourValue c = img.getColourAt(x, y, 0);
        hits += match(Rgb{int(c.r * 255), int(c.g * 255), int(c.b * 255)});
      }
    return double(hits) / double(img.getWidth() * (last - first));
  }

  static int status;
  static Ogre::Root *root;
};

int PreviewShots::status = -1;
Ogre::Root *PreviewShots::root = nullptr;

// Hue in degrees, saturation and value 0..1.
struct Hsv {
  double h, s, v;
};

Hsv hsv(const Rgb &c) {
  const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b}), d = mx - mn;
  double h = 0;
  if (d > 1e-9) {
    if (mx == r)
      h = 60 * std::fmod((g - b) / d + 6, 6.0);
    else if (mx == g)
      h = 60 * ((b - r) / d + 2);
    else
      h = 60 * ((r - g) / d + 4);
  }
  return Hsv{h, mx > 0 ? d / mx : 0, mx};
}

bool navy(const Rgb &c) {
  const Hsv x = hsv(c);
  return x.h > 215 && x.h < 240 && x.s > 0.5 && x.v < 0.5;
}
bool suitOrange(const Rgb &c) {
  const Hsv x = hsv(c);
  return x.h > 5 && x.h < 22 && x.s > 0.75 && x.v > 0.45 && x.v < 0.9;
}
bool helmetYellow(const Rgb &c) {
  const Hsv x = hsv(c);
  return x.h > 44 && x.h < 60 && x.s > 0.75 && x.v > 0.6;
}
bool teal(const Rgb &c) {
  const Hsv x = hsv(c);
  return x.h > 160 && x.h < 185 && x.s > 0.45 && x.v > 0.3;
}
bool shirtBlue(const Rgb &c) {
  const Hsv x = hsv(c);
  return x.h > 200 && x.h < 222 && x.s > 0.3 && x.s < 0.7 && x.v > 0.6;
}
bool flame(const Rgb &c) {
  const Hsv x = hsv(c);
  return x.h > 18 && x.h < 50 && x.s > 0.45 && x.v > 0.92;
}

TEST_F(PreviewShots, EveryViewIsWritten) {
  ASSERT_EQ(status, 0) << "the preview failed; see " << kOutDir << "/run.txt";
  for (const char *f : {"01_overview.png", "02_passengers.png", "03_fires.png", "04_crew.png",
                        "05_chiefs.png", "06_south_passengers.png", "07_lineup.png"})
    EXPECT_GT(share(f, [](const Rgb &) { return true; }), 0.99) << f;
}

TEST_F(PreviewShots, ViewsShowTheirFiguresAndFires) {
  ASSERT_EQ(status, 0);
  // Thresholds are about half of what the views show; the flames vary from
  // run to run with the particles' random numbers.
  EXPECT_GT(share("02_passengers.png", shirtBlue), 0.012) << "passengers in the lounge";
  EXPECT_GT(share("03_fires.png", flame), 0.0025) << "burning fires";
  EXPECT_LT(share("04_crew.png", flame), 0.001) << "no fire burns in the crew quarters";
  EXPECT_GT(share("04_crew.png", teal), 0.003) << "medical crew";
  EXPECT_GT(share("04_crew.png", helmetYellow), 0.0005) << "fire crew helmets";
  EXPECT_GT(share("05_chiefs.png", navy), 0.02) << "the captain";
  EXPECT_GT(share("05_chiefs.png", suitOrange), 0.001) << "the fireman";
}

bool crewColour(const Rgb &c) {
  return teal(c) || suitOrange(c);
}

TEST_F(PreviewShots, StandingCrewRiseHighAndLyingPassengersStayLow) {
  ASSERT_EQ(status, 0);
  // Both cameras stand 70 above the deck looking slightly down: standing
  // crew fill the upper half of their view, lying passengers keep out of the
  // top quarter of theirs (where the far wall is).
  EXPECT_GT(share("04_crew.png", crewColour, 0, 0.5), 0.01);
  EXPECT_LT(share("02_passengers.png", shirtBlue, 0, 0.25), 0.002);
  EXPECT_GT(share("02_passengers.png", shirtBlue, 0.25, 1), 0.012);
}

} // namespace
