// Turns a level description into the records of a Quake 3 BSP file.
//
// - Every brush becomes six brush sides on shared planes (normals point out
//   of the brush) with a shader that has the solid content flag.
// - Every brush side that is not buried in a neighbouring brush becomes a
//   four-vertex polygon face. Its shader is the brush's texture name for faces
//   that look up, name + "_x" for faces that look along +-x and name + "_y"
//   for the rest; the three are generated at different brightness, so the
//   level reads well although OGRE draws BSP faces unlit.
// - The tree splits the deck plan (x and y only) just outside brush faces
//   (never on one, see kSplitOffset) until a cell
//   holds few brushes. Every leaf lists every brush and every face that
//   touches its cell, so OGRE's ray and intersection queries, which test only
//   the brushes of the leaves they pass through, meet every wall.
// - Every face gets its own patch on a lightmap page with baked ambient
//   occlusion (Lightmapper.h).
// - All leaves share one visibility cluster that sees itself.
#pragma once

#include "BspTypes.h"
#include "LevelDescription.h"

#include <string>

namespace levelc {

// Texture coordinates repeat every this many units.
constexpr double kTextureRepeat = 128.0;
// Every brush grows by this much in x and y, so no wall face plane lies on
// a whole or half unit. OGRE's ray test treats a ray whose origin lies exactly
// on a brush's face plane as already inside that face's half-space, and then
// misses the brush when the ray enters it through another face; the NPC's
// grid search casts horizontal rays from whole-unit points (spawn positions
// and 10-unit steps), which would meet that case wherever a wall's face plane
// lay on a whole unit. 1/64 is exact in binary and invisible on screen.
// Heights (the deck's top, the step's top) stay exactly as described.
constexpr double kFaceNudge = 1.0 / 64;
// The tree stops splitting a cell that holds at most this many brushes.
constexpr std::size_t kMaxLeafBrushes = 3;

// Names of the three face shaders of a texture, brightest first.
std::string topShaderName(const std::string &texture);
std::string sideXShaderName(const std::string &texture);
std::string sideYShaderName(const std::string &texture);

// The box a described brush occupies in the compiled level.
Box compiledBox(const Box &described);

BspLevel compileLevel(const LevelDescription &level);

// Leaf index (0-based) that contains point p, following the tree from its root
// the way OGRE does (points on a split plane go to the front child).
int findLeaf(const BspLevel &bsp, const float p[3]);

} // namespace levelc
