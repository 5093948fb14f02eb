#include "TextureGenerator.h"

#include <algorithm>
#include <cmath>

namespace levelc {

namespace {

// Deterministic value noise in 0..1 for a pixel and a seed.
double hashNoise(int x, int y, int seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               static_cast<uint32_t>(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xffffu) / 65535.0;
}

// Smooth noise on a grid of `cell` pixels that tiles over the texture.
double smoothNoise(int x, int y, int cell, int seed) {
  int cells = kTextureSize / cell;
  double fx = static_cast<double>(x) / cell, fy = static_cast<double>(y) / cell;
  int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
  double tx = fx - x0, ty = fy - y0;
  auto at = [&](int cx, int cy) { return hashNoise(cx % cells, cy % cells, seed); };
  double top = at(x0, y0) * (1 - tx) + at(x0 + 1, y0) * tx;
  double bottom = at(x0, y0 + 1) * (1 - tx) + at(x0 + 1, y0 + 1) * tx;
  return top * (1 - ty) + bottom * ty;
}

// Multiplier applied to the base colour at a pixel, about 0.3..1.3.
double plateShade(int x, int y) {
  if (x % 64 == 0 || y % 64 == 0)
    return 0.55; // plate seams
  if (x % 64 == 1 || y % 64 == 1)
    return 1.15;
  // Staggered tread diamonds every 16 pixels.
  int cx = x % 16, cy = y % 16;
  int dx = std::abs(cx - 8), dy = std::abs(cy - 8);
  bool diamond = ((x / 16 + y / 16) % 2 == 0) ? (dx + 2 * dy < 7) : (2 * dx + dy < 7);
  double shade = diamond ? 1.18 : 0.95;
  return shade * (0.92 + 0.16 * smoothNoise(x, y, 16, 1));
}

double panelShade(int x, int y) {
  int px = x % 64;
  if (px == 0 || px == 1)
    return 0.6; // seam between panels
  if (px == 2)
    return 1.12;
  if ((px == 6 || px == 58) && y % 16 == 8)
    return 0.7; // rivets along the seams
  if (y >= 120)
    return 0.72; // a dark band every 128 units of height
  return 0.94 + 0.1 * smoothNoise(x, y, 32, 2);
}

double hullShade(int x, int y) {
  if (y % 32 == 0)
    return 0.6; // plate edges
  if (x % 64 == 0 && y % 32 < 16)
    return 0.7;
  return 0.85 + 0.3 * smoothNoise(x, y, 8, 3) * smoothNoise(x, y, 32, 4);
}

double machineShade(int x, int y) {
  int gx = x % 32, gy = y % 32;
  if (gx > 4 && gx < 28 && gy % 6 < 2 && gy > 4 && gy < 28)
    return 0.45; // grille slots
  if ((gx == 2 || gx == 29) && (gy == 2 || gy == 29))
    return 1.3; // bolts
  return 0.95 + 0.1 * smoothNoise(x, y, 16, 5);
}

double woodShade(int x, int y) {
  double grain = std::sin((y + 6.0 * smoothNoise(x, y, 32, 6)) * 0.8);
  double plank = (y % 32 == 0) ? 0.6 : 1.0;
  return plank * (0.88 + 0.12 * grain);
}

std::array<double, 3> pixelColour(const TextureSpec &spec, int x, int y) {
  std::array<double, 3> base{spec.rgb[0] / 255.0, spec.rgb[1] / 255.0, spec.rgb[2] / 255.0};
  double shade = 1.0;
  switch (spec.pattern) {
  case Pattern::Plate:
    shade = plateShade(x, y);
    break;
  case Pattern::Panel:
    shade = panelShade(x, y);
    break;
  case Pattern::Hull:
    shade = hullShade(x, y);
    break;
  case Pattern::Hazard:
    if (((x + y) / 16) % 2 == 1)
      base = {0.1, 0.1, 0.1}; // black stripes between the base colour
    shade = 0.95 + 0.1 * smoothNoise(x, y, 16, 7);
    break;
  case Pattern::Machine:
    shade = machineShade(x, y);
    break;
  case Pattern::Wood:
    shade = woodShade(x, y);
    break;
  }
  return {base[0] * shade, base[1] * shade, base[2] * shade};
}

uint8_t toByte(double v) {
  return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

} // namespace

RgbImage generateTexture(const TextureSpec &spec, double brightness) {
  RgbImage image{kTextureSize, kTextureSize, std::vector<uint8_t>(kTextureSize * kTextureSize * 3)};
  for (int y = 0; y < kTextureSize; ++y)
    for (int x = 0; x < kTextureSize; ++x) {
      std::array<double, 3> c = pixelColour(spec, x, y);
      uint8_t *p = &image.rgb[(y * kTextureSize + x) * 3];
      for (int i = 0; i < 3; ++i)
        p[i] = toByte(c[i] * brightness);
    }
  return image;
}

std::vector<uint8_t> encodeTga(const RgbImage &image) {
  std::vector<uint8_t> out(18, 0);
  out[2] = 2; // uncompressed true colour
  out[12] = static_cast<uint8_t>(image.width & 0xff);
  out[13] = static_cast<uint8_t>(image.width >> 8);
  out[14] = static_cast<uint8_t>(image.height & 0xff);
  out[15] = static_cast<uint8_t>(image.height >> 8);
  out[16] = 24;   // bits a pixel
  out[17] = 0x20; // rows stored top to bottom
  out.reserve(out.size() + image.rgb.size());
  for (std::size_t i = 0; i + 2 < image.rgb.size(); i += 3) {
    out.push_back(image.rgb[i + 2]); // TGA stores blue, green, red
    out.push_back(image.rgb[i + 1]);
    out.push_back(image.rgb[i]);
  }
  return out;
}

} // namespace levelc
