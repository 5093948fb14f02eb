// The text description of a level: axis-aligned solid brushes with generated
// textures, plus the annotations (rooms, doorways, viewpoints) that the
// compiler checks and writes. The grammar is documented at the top of
// media/level/ship.txt.
#pragma once

#include <array>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace levelc {

// Level units; min < max on every axis.
struct Box {
  std::array<double, 3> min{};
  std::array<double, 3> max{};

  bool contains(const std::array<double, 3> &p) const;
  // True when the open interiors overlap (touching faces do not count).
  bool overlapsInterior(const Box &other) const;
  // True when the closed boxes share at least one point, with `slack` units of tolerance.
  bool touches(const Box &other, double slack) const;
};

enum class Pattern { Plate, Panel, Hull, Hazard, Machine, Wood };

struct TextureSpec {
  std::string name; // also the shader and material name
  Pattern pattern = Pattern::Plate;
  std::array<int, 3> rgb{}; // 0..255
};

struct BrushSpec {
  std::string name;
  std::string texture;
  Box box;
  bool fitting = false; // may stand inside a room
};

// A rectangle on the deck (x, y); z is not part of it.
struct Rect {
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

struct NamedRect {
  std::string name;
  Rect rect;
};

struct StartSpec {
  std::string name;
  std::array<double, 3> origin{};
  double angleDegrees = 0; // heading about +Z, 0 = along +x
};

struct LevelDescription {
  std::vector<TextureSpec> textures;
  std::vector<BrushSpec> brushes;
  std::vector<NamedRect> rooms;
  std::vector<NamedRect> doorways;
  std::vector<StartSpec> starts;

  const TextureSpec *findTexture(const std::string &name) const;
  const BrushSpec *findBrush(const std::string &name) const;
  const NamedRect *findRoom(const std::string &name) const;
  const NamedRect *findDoorway(const std::string &name) const;
  // Top of the brush named "deck": the walking surface.
  double deckTop() const;
  // The first brush whose closed box contains p, or null.
  const BrushSpec *brushAt(const std::array<double, 3> &p) const;
};

// Height up to which a doorway and a room must be free of brushes.
constexpr double kClearHeight = 150.0;

struct ParseResult {
  std::optional<LevelDescription> level;
  std::string error; // "<source>:<line>: <what>" when level is empty
};

// Reads and checks a description. Every malformed record, unknown name,
// degenerate box, blocked doorway or room, start inside a brush, or a
// description without a "deck" brush gives an error naming the line.
ParseResult parseLevelDescription(std::istream &in, const std::string &sourceName);

} // namespace levelc
