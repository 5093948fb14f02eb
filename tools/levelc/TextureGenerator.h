// Generated surface textures for the level: deck plating, painted bulkhead
// panels, hull plating, hazard stripes, machinery and wood, each from a
// pattern and a base colour, written as uncompressed 24-bit TGA files (which
// both of OGRE's image codecs read).
#pragma once

#include "LevelDescription.h"

#include <cstdint>
#include <string>
#include <vector>

namespace levelc {

constexpr int kTextureSize = 128; // pixels; one pixel per level unit

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb; // rows top to bottom, 3 bytes a pixel
};

// `brightness` (0..1) scales the whole picture: OGRE draws BSP faces unlit,
// so the compiler bakes a different brightness for each face orientation.
RgbImage generateTexture(const TextureSpec &spec, double brightness);

std::vector<uint8_t> encodeTga(const RgbImage &image);

// Brightness of the three face shaders of a texture (see BspCompiler.h).
constexpr double kTopBrightness = 1.0;
constexpr double kSideXBrightness = 0.8;
constexpr double kSideYBrightness = 0.64;

} // namespace levelc
