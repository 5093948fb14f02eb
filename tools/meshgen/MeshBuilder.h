// Collects triangles of simple solids (boxes, tapered cylinders, ellipsoids),
// each part bound rigidly to one bone and painted with one material, and
// turns them into an OGRE mesh with one sub-mesh per material.
#pragma once

#include <OGRE/Ogre.h>

#include <map>
#include <string>
#include <vector>

namespace meshgen {

struct BuilderVertex {
  Ogre::Vector3 position;
  Ogre::Vector3 normal;
  Ogre::Vector2 uv;
  unsigned short bone = 0;
};

struct MaterialPart {
  std::vector<BuilderVertex> vertices;
  std::vector<Ogre::uint16> indices;
};

class MeshBuilder {
public:
  // Parts added afterwards use this material and bone.
  void use(const std::string &material, unsigned short bone);

  // Axis-aligned box around centre with the given half extents.
  void addBox(const Ogre::Vector3 &centre, const Ogre::Vector3 &half);
  // Cylinder between two points with elliptical cross sections: radii are
  // (across, deep) at each end; closed at both ends.
  void addCylinder(const Ogre::Vector3 &from, const Ogre::Vector3 &to, const Ogre::Vector2 &radiusFrom,
                   const Ogre::Vector2 &radiusTo, int sides = 12);
  // Ellipsoid; rings from the bottom pole upwards. Rings below minLatitude
  // (radians, -pi/2 is the bottom pole) are left out, which makes domes.
  void addEllipsoid(const Ogre::Vector3 &centre, const Ogre::Vector3 &radii, int rings = 10,
                    int segments = 14, Ogre::Real minLatitude = -Ogre::Math::HALF_PI);

  // Moves every vertex added so far.
  void translateAll(const Ogre::Vector3 &offset);
  Ogre::AxisAlignedBox bounds() const;
  const std::map<std::string, MaterialPart> &parts() const { return mParts; }

  // Builds a mesh in the given resource group. With a skeleton, every vertex
  // is assigned with weight 1 to its bone.
  Ogre::MeshPtr build(const std::string &name, const std::string &group, const Ogre::SkeletonPtr &skeleton,
                      const Ogre::AxisAlignedBox &bounds) const;

private:
  MaterialPart &current();
  Ogre::uint16 addVertex(const Ogre::Vector3 &p, const Ogre::Vector3 &n, const Ogre::Vector2 &uv);
  void addTriangle(Ogre::uint16 a, Ogre::uint16 b, Ogre::uint16 c);

  std::map<std::string, MaterialPart> mParts;
  std::string mMaterial = "BaseWhite";
  unsigned short mBone = 0;
};

// Writes an uncompressed 32-bit TGA (BGRA, rows stored from the top);
// pixels are RGBA rows from the top. Throws std::runtime_error.
void writeTga(const std::string &path, int width, int height, const std::vector<Ogre::uint8> &rgba);

} // namespace meshgen
