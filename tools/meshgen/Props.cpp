#include "Props.h"

#include "MeshBuilder.h"

#include <OGRE/OgreMeshSerializer.h>

#include <algorithm>
#include <cmath>

namespace meshgen {
namespace {

using Ogre::Real;
using Ogre::Vector2;
using Ogre::Vector3;

const char *kGroup = "Props";

void exportMesh(const MeshBuilder &b, const std::string &name, const std::string &outDir) {
  Ogre::AxisAlignedBox bounds = b.bounds();
  Ogre::MeshPtr mesh = b.build(name, kGroup, Ogre::SkeletonPtr(), bounds);
  Ogre::MeshSerializer().exportMesh(mesh.get(), outDir + "/" + name);
  Ogre::MeshManager::getSingleton().remove(mesh);
}

// Small deterministic value noise, 0..1, tileable with the given period.
Real hashNoise(int x, int y, int seed) {
  unsigned h = unsigned(x) * 374761393u + unsigned(y) * 668265263u + unsigned(seed) * 2147483647u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return Real((h ^ (h >> 16)) & 0xffff) / 65535.0f;
}

Real smoothNoise(Real x, Real y, int period, int seed) {
  const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  const Real fx = x - x0, fy = y - y0;
  auto at = [&](int i, int j) {
    return hashNoise(((i % period) + period) % period, ((j % period) + period) % period, seed);
  };
  const Real sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const Real top = at(x0, y0) * (1 - sx) + at(x0 + 1, y0) * sx;
  const Real bottom = at(x0, y0 + 1) * (1 - sx) + at(x0 + 1, y0 + 1) * sx;
  return top * (1 - sy) + bottom * sy;
}

Ogre::uint8 toByte(Real v) {
  return Ogre::uint8(std::clamp(v, Real(0), Real(1)) * 255 + 0.5f);
}

// Planks with grain, framed by darker battens: the crate face.
void writeCrateTexture(const std::string &path) {
  const int n = 128;
  std::vector<Ogre::uint8> px(n * n * 4);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const Real u = Real(x) / n, v = Real(y) / n;
      const bool frame = u < 0.1f || u > 0.9f || v < 0.1f || v > 0.9f || std::fabs(u - v) < 0.06f;
      const Real grain = 0.75f + 0.25f * smoothNoise(u * 4, v * 48, 4, frame ? 7 : 3);
      const Real seam = (std::fmod(v * 5, 1.0f) < 0.04f) ? 0.6f : 1.0f;
      const Real shade = (frame ? 0.72f : 1.0f) * grain * seam;
      Ogre::uint8 *p = &px[(y * n + x) * 4];
      p[0] = toByte(0.70f * shade);
      p[1] = toByte(0.50f * shade);
      p[2] = toByte(0.27f * shade);
      p[3] = 255;
    }
  writeTga(path, n, n, px);
}

// Red and white bands: a life-buoy ball.
void writeBallTexture(const std::string &path) {
  const int n = 64;
  std::vector<Ogre::uint8> px(n * n * 4);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const bool red = ((x * 8 / n) % 2) == 0;
      Ogre::uint8 *p = &px[(y * n + x) * 4];
      p[0] = red ? 210 : 235;
      p[1] = red ? 40 : 235;
      p[2] = red ? 35 : 230;
      p[3] = 255;
    }
  writeTga(path, n, n, px);
}

// Mottled green skin of the ogre head.
void writeOgreSkinTexture(const std::string &path) {
  const int n = 64;
  std::vector<Ogre::uint8> px(n * n * 4);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const Real m = 0.8f + 0.2f * smoothNoise(x / 6.0f, y / 6.0f, n / 6 + 1, 11);
      Ogre::uint8 *p = &px[(y * n + x) * 4];
      p[0] = toByte(0.45f * m);
      p[1] = toByte(0.68f * m);
      p[2] = toByte(0.32f * m);
      p[3] = 255;
    }
  writeTga(path, n, n, px);
}

void writeCube(const std::string &outDir) {
  MeshBuilder b;
  b.use("Props/Crate", 0);
  b.addBox(Vector3::ZERO, Vector3(50, 50, 50));
  exportMesh(b, "cube.mesh", outDir);
}

void writeSphere(const std::string &outDir) {
  MeshBuilder b;
  b.use("Props/Ball", 0);
  b.addEllipsoid(Vector3::ZERO, Vector3(100, 100, 100), 16, 24);
  exportMesh(b, "sphere.mesh", outDir);
}

// An ogre's head, facing +Z, centred on the origin, radius about 25.
void writeOgreHead(const std::string &outDir) {
  MeshBuilder b;
  b.use("Props/OgreSkin", 0);
  b.addEllipsoid(Vector3(0, 0, 0), Vector3(22, 25, 22), 14, 20);
  b.addEllipsoid(Vector3(0, -12, 9), Vector3(15, 10, 13), 8, 14); // jaw
  b.addEllipsoid(Vector3(0, 1, 21), Vector3(5, 6.5f, 5), 6, 10);  // nose
  b.addEllipsoid(Vector3(0, 9, 16), Vector3(15, 3.5f, 6), 5, 12); // brow
  for (int side : {1, -1}) {
    b.addCylinder(Vector3(20 * side, 4, 0), Vector3(27 * side, 12, -2), Vector2(5, 4), Vector2(1.5f, 1.2f),
                  8); // ears
  }
  b.use("Props/OgreEye", 0);
  for (int side : {1, -1})
    b.addEllipsoid(Vector3(7 * side, 5, 17.5f), Vector3(4, 3.5f, 2.5f), 6, 10);
  b.use("Props/OgrePupil", 0);
  for (int side : {1, -1})
    b.addEllipsoid(Vector3(7 * side, 5, 19.6f), Vector3(1.6f, 1.6f, 1), 4, 8);
  b.use("Props/OgreTusk", 0);
  for (int side : {1, -1})
    b.addCylinder(Vector3(6 * side, -12, 20), Vector3(7.5f * side, -2, 22), Vector2(2.2f, 2.2f),
                  Vector2(0.4f, 0.4f), 8);
  b.use("Props/OgreHorn", 0);
  for (int side : {1, -1})
    b.addCylinder(Vector3(11 * side, 18, 2), Vector3(19 * side, 30, -3), Vector2(4, 4), Vector2(0.8f, 0.8f),
                  10);
  exportMesh(b, "OgreHead.mesh", outDir);
}

} // namespace

void writeProps(const std::string &outDir) {
  if (!Ogre::ResourceGroupManager::getSingleton().resourceGroupExists(kGroup))
    Ogre::ResourceGroupManager::getSingleton().createResourceGroup(kGroup);
  writeCube(outDir);
  writeSphere(outDir);
  writeOgreHead(outDir);
  writeCrateTexture(outDir + "/crate.tga");
  writeBallTexture(outDir + "/ball.tga");
  writeOgreSkinTexture(outDir + "/ogre_skin.tga");
}

void writeEffectTextures(const std::string &outDir) {
  // A soft, ragged puff: white, the particle colour tints it; alpha falls
  // off to the rim so overlapping puffs blend into flames and smoke.
  const int n = 64;
  std::vector<Ogre::uint8> px(n * n * 4);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const Real dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1;
      const Real r = std::sqrt(dx * dx + dy * dy);
      const Real ragged = 0.75f + 0.25f * smoothNoise(x / 8.0f, y / 8.0f, 8, 5);
      const Real core = std::clamp(1 - r, Real(0), Real(1));
      const Real alpha = std::pow(core, 1.4f) * ragged;
      Ogre::uint8 *p = &px[(y * n + x) * 4];
      const Ogre::uint8 lum = toByte(0.85f + 0.15f * ragged);
      p[0] = p[1] = p[2] = lum;
      p[3] = toByte(alpha * 1.3f);
    }
  writeTga(outDir + "/smoke_puff.tga", n, n, px);
}

} // namespace meshgen
