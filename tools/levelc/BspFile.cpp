#include "BspFile.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace levelc {

namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "records are copied as they lie in memory");

constexpr std::size_t kHeaderSize = 8 + 8 * kLumpCount;
constexpr std::size_t kShaderRecordSize = 64 + 4 + 4;
constexpr int32_t kLightmapPageBytes = 128 * 128 * 3;

void appendBytes(std::vector<uint8_t> &out, const void *data, std::size_t size) {
  const uint8_t *p = static_cast<const uint8_t *>(data);
  out.insert(out.end(), p, p + size);
}

void appendInt(std::vector<uint8_t> &out, int32_t value) {
  appendBytes(out, &value, sizeof value);
}

template <typename T> void appendRecords(std::vector<uint8_t> &out, const std::vector<T> &records) {
  if (!records.empty())
    appendBytes(out, records.data(), records.size() * sizeof(T));
}

std::vector<uint8_t> lumpBytes(const BspLevel &level, int lump) {
  std::vector<uint8_t> out;
  switch (lump) {
  case kEntitiesLump:
    appendBytes(out, level.entities.c_str(), level.entities.size() + 1);
    break;
  case kShadersLump:
    for (const BspShader &s : level.shaders) {
      char name[64] = {};
      std::strncpy(name, s.name.c_str(), sizeof name - 1);
      appendBytes(out, name, sizeof name);
      appendInt(out, s.surfaceFlags);
      appendInt(out, s.contentFlags);
    }
    break;
  case kPlanesLump:
    appendRecords(out, level.planes);
    break;
  case kNodesLump:
    appendRecords(out, level.nodes);
    break;
  case kLeavesLump:
    appendRecords(out, level.leaves);
    break;
  case kLeafFacesLump:
    appendRecords(out, level.leafFaces);
    break;
  case kLeafBrushesLump:
    appendRecords(out, level.leafBrushes);
    break;
  case kModelsLump:
    appendRecords(out, level.models);
    break;
  case kBrushesLump:
    appendRecords(out, level.brushes);
    break;
  case kBrushSidesLump:
    appendRecords(out, level.brushSides);
    break;
  case kVerticesLump:
    appendRecords(out, level.vertices);
    break;
  case kElementsLump:
    appendRecords(out, level.elements);
    break;
  case kFacesLump:
    appendRecords(out, level.faces);
    break;
  case kLightmapsLump:
    appendRecords(out, level.lightmaps);
    break;
  case kVisibilityLump:
    appendInt(out, level.visibility.clusterCount);
    appendInt(out, level.visibility.rowSize);
    appendRecords(out, level.visibility.bits);
    break;
  default: // fog and light volumes: none
    break;
  }
  return out;
}

class Decoder {
public:
  Decoder(const std::vector<uint8_t> &bytes, std::string &error) : mBytes(bytes), mError(error) {}

  std::optional<BspLevel> run() {
    if (!readHeader())
      return std::nullopt;
    BspLevel level;
    if (!readEntities(level.entities) || !readShaders(level.shaders) ||
        !readRecords(kPlanesLump, level.planes) || !readRecords(kNodesLump, level.nodes) ||
        !readRecords(kLeavesLump, level.leaves) || !readRecords(kLeafFacesLump, level.leafFaces) ||
        !readRecords(kLeafBrushesLump, level.leafBrushes) || !readRecords(kModelsLump, level.models) ||
        !readRecords(kBrushesLump, level.brushes) || !readRecords(kBrushSidesLump, level.brushSides) ||
        !readRecords(kVerticesLump, level.vertices) || !readRecords(kElementsLump, level.elements) ||
        !readRecords(kFacesLump, level.faces) || !readLightmaps(level.lightmaps) ||
        !readVisibility(level.visibility) || !checkIndices(level))
      return std::nullopt;
    return level;
  }

private:
  bool fail(const std::string &why) {
    mError = why;
    return false;
  }

  bool readHeader() {
    if (mBytes.size() < kHeaderSize)
      return fail("shorter than a BSP header");
    if (std::memcmp(mBytes.data(), "IBSP", 4) != 0)
      return fail("no IBSP magic");
    int32_t version;
    std::memcpy(&version, mBytes.data() + 4, 4);
    if (version != kBspVersion)
      return fail("version " + std::to_string(version) + ", expected 46");
    for (int i = 0; i < kLumpCount; ++i) {
      std::memcpy(&mOffset[i], mBytes.data() + 8 + 8 * i, 4);
      std::memcpy(&mSize[i], mBytes.data() + 12 + 8 * i, 4);
      if (mOffset[i] < 0 || mSize[i] < 0 ||
          static_cast<uint64_t>(mOffset[i]) + static_cast<uint64_t>(mSize[i]) > mBytes.size())
        return fail("lump " + std::to_string(i) + " lies outside the file");
    }
    return true;
  }

  template <typename T> bool readRecords(int lump, std::vector<T> &out) {
    if (mSize[lump] % sizeof(T) != 0)
      return fail("lump " + std::to_string(lump) + " is not a whole number of records");
    out.resize(mSize[lump] / sizeof(T));
    if (!out.empty())
      std::memcpy(out.data(), mBytes.data() + mOffset[lump], mSize[lump]);
    return true;
  }

  bool readEntities(std::string &out) {
    const char *text = reinterpret_cast<const char *>(mBytes.data() + mOffset[kEntitiesLump]);
    if (mSize[kEntitiesLump] == 0 || text[mSize[kEntitiesLump] - 1] != '\0')
      return fail("the entity text is not NUL-terminated");
    out.assign(text, strnlen(text, mSize[kEntitiesLump])); // the lump may carry padding NULs
    return true;
  }

  bool readShaders(std::vector<BspShader> &out) {
    if (mSize[kShadersLump] % kShaderRecordSize != 0)
      return fail("the shader lump is not a whole number of records");
    for (int32_t at = 0; at < mSize[kShadersLump]; at += kShaderRecordSize) {
      const uint8_t *p = mBytes.data() + mOffset[kShadersLump] + at;
      BspShader s;
      s.name.assign(reinterpret_cast<const char *>(p), strnlen(reinterpret_cast<const char *>(p), 64));
      std::memcpy(&s.surfaceFlags, p + 64, 4);
      std::memcpy(&s.contentFlags, p + 68, 4);
      out.push_back(s);
    }
    return true;
  }

  bool readLightmaps(std::vector<uint8_t> &out) {
    if (mSize[kLightmapsLump] % kLightmapPageBytes != 0)
      return fail("the lightmap lump is not a whole number of 128x128 RGB pages");
    const uint8_t *p = mBytes.data() + mOffset[kLightmapsLump];
    out.assign(p, p + mSize[kLightmapsLump]);
    return true;
  }

  bool readVisibility(BspVisibility &vis) {
    if (mSize[kVisibilityLump] < 8)
      return fail("no visibility data");
    const uint8_t *p = mBytes.data() + mOffset[kVisibilityLump];
    std::memcpy(&vis.clusterCount, p, 4);
    std::memcpy(&vis.rowSize, p + 4, 4);
    int64_t bytes = static_cast<int64_t>(vis.clusterCount) * vis.rowSize;
    if (vis.clusterCount < 0 || vis.rowSize < 0 || bytes > mSize[kVisibilityLump] - 8 ||
        bytes + 4 <= mSize[kVisibilityLump] - 8) // at most 3 bytes of lump padding
      return fail("the visibility size does not match its cluster count and row size");
    vis.bits.assign(p + 8, p + 8 + bytes);
    return true;
  }

  static bool inRange(int64_t index, std::size_t count) {
    return index >= 0 && static_cast<uint64_t>(index) < count;
  }
  static bool spanInRange(int64_t start, int64_t count, std::size_t size) {
    return start >= 0 && count >= 0 && static_cast<uint64_t>(start + count) <= size;
  }

  bool checkIndices(const BspLevel &l) {
    if (l.nodes.empty() || l.leaves.empty())
      return fail("no tree");
    for (const BspNode &n : l.nodes)
      if (!inRange(n.plane, l.planes.size()) || !childInRange(n.front, l) || !childInRange(n.back, l))
        return fail("a node refers past the planes, nodes or leaves");
    for (const BspLeaf &f : l.leaves)
      if (!spanInRange(f.faceStart, f.faceCount, l.leafFaces.size()) ||
          !spanInRange(f.brushStart, f.brushCount, l.leafBrushes.size()) ||
          f.cluster >= l.visibility.clusterCount)
        return fail("a leaf refers past its face or brush lists or the clusters");
    for (int32_t i : l.leafFaces)
      if (!inRange(i, l.faces.size()))
        return fail("a leaf face refers past the faces");
    for (int32_t i : l.leafBrushes)
      if (!inRange(i, l.brushes.size()))
        return fail("a leaf brush refers past the brushes");
    for (const BspBrush &b : l.brushes)
      if (!spanInRange(b.firstSide, b.sideCount, l.brushSides.size()) || !inRange(b.shader, l.shaders.size()))
        return fail("a brush refers past the brush sides or shaders");
    for (const BspBrushSide &s : l.brushSides)
      if (!inRange(s.plane, l.planes.size()))
        return fail("a brush side refers past the planes");
    for (const BspFace &f : l.faces)
      if (!inRange(f.shader, l.shaders.size()) ||
          !spanInRange(f.vertexStart, f.vertexCount, l.vertices.size()) ||
          !spanInRange(f.elementStart, f.elementCount, l.elements.size()) ||
          f.lightmap >= static_cast<int64_t>(l.lightmaps.size() / kLightmapPageBytes))
        return fail("a face refers past the shaders, vertices, elements or lightmap pages");
    return true;
  }

  static bool childInRange(int32_t child, const BspLevel &l) {
    return child >= 0 ? inRange(child, l.nodes.size())
                      : inRange(-static_cast<int64_t>(child) - 1, l.leaves.size());
  }

  const std::vector<uint8_t> &mBytes;
  std::string &mError;
  int32_t mOffset[kLumpCount] = {};
  int32_t mSize[kLumpCount] = {};
};

} // namespace

std::vector<uint8_t> encodeBsp(const BspLevel &level) {
  std::vector<uint8_t> lumps[kLumpCount];
  for (int i = 0; i < kLumpCount; ++i) {
    lumps[i] = lumpBytes(level, i);
    while (lumps[i].size() % 4 != 0) // keep every lump 4-byte aligned
      lumps[i].push_back(0);
  }
  std::vector<uint8_t> out;
  appendBytes(out, "IBSP", 4);
  appendInt(out, kBspVersion);
  std::size_t offset = kHeaderSize;
  for (int i = 0; i < kLumpCount; ++i) {
    appendInt(out, static_cast<int32_t>(offset));
    appendInt(out, static_cast<int32_t>(lumps[i].size()));
    offset += lumps[i].size();
  }
  for (int i = 0; i < kLumpCount; ++i)
    appendRecords(out, lumps[i]);
  return out;
}

std::optional<BspLevel> decodeBsp(const std::vector<uint8_t> &bytes, std::string &error) {
  return Decoder(bytes, error).run();
}

bool writeFile(const std::string &path, const std::vector<uint8_t> &bytes, std::string &error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out)
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

std::optional<std::vector<uint8_t>> readFile(const std::string &path, std::string &error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return std::nullopt;
  }
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace levelc
