// The records of a Quake 3 BSP file, version 46, as OGRE's BSP scene manager
// reads them. Every field is a 32-bit little-endian int or float, so the
// structs have no padding and are written field by field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace levelc {

enum Lump : int {
  kEntitiesLump = 0,
  kShadersLump = 1,
  kPlanesLump = 2,
  kNodesLump = 3,
  kLeavesLump = 4,
  kLeafFacesLump = 5,
  kLeafBrushesLump = 6,
  kModelsLump = 7,
  kBrushesLump = 8,
  kBrushSidesLump = 9,
  kVerticesLump = 10,
  kElementsLump = 11,
  kFogLump = 12,
  kFacesLump = 13,
  kLightmapsLump = 14,
  kLightVolumesLump = 15,
  kVisibilityLump = 16,
  kLumpCount = 17
};

constexpr int kBspVersion = 46;
constexpr int kContentsSolid = 1;
constexpr int kFaceTypePolygon = 1;

// n . p = dist; brush side planes face out of the brush; a node's front child
// lies on the side its normal points to.
struct BspPlane {
  float normal[3];
  float dist;
};

struct BspNode {
  int32_t plane;
  int32_t front; // child node index, or -(leaf index + 1)
  int32_t back;
  int32_t bbox[6]; // min xyz, max xyz
};

struct BspLeaf {
  int32_t cluster; // -1: never drawn
  int32_t area;
  int32_t bbox[6];
  int32_t faceStart; // into the leaf-face list
  int32_t faceCount;
  int32_t brushStart; // into the leaf-brush list
  int32_t brushCount;
};

struct BspModel {
  float bbox[6];
  int32_t faceStart;
  int32_t faceCount;
  int32_t brushStart;
  int32_t brushCount;
};

struct BspBrush {
  int32_t firstSide;
  int32_t sideCount;
  int32_t shader;
};

struct BspBrushSide {
  int32_t plane;
  int32_t shader;
};

struct BspVertex {
  float position[3];
  float texture[2];
  float lightmap[2];
  float normal[3];
  uint8_t colour[4]; // RGBA
};

struct BspFace {
  int32_t shader;
  int32_t effect; // -1: none
  int32_t type;
  int32_t vertexStart;
  int32_t vertexCount;
  int32_t elementStart;
  int32_t elementCount;
  int32_t lightmap; // -1: none
  int32_t lightmapOffset[2];
  int32_t lightmapSize[2];
  float origin[3];
  float lightmapVectors[6];
  float normal[3];
  int32_t patchSize[2];
};

struct BspShader {
  std::string name; // at most 63 characters, stored in 64 bytes
  int32_t surfaceFlags;
  int32_t contentFlags;
};

// One cluster row per cluster, one bit per cluster.
struct BspVisibility {
  int32_t clusterCount;
  int32_t rowSize;
  std::vector<uint8_t> bits;
};

struct BspLevel {
  std::string entities; // text, written with a terminating NUL
  std::vector<BspShader> shaders;
  std::vector<BspPlane> planes;
  std::vector<BspNode> nodes;
  std::vector<BspLeaf> leaves;
  std::vector<int32_t> leafFaces;
  std::vector<int32_t> leafBrushes;
  std::vector<BspModel> models;
  std::vector<BspBrush> brushes;
  std::vector<BspBrushSide> brushSides;
  std::vector<BspVertex> vertices;
  std::vector<int32_t> elements; // relative to the face's first vertex
  std::vector<BspFace> faces;
  std::vector<uint8_t> lightmaps; // 128x128 RGB pages, one after another
  BspVisibility visibility;
};

static_assert(sizeof(BspPlane) == 16, "plane record");
static_assert(sizeof(BspNode) == 36, "node record");
static_assert(sizeof(BspLeaf) == 48, "leaf record");
static_assert(sizeof(BspModel) == 40, "model record");
static_assert(sizeof(BspBrush) == 12, "brush record");
static_assert(sizeof(BspBrushSide) == 8, "brush side record");
static_assert(sizeof(BspVertex) == 44, "vertex record");
static_assert(sizeof(BspFace) == 104, "face record");

} // namespace levelc
