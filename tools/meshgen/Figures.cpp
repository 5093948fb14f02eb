#include "Figures.h"

#include "MeshBuilder.h"

#include <OGRE/OgreMeshSerializer.h>
#include <OGRE/OgreSkeletonSerializer.h>

#include <cmath>
#include <stdexcept>
#include <vector>

// How the figures meet the scene
// ------------------------------
// A figure is a Y-up mesh facing +Z, its own left at +X. The scene code
// gives every person an object node (scale 0.6) with two local turns, and
// puts the animated "clone_" entity on a child node whose position depends
// on the state:
//
//   turn         pitch +90 (local X), then yaw -90 (local Y). Of the six
//                orders of two single-axis turns by +90 then -90 this is the
//                only one that takes mesh +Y to world +Z; mesh +Z (the face)
//                then looks along world -X and mesh +X along world -Y, and
//                any later yaw or clone-node turn spins about world Z.
//   offsets      clone node at (0, h, 0) in the object node's axes, i.e.
//                0.6 * h above the object in world Z, where with the
//                entity's bounding-box depth D (mesh Z extent, padded by the
//                engine's bounds padding when loaded):
//                  dead states ("Dead" in the name): h = 0, NPCs and chiefs;
//                  NPC, any other state:              h = D + 12;
//                  chief (Character), standing:       h = floor(D + 20) + k;
//                  chief, state containing "Crouch":  h = floor(D / 2 + 10) + k;
//                with k = 6 for "captain.mesh" and 2 otherwise.
//
// So each animation places the body relative to the mesh origin where its
// user's offset needs it: the lowest point of a standing or kneeling pose
// lies at mesh Y = -h (the feet then touch the deck at the object's height),
// and the lying and sitting poses rest on mesh Y = 0, centred on the origin
// across the deck (0.6 scale: a lying body is about 20 units thick). The
// root bone of every key carries that placement, computed here from the
// posed vertices, so each key is grounded exactly.
//
// Who shows which pose: passengers are NPCs ("passenger1.mesh": lying,
// sitting, and "Idle"/"Walk" once healed); the captain is only a chief;
// "medic_crew.mesh" and "fireman_crew.mesh" are both NPC crew (work poses,
// "Idle") and the medic and fireman chiefs (all standing poses, "Walk").
// Where both use an animation their offsets differ by 10 mesh units
// standing and by D/2 kneeling; the pose then sits half-way, so either
// user's feet are within 3 (standing) or 7 (kneeling) world units of the
// deck. The bounding box is fixed at 60 x ~173 x 40 (X, Y, Z) so D is known
// here: D = 40 * (1 + 2 * padding).

namespace meshgen {
namespace {

using Ogre::Real;
using Ogre::Vector2;
using Ogre::Vector3;

const Real kHalfWidth = 30;     // mesh X half extent of the bounding box
const Real kHalfDepth = 20;     // mesh Z half extent of the bounding box
const Real kBindLift = 50;      // mesh origin above the feet in the bind pose
const char *kGroup = "Figures"; // private resource group of the generator

enum Bone : unsigned short {
  Root,
  Hips,
  Chest,
  Head,
  UpperArmL,
  ForeArmL,
  UpperArmR,
  ForeArmR,
  ThighL,
  ShinL,
  ThighR,
  ShinR,
  BoneCount
};

struct BoneSpec {
  const char *name;
  int parent;
  Vector3 joint; // position above the feet in the bind pose (feet at Y = 0)
};

const BoneSpec kBones[BoneCount] = {
    {"Root", -1, Vector3(0, kBindLift, 0)},      {"Hips", Root, Vector3(0, 95, 0)},
    {"Chest", Hips, Vector3(0, 106, 0)},         {"Head", Chest, Vector3(0, 144, 0)},
    {"UpperArm.L", Chest, Vector3(21, 140, 0)},  {"ForeArm.L", UpperArmL, Vector3(21, 112, 0)},
    {"UpperArm.R", Chest, Vector3(-21, 140, 0)}, {"ForeArm.R", UpperArmR, Vector3(-21, 112, 0)},
    {"Thigh.L", Hips, Vector3(9, 92, 0)},        {"Shin.L", ThighL, Vector3(9, 50, 0)},
    {"Thigh.R", Hips, Vector3(-9, 92, 0)},       {"Shin.R", ThighR, Vector3(-9, 50, 0)},
};

// --- Looks -----------------------------------------------------------------

struct FigureStyle {
  std::string mesh;
  std::string skin, hair, eyes, top, trousers, shoes;
  std::string headgear; // "none", "peaked_cap", "cap", "helmet"
  std::string headgearMaterial, trimMaterial;
  std::string emblem; // "none", "epaulettes", "cross", "stripes"
  std::string emblemMaterial;
  bool chief = false; // shown as a player's character
  bool npc = false;   // shown as a non-player character
  int chiefLift = 2;  // the extra clone lift of this mesh as a chief
};

FigureStyle readStyle(const Ogre::ConfigFile &cfg, const std::string &section) {
  auto get = [&](const char *key, const char *fallback) { return cfg.getSetting(key, section, fallback); };
  FigureStyle s;
  s.mesh = section;
  s.skin = get("skin", "Figure/Skin");
  s.hair = get("hair", "");
  s.eyes = get("eyes", "Figure/Eyes");
  s.top = get("top", "BaseWhite");
  s.trousers = get("trousers", "BaseWhite");
  s.shoes = get("shoes", "Figure/Shoes");
  s.headgear = get("headgear", "none");
  s.headgearMaterial = get("headgear_material", "BaseWhite");
  s.trimMaterial = get("trim_material", "Figure/Shoes");
  s.emblem = get("emblem", "none");
  s.emblemMaterial = get("emblem_material", "BaseWhite");
  const std::string shownAs = get("shown_as", "npc");
  s.chief = shownAs.find("chief") != std::string::npos;
  s.npc = shownAs.find("npc") != std::string::npos;
  s.chiefLift = Ogre::StringConverter::parseInt(get("chief_lift", "2"), 2);
  if (!s.chief && !s.npc)
    throw std::runtime_error("figures.cfg: " + section + " is shown as neither npc nor chief");
  return s;
}

// Geometry in the feet frame (feet on Y = 0); shifted to the mesh frame at the end.
void addBody(MeshBuilder &b, const FigureStyle &s) {
  // Legs: trousers down to the ankle, shoes.
  for (int side : {1, -1}) {
    const Real x = 9 * side;
    b.use(s.trousers, side > 0 ? ThighL : ThighR);
    b.addCylinder(Vector3(x, 97, 0), Vector3(x, 49, 0), Vector2(8.5f, 9), Vector2(6.5f, 7));
    b.use(s.trousers, side > 0 ? ShinL : ShinR);
    b.addCylinder(Vector3(x, 51, 0), Vector3(x, 9, 0), Vector2(6.5f, 7), Vector2(5, 5.5f));
    b.use(s.shoes, side > 0 ? ShinL : ShinR);
    b.addBox(Vector3(x, 4.5f, 3.5f), Vector3(5, 4.5f, 10));
  }
  // Pelvis and torso.
  b.use(s.trousers, Hips);
  b.addBox(Vector3(0, 97, 0), Vector3(17, 10, 10.5f));
  b.use(s.top, Chest);
  b.addCylinder(Vector3(0, 104, 0), Vector3(0, 138, 0), Vector2(16.5f, 10.5f), Vector2(19, 11.5f), 14);
  b.addEllipsoid(Vector3(0, 138, 0), Vector3(19, 6, 11.5f), 5, 14, 0);
  for (int side : {1, -1})
    b.addEllipsoid(Vector3(19.5f * side, 138.5f, 0), Vector3(6.5f, 6.5f, 7.5f), 6, 10);
  // Arms: sleeves to the wrist, hands.
  for (int side : {1, -1}) {
    const Real x = 21 * side;
    b.use(s.top, side > 0 ? UpperArmL : UpperArmR);
    b.addCylinder(Vector3(x, 141, 0), Vector3(x, 111, 0), Vector2(5.5f, 6), Vector2(4.6f, 5));
    b.use(s.top, side > 0 ? ForeArmL : ForeArmR);
    b.addCylinder(Vector3(x, 114, 0), Vector3(x, 88, 0), Vector2(4.6f, 5), Vector2(3.8f, 4.2f));
    b.use(s.skin, side > 0 ? ForeArmL : ForeArmR);
    b.addEllipsoid(Vector3(x, 82, 0.5f), Vector3(3.3f, 6.5f, 4.5f), 6, 10);
  }
  // Neck and head.
  b.use(s.skin, Head);
  b.addCylinder(Vector3(0, 140, 0), Vector3(0, 150, 0.5f), Vector2(5, 5), Vector2(4.6f, 4.6f), 10);
  b.addEllipsoid(Vector3(0, 158, 1), Vector3(10, 12, 11), 16, 24);
  b.addBox(Vector3(0, 156.5f, 12), Vector3(1.3f, 2.2f, 1.4f)); // nose
  for (int side : {1, -1})
    b.addEllipsoid(Vector3(10 * side, 157.5f, 0), Vector3(1.6f, 3.2f, 2.4f), 4, 8); // ears
  b.use(s.eyes, Head);
  for (int side : {1, -1})
    b.addBox(Vector3(3.9f * side, 160, 11.1f), Vector3(1.6f, 1.2f, 0.8f));
  b.addBox(Vector3(0, 152.2f, 11.2f), Vector3(3, 0.6f, 0.6f)); // mouth
  if (!s.hair.empty()) {
    b.use(s.hair, Head);
    b.addEllipsoid(Vector3(0, 160.5f, -2), Vector3(10.7f, 10.8f, 11.3f), 12, 24, -0.3f);
  }
}

void addHeadgear(MeshBuilder &b, const FigureStyle &s) {
  if (s.headgear == "peaked_cap") { // officer's cap: white crown, dark band, peak
    b.use(s.headgearMaterial, Head);
    b.addCylinder(Vector3(0, 165.5f, 0), Vector3(0, 172.5f, -0.5f), Vector2(11.2f, 12), Vector2(12.8f, 13.5f),
                  16);
    b.use(s.trimMaterial, Head);
    b.addCylinder(Vector3(0, 163.5f, 0.3f), Vector3(0, 167.5f, 0.1f), Vector2(11.4f, 12.2f),
                  Vector2(11.6f, 12.4f), 16);
    b.addBox(Vector3(0, 164.2f, 13), Vector3(8, 0.8f, 4.5f));
    b.use(s.emblemMaterial, Head);
    b.addBox(Vector3(0, 168.5f, 13.2f), Vector3(2.2f, 1.8f, 0.6f)); // badge
  } else if (s.headgear == "cap") {                                 // soft cap with a small peak
    b.use(s.headgearMaterial, Head);
    b.addEllipsoid(Vector3(0, 163, 0.5f), Vector3(11.2f, 9, 12.2f), 6, 16, 0);
    b.addBox(Vector3(0, 163.3f, 12.5f), Vector3(7, 0.7f, 4));
    b.use(s.emblemMaterial, Head);
    b.addBox(Vector3(0, 167, 11), Vector3(1.8f, 0.6f, 1.0f));
    b.addBox(Vector3(0, 167, 11), Vector3(0.6f, 1.8f, 1.0f));
  } else if (s.headgear == "helmet") { // fire helmet: dome, wide brim, crest
    b.use(s.headgearMaterial, Head);
    b.addEllipsoid(Vector3(0, 162, 0), Vector3(12.8f, 12, 14), 8, 16, 0);
    b.addCylinder(Vector3(0, 161.2f, -1), Vector3(0, 163, -1), Vector2(15.5f, 17.5f), Vector2(15, 17), 18);
    b.use(s.trimMaterial, Head);
    b.addBox(Vector3(0, 172.5f, 0), Vector3(1.4f, 1.8f, 12));
  } else if (s.headgear != "none") {
    throw std::runtime_error("figures.cfg: unknown headgear " + s.headgear);
  }
}

void addEmblem(MeshBuilder &b, const FigureStyle &s) {
  if (s.emblem == "epaulettes") {
    b.use(s.emblemMaterial, Chest);
    for (int side : {1, -1})
      b.addBox(Vector3(19 * side, 144.5f, 0), Vector3(5.5f, 1.2f, 5));
    for (int i = 0; i < 3; ++i) // buttons
      b.addBox(Vector3(0, 112 + 9 * i, 11.4f), Vector3(1.2f, 1.2f, 0.8f));
    b.use(s.emblemMaterial, ForeArmL);
    b.addCylinder(Vector3(21, 92, 0), Vector3(21, 90, 0), Vector2(4.4f, 4.8f), Vector2(4.3f, 4.7f));
    b.use(s.emblemMaterial, ForeArmR);
    b.addCylinder(Vector3(-21, 92, 0), Vector3(-21, 90, 0), Vector2(4.4f, 4.8f), Vector2(4.3f, 4.7f));
  } else if (s.emblem == "cross") {
    b.use(s.emblemMaterial, Chest);
    for (Real z : {11.6f, -11.6f}) {
      b.addBox(Vector3(0, 126, z), Vector3(6.5f, 2, 0.6f));
      b.addBox(Vector3(0, 126, z), Vector3(2, 6.5f, 0.6f));
    }
    b.use(s.emblemMaterial, UpperArmL);
    b.addCylinder(Vector3(21, 131, 0), Vector3(21, 125, 0), Vector2(5.9f, 6.4f), Vector2(5.7f, 6.2f));
  } else if (s.emblem == "stripes") {
    b.use(s.emblemMaterial, Chest);
    b.addCylinder(Vector3(0, 110, 0), Vector3(0, 113.5f, 0), Vector2(17.2f, 11), Vector2(17.5f, 11.1f), 14);
    b.addCylinder(Vector3(0, 126, 0), Vector3(0, 129.5f, 0), Vector2(18.3f, 11.5f), Vector2(18.5f, 11.6f),
                  14);
    for (int side : {1, -1}) {
      b.use(s.emblemMaterial, side > 0 ? ShinL : ShinR);
      b.addCylinder(Vector3(9 * side, 26, 0), Vector3(9 * side, 22, 0), Vector2(6.2f, 6.6f),
                    Vector2(6.1f, 6.5f));
      b.use(s.emblemMaterial, side > 0 ? ForeArmL : ForeArmR);
      b.addCylinder(Vector3(21 * side, 100, 0), Vector3(21 * side, 97, 0), Vector2(4.6f, 5),
                    Vector2(4.5f, 4.9f));
    }
  } else if (s.emblem != "none") {
    throw std::runtime_error("figures.cfg: unknown emblem " + s.emblem);
  }
}

// --- Skeleton and poses ------------------------------------------------------

Ogre::SkeletonPtr makeSkeleton(const std::string &name) {
  Ogre::SkeletonPtr skel = Ogre::static_pointer_cast<Ogre::Skeleton>(
      Ogre::SkeletonManager::getSingleton().create(name, kGroup, true));
  for (unsigned short h = 0; h < BoneCount; ++h) {
    Ogre::Bone *bone = skel->createBone(kBones[h].name, h);
    if (kBones[h].parent < 0) {
      bone->setPosition(kBones[h].joint - Vector3(0, kBindLift, 0));
    } else {
      skel->getBone(kBones[h].parent)->addChild(bone);
      bone->setPosition(kBones[h].joint - kBones[kBones[h].parent].joint);
    }
  }
  skel->setBindingPose();
  return skel;
}

// Rotations in degrees about the bone's X (forward bend), Y (twist) and Z
// (sideways) axes, applied as yaw * pitch * roll.
struct Pose {
  Vector3 angles[BoneCount];
  Pose() {
    for (Vector3 &a : angles)
      a = Vector3::ZERO;
    angles[UpperArmL] = Vector3(0, 0, 6);
    angles[UpperArmR] = Vector3(0, 0, -6);
  }
  Pose &set(Bone b, Real x, Real y, Real z) {
    angles[b] = Vector3(x, y, z);
    return *this;
  }
};

Ogre::Quaternion toQuaternion(const Vector3 &deg) {
  Ogre::Quaternion qx(Ogre::Degree(deg.x), Vector3::UNIT_X);
  Ogre::Quaternion qy(Ogre::Degree(deg.y), Vector3::UNIT_Y);
  Ogre::Quaternion qz(Ogre::Degree(deg.z), Vector3::UNIT_Z);
  return qy * qx * qz;
}

enum class Placement { Standing, Resting };

struct AnimationSpec {
  std::string name;
  Real length; // seconds; keys evenly spaced, the last equal to the first
  std::vector<Pose> keys;
  Placement placement;
};

Pose mirrored(const Pose &p) {
  Pose m;
  const std::pair<Bone, Bone> pairs[] = {
      {UpperArmL, UpperArmR}, {ForeArmL, ForeArmR}, {ThighL, ThighR}, {ShinL, ShinR}};
  for (int b = 0; b < BoneCount; ++b)
    m.angles[b] = Vector3(p.angles[b].x, -p.angles[b].y, -p.angles[b].z);
  for (const auto &pr : pairs) {
    m.angles[pr.first] = Vector3(p.angles[pr.second].x, -p.angles[pr.second].y, -p.angles[pr.second].z);
    m.angles[pr.second] = Vector3(p.angles[pr.first].x, -p.angles[pr.first].y, -p.angles[pr.first].z);
  }
  return m;
}

std::vector<AnimationSpec> animationSpecs() {
  std::vector<AnimationSpec> specs;

  { // Idle: quiet breathing, a glance to each side.
    Pose a, b, c, d;
    b.set(Chest, -1.5f, 0, 0).set(Head, 0, 8, 0).set(UpperArmL, 0, 0, 7.5f).set(UpperArmR, 0, 0, -7.5f);
    c.set(Chest, 0.5f, 0, 0);
    d.set(Chest, -1.5f, 0, 0).set(Head, 0, -8, 0).set(UpperArmL, 0, 0, 7.5f).set(UpperArmR, 0, 0, -7.5f);
    specs.push_back({"Idle", 4.0f, {a, b, c, d}, Placement::Standing});
  }
  { // Walk: one stride per leg, arms swinging against the legs; about 100
    // units a second once scaled by 0.6, the pace the station moves people.
    Pose contact;
    contact.set(ThighL, -26, 0, 0).set(ShinL, 6, 0, 0).set(ThighR, 18, 0, 0).set(ShinR, 22, 0, 0);
    contact.set(UpperArmL, 20, 0, 6)
        .set(ForeArmL, -12, 0, 0)
        .set(UpperArmR, -22, 0, -6)
        .set(ForeArmR, -22, 0, 0);
    contact.set(Chest, 3, -4, 0).set(Hips, 0, 5, 0);
    Pose passing;
    passing.set(ThighL, 2, 0, 0).set(ShinL, 4, 0, 0).set(ThighR, -18, 0, 0).set(ShinR, 55, 0, 0);
    passing.set(ForeArmL, -10, 0, 0).set(ForeArmR, -10, 0, 0).set(Chest, 3, 0, 0);
    specs.push_back(
        {"Walk", 0.95f, {contact, passing, mirrored(contact), mirrored(passing)}, Placement::Standing});
  }
  { // Dead: on the back, limbs thrown out, still.
    Pose p;
    p.set(Root, -90, 0, 0).set(Head, 0, 35, 0).set(UpperArmL, 0, 0, 75).set(ForeArmL, -25, 0, 0);
    p.set(UpperArmR, 0, 0, -55).set(ForeArmR, -15, 0, 0).set(ThighL, 0, 0, 14).set(ThighR, -20, 0, -8);
    p.set(ShinR, 35, 0, 0);
    specs.push_back({"Dead", 2.0f, {p, p}, Placement::Resting});
  }
  { // DeadBack: on the back, one hand on the belly, breathing shallowly.
    Pose a;
    a.set(Root, -90, 0, 0).set(Head, 0, 12, 0).set(UpperArmL, 0, 0, 16).set(ForeArmL, -15, 0, 0);
    a.set(UpperArmR, -22, 0, -4).set(ForeArmR, -25, 0, 80).set(ThighL, -12, 0, 4).set(ShinL, 22, 0, 0);
    Pose b = a;
    b.set(Chest, -3, 0, 0).set(Head, 4, 4, 0).set(ForeArmR, -22, 0, 76);
    specs.push_back({"DeadBack", 3.0f, {a, b}, Placement::Resting});
  }
  { // DeadStomach: face down, head turned aside, one arm by the head.
    Pose a;
    a.set(Root, 90, 0, 0).set(Head, 0, 75, 0).set(UpperArmL, 0, 0, 150).set(ForeArmL, -55, 0, 0);
    a.set(UpperArmR, 0, 0, -35).set(ForeArmR, -15, 0, 0).set(ThighL, 0, 0, 8).set(ThighR, -30, 0, -20);
    a.set(ShinR, 60, 0, 0);
    Pose b = a;
    b.set(Chest, 2.5f, 0, 0);
    specs.push_back({"DeadStomach", 3.0f, {a, b}, Placement::Resting});
  }
  { // DeadSitting: sat on the deck, legs out, slumped forward.
    Pose a;
    a.set(ThighL, -86, 0, 10).set(ShinL, 25, 0, 0).set(ThighR, -80, 0, -12).set(ShinR, 40, 0, 0);
    a.set(Chest, 22, 0, 0).set(Head, 28, 10, 0).set(UpperArmL, -25, 0, 12).set(ForeArmL, -45, 0, 0);
    a.set(UpperArmR, -20, 0, -12).set(ForeArmR, -50, 0, 0);
    Pose b = a;
    b.set(Chest, 18, 0, 0).set(Head, 24, 6, 0);
    specs.push_back({"DeadSitting", 3.0f, {a, b}, Placement::Resting});
  }
  { // Medkit_Crouch_Shoot1: kneeling on the right knee, hands working low in front.
    Pose a;
    a.set(ThighR, 5, 0, 0).set(ShinR, 90, 0, 0).set(ThighL, -85, 0, 6).set(ShinL, 88, 0, 0);
    a.set(Chest, 32, 0, 0).set(Head, 20, 0, 0).set(UpperArmL, -55, 0, -8).set(ForeArmL, -35, 0, 0);
    a.set(UpperArmR, -50, 0, 8).set(ForeArmR, -30, 0, 0);
    Pose b = a;
    b.set(UpperArmL, -65, 0, -10).set(ForeArmL, -15, 0, 0).set(UpperArmR, -42, 0, 6).set(ForeArmR, -50, 0, 0);
    specs.push_back({"Medkit_Crouch_Shoot1", 1.2f, {a, b}, Placement::Standing});
  }
  { // Fire_Shoot2: braced, both hands forward on a hose, sweeping.
    Pose a;
    a.set(ThighL, -18, 0, 4).set(ShinL, 12, 0, 0).set(ThighR, 14, 0, -4).set(ShinR, 6, 0, 0);
    a.set(Chest, 10, 0, 0).set(UpperArmL, -62, 0, -18).set(ForeArmL, -22, 0, 0);
    a.set(UpperArmR, -42, 0, 12).set(ForeArmR, -50, 0, 0);
    Pose left = a, right = a;
    left.set(Chest, 10, 14, 0);
    right.set(Chest, 10, -14, 0);
    specs.push_back({"Fire_Shoot2", 1.6f, {a, left, a, right}, Placement::Standing});
  }
  return specs;
}

// --- Placement against the scene's clone offsets --------------------------------

struct Offsets {
  Real npc;           // NPC, non-dead state
  Real chiefStanding; // Character, non-dead state without "Crouch"
  Real chiefCrouch;   // Character, state containing "Crouch"
};

Offsets cloneOffsets(const FigureStyle &s) {
  const Real padding = Ogre::MeshManager::getSingleton().getBoundsPaddingFactor();
  const Real depth = 2 * kHalfDepth * (1 + 2 * padding);
  return Offsets{depth + 12, std::floor(depth + 20) + s.chiefLift,
                 std::floor(depth * 0.5f + 10) + s.chiefLift};
}

// Height of the clone node's origin above the feet that this animation is
// made for: the mean of the offsets of whoever shows it on this mesh.
Real standingLift(const FigureStyle &s, const std::string &anim) {
  const Offsets o = cloneOffsets(s);
  const bool crouch = anim.find("Crouch") != std::string::npos;
  const Real chief = crouch ? o.chiefCrouch : o.chiefStanding;
  const bool passenger = s.npc && !s.chief && s.mesh.find("passenger") != std::string::npos;
  // Passengers stand and walk once healed; crew NPCs work and idle, but never walk.
  bool npcShows = s.npc && (passenger ? (anim == "Idle" || anim == "Walk") : anim != "Walk");
  bool chiefShows = s.chief;
  if (!npcShows && !chiefShows)
    npcShows = s.npc, chiefShows = !s.npc;
  if (npcShows && chiefShows)
    return (o.npc + chief) / 2;
  return npcShows ? o.npc : chief;
}

struct SkinnedVertex {
  Vector3 position;
  unsigned short bone;
};

std::vector<SkinnedVertex> skinnedVertices(const MeshBuilder &b) {
  std::vector<SkinnedVertex> out;
  for (const auto &entry : b.parts())
    for (const BuilderVertex &v : entry.second.vertices)
      out.push_back({v.position, v.bone});
  return out;
}

Ogre::AxisAlignedBox posedBounds(Ogre::Skeleton &skel, Ogre::Animation &anim, Real time,
                                 const std::vector<SkinnedVertex> &verts) {
  skel.reset(true);
  anim.apply(&skel, time);
  std::vector<Ogre::Affine3> mats(skel.getNumBones());
  skel._getBoneMatrices(mats.data());
  Ogre::AxisAlignedBox box;
  for (const SkinnedVertex &v : verts)
    box.merge(mats[v.bone] * v.position);
  skel.reset(true);
  return box;
}

void addAnimation(Ogre::Skeleton &skel, const AnimationSpec &spec, const FigureStyle &style,
                  const std::vector<SkinnedVertex> &verts) {
  Ogre::Animation *anim = skel.createAnimation(spec.name, spec.length);
  anim->setInterpolationMode(Ogre::Animation::IM_LINEAR);
  std::vector<Ogre::NodeAnimationTrack *> tracks;
  for (unsigned short h = 0; h < BoneCount; ++h)
    tracks.push_back(anim->createNodeTrack(h, skel.getBone(h)));
  // Keys between the designed poses, each grounded below, keep the feet
  // from dipping into the deck or lifting off while the poses blend.
  const int steps = 4;
  const size_t count = spec.keys.size() * steps;
  for (size_t k = 0; k <= count; ++k) { // the extra key closes the loop
    const Pose &from = spec.keys[(k / steps) % spec.keys.size()];
    const Pose &to = spec.keys[(k / steps + 1) % spec.keys.size()];
    const Real blend = Real(k % steps) / steps;
    const Real t = spec.length * Real(k) / Real(count);
    for (unsigned short h = 0; h < BoneCount; ++h)
      tracks[h]->createNodeKeyFrame(t)->setRotation(
          Ogre::Quaternion::nlerp(blend, toQuaternion(from.angles[h]), toQuaternion(to.angles[h]), true));
  }
  // Ground every key: the lowest point goes to the height the pose is made
  // for; resting poses are also centred over the origin (from the first key,
  // so breathing does not slide the body).
  Vector3 centre = Vector3::ZERO;
  for (size_t k = 0; k <= count; ++k) {
    auto *key = tracks[Root]->getNodeKeyFrame(static_cast<unsigned short>(k));
    const Ogre::AxisAlignedBox box = posedBounds(skel, *anim, key->getTime(), verts);
    if (k == 0 && spec.placement == Placement::Resting)
      centre = Vector3(box.getCenter().x, 0, box.getCenter().z);
    const Real floorY = spec.placement == Placement::Resting ? 0 : -standingLift(style, spec.name);
    key->setTranslate(Vector3(-centre.x, floorY - box.getMinimum().y, -centre.z));
  }
}

void writeFigure(const FigureStyle &style, const std::string &outDir) {
  MeshBuilder builder;
  addBody(builder, style);
  addHeadgear(builder, style);
  addEmblem(builder, style);
  builder.translateAll(Vector3(0, -kBindLift, 0));
  const Ogre::AxisAlignedBox geometry = builder.bounds();
  if (geometry.getMaximum().x > kHalfWidth || geometry.getMinimum().x < -kHalfWidth ||
      geometry.getMaximum().z > kHalfDepth || geometry.getMinimum().z < -kHalfDepth)
    throw std::runtime_error("meshgen: " + style.mesh + " does not fit its fixed bounding box");
  const Ogre::AxisAlignedBox bounds(Vector3(-kHalfWidth, geometry.getMinimum().y, -kHalfDepth),
                                    Vector3(kHalfWidth, geometry.getMaximum().y, kHalfDepth));

  const std::string base = style.mesh.substr(0, style.mesh.rfind('.'));
  Ogre::SkeletonPtr skel = makeSkeleton(base + ".skeleton");
  const std::vector<SkinnedVertex> verts = skinnedVertices(builder);
  for (const AnimationSpec &spec : animationSpecs())
    addAnimation(*skel, spec, style, verts);

  Ogre::MeshPtr mesh = builder.build(style.mesh, kGroup, skel, bounds);
  Ogre::SkeletonSerializer().exportSkeleton(skel.get(), outDir + "/" + base + ".skeleton");
  Ogre::MeshSerializer().exportMesh(mesh.get(), outDir + "/" + style.mesh);
  Ogre::MeshManager::getSingleton().remove(mesh);
  Ogre::SkeletonManager::getSingleton().remove(skel);
}

} // namespace

void writeFigures(const std::string &sourceDir, const std::string &outDir) {
  if (!Ogre::ResourceGroupManager::getSingleton().resourceGroupExists(kGroup))
    Ogre::ResourceGroupManager::getSingleton().createResourceGroup(kGroup);
  Ogre::ConfigFile cfg;
  cfg.load(sourceDir + "/figures.cfg", "\t:=", true);
  int written = 0;
  for (const auto &section : cfg.getSettingsBySection()) {
    if (section.first.empty())
      continue;
    writeFigure(readStyle(cfg, section.first), outDir);
    ++written;
  }
  if (written == 0)
    throw std::runtime_error("meshgen: no figures described in " + sourceDir + "/figures.cfg");
}

} // namespace meshgen
