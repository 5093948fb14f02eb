#include "Lightmapper.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace levelc {

namespace {

using Vec = std::array<double, 3>;

constexpr int kOcclusionRays = 48;
constexpr int kPageBytes = kLightmapSize * kLightmapSize * 3;

// Distance along the ray to where it enters the box; 0 when it starts inside;
// negative when it misses.
double rayEntersBox(const Vec &origin, const Vec &dir, const Box &box) {
  double t0 = 0, t1 = 1e30;
  for (int a = 0; a < 3; ++a) {
    if (std::fabs(dir[a]) < 1e-12) {
      if (origin[a] < box.min[a] || origin[a] > box.max[a])
        return -1;
      continue;
    }
    double ta = (box.min[a] - origin[a]) / dir[a], tb = (box.max[a] - origin[a]) / dir[a];
    t0 = std::max(t0, std::min(ta, tb));
    t1 = std::min(t1, std::max(ta, tb));
    if (t0 > t1)
      return -1;
  }
  return t0;
}

// Cosine-weighted directions around +Z, spread evenly (a Fibonacci spiral).
const std::vector<Vec> &hemisphere() {
  static const std::vector<Vec> dirs = [] {
    std::vector<Vec> out;
    const double golden = M_PI * (3.0 - std::sqrt(5.0));
    for (int i = 0; i < kOcclusionRays; ++i) {
      double r = std::sqrt((i + 0.5) / kOcclusionRays), phi = i * golden;
      out.push_back({r * std::cos(phi), r * std::sin(phi), std::sqrt(1 - r * r)});
    }
    return out;
  }();
  return dirs;
}

struct FaceFrame {
  int axis = 0; // the normal's axis
  int u = 0, v = 0;
  double minU = 0, maxU = 0, minV = 0, maxV = 0, plane = 0;
  Vec normal{};
};

FaceFrame frameOf(const BspLevel &bsp, const BspFace &face) {
  FaceFrame f;
  for (int a = 0; a < 3; ++a)
    if (face.normal[a] != 0)
      f.axis = a;
  f.u = (f.axis + 1) % 3;
  f.v = (f.axis + 2) % 3;
  const float *first = bsp.vertices[face.vertexStart].position;
  f.minU = f.maxU = first[f.u];
  f.minV = f.maxV = first[f.v];
  f.plane = first[f.axis];
  for (int i = 1; i < face.vertexCount; ++i) {
    const float *p = bsp.vertices[face.vertexStart + i].position;
    f.minU = std::min<double>(f.minU, p[f.u]);
    f.maxU = std::max<double>(f.maxU, p[f.u]);
    f.minV = std::min<double>(f.minV, p[f.v]);
    f.maxV = std::max<double>(f.maxV, p[f.v]);
  }
  for (int a = 0; a < 3; ++a)
    f.normal[a] = face.normal[a];
  return f;
}

int texelsAlong(double extent) {
  return std::clamp(static_cast<int>(std::ceil(extent / kLightmapTexel)) + 1, 2, kLightmapSize);
}

struct Patch {
  int page = 0, x = 0, y = 0, w = 0, h = 0;
};

// Shelf packing, tallest patches first, each into the first page with room.
std::vector<Patch> packPatches(const std::vector<std::pair<int, int>> &sizes, int &pageCount) {
  std::vector<std::size_t> order(sizes.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return sizes[a].second > sizes[b].second; });
  struct Shelf {
    int page, y, height, used;
  };
  std::vector<Shelf> shelves;
  std::vector<int> pageFill; // first free row per page
  std::vector<Patch> patches(sizes.size());
  for (std::size_t i : order) {
    auto [w, h] = sizes[i];
    Shelf *home = nullptr;
    for (Shelf &s : shelves)
      if (h <= s.height && s.used + w <= kLightmapSize) {
        home = &s;
        break;
      }
    if (!home) {
      int page = 0;
      while (page < static_cast<int>(pageFill.size()) && pageFill[page] + h > kLightmapSize)
        ++page;
      if (page == static_cast<int>(pageFill.size()))
        pageFill.push_back(0);
      shelves.push_back({page, pageFill[page], h, 0});
      pageFill[page] += h;
      home = &shelves.back();
    }
    patches[i] = {home->page, home->used, home->y, w, h};
    home->used += w;
  }
  pageCount = static_cast<int>(pageFill.size());
  return patches;
}

} // namespace

uint8_t lightmapTexel(double light) {
  return static_cast<uint8_t>(std::lround(255.0 * std::pow(std::clamp(light, 0.0, 1.0), kLightmapLoadGamma)));
}

double ambientLight(const LevelDescription &level, const Vec &point, const Vec &normal) {
  int axis = 0;
  for (int a = 0; a < 3; ++a)
    if (std::fabs(normal[a]) > 0.5)
      axis = a;
  double sign = normal[axis] > 0 ? 1 : -1;
  int u = (axis + 1) % 3, v = (axis + 2) % 3;
  Vec origin = point;
  origin[axis] += 0.5 * sign;    // start just off the surface, outside its own brush
  std::vector<const Box *> near; // only brushes within reach can occlude
  for (const BrushSpec &b : level.brushes) {
    bool inReach = true;
    for (int a = 0; a < 3; ++a)
      inReach = inReach && origin[a] >= b.box.min[a] - kOcclusionRange &&
                origin[a] <= b.box.max[a] + kOcclusionRange;
    if (inReach)
      near.push_back(&b.box);
  }
  double occlusion = 0;
  for (const Vec &local : hemisphere()) {
    Vec dir{};
    dir[u] = local[0];
    dir[v] = local[1];
    dir[axis] = local[2] * sign;
    double nearest = kOcclusionRange;
    for (const Box *box : near) {
      double t = rayEntersBox(origin, dir, *box);
      if (t >= 0 && t < nearest)
        nearest = t;
    }
    occlusion += 1.0 - nearest / kOcclusionRange;
  }
  occlusion /= kOcclusionRays;
  return 1.0 - kOcclusionStrength * occlusion;
}

void bakeLightmaps(const LevelDescription &level, BspLevel &bsp) {
  std::vector<FaceFrame> frames;
  std::vector<std::pair<int, int>> sizes;
  for (const BspFace &face : bsp.faces) {
    frames.push_back(frameOf(bsp, face));
    sizes.push_back({texelsAlong(frames.back().maxU - frames.back().minU),
                     texelsAlong(frames.back().maxV - frames.back().minV)});
  }
  int pages = 0;
  std::vector<Patch> patches = packPatches(sizes, pages);
  bsp.lightmaps.assign(static_cast<std::size_t>(pages) * kPageBytes, lightmapTexel(1.0));

  for (std::size_t f = 0; f < bsp.faces.size(); ++f) {
    const FaceFrame &fr = frames[f];
    const Patch &p = patches[f];
    BspFace &face = bsp.faces[f];
    face.lightmap = p.page;
    face.lightmapOffset[0] = p.x;
    face.lightmapOffset[1] = p.y;
    face.lightmapSize[0] = p.w;
    face.lightmapSize[1] = p.h;
    // Face corners map to the centres of the patch's corner texels, so
    // filtering never reads a neighbouring patch.
    for (int i = 0; i < face.vertexCount; ++i) {
      BspVertex &vertex = bsp.vertices[face.vertexStart + i];
      double su = (vertex.position[fr.u] - fr.minU) / (fr.maxU - fr.minU);
      double sv = (vertex.position[fr.v] - fr.minV) / (fr.maxV - fr.minV);
      vertex.lightmap[0] = static_cast<float>((p.x + 0.5 + su * (p.w - 1)) / kLightmapSize);
      vertex.lightmap[1] = static_cast<float>((p.y + 0.5 + sv * (p.h - 1)) / kLightmapSize);
    }
    for (int j = 0; j < p.h; ++j)
      for (int i = 0; i < p.w; ++i) {
        Vec point{};
        point[fr.axis] = fr.plane;
        point[fr.u] = fr.minU + (fr.maxU - fr.minU) * i / (p.w - 1);
        point[fr.v] = fr.minV + (fr.maxV - fr.minV) * j / (p.h - 1);
        double light = ambientLight(level, point, fr.normal);
        uint8_t value = lightmapTexel(light);
        uint8_t *texel = &bsp.lightmaps[static_cast<std::size_t>(p.page) * kPageBytes +
                                        (static_cast<std::size_t>(p.y + j) * kLightmapSize + p.x + i) * 3];
        texel[0] = texel[1] = texel[2] = value;
      }
  }
}

} // namespace levelc
