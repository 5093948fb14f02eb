#include "LevelDescription.h"

#include <cmath>
#include <map>
#include <sstream>

namespace levelc {

namespace {

// Coordinates beyond this are rejected: the BSP file stores leaf and node
// bounds as 32-bit integers and OGRE works in single precision.
constexpr double kMaxCoordinate = 65536.0;
constexpr std::size_t kMaxNameLength = 63; // the shader name field holds 64 bytes

struct LineError {
  std::string what;
};

std::vector<std::string> splitWords(const std::string &line) {
  std::vector<std::string> words;
  std::istringstream in(line.substr(0, line.find('#')));
  std::string word;
  while (in >> word)
    words.push_back(word);
  return words;
}

double toCoordinate(const std::string &word) {
  std::size_t used = 0;
  double value = 0;
  try {
    value = std::stod(word, &used);
  } catch (const std::exception &) {
    throw LineError{"'" + word + "' is not a number"};
  }
  if (used != word.size() || !std::isfinite(value) || std::fabs(value) > kMaxCoordinate)
    throw LineError{"'" + word + "' is not a number within +-65536"};
  return value;
}

int toColourChannel(const std::string &word) {
  double value = toCoordinate(word);
  if (value < 0 || value > 255 || value != std::floor(value))
    throw LineError{"colour channel '" + word + "' must be an integer 0..255"};
  return static_cast<int>(value);
}

void expectWordCount(const std::vector<std::string> &words, std::size_t count, const char *usage) {
  if (words.size() != count)
    throw LineError{std::string("expected: ") + usage};
}

std::string checkedName(const std::string &name) {
  if (name.size() > kMaxNameLength)
    throw LineError{"name '" + name + "' is longer than 63 characters"};
  return name;
}

Pattern toPattern(const std::string &word) {
  static const std::map<std::string, Pattern> patterns = {
      {"plate", Pattern::Plate},   {"panel", Pattern::Panel},     {"hull", Pattern::Hull},
      {"hazard", Pattern::Hazard}, {"machine", Pattern::Machine}, {"wood", Pattern::Wood}};
  auto it = patterns.find(word);
  if (it == patterns.end())
    throw LineError{"unknown pattern '" + word + "'"};
  return it->second;
}

Rect toRect(const std::vector<std::string> &words, std::size_t first) {
  Rect r{toCoordinate(words[first]), toCoordinate(words[first + 1]), toCoordinate(words[first + 2]),
         toCoordinate(words[first + 3])};
  if (!(r.minX < r.maxX && r.minY < r.maxY))
    throw LineError{"the minimum corner must lie below the maximum corner"};
  return r;
}

Box clearanceBox(const Rect &r, double deckTop) {
  return Box{{r.minX, r.minY, deckTop}, {r.maxX, r.maxY, deckTop + kClearHeight}};
}

class Parser {
public:
  explicit Parser(LevelDescription &level) : mLevel(level) {}

  void parseLine(const std::vector<std::string> &words, int lineNumber) {
    const std::string &kind = words[0];
    if (kind == "texture") {
      parseTexture(words);
    } else if (kind == "brush") {
      parseBrush(words);
    } else if (kind == "room") {
      parseRect(words, mLevel.rooms);
      mRoomLines.push_back(lineNumber);
    } else if (kind == "doorway") {
      parseRect(words, mLevel.doorways);
      mDoorwayLines.push_back(lineNumber);
    } else if (kind == "fitting") {
      parseFitting(words);
    } else if (kind == "start") {
      parseStart(words);
      mStartLines.push_back(lineNumber);
    } else {
      throw LineError{"unknown record '" + kind + "'"};
    }
  }

  // Checks that need the whole file; returns the offending line or 0.
  int checkWhole(std::string &error) const {
    if (!mLevel.findBrush("deck")) {
      error = "no brush named 'deck'";
      return 0;
    }
    double deckTop = mLevel.deckTop();
    for (std::size_t i = 0; i < mLevel.doorways.size(); ++i)
      if (const BrushSpec *b = blockingBrush(clearanceBox(mLevel.doorways[i].rect, deckTop), false)) {
        error = "doorway '" + mLevel.doorways[i].name + "' is blocked by brush '" + b->name + "'";
        return mDoorwayLines[i];
      }
    for (std::size_t i = 0; i < mLevel.rooms.size(); ++i)
      if (const BrushSpec *b = blockingBrush(clearanceBox(mLevel.rooms[i].rect, deckTop), true)) {
        error = "room '" + mLevel.rooms[i].name + "' holds brush '" + b->name + "', which is not a fitting";
        return mRoomLines[i];
      }
    for (std::size_t i = 0; i < mLevel.starts.size(); ++i)
      if (const BrushSpec *b = mLevel.brushAt(mLevel.starts[i].origin)) {
        error = "start '" + mLevel.starts[i].name + "' lies inside brush '" + b->name + "'";
        return mStartLines[i];
      }
    return 0;
  }

private:
  void requireNewName(const std::string &name) {
    if (!mNames.insert({name, 0}).second)
      throw LineError{"name '" + name + "' is used twice"};
  }

  void parseTexture(const std::vector<std::string> &words) {
    expectWordCount(words, 6, "texture NAME PATTERN R G B");
    requireNewName(words[1]);
    mLevel.textures.push_back(
        {checkedName(words[1]),
         toPattern(words[2]),
         {toColourChannel(words[3]), toColourChannel(words[4]), toColourChannel(words[5])}});
  }

  void parseBrush(const std::vector<std::string> &words) {
    expectWordCount(words, 9, "brush NAME TEXTURE XMIN YMIN ZMIN XMAX YMAX ZMAX");
    requireNewName(words[1]);
    if (!mLevel.findTexture(words[2]))
      throw LineError{"unknown texture '" + words[2] + "'"};
    Box box;
    for (int axis = 0; axis < 3; ++axis) {
      box.min[axis] = toCoordinate(words[3 + axis]);
      box.max[axis] = toCoordinate(words[6 + axis]);
      if (!(box.min[axis] < box.max[axis]))
        throw LineError{"brush '" + words[1] + "' is empty: every minimum must lie below its maximum"};
    }
    mLevel.brushes.push_back({checkedName(words[1]), words[2], box, false});
  }

  void parseRect(const std::vector<std::string> &words, std::vector<NamedRect> &into) {
    expectWordCount(words, 6, "room|doorway NAME XMIN YMIN XMAX YMAX");
    requireNewName(words[1]);
    into.push_back({checkedName(words[1]), toRect(words, 2)});
  }

  void parseFitting(const std::vector<std::string> &words) {
    expectWordCount(words, 2, "fitting BRUSHNAME");
    for (BrushSpec &b : mLevel.brushes)
      if (b.name == words[1]) {
        b.fitting = true;
        return;
      }
    throw LineError{"unknown brush '" + words[1] + "' (a fitting names a brush defined above it)"};
  }

  void parseStart(const std::vector<std::string> &words) {
    expectWordCount(words, 6, "start NAME X Y Z ANGLE");
    requireNewName(words[1]);
    mLevel.starts.push_back({checkedName(words[1]),
                             {toCoordinate(words[2]), toCoordinate(words[3]), toCoordinate(words[4])},
                             toCoordinate(words[5])});
  }

  const BrushSpec *blockingBrush(const Box &clear, bool fittingsAllowed) const {
    for (const BrushSpec &b : mLevel.brushes)
      if (b.box.overlapsInterior(clear) && !(fittingsAllowed && b.fitting))
        return &b;
    return nullptr;
  }

  LevelDescription &mLevel;
  std::map<std::string, int> mNames;
  std::vector<int> mRoomLines, mDoorwayLines, mStartLines;
};

} // namespace

bool Box::contains(const std::array<double, 3> &p) const {
  for (int a = 0; a < 3; ++a)
    if (p[a] < min[a] || p[a] > max[a])
      return false;
  return true;
}

bool Box::overlapsInterior(const Box &other) const {
  for (int a = 0; a < 3; ++a)
    if (!(min[a] < other.max[a] && other.min[a] < max[a]))
      return false;
  return true;
}

bool Box::touches(const Box &other, double slack) const {
  for (int a = 0; a < 3; ++a)
    if (min[a] > other.max[a] + slack || other.min[a] > max[a] + slack)
      return false;
  return true;
}

const TextureSpec *LevelDescription::findTexture(const std::string &name) const {
  for (const TextureSpec &t : textures)
    if (t.name == name)
      return &t;
  return nullptr;
}

const BrushSpec *LevelDescription::findBrush(const std::string &name) const {
  for (const BrushSpec &b : brushes)
    if (b.name == name)
      return &b;
  return nullptr;
}

const NamedRect *LevelDescription::findRoom(const std::string &name) const {
  for (const NamedRect &r : rooms)
    if (r.name == name)
      return &r;
  return nullptr;
}

const NamedRect *LevelDescription::findDoorway(const std::string &name) const {
  for (const NamedRect &r : doorways)
    if (r.name == name)
      return &r;
  return nullptr;
}

double LevelDescription::deckTop() const {
  const BrushSpec *deck = findBrush("deck");
  return deck ? deck->box.max[2] : 0.0;
}

const BrushSpec *LevelDescription::brushAt(const std::array<double, 3> &p) const {
  for (const BrushSpec &b : brushes)
    if (b.box.contains(p))
      return &b;
  return nullptr;
}

ParseResult parseLevelDescription(std::istream &in, const std::string &sourceName) {
  ParseResult result;
  LevelDescription level;
  Parser parser(level);
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    std::vector<std::string> words = splitWords(line);
    if (words.empty())
      continue;
    try {
      parser.parseLine(words, lineNumber);
    } catch (const LineError &e) {
      result.error = sourceName + ":" + std::to_string(lineNumber) + ": " + e.what;
      return result;
    }
  }
  std::string error;
  int badLine = parser.checkWhole(error);
  if (!error.empty()) {
    result.error = sourceName + ":" + std::to_string(badLine) + ": " + error;
    return result;
  }
  result.level = std::move(level);
  return result;
}

} // namespace levelc
