// The visited test of the path search without square roots: it must answer
// as a scan of the whole record with Ogre's float distance would, to the
// last rounding, or search records would change.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "refapp/OgreRefAppSpatialHash.h"

namespace sw::test {
namespace {

using OgreRefApp::SpatialHash;

TEST(SpatialHashTest, SquaredLimitSplitsSquaredDistancesAsTheSquareRootDoes) {
  std::mt19937 random(12);
  std::uniform_real_distribution<double> lengths(0.5, 40);
  for (int i = 0; i < 2000; ++i) {
    const double length = i < 3 ? 10 * std::pow(1.5, i) : lengths(random);
    const float limit = SpatialHash::squaredLimitOf(length);
    ASSERT_GE(std::sqrt(limit), length) << length;
    // Every float from a few below the limit to a few above it.
    float s = limit;
    for (int k = 0; k < 4; ++k)
      s = std::nextafter(s, 0.0f);
    for (int k = 0; k < 9; ++k, s = std::nextafter(s, 1e9f))
      ASSERT_EQ(std::sqrt(s) < length, s < limit) << length << " " << s;
  }
  EXPECT_EQ(0, SpatialHash::squaredLimitOf(0));
  EXPECT_EQ(0, SpatialHash::squaredLimitOf(-3));
}

// Points near a lattice of one step, as the search lays them out, and
// lengths of one step (a few longer, as a start node's may be): the hash
// agrees with a scan of every entry for every probe.
TEST(SpatialHashTest, AgreesWithAScanOfEveryEntry) {
  std::mt19937 random(7);
  for (double step : {10.0, 15.0, 22.5}) {
    SpatialHash hash;
    hash.reset(step);
    std::vector<std::pair<Ogre::Vector3, double>> entries;
    std::uniform_int_distribution<int> lattice(-40, 40);
    std::uniform_real_distribution<float> jitter(-1.5f, 1.5f);
    auto nearLattice = [&] {
      return Ogre::Vector3(static_cast<float>(lattice(random) * step * 0.7071) + jitter(random),
                           static_cast<float>(lattice(random) * step * 0.7071) + jitter(random), 0);
    };
    int near = 0, far = 0;
    for (int i = 0; i < 3000; ++i) {
      const double length = i % 500 == 0 ? step * 2.5 : step;
      const Ogre::Vector3 point = nearLattice();
      bool expected = false;
      for (const auto &entry : entries)
        expected = expected || entry.first.distance(point) < entry.second;
      ASSERT_EQ(expected, hash.isNearAny(point)) << step << " " << i;
      (expected ? near : far) += 1;
      if (!expected || i % 3 == 0) {
        hash.insert(point, length);
        entries.emplace_back(point, length);
      }
    }
    EXPECT_EQ(entries.size(), hash.size());
    EXPECT_GT(near, 500);
    EXPECT_GT(far, 500);
  }
}

// A search that spreads far, one way and then the other, grows the cells'
// window until it would be too large; points beyond it are still found.
TEST(SpatialHashTest, PointsFarApartAreFoundWhereverTheyLie) {
  SpatialHash hash;
  hash.reset(10);
  std::vector<Ogre::Vector3> points;
  for (float x : {0.0f, 400.0f, -1500.0f, 9000.0f, -2e5f, 3e6f, -4e6f})
    for (float y : {0.0f, -700.0f, 5e4f}) {
      ASSERT_FALSE(hash.isNearAny(Ogre::Vector3(x, y, 0))) << x << " " << y;
      hash.insert(Ogre::Vector3(x, y, 0), 10);
      points.emplace_back(x, y, 0);
    }
  for (const Ogre::Vector3 &point : points) {
    EXPECT_TRUE(hash.isNearAny(point + Ogre::Vector3(6, -7, 0))) << point.x << " " << point.y;
    EXPECT_FALSE(hash.isNearAny(point + Ogre::Vector3(8, -7, 0))) << point.x << " " << point.y;
  }
}

// Probes one length away from an entry, a float or two either way, along
// an axis and a diagonal: the hash rounds as the distance does.
TEST(SpatialHashTest, ProbesAtOneLengthRoundAsTheDistance) {
  const double step = 10;
  const Ogre::Vector3 entry(-500.3f, 260.7f, 0);
  SpatialHash hash;
  hash.reset(step);
  hash.insert(entry, step);
  int closer = 0, farther = 0;
  for (const Ogre::Vector3 &direction : {Ogre::Vector3::UNIT_X, Ogre::Vector3(-1, 1, 0).normalisedCopy()}) {
    Ogre::Vector3 probe = entry + direction * static_cast<float>(step);
    for (int k = 0; k < 3; ++k)
      probe = Ogre::Vector3(std::nextafter(probe.x, -1e9f), std::nextafter(probe.y, -1e9f), 0);
    for (int k = 0; k < 6; ++k) {
      const bool expected = entry.distance(probe) < step;
      EXPECT_EQ(expected, hash.isNearAny(probe)) << k;
      (expected ? closer : farther) += 1;
      probe = Ogre::Vector3(std::nextafter(probe.x, 1e9f), std::nextafter(probe.y, 1e9f), 0);
    }
  }
  // Both sides of the length occur, or the test proves little.
  EXPECT_GT(closer, 0);
  EXPECT_GT(farther, 0);
}

} // namespace
} // namespace sw::test
