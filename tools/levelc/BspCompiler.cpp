#include "BspCompiler.h"

#include "Lightmapper.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <map>
#include <sstream>
#include <tuple>

namespace levelc {

namespace {

// Tolerance, in units, for "touches": a brush or face lying on a cell's
// boundary is listed in the cells on both sides.
constexpr double kTouchSlack = 0.01;
// Cells narrower than this are not split further.
constexpr double kMinCellSize = 8.0;
constexpr int kMaxTreeDepth = 32;
// Split planes run this far outside a brush face, never on one: OGRE cuts a
// ray at every split plane it crosses and tests the brushes of the next leaf
// from the cut point, and a cut point lying exactly on a brush face makes its
// convex-volume test miss the brush behind that face.
constexpr double kSplitOffset = 0.25;

struct Side {
  int axis; // 0 x, 1 y, 2 z
  int sign; // +1: the face at max[axis] looking out along +axis; -1: at min[axis]
};

constexpr Side kSides[6] = {{0, +1}, {0, -1}, {1, +1}, {1, -1}, {2, +1}, {2, -1}};

// The two axes spanning a face perpendicular to `axis`, ordered so that their
// cross product points along +axis.
void faceAxes(int axis, int &u, int &v) {
  u = (axis + 1) % 3;
  v = (axis + 2) % 3;
}

double sideValue(const Box &b, const Side &s) {
  return s.sign > 0 ? b.max[s.axis] : b.min[s.axis];
}

// The flat box that a brush side occupies.
Box sideBox(const Box &b, const Side &s) {
  Box f = b;
  f.min[s.axis] = f.max[s.axis] = sideValue(b, s);
  return f;
}

// True when another brush fills the space right outside the side, so the
// side can never be seen.
bool sideIsBuried(const Box &b, const Side &s, const Box &other) {
  double v = sideValue(b, s);
  bool extendsOutward = s.sign > 0 ? (other.min[s.axis] <= v && other.max[s.axis] > v)
                                   : (other.max[s.axis] >= v && other.min[s.axis] < v);
  if (!extendsOutward)
    return false;
  for (int a = 0; a < 3; ++a)
    if (a != s.axis && (other.min[a] > b.min[a] || other.max[a] < b.max[a]))
      return false;
  return true;
}

LevelDescription nudgedOffGrid(const LevelDescription &level) {
  LevelDescription out = level;
  for (BrushSpec &b : out.brushes)
    b.box = compiledBox(b.box);
  return out;
}

class Compiler {
public:
  explicit Compiler(const LevelDescription &level) : mLevel(nudgedOffGrid(level)) {}

  BspLevel run() {
    addShaders();
    computeWorldBounds();
    addBrushes();
    addFaces();
    bakeLightmaps(mLevel, mBsp);
    addTree();
    addModel();
    addEntities();
    mBsp.visibility = BspVisibility{1, 1, {0x01}};
    return std::move(mBsp);
  }

private:
  void addShaders() {
    for (const TextureSpec &t : mLevel.textures) {
      mTopShader[t.name] = static_cast<int>(mBsp.shaders.size());
      for (const std::string &name :
           {topShaderName(t.name), sideXShaderName(t.name), sideYShaderName(t.name)})
        mBsp.shaders.push_back({name, 0, kContentsSolid});
    }
  }

  int faceShader(const std::string &texture, const Side &s) const {
    int top = mTopShader.at(texture);
    if (s.axis == 2 && s.sign > 0)
      return top;
    return s.axis == 0 ? top + 1 : top + 2;
  }

  void computeWorldBounds() {
    mWorld = mLevel.brushes.front().box;
    for (const BrushSpec &b : mLevel.brushes)
      for (int a = 0; a < 3; ++a) {
        mWorld.min[a] = std::min(mWorld.min[a], b.box.min[a]);
        mWorld.max[a] = std::max(mWorld.max[a], b.box.max[a]);
      }
  }

  int plane(int axis, int sign, double dist) {
    auto key = std::make_tuple(axis, sign, static_cast<float>(dist));
    auto it = mPlaneIndex.find(key);
    if (it != mPlaneIndex.end())
      return it->second;
    BspPlane p{{0, 0, 0}, static_cast<float>(dist)};
    p.normal[axis] = static_cast<float>(sign);
    mBsp.planes.push_back(p);
    return mPlaneIndex[key] = static_cast<int>(mBsp.planes.size() - 1);
  }

  void addBrushes() {
    for (const BrushSpec &b : mLevel.brushes) {
      int shader = mTopShader.at(b.texture);
      mBsp.brushes.push_back({static_cast<int32_t>(mBsp.brushSides.size()), 6, shader});
      for (const Side &s : kSides)
        mBsp.brushSides.push_back({plane(s.axis, s.sign, s.sign * sideValue(b.box, s)), shader});
    }
  }

  void addFaces() {
    for (std::size_t i = 0; i < mLevel.brushes.size(); ++i)
      for (const Side &s : kSides)
        if (!isBuried(i, s))
          addFace(mLevel.brushes[i], s);
  }

  bool isBuried(std::size_t brush, const Side &s) const {
    for (std::size_t j = 0; j < mLevel.brushes.size(); ++j)
      if (j != brush && sideIsBuried(mLevel.brushes[brush].box, s, mLevel.brushes[j].box))
        return true;
    return false;
  }

  void addFace(const BrushSpec &b, const Side &s) {
    int u, v;
    faceAxes(s.axis, u, v);
    double corners[4][2] = {{b.box.min[u], b.box.min[v]},
                            {b.box.max[u], b.box.min[v]},
                            {b.box.max[u], b.box.max[v]},
                            {b.box.min[u], b.box.max[v]}};
    if (s.sign < 0) // keep the winding counter-clockwise seen from outside
      std::swap(corners[1], corners[3]);

    BspFace face{};
    face.shader = faceShader(b.texture, s);
    face.effect = -1;
    face.type = kFaceTypePolygon;
    face.vertexStart = static_cast<int32_t>(mBsp.vertices.size());
    face.vertexCount = 4;
    face.elementStart = static_cast<int32_t>(mBsp.elements.size());
    face.elementCount = 6;
    face.lightmap = -1;
    face.normal[s.axis] = static_cast<float>(s.sign);
    for (const auto &c : corners) {
      BspVertex vertex{};
      vertex.position[s.axis] = static_cast<float>(sideValue(b.box, s));
      vertex.position[u] = static_cast<float>(c[0]);
      vertex.position[v] = static_cast<float>(c[1]);
      // World-anchored mapping, so neighbouring faces continue each other's
      // pattern; the vertical axis runs down the image.
      int across = s.axis == 1 ? 1 : 0; // the corner coordinate along the image's width
      vertex.texture[0] = static_cast<float>(c[across] / kTextureRepeat);
      vertex.texture[1] = static_cast<float>(-c[1 - across] / kTextureRepeat);
      std::copy(face.normal, face.normal + 3, vertex.normal);
      std::fill(vertex.colour, vertex.colour + 4, 255);
      mBsp.vertices.push_back(vertex);
    }
    std::copy(mBsp.vertices[face.vertexStart].position, mBsp.vertices[face.vertexStart].position + 3,
              face.origin);
    for (int32_t e : {0, 1, 2, 0, 2, 3})
      mBsp.elements.push_back(e);
    mBsp.faces.push_back(face);
    mFaceBoxes.push_back(sideBox(b.box, s));
  }

  // --- tree ---------------------------------------------------------------

  void addTree() {
    std::vector<int> all(mLevel.brushes.size());
    for (std::size_t i = 0; i < all.size(); ++i)
      all[i] = static_cast<int>(i);
    Box root = mWorld;
    int axis = 0;
    double split = 0;
    if (!chooseSplit(root, all, axis, split)) { // a tiny level: split it in the middle anyway
      axis = 0;
      split = 0.5 * (root.min[0] + root.max[0]);
    }
    buildNode(root, all, axis, split, 0);
  }

  // Returns the child code of the new subtree: a node index, or -(leaf + 1).
  int buildSubtree(const Box &cell, const std::vector<int> &candidates, int depth) {
    std::vector<int> inCell = brushesTouching(cell, candidates);
    int axis = 0;
    double split = 0;
    if (inCell.size() <= kMaxLeafBrushes || depth >= kMaxTreeDepth || !chooseSplit(cell, inCell, axis, split))
      return -(addLeaf(cell, inCell) + 1);
    return buildNode(cell, inCell, axis, split, depth);
  }

  int buildNode(const Box &cell, const std::vector<int> &inCell, int axis, double split, int depth) {
    int index = static_cast<int>(mBsp.nodes.size());
    mBsp.nodes.push_back(BspNode{});
    Box front = cell, back = cell;
    front.min[axis] = split;
    back.max[axis] = split;
    int frontCode = buildSubtree(front, inCell, depth + 1);
    int backCode = buildSubtree(back, inCell, depth + 1);
    BspNode &node = mBsp.nodes[index];
    node.plane = plane(axis, +1, split);
    node.front = frontCode;
    node.back = backCode;
    setIntBounds(cell, node.bbox);
    return index;
  }

  std::vector<int> brushesTouching(const Box &cell, const std::vector<int> &candidates) const {
    std::vector<int> out;
    for (int i : candidates)
      if (mLevel.brushes[i].box.touches(cell, kTouchSlack))
        out.push_back(i);
    return out;
  }

  // Picks a brush face inside the cell that keeps brushes on one side and
  // halves the count; false when no face lies far enough inside.
  bool chooseSplit(const Box &cell, const std::vector<int> &inCell, int &bestAxis, double &bestSplit) const {
    double bestScore = 0;
    bool found = false;
    for (int axis = 0; axis < 2; ++axis)
      for (int i : inCell)
        for (double c : {mLevel.brushes[i].box.min[axis] - kSplitOffset,
                         mLevel.brushes[i].box.max[axis] + kSplitOffset}) {
          if (c < cell.min[axis] + kMinCellSize || c > cell.max[axis] - kMinCellSize ||
              liesOnBrushFace(axis, c))
            continue;
          double score = splitScore(cell, inCell, axis, c);
          if (!found || score < bestScore) {
            found = true;
            bestScore = score;
            bestAxis = axis;
            bestSplit = c;
          }
        }
    return found;
  }

  bool liesOnBrushFace(int axis, double c) const {
    for (const BrushSpec &b : mLevel.brushes)
      if (std::fabs(b.box.min[axis] - c) < kSplitOffset / 2 ||
          std::fabs(b.box.max[axis] - c) < kSplitOffset / 2)
        return true;
    return false;
  }

  double splitScore(const Box &cell, const std::vector<int> &inCell, int axis, double c) const {
    int below = 0, above = 0, across = 0;
    for (int i : inCell) {
      const Box &b = mLevel.brushes[i].box;
      if (b.max[axis] <= c)
        ++below;
      else if (b.min[axis] >= c)
        ++above;
      else
        ++across;
    }
    double middle = 0.5 * (cell.min[axis] + cell.max[axis]);
    double offCentre = std::fabs(c - middle) / (cell.max[axis] - cell.min[axis]);
    return 4.0 * across + std::abs(below - above) + offCentre;
  }

  int addLeaf(const Box &cell, const std::vector<int> &inCell) {
    BspLeaf leaf{};
    leaf.cluster = 0;
    leaf.area = 0;
    setIntBounds(cell, leaf.bbox);
    leaf.brushStart = static_cast<int32_t>(mBsp.leafBrushes.size());
    for (int i : inCell)
      mBsp.leafBrushes.push_back(i);
    leaf.brushCount = static_cast<int32_t>(inCell.size());
    leaf.faceStart = static_cast<int32_t>(mBsp.leafFaces.size());
    for (std::size_t f = 0; f < mFaceBoxes.size(); ++f)
      if (mFaceBoxes[f].touches(cell, kTouchSlack))
        mBsp.leafFaces.push_back(static_cast<int32_t>(f));
    leaf.faceCount = static_cast<int32_t>(mBsp.leafFaces.size()) - leaf.faceStart;
    mBsp.leaves.push_back(leaf);
    return static_cast<int>(mBsp.leaves.size() - 1);
  }

  static void setIntBounds(const Box &b, int32_t out[6]) {
    for (int a = 0; a < 3; ++a) {
      out[a] = static_cast<int32_t>(std::floor(b.min[a]));
      out[3 + a] = static_cast<int32_t>(std::ceil(b.max[a]));
    }
  }

  // --- the rest ----------------------------------------------------------

  void addModel() {
    BspModel model{};
    for (int a = 0; a < 3; ++a) {
      model.bbox[a] = static_cast<float>(mWorld.min[a]);
      model.bbox[3 + a] = static_cast<float>(mWorld.max[a]);
    }
    model.faceCount = static_cast<int32_t>(mBsp.faces.size());
    model.brushCount = static_cast<int32_t>(mBsp.brushes.size());
    mBsp.models.push_back(model);
  }

  // OGRE reads the entity text line by line: one key and value a line, and a
  // "}" line closing each entity.
  void addEntities() {
    std::ostringstream text;
    text << "{\n\"classname\" \"worldspawn\"\n\"message\" \"Sternwake ship deck\"\n}\n";
    for (const StartSpec &s : mLevel.starts)
      text << "{\n\"classname\" \"info_player_deathmatch\"\n\"targetname\" \"" << s.name
           << "\"\n\"origin\" \"" << s.origin[0] << ' ' << s.origin[1] << ' ' << s.origin[2]
           << "\"\n\"angle\" \"" << s.angleDegrees << "\"\n}\n";
    mBsp.entities = text.str();
  }

  const LevelDescription mLevel; // with every brush grown by kFaceNudge
  BspLevel mBsp;
  Box mWorld;
  std::map<std::string, int> mTopShader;
  std::map<std::tuple<int, int, float>, int> mPlaneIndex;
  std::vector<Box> mFaceBoxes; // parallel to mBsp.faces
};

} // namespace

Box compiledBox(const Box &described) {
  Box out = described;
  for (int a = 0; a < 2; ++a) { // heights stay exactly as described
    out.min[a] -= kFaceNudge;
    out.max[a] += kFaceNudge;
  }
  return out;
}

std::string topShaderName(const std::string &texture) {
  return texture;
}
std::string sideXShaderName(const std::string &texture) {
  return texture + "_x";
}
std::string sideYShaderName(const std::string &texture) {
  return texture + "_y";
}

BspLevel compileLevel(const LevelDescription &level) {
  assert(!level.brushes.empty() && "a parsed level always has its deck brush");
  return Compiler(level).run();
}

int findLeaf(const BspLevel &bsp, const float p[3]) {
  int code = 0;
  while (code >= 0) {
    const BspNode &node = bsp.nodes.at(code);
    const BspPlane &pl = bsp.planes.at(node.plane);
    float d = pl.normal[0] * p[0] + pl.normal[1] * p[1] + pl.normal[2] * p[2] - pl.dist;
    code = d >= 0 ? node.front : node.back;
  }
  return -code - 1;
}

} // namespace levelc
