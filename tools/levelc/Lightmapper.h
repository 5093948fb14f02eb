// Bakes ambient occlusion into the level's lightmap pages, so corners where a
// bulkhead meets the deck, and the deck around fittings, read darker in a
// screenshot although OGRE draws BSP faces unlit. OGRE multiplies a face's
// texture by its 128x128 RGB lightmap page (the face's lightmap index and its
// vertices' second texture coordinates); the brightness of a face
// orientation stays baked into its texture (see BspCompiler.h).
#pragma once

#include "BspTypes.h"
#include "LevelDescription.h"

namespace levelc {

constexpr int kLightmapSize = 128;        // texels a side; OGRE's fixed page size
constexpr double kLightmapTexel = 16.0;   // level units a texel, where the face fits a page
constexpr double kOcclusionRange = 100.0; // units within which a brush darkens a surface
constexpr double kOcclusionStrength = 0.8;
// OGRE gamma-corrects every lightmap page with gamma 4 when it loads the
// level (a texel t becomes 255 * (t / 255)^(1/4)), so light is stored raised
// to the fourth power.
constexpr double kLightmapLoadGamma = 4.0;

// Gives every face a patch on a lightmap page (faces are never split; a face
// longer than a page gets coarser texels), fills the pages and sets the
// faces' lightmap index, offset and size and their vertices' lightmap
// coordinates. `bsp` must hold the faces compiled from `level`.
void bakeLightmaps(const LevelDescription &level, BspLevel &bsp);

// The stored texel that OGRE turns into the given light (0..1).
uint8_t lightmapTexel(double light);

// Brightness 0..1 of a surface point with the given outward unit normal.
double ambientLight(const LevelDescription &level, const std::array<double, 3> &point,
                    const std::array<double, 3> &normal);

} // namespace levelc
