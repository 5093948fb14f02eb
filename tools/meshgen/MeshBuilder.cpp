#include "MeshBuilder.h"

#include <fstream>
#include <stdexcept>

namespace meshgen {

using Ogre::Real;
using Ogre::Vector2;
using Ogre::Vector3;

void MeshBuilder::use(const std::string &material, unsigned short bone) {
  mMaterial = material;
  mBone = bone;
}

MaterialPart &MeshBuilder::current() {
  return mParts[mMaterial];
}

Ogre::uint16 MeshBuilder::addVertex(const Vector3 &p, const Vector3 &n, const Vector2 &uv) {
  MaterialPart &part = current();
  if (part.vertices.size() >= 65535)
    throw std::runtime_error("meshgen: too many vertices for 16-bit indices in material " + mMaterial);
  part.vertices.push_back(BuilderVertex{p, n.normalisedCopy(), uv, mBone});
  return static_cast<Ogre::uint16>(part.vertices.size() - 1);
}

void MeshBuilder::addTriangle(Ogre::uint16 a, Ogre::uint16 b, Ogre::uint16 c) {
  MaterialPart &part = current();
  part.indices.insert(part.indices.end(), {a, b, c});
}

void MeshBuilder::addBox(const Vector3 &centre, const Vector3 &half) {
  // Each face: outward normal and two in-plane axes whose cross product is
  // the normal, so the winding is counter-clockwise seen from outside.
  struct Face {
    Vector3 n, u, v;
  };
  const Face faces[] = {{Vector3::UNIT_X, Vector3::NEGATIVE_UNIT_Z, Vector3::UNIT_Y},
                        {Vector3::NEGATIVE_UNIT_X, Vector3::UNIT_Z, Vector3::UNIT_Y},
                        {Vector3::UNIT_Y, Vector3::UNIT_X, Vector3::NEGATIVE_UNIT_Z},
                        {Vector3::NEGATIVE_UNIT_Y, Vector3::UNIT_X, Vector3::UNIT_Z},
                        {Vector3::UNIT_Z, Vector3::UNIT_X, Vector3::UNIT_Y},
                        {Vector3::NEGATIVE_UNIT_Z, Vector3::NEGATIVE_UNIT_X, Vector3::UNIT_Y}};
  for (const Face &f : faces) {
    Ogre::uint16 idx[4];
    const Real su[4] = {-1, 1, 1, -1};
    const Real sv[4] = {-1, -1, 1, 1};
    for (int k = 0; k < 4; ++k) {
      const Vector3 p = centre + (f.n + f.u * su[k] + f.v * sv[k]) * half;
      idx[k] = addVertex(p, f.n, Vector2((su[k] + 1) / 2, (1 - sv[k]) / 2));
    }
    addTriangle(idx[0], idx[1], idx[2]);
    addTriangle(idx[0], idx[2], idx[3]);
  }
}

void MeshBuilder::addCylinder(const Vector3 &from, const Vector3 &to, const Vector2 &radiusFrom,
                              const Vector2 &radiusTo, int sides) {
  const Vector3 axis = (to - from).normalisedCopy();
  // "across" follows X unless the axis is nearly X; "deep" completes the frame.
  Vector3 across = Vector3::UNIT_X - axis * axis.dotProduct(Vector3::UNIT_X);
  if (across.squaredLength() < 1e-4)
    across = Vector3::UNIT_Z - axis * axis.dotProduct(Vector3::UNIT_Z);
  across.normalise();
  const Vector3 deep = across.crossProduct(axis).normalisedCopy() * -1;
  const Real length = (to - from).length();
  std::vector<Ogre::uint16> ringA, ringB;
  for (int i = 0; i <= sides; ++i) {
    const Real a = Ogre::Math::TWO_PI * i / sides;
    const Real c = std::cos(a), s = std::sin(a);
    const Vector3 pa = from + across * (c * radiusFrom.x) + deep * (s * radiusFrom.y);
    const Vector3 pb = to + across * (c * radiusTo.x) + deep * (s * radiusTo.y);
    // Normal of an elliptical, slightly tapered side.
    Vector3 n =
        across * (c / std::max<Real>(radiusFrom.x, 0.01f)) + deep * (s / std::max<Real>(radiusFrom.y, 0.01f));
    n.normalise();
    const Real slope =
        ((radiusFrom.x + radiusFrom.y) - (radiusTo.x + radiusTo.y)) / 2 / std::max<Real>(length, 0.01f);
    n = (n + axis * slope).normalisedCopy();
    ringA.push_back(addVertex(pa, n, Vector2(Real(i) / sides, 1)));
    ringB.push_back(addVertex(pb, n, Vector2(Real(i) / sides, 0)));
  }
  for (int i = 0; i < sides; ++i) {
    addTriangle(ringA[i], ringA[i + 1], ringB[i + 1]);
    addTriangle(ringA[i], ringB[i + 1], ringB[i]);
  }
  // Caps.
  const Ogre::uint16 centreA = addVertex(from, -axis, Vector2(0.5f, 0.5f));
  const Ogre::uint16 centreB = addVertex(to, axis, Vector2(0.5f, 0.5f));
  std::vector<Ogre::uint16> capA, capB;
  for (int i = 0; i <= sides; ++i) {
    const Real a = Ogre::Math::TWO_PI * i / sides;
    const Real c = std::cos(a), s = std::sin(a);
    const Vector2 uv(0.5f + c / 2, 0.5f + s / 2);
    capA.push_back(addVertex(from + across * (c * radiusFrom.x) + deep * (s * radiusFrom.y), -axis, uv));
    capB.push_back(addVertex(to + across * (c * radiusTo.x) + deep * (s * radiusTo.y), axis, uv));
  }
  for (int i = 0; i < sides; ++i) {
    addTriangle(centreA, capA[i + 1], capA[i]);
    addTriangle(centreB, capB[i], capB[i + 1]);
  }
}

void MeshBuilder::addEllipsoid(const Vector3 &centre, const Vector3 &radii, int rings, int segments,
                               Real minLatitude) {
  std::vector<std::vector<Ogre::uint16>> grid;
  for (int r = 0; r <= rings; ++r) {
    const Real lat = minLatitude + (Ogre::Math::HALF_PI - minLatitude) * r / rings;
    std::vector<Ogre::uint16> row;
    for (int s = 0; s <= segments; ++s) {
      const Real lon = Ogre::Math::TWO_PI * s / segments;
      const Vector3 unit(std::cos(lat) * std::sin(lon), std::sin(lat), std::cos(lat) * std::cos(lon));
      const Vector3 p = centre + unit * radii;
      const Vector3 n(unit.x / radii.x, unit.y / radii.y, unit.z / radii.z);
      row.push_back(addVertex(p, n, Vector2(Real(s) / segments, 1 - Real(r) / rings)));
    }
    grid.push_back(row);
  }
  for (int r = 0; r < rings; ++r)
    for (int s = 0; s < segments; ++s) {
      addTriangle(grid[r][s], grid[r][s + 1], grid[r + 1][s + 1]);
      addTriangle(grid[r][s], grid[r + 1][s + 1], grid[r + 1][s]);
    }
  if (minLatitude > -Ogre::Math::HALF_PI + 1e-3f) {
    // Close the open bottom of a dome with a flat disc.
    const Real lat = minLatitude;
    const Vector3 discCentre = centre + Vector3(0, std::sin(lat) * radii.y, 0);
    const Ogre::uint16 c = addVertex(discCentre, Vector3::NEGATIVE_UNIT_Y, Vector2(0.5f, 0.5f));
    std::vector<Ogre::uint16> rim;
    for (int s = 0; s <= segments; ++s) {
      const Real lon = Ogre::Math::TWO_PI * s / segments;
      const Vector3 p =
          centre +
          Vector3(std::cos(lat) * std::sin(lon), std::sin(lat), std::cos(lat) * std::cos(lon)) * radii;
      rim.push_back(addVertex(p, Vector3::NEGATIVE_UNIT_Y,
                              Vector2(0.5f + std::sin(lon) / 2, 0.5f + std::cos(lon) / 2)));
    }
    for (int s = 0; s < segments; ++s)
      addTriangle(c, rim[s + 1], rim[s]);
  }
}

void MeshBuilder::translateAll(const Vector3 &offset) {
  for (auto &entry : mParts)
    for (BuilderVertex &v : entry.second.vertices)
      v.position += offset;
}

Ogre::AxisAlignedBox MeshBuilder::bounds() const {
  Ogre::AxisAlignedBox box;
  for (const auto &entry : mParts)
    for (const BuilderVertex &v : entry.second.vertices)
      box.merge(v.position);
  return box;
}

Ogre::MeshPtr MeshBuilder::build(const std::string &name, const std::string &group,
                                 const Ogre::SkeletonPtr &skeleton,
                                 const Ogre::AxisAlignedBox &bounds) const {
  Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual(name, group);
  for (const auto &entry : mParts) {
    const MaterialPart &part = entry.second;
    Ogre::SubMesh *sub = mesh->createSubMesh();
    // A sub-mesh keeps a material, not a name: stand-ins carry the names
    // into the file; the real materials are scripts of the stage.
    if (!Ogre::MaterialManager::getSingleton().resourceExists(entry.first, group))
      Ogre::MaterialManager::getSingleton().create(entry.first, group);
    sub->setMaterialName(entry.first, group);
    sub->useSharedVertices = false;
    sub->vertexData = new Ogre::VertexData();
    sub->vertexData->vertexCount = part.vertices.size();
    Ogre::VertexDeclaration *decl = sub->vertexData->vertexDeclaration;
    size_t offset = 0;
    offset += decl->addElement(0, offset, Ogre::VET_FLOAT3, Ogre::VES_POSITION).getSize();
    offset += decl->addElement(0, offset, Ogre::VET_FLOAT3, Ogre::VES_NORMAL).getSize();
    offset += decl->addElement(0, offset, Ogre::VET_FLOAT2, Ogre::VES_TEXTURE_COORDINATES, 0).getSize();
    Ogre::HardwareVertexBufferSharedPtr vbuf = Ogre::HardwareBufferManager::getSingleton().createVertexBuffer(
        offset, part.vertices.size(), Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY);
    std::vector<float> data;
    data.reserve(part.vertices.size() * 8);
    for (const BuilderVertex &v : part.vertices)
      data.insert(data.end(),
                  {float(v.position.x), float(v.position.y), float(v.position.z), float(v.normal.x),
                   float(v.normal.y), float(v.normal.z), float(v.uv.x), float(v.uv.y)});
    vbuf->writeData(0, data.size() * sizeof(float), data.data(), true);
    sub->vertexData->vertexBufferBinding->setBinding(0, vbuf);

    Ogre::HardwareIndexBufferSharedPtr ibuf = Ogre::HardwareBufferManager::getSingleton().createIndexBuffer(
        Ogre::HardwareIndexBuffer::IT_16BIT, part.indices.size(),
        Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY);
    ibuf->writeData(0, part.indices.size() * sizeof(Ogre::uint16), part.indices.data(), true);
    sub->indexData->indexBuffer = ibuf;
    sub->indexData->indexCount = part.indices.size();
    sub->indexData->indexStart = 0;

    if (skeleton) {
      for (size_t i = 0; i < part.vertices.size(); ++i) {
        Ogre::VertexBoneAssignment vba;
        vba.vertexIndex = static_cast<unsigned int>(i);
        vba.boneIndex = part.vertices[i].bone;
        vba.weight = 1.0f;
        sub->addBoneAssignment(vba);
      }
    }
  }
  if (skeleton) {
    Ogre::SkeletonPtr skel = skeleton;
    mesh->_notifySkeleton(skel);
  }
  mesh->_setBounds(bounds, false);
  mesh->_setBoundingSphereRadius(std::max(bounds.getMaximum().length(), bounds.getMinimum().length()));
  if (skeleton)
    mesh->_compileBoneAssignments();
  mesh->load();
  return mesh;
}

void writeTga(const std::string &path, int width, int height, const std::vector<Ogre::uint8> &rgba) {
  if (width <= 0 || height <= 0 || rgba.size() != size_t(width) * size_t(height) * 4)
    throw std::runtime_error("meshgen: bad image size for " + path);
  std::ofstream out(path, std::ios::binary);
  if (!out)
    throw std::runtime_error("meshgen: cannot write " + path);
  Ogre::uint8 header[18] = {};
  header[2] = 2; // uncompressed true colour
  header[12] = Ogre::uint8(width & 0xff);
  header[13] = Ogre::uint8(width >> 8);
  header[14] = Ogre::uint8(height & 0xff);
  header[15] = Ogre::uint8(height >> 8);
  header[16] = 32;
  header[17] = 0x28; // 8 alpha bits, rows stored from the top
  out.write(reinterpret_cast<const char *>(header), sizeof header);
  std::vector<Ogre::uint8> bgra(rgba.size());
  for (size_t i = 0; i < rgba.size(); i += 4) {
    bgra[i] = rgba[i + 2];
    bgra[i + 1] = rgba[i + 1];
    bgra[i + 2] = rgba[i];
    bgra[i + 3] = rgba[i + 3];
  }
  out.write(reinterpret_cast<const char *>(bgra.data()), std::streamsize(bgra.size()));
  if (!out)
    throw std::runtime_error("meshgen: write failed for " + path);
}

} // namespace meshgen
