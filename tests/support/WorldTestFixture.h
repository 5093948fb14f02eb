#pragma once
// Fixture of the world suites: the shared scene, a clean world after each test.

#include <memory>

#include <gtest/gtest.h>

#include <OgreSceneManager.h>

#include "refapp/OgreRefAppWorld.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/RefAppTestScene.h"

namespace sw::test {

class WorldTest : public ::testing::Test {
protected:
  void SetUp() override { world = refAppScene().world; }
  void TearDown() override {
    probes.clear();
    world->clear();
  }

  // A probe owned by the test, away from the level unless placed otherwise.
  ProbeObject &makeProbe(const Ogre::Vector3 &position, ProbeObject::Options options = {}) {
    probes.push_back(std::make_unique<ProbeObject>(uniqueName("probe"), options));
    probes.back()->setPosition(position);
    return *probes.back();
  }

  OgreRefApp::World *world = nullptr;
  std::vector<std::unique_ptr<ProbeObject>> probes;
};

// Far above the ship, where nothing else is.
inline Ogre::Vector3 highAbove(Ogre::Real x = 0) {
  return Ogre::Vector3(x, 0, 5000);
}

} // namespace sw::test
