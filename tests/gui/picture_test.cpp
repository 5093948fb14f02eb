// The picture description language and its rasteriser (tools/guigen).
#include "picture.h"

#include <gtest/gtest.h>

#include <cstdlib>

using guigen::parsePicture;
using guigen::rasterise;

namespace {

guigen::Picture parseOrFail(const std::string &text) {
  guigen::ParseResult result = parsePicture(text);
  EXPECT_TRUE(result.ok) << result.error;
  return result.picture;
}

std::string parseError(const std::string &text) {
  guigen::ParseResult result = parsePicture(text);
  EXPECT_FALSE(result.ok) << "accepted: " << text;
  return result.error;
}

bool pixelIs(const guigen::RgbImage &image, int x, int y, int r, int g, int b) {
  const std::uint8_t *p = image.pixel(x, y);
  return p[0] == r && p[1] == g && p[2] == b;
}

} // namespace

TEST(PictureParser, ReportsTheLineOfEveryMistake) {
  std::string corners;
  for (int i = 0; i < 257; ++i)
    corners += " " + std::to_string(i % 8) + " " + std::to_string(i / 8 % 8);
  const std::pair<std::string, std::string> cases[] = {
      {"canvas 8 8 #000000\ncircle 1 1 1 #000000\n", "line 2: unknown command 'circle'"},
      {"// only a comment\n", "no 'canvas' line"},
      {"rect 0 0 1 1 #000000\ncanvas 8 8 #000000\n", "line 1: 'canvas' must come before any shape"},
      {"canvas 8 8 #000000\ncanvas 8 8 #000000\n", "line 2: 'canvas' given twice"},
      {"canvas 8 8 #00000g\n", "line 1: bad colour '#00000g' (expected #RRGGBB)"},
      {"canvas 8 1025 #000000\n", "line 1: canvas size must be whole numbers of pixels in 1..1024"},
      {"canvas 8.5 8 #000000\n", "line 1: canvas size must be whole numbers of pixels in 1..1024"},
      {"canvas 8 8 #000000\nrect 0 0 1 #000000\n", "line 2: expected 'rect x0 y0 x1 y1 #RRGGBB'"},
      {"canvas 8 8 #000000\nellipse 1 1 1 nan #000000\n", "line 2: bad number 'nan'"},
      {"canvas 8 8 #000000\nellipse 1 1 0 1 #000000\n", "line 2: ellipse radii must be positive"},
      {"canvas 8 8 #000000\nrect 3 0 1 1 #000000\n", "line 2: rect needs x0 < x1 and y0 < y1"},
      {"canvas 8 8 #000000\nring 0 0 2 3 0 90 #000000\n", "line 2: ring needs outer > inner >= 0"},
      {"canvas 8 8 #000000\n\npolygon #000000 0 0 1 1 2\n",
       "line 3: expected 'polygon #RRGGBB x0 y0 x1 y1 x2 y2 ...' with at least 3 corners"},
      {"canvas 8 8 #000000\npolygon #000000" + corners + "\n", "line 2: polygon has more than 256 corners"},
  };
  for (const auto &[text, error] : cases)
    EXPECT_EQ(parseError(text), error);
  EXPECT_TRUE(parsePicture("canvas 1024 1 #000000\n").ok);
}

TEST(PictureShapes, RingCoversOnlyItsBandAndItsAngles) {
  // Upper half of a band between radii 5 and 10 (y grows downwards).
  guigen::Picture picture = parseOrFail("canvas 32 32 #000000\nring 0 0 10 5 180 360 #ffffff\n");
  const guigen::Shape &ring = picture.shapes[0];
  EXPECT_TRUE(guigen::shapeContains(ring, 0, -7));   // straight up, in the band
  EXPECT_FALSE(guigen::shapeContains(ring, 0, 7));   // straight down
  EXPECT_FALSE(guigen::shapeContains(ring, 0, -3));  // inside the hole
  EXPECT_FALSE(guigen::shapeContains(ring, 0, -11)); // outside the band
  // A span that wraps past 360 degrees: 300..420 covers 300..360 and 0..60.
  guigen::Picture wrapped = parseOrFail("canvas 32 32 #000000\nring 0 0 10 0 300 420 #ffffff\n");
  EXPECT_TRUE(guigen::shapeContains(wrapped.shapes[0], 5, 1));   // about 11 degrees
  EXPECT_TRUE(guigen::shapeContains(wrapped.shapes[0], 5, -1));  // about 349 degrees
  EXPECT_FALSE(guigen::shapeContains(wrapped.shapes[0], 0, 5));  // 90 degrees
  EXPECT_FALSE(guigen::shapeContains(wrapped.shapes[0], -5, 0)); // 180 degrees
}

TEST(PictureShapes, LineHasRoundCapsAndPolygonUsesTheEvenOddRule) {
  guigen::Picture picture = parseOrFail("canvas 32 32 #000000\n"
                                        "line 10 10 20 10 4 #ffffff\n"
                                        "polygon #ffffff 0 0 10 0 10 10 0 10\n");
  const guigen::Shape &line = picture.shapes[0];
  EXPECT_TRUE(guigen::shapeContains(line, 15, 11.9));
  EXPECT_FALSE(guigen::shapeContains(line, 15, 12.1));
  EXPECT_TRUE(guigen::shapeContains(line, 8.5, 10));    // inside the round cap
  EXPECT_FALSE(guigen::shapeContains(line, 8.5, 11.9)); // beyond the cap's corner
  const guigen::Shape &square = picture.shapes[1];
  EXPECT_TRUE(guigen::shapeContains(square, 5, 5));
  EXPECT_FALSE(guigen::shapeContains(square, 11, 5));
  EXPECT_FALSE(guigen::shapeContains(square, 5, -1));
}

TEST(PictureRaster, FillsTheBackgroundAndPaintsShapesInOrder) {
  guigen::RgbImage image = rasterise(parseOrFail("canvas 16 8 #102030\n"
                                                 "rect 2 2 6 6 #ff0000\n"
                                                 "rect 4 2 8 6 #00ff00\n"));
  ASSERT_EQ(image.width, 16);
  ASSERT_EQ(image.height, 8);
  ASSERT_EQ(image.rgb.size(), 16u * 8u * 3u);
  EXPECT_TRUE(pixelIs(image, 0, 0, 0x10, 0x20, 0x30));
  EXPECT_TRUE(pixelIs(image, 15, 7, 0x10, 0x20, 0x30));
  EXPECT_TRUE(pixelIs(image, 2, 2, 255, 0, 0)); // first rect only
  EXPECT_TRUE(pixelIs(image, 4, 3, 0, 255, 0)); // the later rect covers the earlier one
  EXPECT_TRUE(pixelIs(image, 7, 5, 0, 255, 0));
  EXPECT_TRUE(pixelIs(image, 8, 5, 0x10, 0x20, 0x30)); // x1 is exclusive
}

TEST(PictureRaster, SmoothsEdgesThatCutThroughAPixel) {
  // A box whose right edge lies in the middle of column 4 covers half of it.
  guigen::RgbImage image = rasterise(parseOrFail("canvas 8 8 #000000\nrect 0 0 4.5 8 #ffffff\n"));
  EXPECT_TRUE(pixelIs(image, 3, 4, 255, 255, 255));
  EXPECT_TRUE(pixelIs(image, 4, 4, 128, 128, 128));
  EXPECT_TRUE(pixelIs(image, 5, 4, 0, 0, 0));
  // A circle is solid at its centre and leaves the canvas corners alone.
  guigen::RgbImage disc = rasterise(parseOrFail("canvas 16 16 #000000\nellipse 8 8 5.5 5.5 #ffffff\n"));
  EXPECT_TRUE(pixelIs(disc, 8, 8, 255, 255, 255));
  EXPECT_TRUE(pixelIs(disc, 0, 0, 0, 0, 0));
  int partial = 0;
  for (int x = 0; x < 16; ++x) {
    int v = disc.pixel(x, 8)[0];
    if (v > 0 && v < 255)
      ++partial;
  }
  EXPECT_EQ(partial, 2); // one smoothed pixel at each end of the middle row
}
